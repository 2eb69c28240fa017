// ParaView step files of the solid mesh and the sub-mesh, read back array by array.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/stop.h"
#include "resconv/writers/vtu.h"
#include "support/meshes.h"
#include "support/vtuFiles.h"

namespace {

using testSupport::readVtu;
using ReadFile = testSupport::VtuFileRead;
using MemoryFiles = testSupport::MemorySeriesFiles;

template <class T>
std::vector<T> oneBasedTail(const std::vector<T>& v) {
  return std::vector<T>(v.begin() + 1, v.end());
}

class SolidSeriesIn : public ::testing::TestWithParam<VtuEncoding> {};

TEST_P(SolidSeriesIn, StepFileHoldsTheShownCellsAndEveryNode) {
  MixedMesh m;
  MemoryFiles files;
  SolidVtuSeries series(m.view(), GetParam(), files.files());
  series.write(m.state(12.5, 3), m.velocities());
  const ReadFile file = readVtu(files.text("VTK/VTK_0000.vtu"));

  EXPECT_EQ(file.compressed, GetParam() == VtuEncoding::compressed);
  EXPECT_NE(file.head.find("<Piece NumberOfPoints=\"13\" NumberOfCells=\"2\">"), std::string::npos);
  EXPECT_EQ(file.tail, "\n  </AppendedData>\n</VTKFile>\n");

  // Points: every node, the unused one and those of the left-out element included.
  std::vector<double> points;
  for (int n = 1; n <= 13; ++n)
    points.insert(points.end(), {m.mesh.x[n], m.mesh.y[n], m.mesh.z[n]});
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
    totalHead.push_back(m.values.pressureHead[n] + m.mesh.z[n]);
    velocity.insert(velocity.end(), {m.values.nodeVx[n], m.values.nodeVy[n], m.values.nodeVz[n]});
  }
  EXPECT_EQ(file["PointData/PressureHead"].values<double>(), oneBasedTail(m.values.pressureHead));
  EXPECT_EQ(file["PointData/TotalHead"].values<double>(), totalHead);
  EXPECT_EQ(file["PointData/Discharge"].values<double>(), oneBasedTail(m.values.discharge));
  EXPECT_EQ(file["PointData/NodeCode"].type, "Int32");
  EXPECT_EQ(file["PointData/NodeCode"].values<std::int32_t>(), oneBasedTail(m.values.nodeCode));
  EXPECT_EQ(file["PointData/Velocity"].values<double>(), velocity);
  EXPECT_EQ(file["PointData/Velocity"].components, 3);
  EXPECT_EQ(file["FieldData/TimeValue"].values<double>(), std::vector<double>{12.5});
  EXPECT_EQ(file["FieldData/StepNo"].values<std::int32_t>(), std::vector<std::int32_t>{3});
  EXPECT_NE(file.head.find("Name=\"TimeValue\" NumberOfTuples=\"1\""), std::string::npos);
}

TEST_P(SolidSeriesIn, ConstantArraysStayAndStepArraysFollowTheState) {
  MixedMesh m;
  MemoryFiles files;
  SolidVtuSeries series(m.view(), GetParam(), files.files());
  series.write(m.state(0.0, 0), m.velocities());
  m.values.pressureHead[13] = -7.0;
  m.values.vx[2] = 42.0;
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
  MixedMesh m;
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
  MixedMesh m;
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
  MixedMesh m;
  m.mesh.connectivity[2] = 0;  // the hexahedron's slot 3
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
  MixedMesh left;
  left.mesh.connectivity[16 + 2] = 0;
  EXPECT_NO_THROW(SolidVtuSeries(left.view(), VtuEncoding::raw, files.files()));
}

// ---------------------------------------------------------------------------------------------

// Five points; a quadrilateral and a triangle.
SubMesh smallSubMesh() {
  SubMesh s = makeSubMesh({{0, 0, 5}, {2, 0, 5}, {2, 1, 5}, {0, 1, 5}, {1, 2, 6}},
                          {{1, 2, 3, 4}, {4, 3, 5, 5}});
  setPointValues(s, {-1.0, -2.0, -3.0, -4.0, 1e-310}, {1.0 / 3.0, 2.0, 3.0, 4.0, 5.0});
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
      series.write(s, shownAt(15.0, 2));
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
    s.connectivity[2] = c.element;
    MemoryFiles files;
    try {
      SubMeshVtuSeries series(s, false, VtuEncoding::raw, files.files());
      ADD_FAILURE() << "no stop for " << c.message;
    } catch (const RunStopped& stop) {
      EXPECT_NE(stop.line().find(c.message), std::string::npos) << stop.line();
    }
  }
}

}  // namespace
