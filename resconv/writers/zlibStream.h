#pragma once
// One zlib stream (RFC 1950) per call, from the compression library the build links: libdeflate
// on Linux, zlib where libdeflate is not packaged (the Windows build). Both give streams that
// any zlib reader takes; their bytes differ between the libraries.
#include <cstddef>
#include <memory>

class ZlibCompressor {
 public:
  // Level 0 stores the bytes in the stream as they are; 1 to 9 trade speed for size.
  explicit ZlibCompressor(int level);
  ~ZlibCompressor();
  ZlibCompressor(const ZlibCompressor&) = delete;
  ZlibCompressor& operator=(const ZlibCompressor&) = delete;

  // The most bytes the stream of `size` input bytes can take.
  std::size_t bound(std::size_t size) const;
  // Compresses [data, data + size) into [out, out + capacity): the stream's size, or 0 when it
  // does not fit.
  std::size_t compress(const void* data, std::size_t size, void* out, std::size_t capacity);

 private:
  struct State;
  std::unique_ptr<State> state_;
};
