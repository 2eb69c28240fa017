#include <libdeflate.h>

#include <memory>
#include <stdexcept>

#include "support/inflate.h"

namespace testSupport {

std::string inflate(std::string_view stream, std::size_t size) {
  std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  std::string out(size, '\0');
  std::size_t actual = 0;
  const auto result = libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(),
                                                 out.data(), out.size(), &actual);
  if (result != LIBDEFLATE_SUCCESS || actual != size) throw std::runtime_error("bad zlib stream");
  return out;
}

}  // namespace testSupport
