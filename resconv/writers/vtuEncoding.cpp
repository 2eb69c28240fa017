// Raw and compressed blocks of appended VTK XML data.
#include "resconv/writers/vtuEncoding.h"

#include <algorithm>
#include <cstring>

#include "common/programmingError.h"
#include "common/stop.h"
#include "common/workPool.h"

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

struct BlockEncoder::Lane {
  explicit Lane(int level) : compressor(level), storer(0) {
    sample.resize(compressor.bound(sampleSize));
  }
  // Appends the zlib stream of one block to `out` and returns its size.
  std::size_t compressBlock(const char* block, std::size_t size, std::vector<char>& out) {
    ZlibCompressor* chosen = &compressor;
    if (size >= 2 * sampleSize &&
        compressor.compress(block, sampleSize, sample.data(), sampleMaxCompressed) == 0) {
      chosen = &storer;  // the sample did not fit in its share
    }
    const std::size_t bound = chosen->bound(size);
    const std::size_t start = out.size();
    out.resize(start + bound);
    const std::size_t stream = chosen->compress(block, size, out.data() + start, bound);
    out.resize(start + stream);
    return stream;
  }

  ZlibCompressor compressor;
  ZlibCompressor storer;  // level 0: stored deflate blocks
  std::vector<char> sample;
  // A part's streams and their sizes, before they are put in order.
  std::vector<char> streams;
  std::vector<std::size_t> sizes;
};

BlockEncoder::BlockEncoder(VtuEncoding encoding, int compressionLevel)
    : encoding_(encoding), compressionLevel_(compressionLevel) {
  if (encoding_ != VtuEncoding::compressed) return;
  lane(0);
  // A batch gives each thread of the run a few blocks at a time.
  const int threads = runThreads();
  if (threads > 1) batchBytes_ = compressedBlockSize * 4 * static_cast<std::size_t>(threads);
  pending_.reserve(batchBytes_);
}

BlockEncoder::~BlockEncoder() = default;

BlockEncoder::Lane& BlockEncoder::lane(std::size_t index) {
  while (lanes_.size() <= index) lanes_.push_back(std::make_unique<Lane>(compressionLevel_));
  return *lanes_[index];
}

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
    const std::size_t piece = std::min(n, batchBytes_ - pending_.size());
    pending_.insert(pending_.end(), bytes, bytes + piece);
    bytes += piece;
    n -= piece;
    if (pending_.size() == batchBytes_) compressPending();
  }
}

void BlockEncoder::finish() {
  if (encoding_ == VtuEncoding::compressed && !pending_.empty()) compressPending();
  out_ = nullptr;
}

void BlockEncoder::compressPending() {
  const std::size_t blocks = (pending_.size() + compressedBlockSize - 1) / compressedBlockSize;
  if (blocksDone_ + blocks > blockCount_) {
    programmingError("more bytes than the block was begun with");
  }
  std::vector<char>& out = *out_;
  auto blockSize = [&](std::size_t block) {
    return std::min(compressedBlockSize, pending_.size() - block * compressedBlockSize);
  };
  auto storeSize = [&](std::size_t size) {
    storeWord(out, (3 + blocksDone_) * sizeof(std::uint64_t), size);
    ++blocksDone_;
  };
  const int parts = partsFor(static_cast<long long>(blocks), 1);
  if (parts == 1) {
    for (std::size_t block = 0; block < blocks; ++block) {
      storeSize(lane(0).compressBlock(pending_.data() + block * compressedBlockSize,
                                      blockSize(block), out));
    }
    pending_.clear();
    return;
  }
  for (int part = 0; part < parts; ++part) lane(static_cast<std::size_t>(part));
  const auto partCount = static_cast<std::size_t>(parts);
  const std::size_t perPart = (blocks + partCount - 1) / partCount;
  runParts(parts, [&](int part) {
    Lane& own = *lanes_[static_cast<std::size_t>(part)];
    own.streams.clear();
    own.sizes.clear();
    const std::size_t first = std::min(blocks, perPart * static_cast<std::size_t>(part));
    const std::size_t last = std::min(blocks, first + perPart);
    for (std::size_t block = first; block < last; ++block) {
      own.sizes.push_back(own.compressBlock(pending_.data() + block * compressedBlockSize,
                                            blockSize(block), own.streams));
    }
  });
  for (int part = 0; part < parts; ++part) {
    const Lane& own = *lanes_[static_cast<std::size_t>(part)];
    out.insert(out.end(), own.streams.begin(), own.streams.end());
    for (std::size_t size : own.sizes) storeSize(size);
  }
  pending_.clear();
}
