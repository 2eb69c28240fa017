// Writers whose rows are formatted in parts across the run's threads: at four threads, the rows
// cut into many parts and rounds, every writer gives the bytes it gives at one thread, and a unit
// on a file receives them in the same writes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/rowParts.h"
#include "common/slots.h"
#include "common/units.h"
#include "common/workPool.h"
#include "resconv/writers/avs.h"
#include "resconv/writers/femapOutput.h"
#include "resconv/writers/interp.h"
#include "resconv/writers/resultList.h"
#include "resconv/writers/tecplot.h"
#include "resconv/writers/vtuEncoding.h"
#include "support/meshes.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;

// A block of prisms and hexahedra with every fourteenth element left out and every nineteenth
// node unused, values of every sign and size at its nodes and elements; a sub-mesh of points
// with values.
struct PartedCase {
  TestMesh mesh = makeBlockMesh(13, 11, 9, 0.5, 0.2, 5);
  TestState state{mesh};
  SubMesh subMesh;

  PartedCase() {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    const auto spread = [&] { return value(random) * std::pow(10.0, 6.0 * value(random)); };
    for (int element = 14; element <= mesh.elementCount(); element += 14) {
      mesh.elementFlag[at(element)] = 1;
    }
    for (int node = 19; node <= mesh.nodeCount(); node += 19) mesh.nodeUnused[at(node)] = 1;
    state = TestState(mesh);
    for (int node = 1; node <= mesh.nodeCount(); ++node) {
      state.pressureHead[at(node)] = spread();
      state.discharge[at(node)] = node % 3 == 0 ? 0.0 : spread();
    }
    for (int element = 1; element <= mesh.elementCount(); ++element) {
      state.vx[at(element)] = spread();
      state.vy[at(element)] = spread();
      state.vz[at(element)] = spread();
    }
    state.averageVelocities(mesh);
    const int points = 1500;
    subMesh.pointCount = points;
    for (std::vector<double>* values : {&subMesh.pointX, &subMesh.pointY, &subMesh.pointZ,
                                        &subMesh.pointTotalHead, &subMesh.pointPressureHead}) {
      values->assign(at(points) + 1, 0.0);
      for (int point = 1; point <= points; ++point) (*values)[at(point)] = spread();
    }
    subMesh.elementCount = points - 2;
    subMesh.connectivity.assign(at(subMesh.elementCount) + 1, {});
    for (int element = 1; element <= subMesh.elementCount; ++element) {
      subMesh.connectivity[at(element)] = {element, element + 1, element + 2, element + 2};
    }
  }
};

struct Writer {
  const char* name;
  std::function<void(OutputUnit&, const PartedCase&)> write;
};

const Writer writers[] = {
    {"tecplot",
     [](OutputUnit& unit, const PartedCase& c) {
       writeTecplotBlock(unit, "parted", c.mesh.view(), c.state.view(2.5, 3), c.state.nodal());
     }},
    {"tecplotSubMesh",
     [](OutputUnit& unit, const PartedCase& c) {
       writeTecplotSubMeshBlock(unit, c.subMesh, c.state.view(2.5, 3));
     }},
    {"femap",
     [](OutputUnit& unit, const PartedCase& c) {
       WriterCounters counters;
       writeFemapOutputSet(unit, counters, c.mesh.view(), c.state.view(2.5, 3), c.state.nodal());
       writeFemapSubMeshOutputSet(unit, counters, c.subMesh, c.state.view(2.5, 3));
     }},
    {"avs",
     [](OutputUnit& unit, const PartedCase& c) {
       WriterCounters counters;
       writeAvsStep(unit, counters, c.mesh.view(), c.state.view(2.5, 3), c.state.nodal());
       writeAvsSubMeshStep(unit, counters, c.subMesh, c.state.view(2.5, 3));
     }},
    {"resultList",
     [](OutputUnit& unit, const PartedCase& c) {
       writeResultList(unit, "parted", c.mesh.view(), c.state.view(2.5, 3));
     }},
    {"interp",
     [](OutputUnit& unit, const PartedCase& c) {
       writeInterpRecords(unit, c.subMesh, c.state.view(2.5, 3));
     }},
};

