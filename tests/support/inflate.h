#pragma once
// A zlib stream inflated back, with the library the build reads compressed blocks with:
// libdeflate, or zlib in the Windows build, which has no libdeflate.
#include <cstddef>
#include <string>
#include <string_view>

namespace testSupport {

// The `size` bytes of the zlib stream `stream`; throws on a bad stream or another size.
std::string inflate(std::string_view stream, std::size_t size);

}  // namespace testSupport
