#pragma once
// The appended data of a VTK XML file: every array is one block after the '_' that opens the
// AppendedData element, and a DataArray's offset counts from the byte after that '_'.
//
//   raw         UInt64 byte count, then the array's bytes (little endian)
//   compressed  UInt64 header [blocks, block size, size of a partial last block (0 when the
//               last block is full), compressed size of each block], then each block of the
//               array cut at the block size, as one zlib stream
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/units.h"
#include "resconv/writers/zlibStream.h"

static_assert(std::endian::native == std::endian::little,
              "the arrays are written as they lie in memory: little endian");

enum class VtuEncoding { raw, compressed };

// Uncompressed bytes in a compressed block, as VTK's own zlib compressor cuts them.
constexpr std::size_t compressedBlockSize = 32768;

// Receives the bytes of one array in order, in pieces of any size.
class ByteSink {
 public:
  virtual void put(const void* data, std::size_t n) = 0;

 protected:
  ~ByteSink() = default;
};

// Straight into the file: the raw array after its byte count.
class UnitSink final : public ByteSink {
 public:
  explicit UnitSink(OutputUnit& unit) : unit_(unit) {}
  void put(const void* data, std::size_t n) override { unit_.appendBytes(data, n); }

 private:
  OutputUnit& unit_;
};

// Builds one encoded block (header included) in memory, raw or compressed. The zlib streams
// come from the build's compression library (zlibStream.h); one encoder is reused for every array
// of a run. A block whose first part hardly compresses (velocities at full precision are close to
// noise) is stored in its zlib stream as it is, which costs a copy instead of a search for matches
// that are not there. Each block is compressed on its own, so with more than one thread of the
// run, a batch of blocks is compressed in parts across the work pool (a compressor for each
// part) and the streams put in order: the same bytes as one after another.
class BlockEncoder final : public ByteSink {
 public:
  BlockEncoder(VtuEncoding encoding, int compressionLevel = defaultCompressionLevel);
  ~BlockEncoder();
  BlockEncoder(const BlockEncoder&) = delete;
  BlockEncoder& operator=(const BlockEncoder&) = delete;

  // Starts the block of an array of `byteCount` bytes in `out`, which it replaces.
  void begin(std::vector<char>& out, std::uint64_t byteCount);
  void put(const void* data, std::size_t n) override;
  // Compresses the last blocks; the block in `out` is complete. The bytes put must add up to
  // the count given to begin().
  void finish();

  VtuEncoding encoding() const { return encoding_; }
  static constexpr int defaultCompressionLevel = 1;

 private:
  // What compresses blocks: one for the calling thread, one more for each further part.
  struct Lane;
  // Compresses the blocks pending, the last of them perhaps partial.
  void compressPending();
  Lane& lane(std::size_t index);

  VtuEncoding encoding_;
  int compressionLevel_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  std::vector<char>* out_ = nullptr;
  std::uint64_t byteCount_ = 0;
  std::size_t blockCount_ = 0;
  std::size_t blocksDone_ = 0;
  std::size_t batchBytes_ = compressedBlockSize;  // whole blocks gathered before compressing
  std::vector<char> pending_;                     // the blocks being gathered, below batchBytes_
};

// The size of an array's raw block: its byte count header and its bytes.
constexpr std::uint64_t rawBlockSize(std::uint64_t byteCount) {
  return sizeof(std::uint64_t) + byteCount;
}

// The header of a raw block.
void putRawHeader(ByteSink& sink, std::uint64_t byteCount);

// Values of a 1-based array, entries 1 to count, as they lie in memory.
template <class T>
void putValues(ByteSink& sink, std::span<const T> oneBased, std::size_t count) {
  if (count > 0) sink.put(oneBased.data() + 1, count * sizeof(T));
}

// Tuples computed one by one, `components` values each: fill(tuple, out) writes tuple t's
// values (t from 0) to out. Goes through a small buffer, so nothing of the array's size is
// held.
template <class T, int components, class Fill>
void putTuples(ByteSink& sink, std::size_t tupleCount, Fill fill) {
  constexpr std::size_t tuplesPerPiece = 8192 / (sizeof(T) * components);
  T piece[tuplesPerPiece * components];
  std::size_t tuple = 0;
  while (tuple < tupleCount) {
    const std::size_t n = std::min(tuplesPerPiece, tupleCount - tuple);
    T* out = piece;
    for (std::size_t i = 0; i < n; ++i, out += components) fill(tuple + i, out);
    sink.put(piece, n * components * sizeof(T));
    tuple += n;
  }
}
