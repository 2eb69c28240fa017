// INTERP blocks: the time and column lines, then one record per point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resconv/derived.h"
#include "resconv/interp.h"
#include "support/meshes.h"
#include "support/texts.h"

namespace {

using testSupport::sameText;
using testSupport::withLineEnds;

constexpr const char* columnLine =
    "         X,             Y,             Z,             H,             P\n";

// A unit cube with total head 10 + 2x - y at its nodes.
struct Cube {
  TestMesh mesh;
  std::vector<double> pressureHead;
  Cube() {
    addBox(mesh, 0, 0, 0, 1, 1, 1);
    pressureHead.assign(9, 0.0);
    for (int n = 1; n <= 8; ++n) pressureHead[n] = 10.0 + 2.0 * mesh.x[n] - mesh.y[n] - mesh.z[n];
  }
};

SubMesh points(std::vector<Point3> at, int meshElementCount) {
  SubMesh subMesh;
  subMesh.pointCount = static_cast<int>(at.size());
  subMesh.meshElementCount = meshElementCount;
  subMesh.pointX = {0.0};
  subMesh.pointY = {0.0};
  subMesh.pointZ = {0.0};
  for (const Point3& p : at) {
    subMesh.pointX.push_back(p.x);
    subMesh.pointY.push_back(p.y);
    subMesh.pointZ.push_back(p.z);
  }
  return subMesh;
}

TEST(WriteInterpBlock, TimeLineColumnLineAndOneRecordPerPoint) {
  struct Case {
    const char* name;
    std::vector<Point3> at;
    double time;
    std::string expected;
  };
  const Case cases[] = {
      {"no points", {}, 20.0, " TIME,   20.0000000000000     \n" + std::string(columnLine)},
      {"inside and outside",
       {{0.5, 0.25, 0.75}, {2.0, 0.5, -3.0}, {1.0, 1.0, 0.0}},
       0.125,
       " TIME,  0.125000000000000     \n" + std::string(columnLine) +
           // H = 10 + 1 - 0.25; P = H - z
           "   0.50000E+00,   0.25000E+00,   0.75000E+00,   0.10750E+02,   0.10000E+02\n"
           // outside: H is 0.0 and P is minus z
           "   0.20000E+01,   0.50000E+00,  -0.30000E+01,   0.00000E+00,   0.30000E+01\n"
           "   0.10000E+01,   0.10000E+01,   0.00000E+00,   0.11000E+02,   0.11000E+02\n"},
  };
  Cube cube;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SubMesh subMesh = points(c.at, 0);
    locatePoints(cube.mesh.x, cube.mesh.y, cube.mesh.z, cube.mesh.connectivity, 1, 8, subMesh);
    OutputUnit unit(6);
    unit.openMemory();
    writeInterpBlock(unit, subMesh, cube.pressureHead, cube.mesh.z, c.time);
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(c.expected)));
  }
}

// With sub-mesh elements the values are computed for the sub-mesh writers and nothing is written.
TEST(WriteInterpBlock, SubMeshElementsReplaceTheRecords) {
  Cube cube;
  SubMesh subMesh = points({{0.5, 0.5, 0.5}}, 1);
  locatePoints(cube.mesh.x, cube.mesh.y, cube.mesh.z, cube.mesh.connectivity, 1, 8, subMesh);
  OutputUnit unit(6);
  unit.openMemory();
  writeInterpBlock(unit, subMesh, cube.pressureHead, cube.mesh.z, 5.0);
  EXPECT_EQ(unit.memory(), "");
  EXPECT_DOUBLE_EQ(subMesh.pointTotalHead[1], 10.5);
  EXPECT_DOUBLE_EQ(subMesh.pointPressureHead[1], 10.0);
}

}  // namespace
