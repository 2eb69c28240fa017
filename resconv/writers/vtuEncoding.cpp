// Raw and compressed blocks of appended VTK XML data.
#include "resconv/writers/vtuEncoding.h"

#include <algorithm>
#include <cstring>

#include "common/programmingError.h"
#include "common/stop.h"

namespace {

// The part of a block compressed first to judge it, and the share of it that compressing must
// save for the whole block to be compressed rather than stored.
constexpr std::size_t sampleSize = 4096;
constexpr std::size_t sampleMaxCompressed = sampleSize * 85 / 100;

void storeWord(std::vector<char>& out, std::size_t at, std::uint64_t word) {
  std::memcpy(out.data() + at, &word, sizeof word);
}

}  // namespace

void putRawHeader(ByteSink& sink, std::uint64_t byteCount) {
  sink.put(&byteCount, sizeof byteCount);
}

BlockEncoder::BlockEncoder(VtuEncoding encoding, int compressionLevel) : encoding_(encoding) {
  if (encoding_ != VtuEncoding::compressed) return;
  compressor_ = std::make_unique<ZlibCompressor>(compressionLevel);
  storer_ = std::make_unique<ZlibCompressor>(0);
  sample_.resize(compressor_->bound(sampleSize));
  pending_.reserve(compressedBlockSize);
}

BlockEncoder::~BlockEncoder() = default;

void BlockEncoder::begin(std::vector<char>& out, std::uint64_t byteCount) {
  out_ = &out;
  byteCount_ = byteCount;
  out.clear();
  if (encoding_ == VtuEncoding::raw) {
    out.reserve(rawBlockSize(byteCount));
    out.resize(sizeof(std::uint64_t));
    storeWord(out, 0, byteCount);
    return;
  }
  // The header goes first; the compressed sizes are filled in block by block.
  blockCount_ =
      static_cast<std::size_t>((byteCount + compressedBlockSize - 1) / compressedBlockSize);
  blocksDone_ = 0;
  pending_.clear();
  out.resize((3 + blockCount_) * sizeof(std::uint64_t));
  storeWord(out, 0, blockCount_);
  storeWord(out, 8, compressedBlockSize);
  storeWord(out, 16, byteCount % compressedBlockSize);
}

void BlockEncoder::put(const void* data, std::size_t n) {
  const char* bytes = static_cast<const char*>(data);
  if (encoding_ == VtuEncoding::raw) {
    out_->insert(out_->end(), bytes, bytes + n);
    return;
  }
  while (n > 0) {
    const std::size_t piece = std::min(n, compressedBlockSize - pending_.size());
    pending_.insert(pending_.end(), bytes, bytes + piece);
    bytes += piece;
    n -= piece;
    if (pending_.size() == compressedBlockSize) compressPending();
  }
}

void BlockEncoder::finish() {
  if (encoding_ == VtuEncoding::compressed && !pending_.empty()) compressPending();
  out_ = nullptr;
}

void BlockEncoder::compressPending() {
  if (blocksDone_ == blockCount_) programmingError("more bytes than the block was begun with");
  std::vector<char>& out = *out_;
  ZlibCompressor* compressor = compressor_.get();
  if (pending_.size() >= 2 * sampleSize &&
      compressor_->compress(pending_.data(), sampleSize, sample_.data(), sampleMaxCompressed) ==
          0) {
    compressor = storer_.get();  // the sample did not fit in its share
  }
  const std::size_t bound = compressor->bound(pending_.size());
  const std::size_t start = out.size();
  out.resize(start + bound);
  const std::size_t size =
      compressor->compress(pending_.data(), pending_.size(), out.data() + start, bound);
  out.resize(start + size);
  storeWord(out, (3 + blocksDone_) * sizeof(std::uint64_t), size);
  ++blocksDone_;
  pending_.clear();
}
