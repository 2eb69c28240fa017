// Appended blocks of the VTK XML files: raw, and compressed in blocks of a fixed size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resconv/writers/vtuEncoding.h"
#include "support/vtuFiles.h"

namespace {

using testSupport::decodeBlock;
using testSupport::wordAt;

TEST(BlockEncoder, RawBlockIsTheByteCountAndTheBytes) {
  BlockEncoder encoder(VtuEncoding::raw);
  std::vector<char> out{'x'};
  const std::string bytes = "0123456789";
  encoder.begin(out, bytes.size());
  encoder.put(bytes.data(), 4);
  encoder.put(bytes.data() + 4, 6);
  encoder.finish();
  ASSERT_EQ(out.size(), 18u);
  EXPECT_EQ(wordAt(std::string_view(out.data(), out.size()), 0), 10u);
  EXPECT_EQ(std::string(out.data() + 8, 10), bytes);
}

TEST(BlockEncoder, CompressedBlocksAreCutAtTheBlockSize) {
  struct Case {
    std::size_t size;
    std::uint64_t blocks, partial;
  };
  const Case cases[] = {{0, 0, 0},     {1, 1, 1},         {32768, 1, 0},
                        {32769, 2, 1}, {3 * 32768, 3, 0}, {100000, 4, 100000 - 3 * 32768}};
  BlockEncoder encoder(VtuEncoding::compressed);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes(c.size, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * i) % 13);
    std::vector<char> out;
    encoder.begin(out, bytes.size());
    // Pieces that straddle the block boundaries.
    for (std::size_t at = 0; at < bytes.size(); at += 10007) {
      encoder.put(bytes.data() + at, std::min<std::size_t>(10007, bytes.size() - at));
    }
    encoder.finish();
    const std::string_view block(out.data(), out.size());
    EXPECT_EQ(wordAt(block, 0), c.blocks);
    EXPECT_EQ(wordAt(block, 8), compressedBlockSize);
    EXPECT_EQ(wordAt(block, 16), c.partial);
    std::uint64_t streams = 0;
    for (std::uint64_t b = 0; b < c.blocks; ++b) streams += wordAt(block, 24 + 8 * b);
    EXPECT_EQ(out.size(), 24 + 8 * c.blocks + streams);
    std::size_t used = 0;
    EXPECT_EQ(decodeBlock(block, 0, true, &used), bytes);
    EXPECT_EQ(used, out.size());
  }
}

// Pseudo-random bytes leave nothing to compress: the blocks are stored, and read back the same.
TEST(BlockEncoder, NoiseIsStoredInItsStreams) {
  std::string bytes(3 * 32768 + 100, '\0');
  unsigned state = 7u;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  // A compressible block between the noise is still compressed.
  std::fill(bytes.begin() + 32768, bytes.begin() + 2 * 32768, 'a');
  BlockEncoder encoder(VtuEncoding::compressed);
  std::vector<char> out;
  encoder.begin(out, bytes.size());
  encoder.put(bytes.data(), bytes.size());
  encoder.finish();
  const std::string_view block(out.data(), out.size());
  ASSERT_EQ(wordAt(block, 0), 4u);
  EXPECT_GT(wordAt(block, 24), 32768u);  // stored: the block and a few bytes of framing
  EXPECT_LT(wordAt(block, 32), 1000u);
  EXPECT_GT(wordAt(block, 40), 32768u);
  EXPECT_EQ(decodeBlock(block, 0, true), bytes);
}

}  // namespace
