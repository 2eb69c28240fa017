#include <zlib.h>

#include <stdexcept>

#include "support/inflate.h"

namespace testSupport {

std::string inflate(std::string_view stream, std::size_t size) {
  std::string out(size, '\0');
  uLongf actual = static_cast<uLongf>(out.size());
  uLong streamSize = static_cast<uLong>(stream.size());
  const int result = uncompress2(reinterpret_cast<Bytef*>(out.data()), &actual,
                                 reinterpret_cast<const Bytef*>(stream.data()), &streamSize);
  if (result != Z_OK || actual != size || streamSize != stream.size()) {
    throw std::runtime_error("bad zlib stream");
  }
  return out;
}

}  // namespace testSupport
