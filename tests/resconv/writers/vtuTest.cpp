// ParaView series: appended blocks (raw and compressed), step files of the solid mesh and the
// sub-mesh, and the collection with its step files on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "common/stop.h"
#include "common/units.h"
#include "resconv/writers/pvd.h"
#include "resconv/writers/vtu.h"
#include "resconv/writers/vtuEncoding.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"
#include "support/vtuFiles.h"

namespace {

using testSupport::decodeBlock;
using testSupport::readVtu;
using testSupport::wordAt;
using ReadFile = testSupport::VtuFileRead;
using MemoryFiles = testSupport::MemorySeriesFiles;

std::string fileText(const std::filesystem::path& path) {
  return testSupport::readFile(path);
}

// ---------------------------------------------------------------------------------------------
// The small mesh: a hexahedron on 1..8, a prism on 5 6 8 | 9 10 12, a left-out hexahedron on
// 5..12 whose node 11 no shown cell uses, and node 13 that no element names. Each element's
// tetrahedra have positive volume.

struct SmallMesh {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};
  std::vector<int> connectivity;
  std::vector<int> materialNo{0, 4, 7, -1};
  std::vector<int> elementFlag{0, 0, 0, 1};
  std::vector<int> nodeUnused;
  // A stored step of its own values.
  std::vector<double> pressureHead{0.0}, discharge{0.0};
  std::vector<int> nodeCode{0};
  std::vector<double> vx{0.0, 1.5, -2.25, 99.0}, vy{0.0, 0.1, 0.2, 99.0},
      vz{0.0, 1e-300, -3.0, 99.0};
  std::vector<double> nodeVx, nodeVy, nodeVz;
  std::vector<int> nodeElementCount;

  SmallMesh() {
    // Lower face (z = 0): (0,0) (0,1) (1,1) (1,0), then the face above it (z = 1).
    const double corner[13][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 1},
                                  {0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 2}, {0, 1, 2},
                                  {1, 1, 2}, {1, 0, 2}, {7, 7, 7}};
    for (const auto& c : corner) {
      x.push_back(c[0] + 0.01 * x.size());
      y.push_back(c[1]);
      z.push_back(c[2]);
    }
    connectivity = {1, 2, 3, 4, 5,  6,  7,  8,    // hexahedron
                    5, 6, 8, 9, 10, 12, 0,  0,    // prism
                    5, 6, 7, 8, 9,  10, 11, 12};  // left out
    nodeUnused.assign(14, 0);
    nodeUnused[13] = 1;
    for (int n = 1; n <= 13; ++n) {
      pressureHead.push_back(0.1 * n + 1.0 / 3.0);
      discharge.push_back(-1e-7 * n);
      nodeCode.push_back(n % 3);
    }
    nodeVx.assign(14, 0.0);
    nodeVy = nodeVz = nodeVx;
    nodeElementCount.assign(14, 0);
    for (int n = 1; n <= 13; ++n) nodeVx[n] = 100.0 + n;
  }
  SolidMesh view() const {
    return SolidMesh{13, 3, 8, x, y, z, connectivity, materialNo, elementFlag, nodeUnused, 7};
  }
  ShownState state(double time, int stepNo) const {
    return ShownState{pressureHead, discharge, nodeCode, vx, vy, vz, time, stepNo};
  }
  NodalVelocities velocities() const {
    return NodalVelocities{nodeVx, nodeVy, nodeVz, nodeElementCount};
  }
};

template <class T>
std::vector<T> oneBasedTail(const std::vector<T>& v) {
  return std::vector<T>(v.begin() + 1, v.end());
}

// ---------------------------------------------------------------------------------------------

