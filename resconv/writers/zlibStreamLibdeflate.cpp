// zlib streams from libdeflate.
#include <libdeflate.h>

#include "common/stop.h"
#include "resconv/writers/zlibStream.h"

struct ZlibCompressor::State {
  libdeflate_compressor* compressor = nullptr;
};

ZlibCompressor::ZlibCompressor(int level) : state_(std::make_unique<State>()) {
  state_->compressor = libdeflate_alloc_compressor(level);
  if (state_->compressor == nullptr) stopNoMemory();
}

ZlibCompressor::~ZlibCompressor() {
  libdeflate_free_compressor(state_->compressor);
}

std::size_t ZlibCompressor::bound(std::size_t size) const {
  return libdeflate_zlib_compress_bound(state_->compressor, size);
}

std::size_t ZlibCompressor::compress(const void* data, std::size_t size, void* out,
                                     std::size_t capacity) {
  return libdeflate_zlib_compress(state_->compressor, data, size, out, capacity);
}
