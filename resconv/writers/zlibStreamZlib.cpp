// zlib streams from zlib: one deflate state, reset for every stream.
#include <zlib.h>

#include <algorithm>
#include <limits>

#include "common/programmingError.h"
#include "common/stop.h"
#include "resconv/writers/zlibStream.h"

struct ZlibCompressor::State {
  z_stream stream{};
};

ZlibCompressor::ZlibCompressor(int level) : state_(std::make_unique<State>()) {
  if (deflateInit(&state_->stream, level) != Z_OK) stopNoMemory();
}

ZlibCompressor::~ZlibCompressor() {
  deflateEnd(&state_->stream);
}

std::size_t ZlibCompressor::bound(std::size_t size) const {
  return deflateBound(&state_->stream, static_cast<uLong>(size));
}

std::size_t ZlibCompressor::compress(const void* data, std::size_t size, void* out,
                                     std::size_t capacity) {
  // Blocks are at most 32 KiB; zlib counts in 32-bit words.
  constexpr std::size_t largest = std::numeric_limits<uInt>::max();
  if (size > largest) programmingError("a zlib block larger than zlib counts");
  z_stream& stream = state_->stream;
  deflateReset(&stream);
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = static_cast<Bytef*>(out);
  stream.avail_out = static_cast<uInt>(std::min(capacity, largest));
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) return 0;
  return static_cast<std::size_t>(stream.total_out);
}