// Rows cut at 4 threads into parts of at least 5 rows, each round about 2000 characters a part.
class PartedWriters : public testing::Test {
 protected:
  static void atThreads(int threads) {
    setRunThreads(threads);
    setRowSplit({5, 2000});
  }
  void TearDown() override {
    setRunThreads(1);
    setRowSplit({});
  }
};

TEST_F(PartedWriters, GiveTheBytesOfOneThread) {
  const PartedCase c;
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    atThreads(1);
    MemoryUnit one;
    writer.write(one, c);
    atThreads(4);
    MemoryUnit four;
    writer.write(four, c);
    EXPECT_GT(one.memory().size(), 20000u);  // many parts and rounds
    EXPECT_TRUE(testSupport::sameText(four.memory(), one.memory()));
  }
}

// The text a run's Tecplot blocks repeat (coordinates, element records), kept by the first
// block whole, in part, or not at all: every block is the one formatted without it, though the
// nodes' values change from block to block.
TEST_F(PartedWriters, TecplotRepeatsGiveTheFormattedBlocks) {
  PartedCase c;
  const std::size_t limits[] = {0, 700, 20000, tecplotRepeatBytes};
  for (int threads : {1, 4}) {
    atThreads(threads);
    for (std::size_t limit : limits) {
      SCOPED_TRACE(testing::Message() << threads << " threads, limit " << limit);
      TecplotRepeats repeats;
      repeats.limitBytes = limit;
      for (int block = 0; block < 3; ++block) {
        for (int node = 1; node <= c.mesh.nodeCount(); ++node) {
          c.state.pressureHead[at(node)] += 0.375 * node;
        }
        const double time = 2.5 * block;
        MemoryUnit formatted, kept;
        writeTecplotBlock(formatted, "repeats", c.mesh.view(), c.state.view(time, block),
                          c.state.nodal());
        writeTecplotBlock(kept, "repeats", c.mesh.view(), c.state.view(time, block),
                          c.state.nodal(), &repeats);
        ASSERT_TRUE(testSupport::sameText(kept.memory(), formatted.memory())) << "block " << block;
      }
      // The middle limits keep some of each kind.
      const bool whole = limit == tecplotRepeatBytes, none = limit == 0;
      EXPECT_EQ(repeats.keptNodes == c.mesh.nodeCount(), whole);
      EXPECT_EQ(repeats.keptNodes == 0, none);
      EXPECT_EQ(repeats.keptElements == c.mesh.elementCount(), whole);
      EXPECT_EQ(repeats.keptElements == 0, none);
    }
  }
}

// A unit on a file: at four threads it holds the same bytes, in files of many buffers.
TEST_F(PartedWriters, FileUnitsHoldTheSameBytes) {
  const PartedCase c;
  testSupport::TemporaryFolder folder;
  std::string written[2];
  for (int run = 0; run < 2; ++run) {
    atThreads(run == 0 ? 1 : 4);
    OutputUnit unit(unitNumber::output);
    unit.open(folder.file("OUT" + std::to_string(run)));
    for (int pass = 0; pass < 6; ++pass) {
      for (const Writer& writer : writers) writer.write(unit, c);
    }
    unit.close();
    written[run] = testSupport::readFile(folder.file("OUT" + std::to_string(run)));
  }
  EXPECT_GT(written[0].size(), 3u << 20);
  EXPECT_TRUE(written[0] == written[1]);
}