TEST(AppendBytes, FileUnitsTakeArraysLargerThanTheirBuffer) {
  testSupport::TemporaryFolder directory{"vtuTest-"};
  const auto path = directory.path() / "bytes.bin";
  std::string expected;
  {
    OutputUnit unit(unitNumber::output);
    unit.open(path.string());
    unit.writeRecord("head");
    expected += testSupport::withLineEnds("head\n");
    std::string big(3'500'001, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    unit.appendBytes(big.data(), big.size());
    unit.appendBytes(big.data(), 5);
    unit.writeRecord("tail");
    expected += big + big.substr(0, 5) + testSupport::withLineEnds("tail\n");
    unit.close();
  }
  EXPECT_EQ(fileText(path), expected);

  OutputUnit memory(unitNumber::output);
  memory.openMemory();
  memory.appendBytes("ab\0c", 4);
  memory.appendBytes("", 0);
  EXPECT_EQ(memory.memory(), std::string("ab\0c", 4));
}

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

class SolidSeriesIn : public ::testing::TestWithParam<VtuEncoding> {};

TEST_P(SolidSeriesIn, StepFileHoldsTheShownCellsAndEveryNode) {
  SmallMesh m;
  MemoryFiles files;
  SolidVtuSeries series(m.view(), GetParam(), files.files());
  series.write(m.state(12.5, 3), m.velocities());
  const ReadFile file = readVtu(files.text("VTK/VTK_0000.vtu"));

  EXPECT_EQ(file.compressed, GetParam() == VtuEncoding::compressed);
  EXPECT_NE(file.head.find("<Piece NumberOfPoints=\"13\" NumberOfCells=\"2\">"), std::string::npos);
  EXPECT_EQ(file.tail, "\n  </AppendedData>\n</VTKFile>\n");

  // Points: every node, the unused one and those of the left-out element included.
  std::vector<double> points;
  for (int n = 1; n <= 13; ++n) points.insert(points.end(), {m.x[n], m.y[n], m.z[n]});
  EXPECT_EQ(file["Points/Points"].values<double>(), points);
  EXPECT_EQ(file["Points/Points"].components, 3);

  // Cells: the hexahedron with its faces swapped, the prism as it stands; 0-based.
  EXPECT_EQ(file["Cells/connectivity"].type, "Int64");
  EXPECT_EQ(file["Cells/connectivity"].values<std::int64_t>(),
            (std::vector<std::int64_t>{4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 7, 8, 9, 11}));
  EXPECT_EQ(file["Cells/offsets"].values<std::int64_t>(), (std::vector<std::int64_t>{8, 14}));
  EXPECT_EQ(file["Cells/types"].values<std::uint8_t>(), (std::vector<std::uint8_t>{12, 13}));
  EXPECT_EQ(file["CellData/Material"].values<std::int32_t>(), (std::vector<std::int32_t>{4, 7}));
  EXPECT_EQ(file["CellData/ElementNo"].values<std::int32_t>(), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(file["CellData/Velocity"].values<double>(),
            (std::vector<double>{1.5, 0.1, 1e-300, -2.25, 0.2, -3.0}));

  // Point data at full precision.
  std::vector<double> totalHead, velocity;
  for (int n = 1; n <= 13; ++n) {
    totalHead.push_back(m.pressureHead[n] + m.z[n]);
    velocity.insert(velocity.end(), {m.nodeVx[n], m.nodeVy[n], m.nodeVz[n]});
  }
  EXPECT_EQ(file["PointData/PressureHead"].values<double>(), oneBasedTail(m.pressureHead));
  EXPECT_EQ(file["PointData/TotalHead"].values<double>(), totalHead);
  EXPECT_EQ(file["PointData/Discharge"].values<double>(), oneBasedTail(m.discharge));
  EXPECT_EQ(file["PointData/NodeCode"].type, "Int32");
  EXPECT_EQ(file["PointData/NodeCode"].values<std::int32_t>(), oneBasedTail(m.nodeCode));
  EXPECT_EQ(file["PointData/Velocity"].values<double>(), velocity);
  EXPECT_EQ(file["PointData/Velocity"].components, 3);
  EXPECT_EQ(file["FieldData/TimeValue"].values<double>(), std::vector<double>{12.5});
  EXPECT_EQ(file["FieldData/StepNo"].values<std::int32_t>(), std::vector<std::int32_t>{3});
  EXPECT_NE(file.head.find("Name=\"TimeValue\" NumberOfTuples=\"1\""), std::string::npos);
}

TEST_P(SolidSeriesIn, ConstantArraysStayAndStepArraysFollowTheState) {
  SmallMesh m;
  MemoryFiles files;
  SolidVtuSeries series(m.view(), GetParam(), files.files());
  series.write(m.state(0.0, 0), m.velocities());
  m.pressureHead[13] = -7.0;
  m.vx[2] = 42.0;
  series.write(m.state(0.30000000000000004, 1), m.velocities());
  series.finish();
  const ReadFile first = readVtu(files.text("VTK/VTK_0000.vtu"));
  const ReadFile second = readVtu(files.text("VTK/VTK_0001.vtu"));
  for (const char* key : {"Points/Points", "Cells/connectivity", "Cells/offsets", "Cells/types",
                          "CellData/Material", "CellData/ElementNo"}) {
    EXPECT_EQ(first[key].bytes, second[key].bytes) << key;
  }
  EXPECT_EQ(second["PointData/PressureHead"].values<double>()[12], -7.0);
  EXPECT_EQ(second["CellData/Velocity"].values<double>()[3], 42.0);
  EXPECT_EQ(files.text("VTK.pvd"),
            "<?xml version=\"1.0\"?>\n"
            "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
            "  <Collection>\n"
            "    <DataSet timestep=\"0\" group=\"\" part=\"0\" file=\"VTK/VTK_0000.vtu\"/>\n"
            "    <DataSet timestep=\"0.30000000000000004\" group=\"\" part=\"0\" "
            "file=\"VTK/VTK_0001.vtu\"/>\n"
            "  </Collection>\n"
            "</VTKFile>\n");
}

INSTANTIATE_TEST_SUITE_P(Encodings, SolidSeriesIn,
                         ::testing::Values(VtuEncoding::raw, VtuEncoding::compressed),
                         [](const ::testing::TestParamInfo<VtuEncoding>& encoding) {
                           return encoding.param == VtuEncoding::raw ? "raw" : "compressed";
                         });

TEST(SolidSeries, RawAndCompressedFilesHoldTheSameArrays) {
  SmallMesh m;
  MemoryFiles raw, compressed;
  SolidVtuSeries a(m.view(), VtuEncoding::raw, raw.files());
  SolidVtuSeries b(m.view(), VtuEncoding::compressed, compressed.files());
  a.write(m.state(1.0, 1), m.velocities());
  b.write(m.state(1.0, 1), m.velocities());
  const ReadFile fromRaw = readVtu(raw.text("VTK/VTK_0000.vtu"));
  const ReadFile fromCompressed = readVtu(compressed.text("VTK/VTK_0000.vtu"));
  ASSERT_EQ(fromRaw.arrays.size(), 14u);
  ASSERT_EQ(fromCompressed.arrays.size(), 14u);
  for (const auto& [key, array] : fromRaw.arrays) {
    EXPECT_EQ(array.bytes, fromCompressed[key].bytes) << key;
    EXPECT_EQ(array.type, fromCompressed[key].type) << key;
  }
}

// VTK takes a hexahedron's volume as positive when its first face turns, by the right-hand
// rule, towards the second, and a wedge's when its first triangle turns away from the second.
TEST(SolidSeries, CornerOrderGivesVtkPositiveVolumes) {
  SmallMesh m;
  MemoryFiles files;
  SolidVtuSeries series(m.view(), VtuEncoding::raw, files.files());
  series.write(m.state(0.0, 0), m.velocities());
  const ReadFile file = readVtu(files.text("VTK/VTK_0000.vtu"));
  const auto points = file["Points/Points"].values<double>();
  const auto corners = file["Cells/connectivity"].values<std::int64_t>();
  auto at = [&](std::int64_t corner, int axis) { return points[corner * 3 + axis]; };
  auto triple = [&](std::int64_t o, std::int64_t a, std::int64_t b, std::int64_t c) {
    double u[3], v[3], w[3];
    for (int i = 0; i < 3; ++i) {
      u[i] = at(a, i) - at(o, i);
      v[i] = at(b, i) - at(o, i);
      w[i] = at(c, i) - at(o, i);
    }
    return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) +
           u[2] * (v[0] * w[1] - v[1] * w[0]);
  };
  // Hexahedron 0..7: first face 0 1 2 3 turns towards 4.
  EXPECT_GT(triple(corners[0], corners[1], corners[3], corners[4]), 0.0);
  // Wedge 8..13: first triangle 0 1 2 turns away from 3.
  EXPECT_LT(triple(corners[8], corners[9], corners[10], corners[11]), 0.0);
}

TEST(SolidSeries, ShownElementWithAnEmptyCornerStopsBeforeAnyFile) {
  SmallMesh m;
  m.connectivity[2] = 0;  // the hexahedron's slot 3
  MemoryFiles files;
  try {
    SolidVtuSeries series(m.view(), VtuEncoding::raw, files.files());
    FAIL() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_NE(stop.line().find("element 1 has node number 0 in slot 3"), std::string::npos)
        << stop.line();
  }
  EXPECT_TRUE(files.units.empty());
  // The same hole in the left-out element is no cell of the file, and no fault.
  SmallMesh left;
  left.connectivity[16 + 2] = 0;
  EXPECT_NO_THROW(SolidVtuSeries(left.view(), VtuEncoding::raw, files.files()));
}

// ---------------------------------------------------------------------------------------------

SubMesh smallSubMesh() {
  SubMesh s;
  s.pointCount = 5;
  s.meshElementCount = 2;
  s.pointX = {0.0, 0.0, 2.0, 2.0, 0.0, 1.0};
  s.pointY = {0.0, 0.0, 0.0, 1.0, 1.0, 2.0};
  s.pointZ = {0.0, 5.0, 5.0, 5.0, 5.0, 6.0};
  s.meshConnectivity = {{0, 0, 0, 0}, {1, 2, 3, 4}, {4, 3, 5, 5}};
  s.pointTotalHead = {0.0, 1.0 / 3.0, 2.0, 3.0, 4.0, 5.0};
  s.pointPressureHead = {0.0, -1.0, -2.0, -3.0, -4.0, 1e-310};
  s.sectionDistance = {0.0, 0.0, 2.0, std::sqrt(5.0), 1.0, std::sqrt(5.0)};
  return s;
}

TEST(SubMeshSeries, QuadrilateralsTrianglesAndPointValues) {
  for (const bool section : {false, true}) {
    for (const VtuEncoding encoding : {VtuEncoding::raw, VtuEncoding::compressed}) {
      SCOPED_TRACE(testing::Message() << "section " << section << ", compressed "
                                      << (encoding == VtuEncoding::compressed));
      const SubMesh s = smallSubMesh();
      MemoryFiles files;
      SubMeshVtuSeries series(s, section, encoding, files.files());
      series.write(s, 15.0, 2);
      series.finish();
      const ReadFile file = readVtu(files.text("VTKMESH/VTKMESH_0000.vtu"));
      EXPECT_NE(file.head.find("<Piece NumberOfPoints=\"5\" NumberOfCells=\"2\">"),
                std::string::npos);
      EXPECT_EQ(file["Cells/connectivity"].values<std::int64_t>(),
                (std::vector<std::int64_t>{0, 1, 2, 3, 3, 2, 4}));
      EXPECT_EQ(file["Cells/offsets"].values<std::int64_t>(), (std::vector<std::int64_t>{4, 7}));
      EXPECT_EQ(file["Cells/types"].values<std::uint8_t>(), (std::vector<std::uint8_t>{9, 5}));
      EXPECT_EQ(file["PointData/TotalHead"].values<double>(), oneBasedTail(s.pointTotalHead));
      EXPECT_EQ(file["PointData/PressureHead"].values<double>(), oneBasedTail(s.pointPressureHead));
      EXPECT_EQ(file.arrays.count("PointData/SectionDistance"), section ? 1u : 0u);
      if (section) {
        EXPECT_EQ(file["PointData/SectionDistance"].values<double>(),
                  oneBasedTail(s.sectionDistance));
      }
      EXPECT_EQ(file.head.find("<CellData>"), std::string::npos);
      EXPECT_EQ(file["FieldData/TimeValue"].values<double>(), std::vector<double>{15.0});
      EXPECT_EQ(file["FieldData/StepNo"].values<std::int32_t>(), std::vector<std::int32_t>{2});
      EXPECT_NE(files.text("VTKMESH.pvd")
                    .find("timestep=\"15\" group=\"\" part=\"0\" "
                          "file=\"VTKMESH/VTKMESH_0000.vtu\""),
                std::string::npos);
    }
  }
}

TEST(SubMeshSeries, ElementNamingNoPointOfTheSubMeshStops) {
  struct Case {
    std::array<int, 4> element;
    const char* message;
  };
  const Case cases[] = {{{1, 2, 6, 4}, "sub-mesh element 2 has point number 6"},
                        {{0, 2, 3, 3}, "sub-mesh element 2 has point number 0"},
                        {{1, 2, -1, -1}, "sub-mesh element 2 has point number -1"}};
  for (const Case& c : cases) {
    SubMesh s = smallSubMesh();
    s.meshConnectivity[2] = c.element;
    MemoryFiles files;
    try {
      SubMeshVtuSeries series(s, false, VtuEncoding::raw, files.files());
      ADD_FAILURE() << "no stop for " << c.message;
    } catch (const RunStopped& stop) {
      EXPECT_NE(stop.line().find(c.message), std::string::npos) << stop.line();
    }
  }
}

// ---------------------------------------------------------------------------------------------

TEST(StepFileSeries, NamesAndStaleFilesOfAnEarlierRun) {
  EXPECT_EQ(stepFileName("VTK", 0), "VTK/VTK_0000.vtu");
  EXPECT_EQ(stepFileName("VTK", 9999), "VTK/VTK_9999.vtu");
  EXPECT_EQ(stepFileName("VTKMESH", 12345), "VTKMESH/VTKMESH_12345.vtu");

  testSupport::TemporaryFolder directory{"vtuTest-"};
  const auto folder = directory.path() / "VTK";
  std::filesystem::create_directories(folder);
  const char* earlier[] = {"VTK_0000.vtu", "VTK_0002.vtu",     "VTK_0005.vtu", "VTK_10000.vtu",
                           "VTK_12.vtu",   "VTK_0003.vtu.bak", "notes.txt",    "VTKMESH_0004.vtu"};
  for (const char* name : earlier) std::ofstream(folder / name) << "earlier";

  SmallMesh m;
  SolidVtuSeries series(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
  series.write(m.state(0.0, 0), m.velocities());
  series.write(m.state(1.0, 1), m.velocities());
  series.finish();
  EXPECT_EQ(series.outputCount(), 2);

  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"VTKMESH_0004.vtu", "VTK_0000.vtu", "VTK_0001.vtu",
                                            "VTK_0003.vtu.bak", "VTK_12.vtu", "notes.txt"}));
  EXPECT_TRUE(fileText(folder / "VTK_0000.vtu").starts_with("<?xml"));
  EXPECT_NE(fileText(directory.path() / "VTK.pvd").find("file=\"VTK/VTK_0001.vtu\""),
            std::string::npos);
}