// Records appended at once reach the file in the writes that record after record would make, so
// that an interrupt, checked with each full buffer, or a failed write ends both at the same
// record. On a device each full buffer is written at once: on /dev/full the first write fails
// having taken exactly the first buffer, which ends at the first record end past the threshold.
TEST_F(PartedWriters, RecordsReachTheFileInTheSameWrites) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::vector<std::string> records;
  std::string text;
  for (int k = 0; k < 40000; ++k) {
    records.push_back("record " + std::to_string(k) +
                      std::string(static_cast<std::size_t>(k % 89), '-'));
    text += records.back() + std::string(platform::lineEnd);
  }
  const auto firstWrite = [](const std::function<void(OutputUnit&)>& write) {
    OutputUnit unit(unitNumber::output);
    unit.open("/dev/full");
    const std::string stop = testSupport::stopOf([&] { write(unit); });
    EXPECT_TRUE(stop.starts_with("cannot write /dev/full")) << stop;
    return unit.byteCount();
  };
  const std::uint64_t oneByOne = firstWrite([&](OutputUnit& unit) {
    for (const std::string& record : records) unit.writeRecord(record);
  });
  EXPECT_GE(oneByOne, 1u << 20);
  EXPECT_LT(oneByOne, (1u << 20) + 200);
  EXPECT_EQ(text.substr(0, oneByOne).back(), '\n');
  // Appended in pieces that cut records, as parts never do, and whole.
  EXPECT_EQ(firstWrite([&](OutputUnit& unit) {
              unit.appendRecords(std::string_view(text).substr(0, 700000));
              unit.appendRecords(std::string_view(text).substr(700000));
            }),
            oneByOne);
  atThreads(4);
  EXPECT_EQ(firstWrite([&](OutputUnit& unit) {
              writeRowsInParts(unit, 0, 40000, 50,
                               [&](OutputUnit& out, long long first, long long last) {
                                 for (long long k = first; k < last; ++k) {
                                   out.writeRecord(records[static_cast<std::size_t>(k)]);
                                 }
                               });
            }),
            oneByOne);
}

// A part that fails ends the rows where formatting them one after another would have: every
// row before the failing one is written, none after it, and the failure comes back.
TEST_F(PartedWriters, AFailingRowEndsTheRowsThere) {
  for (int threads : {1, 4}) {
    SCOPED_TRACE(threads);
    atThreads(threads);
    MemoryUnit unit;
    EXPECT_THROW(writeRowsInParts(unit, 0, 500, 10,
                                  [](OutputUnit& out, long long first, long long last) {
                                    for (long long row = first; row < last; ++row) {
                                      if (row == 317) throw std::runtime_error("row 317");
                                      out.writeRecord(std::to_string(row));
                                    }
                                  }),
                 std::runtime_error);
    std::string expected;
    for (int row = 0; row < 317; ++row) expected += std::to_string(row) + "\n";
    EXPECT_TRUE(testSupport::sameText(unit.memory(), testSupport::withLineEnds(expected)));
  }
}

// Compressed blocks: each compressed on its own, so at four threads, in batches across the
// pool, the encoded array is the same, for sizes around the block and the batch sizes.
TEST_F(PartedWriters, CompressedBlocksAreTheSameAtFourThreads) {
  std::mt19937_64 random(3);
  std::string bytes(3'000'000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // Stretches that compress and stretches of noise, which are stored.
    bytes[i] = (i / 50000) % 3 == 0 ? static_cast<char>(random()) : static_cast<char>(i % 7);
  }
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, compressedBlockSize,
                           16 * compressedBlockSize + 5, bytes.size()}) {
    SCOPED_TRACE(size);
    std::vector<char> encoded[2];
    for (int run = 0; run < 2; ++run) {
      atThreads(run == 0 ? 1 : 4);
      BlockEncoder encoder(VtuEncoding::compressed);
      encoder.begin(encoded[run], size);
      for (std::size_t at = 0; at < size; at += 70001) {
        encoder.put(bytes.data() + at, std::min<std::size_t>(70001, size - at));
      }
      encoder.finish();
    }
    EXPECT_TRUE(encoded[0] == encoded[1]);
  }
}

}  // namespace