// A run that stops keeps the steps it wrote: the collection lists them. A run that stops before
// its first step leaves the series of an earlier run as it was.
TEST(StepFileSeries, StoppedRunListsTheStepsItWrote) {
  testSupport::TemporaryFolder directory{"vtuTest-"};
  SmallMesh m;
  {
    SolidVtuSeries earlier(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    for (int step = 0; step < 3; ++step) earlier.write(m.state(step, step), m.velocities());
    earlier.finish();
  }
  const std::string earlierCollection = fileText(directory.path() / "VTK.pvd");
  { SolidVtuSeries none(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path())); }
  EXPECT_EQ(fileText(directory.path() / "VTK.pvd"), earlierCollection);
  EXPECT_TRUE(std::filesystem::exists(directory.path() / "VTK/VTK_0002.vtu"));

  try {
    SolidVtuSeries stopped(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    stopped.write(m.state(0.0, 0), m.velocities());
    stopRun(errorNumber::endOfFile, unitNumber::resultFile, "RES.DAT");
  } catch (const RunStopped&) {
  }
  const std::string collection = fileText(directory.path() / "VTK.pvd");
  EXPECT_NE(collection.find("file=\"VTK/VTK_0000.vtu\""), std::string::npos);
  EXPECT_EQ(collection.find("VTK_0001"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0001.vtu"));
}

// The collection on disk never names a file of another run or one not yet on its disk: the
// earlier run's is replaced by an empty one before the first step file is opened, and a step
// file is listed once it has been put on the disk, which is made sure of when the next one has
// been written, or at the end. The collection is written beside and renamed over the old one.
TEST(StepFileSeries, CollectionOnDiskListsTheWholeStepFilesOnly) {
  testSupport::TemporaryFolder directory{"vtuTest-"};
  SmallMesh m;
  {
    SolidVtuSeries earlier(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    for (int step = 0; step < 5; ++step) earlier.write(m.state(step, step), m.velocities());
    earlier.finish();
  }
  const auto listedOnDisk = [&] {
    const std::string collection = fileText(directory.path() / "VTK.pvd");
    int entries = 0;
    for (std::size_t at = collection.find("<DataSet"); at != std::string::npos;
         at = collection.find("<DataSet", at + 1)) {
      ++entries;
    }
    return entries;
  };
  ASSERT_EQ(listedOnDisk(), 5);

  // At each opening: the collection on disk, and what was renamed over it.
  std::vector<std::string> events;
  SeriesFiles onDisk = seriesFilesIn(directory.path());
  SeriesFiles watched{
      directory.path(),
      [&](const std::string& name) -> OutputUnit& {
        events.push_back("open " + name + " listing " + std::to_string(listedOnDisk()));
        return onDisk.openFile(name);
      },
      [&](const std::string& name) {
        events.push_back("sync " + name);
        onDisk.syncFile(name);
      },
      [&](const std::string& from, const std::string& to) {
        events.push_back("rename " + from + " to " + to);
        onDisk.replaceFile(from, to);
      }};
  {
    SolidVtuSeries series(m.view(), VtuEncoding::raw, watched);
    series.write(m.state(0.0, 0), m.velocities());
    series.write(m.state(1.0, 1), m.velocities());
    series.finish();
  }
  EXPECT_EQ(events, (std::vector<std::string>{
                        "open VTK.pvd.tmp listing 5", "rename VTK.pvd.tmp to VTK.pvd",
                        "open VTK/VTK_0000.vtu listing 0", "open VTK/VTK_0001.vtu listing 0",
                        "sync VTK/VTK_0000.vtu", "open VTK.pvd.tmp listing 0",
                        "rename VTK.pvd.tmp to VTK.pvd",  // now listing step 0
                        "sync VTK/VTK_0001.vtu", "open VTK.pvd.tmp listing 1",
                        "rename VTK.pvd.tmp to VTK.pvd"}));
  EXPECT_EQ(listedOnDisk(), 2);
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK.pvd.tmp"));
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0002.vtu"));
}

// A long series of a small mesh: the collection is rewritten only once the step files written
// since its last rewrite are at least as large as it is, so the collections written stay
// smaller than the step files; the end lists every step all the same. A step file begun when
// the run stops is removed with those of an earlier run.
TEST(StepFileSeries, RewritingTheCollectionCostsLessThanTheStepFiles) {
  MemoryFiles files;
  SmallMesh m;
  std::uint64_t stepBytes = 0, collectionBytes = 0;
  int rewrites = 0;
  SeriesFiles counted = files.files();
  const auto replace = counted.replaceFile;
  counted.replaceFile = [&](const std::string& from, const std::string& to) {
    collectionBytes += files.text(from).size();
    ++rewrites;
    replace(from, to);
  };
  SolidVtuSeries series(m.view(), VtuEncoding::raw, counted);
  constexpr int steps = 400;
  for (int step = 0; step < steps; ++step) {
    series.write(m.state(step, step), m.velocities());
    stepBytes += files.text(stepFileName("VTK", step)).size();
  }
  EXPECT_LT(rewrites, steps);
  EXPECT_LT(collectionBytes, stepBytes);
  series.finish();
  const std::string& collection = files.text("VTK.pvd");
  EXPECT_NE(collection.find("timestep=\"399\" group=\"\" part=\"0\" file=\"VTK/VTK_0399.vtu\""),
            std::string::npos);
}

TEST(StepFileSeries, StepFileBegunWhenTheRunStopsIsRemoved) {
  testSupport::TemporaryFolder directory{"vtuTest-"};
  try {
    StepFileSeries series("VTK", seriesFilesIn(directory.path()));
    series.openStep().writeRecord("<?xml");
    series.closeStep(0.0);
    series.openStep().writeRecord("<?xml, cut short");
    stopRun(errorNumber::endOfFile, unitNumber::resultFile, "RES.DAT");
  } catch (const RunStopped&) {
  }
  EXPECT_TRUE(std::filesystem::exists(directory.path() / "VTK/VTK_0000.vtu"));
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0001.vtu"));
  const std::string collection = fileText(directory.path() / "VTK.pvd");
  EXPECT_NE(collection.find("VTK/VTK_0000.vtu"), std::string::npos);
  EXPECT_EQ(collection.find("VTK/VTK_0001.vtu"), std::string::npos);
}

TEST(StepFileSeries, FileInTheWayOfTheFolderStops) {
  testSupport::TemporaryFolder directory{"vtuTest-"};
  std::ofstream(directory.path() / "VTK") << "a file, not a folder";
  try {
    StepFileSeries series("VTK", seriesFilesIn(directory.path()));
    FAIL() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_NE(stop.line().find("cannot create folder"), std::string::npos) << stop.line();
  }
}

}  // namespace
