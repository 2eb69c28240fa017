// Tecplot blocks of the solid mesh and the sub-mesh, and the nodal velocities they show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resconv/derived.h"
#include "resconv/writers/tecplot.h"
#include "support/meshes.h"
#include "support/texts.h"

namespace {

using testSupport::sameText;
using testSupport::withLineEnds;

// Nodes 1..9 on a line; a hexahedron on 1..8, a prism on 3..8, a flagged hexahedron on 2..9,
// node 10 named by no element, and an element naming nodes that do not exist.
struct VelocityMesh {
  TestMesh mesh;
  std::vector<int> elementFlag{0, 0, 0, 1, 0};
  std::vector<double> vx{0.0, 1.0, 4.0, 100.0, 1000.0};
  std::vector<double> vy{0.0, -2.0, 0.5, 100.0, 1000.0};
  std::vector<double> vz{0.0, 0.25, 0.0, 100.0, 1000.0};
  VelocityMesh() {
    for (int node = 1; node <= 10; ++node) mesh.addNode(node, 0.0, 0.0);
    mesh.addElement({1, 2, 3, 4, 5, 6, 7, 8});
    mesh.addElement({3, 4, 5, 6, 7, 8, 0, 0});
    mesh.addElement({2, 3, 4, 5, 6, 7, 8, 9});
    mesh.addElement({0, 11, -3, 0, 0, 0, 0, 0});
  }
};

TEST(AverageNodalVelocities, MeanOfTheShownElementsAroundEachNode) {
  VelocityMesh m;
  std::vector<double> nodeVx(11, 9.0), nodeVy(11, 9.0), nodeVz(11, 9.0);
  std::vector<int> count(11, 9);
  averageNodalVelocities(m.vx, m.vy, m.vz, m.mesh.connectivity, m.elementFlag, 10, 4, 8, nodeVx,
                         nodeVy, nodeVz, count);
  struct Expected {
    int node;
    int count;
    double vx, vy, vz;
  };
  const Expected expected[] = {
      {1, 1, 1.0, -2.0, 0.25},   {2, 1, 1.0, -2.0, 0.25}, {3, 2, 2.5, -0.75, 0.125},
      {8, 2, 2.5, -0.75, 0.125}, {9, 0, 0.0, 0.0, 0.0},  // only the flagged element names it
      {10, 0, 0.0, 0.0, 0.0},                            // no element names it
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.node);
    EXPECT_EQ(count[e.node], e.count);
    EXPECT_EQ(nodeVx[e.node], e.vx);
    EXPECT_EQ(nodeVy[e.node], e.vy);
    EXPECT_EQ(nodeVz[e.node], e.vz);
  }
}

std::string padded(std::string text) {
  text.resize(80, ' ');
  return text;
}

TEST(WriteTecplotBlock, OneBlockOfTheShownElements) {
  // A prism on nodes 11..16, a hexahedron on 1..8, a flagged hexahedron on 9..16, and node 17
  // that no element names.
  TestMesh mesh;
  for (int node = 1; node <= 17; ++node) mesh.addNode(node, -0.5 * node, 0.25 * node);
  mesh.addElement({11, 12, 13, 14, 15, 16, 0, 0});
  mesh.addElement({1, 2, 3, 4, 5, 6, 7, 8});
  mesh.addElement({9, 10, 11, 12, 13, 14, 15, 16});
  const std::vector<int> elementFlag{0, 0, 0, 1};
  const std::vector<int> nodeUnused(18, 0);
  std::vector<double> pressureHead(18, 0.0);
  for (int node = 1; node <= 17; ++node) pressureHead[node] = 10.0 * node - 99.0;
  const std::vector<double> vx{0.0, 2.0, -1.0, 50.0}, vy{0.0, 0.0, 3.0, 50.0},
      vz{0.0, -1.5e-7, 0.0, 50.0};
  std::vector<double> nodeVx(18), nodeVy(18), nodeVz(18);
  std::vector<int> count(18);

  struct TitleCase {
    std::string title;
    std::string shown;  // the 80 characters in the record
  };
  const TitleCase titles[] = {{"short title", padded("short title")},
                              {std::string(90, 'T'), std::string(80, 'T')}};
  for (const TitleCase& t : titles) {
    OutputUnit unit(6);
    unit.openMemory();
    writeTecplotBlock(unit, mesh.x, mesh.y, mesh.z, pressureHead, nodeVx, nodeVy, nodeVz, vx, vy,
                      vz, count, mesh.connectivity, 17, 3, 8, t.title, 12.5, elementFlag,
                      nodeUnused);
    std::string expected = "TITLE = \"TIME=  0.1250000E+02 " + t.shown + "\"\n" +
                           "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\",\"VX\",\"VY\",\"VZ\"\n" +
                           "ZONE N=     17, E=      2, F=FEPOINT,ET=BRICK\n";
    const char* nodeLines[] = {
        // 1 to 8: the hexahedron; 9, 10: only the flagged element; 11 to 16: the prism
        " 1.000E+00,-5.000E-01, 2.500E-01,-8.900E+01,-8.875E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 2.000E+00,-1.000E+00, 5.000E-01,-7.900E+01,-7.850E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 3.000E+00,-1.500E+00, 7.500E-01,-6.900E+01,-6.825E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 4.000E+00,-2.000E+00, 1.000E+00,-5.900E+01,-5.800E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 5.000E+00,-2.500E+00, 1.250E+00,-4.900E+01,-4.775E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 6.000E+00,-3.000E+00, 1.500E+00,-3.900E+01,-3.750E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 7.000E+00,-3.500E+00, 1.750E+00,-2.900E+01,-2.725E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 8.000E+00,-4.000E+00, 2.000E+00,-1.900E+01,-1.700E+01,-1.000E+00, 3.000E+00, 0.000E+00",
        " 9.000E+00,-4.500E+00, 2.250E+00,-9.000E+00,-6.750E+00, 0.000E+00, 0.000E+00, 0.000E+00",
        " 1.000E+01,-5.000E+00, 2.500E+00, 1.000E+00, 3.500E+00, 0.000E+00, 0.000E+00, 0.000E+00",
        " 1.100E+01,-5.500E+00, 2.750E+00, 1.100E+01, 1.375E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.200E+01,-6.000E+00, 3.000E+00, 2.100E+01, 2.400E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.300E+01,-6.500E+00, 3.250E+00, 3.100E+01, 3.425E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.400E+01,-7.000E+00, 3.500E+00, 4.100E+01, 4.450E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.500E+01,-7.500E+00, 3.750E+00, 5.100E+01, 5.475E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.600E+01,-8.000E+00, 4.000E+00, 6.100E+01, 6.500E+01, 2.000E+00, 0.000E+00,-1.500E-07",
        " 1.700E+01,-8.500E+00, 4.250E+00, 7.100E+01, 7.525E+01, 0.000E+00, 0.000E+00, 0.000E+00",
    };
    for (const char* line : nodeLines) expected += std::string(line) + "\n";
    expected += "     14,     15,     16,     16,     11,     12,     13,     13\n";
    expected += "      5,      6,      7,      8,      1,      2,      3,      4\n";
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(expected)));
  }
}

SubMesh smallSubMesh() {
  SubMesh subMesh;
  subMesh.pointCount = 3;
  subMesh.meshElementCount = 2;
  subMesh.pointX = {0.0, 1.0, 2.0, -3.5};
  subMesh.pointY = {0.0, 0.0, 1.0e-4, 2.0};
  subMesh.pointZ = {0.0, 5.0, 5.0, 123456.0};
  subMesh.meshConnectivity = {{0, 0, 0, 0}, {1, 2, 3, 4}, {7, 8, 9, 9}};
  return subMesh;
}

TEST(WriteTecplotMeshBlock, PointsAndElementsAsStored) {
  struct Case {
    const char* name;
    bool withValues;
    const char* pointLines;
  };
  const Case cases[] = {
      // Before the first step the values have not been computed: they are written as 0.0.
      {"before values", false,
       " 1.000E+00, 0.000E+00, 5.000E+00, 0.000E+00, 0.000E+00\n"
       " 2.000E+00, 1.000E-04, 5.000E+00, 0.000E+00, 0.000E+00\n"
       "-3.500E+00, 2.000E+00, 1.235E+05, 0.000E+00, 0.000E+00\n"},
      {"with values", true,
       " 1.000E+00, 0.000E+00, 5.000E+00, 1.500E+00, 6.500E+00\n"
       " 2.000E+00, 1.000E-04, 5.000E+00,-5.000E+00, 0.000E+00\n"
       "-3.500E+00, 2.000E+00, 1.235E+05,-1.235E+05, 0.000E+00\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SubMesh subMesh = smallSubMesh();
    if (c.withValues) {
      subMesh.pointTotalHead = {0.0, 6.5, 0.0, 0.0};
      subMesh.pointPressureHead = {0.0, 1.5, -5.0, -123456.0};
    }
    OutputUnit unit(6);
    unit.openMemory();
    writeTecplotMeshBlock(unit, subMesh, 30.0, 3);
    const std::string expected =
        std::string("TITLE = \"TIME=  0.3000000E+02\"\n") +
        "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"\n" + "ZONE N=      3, E=      2, F=FEPOINT\n" +
        c.pointLines + "      1,      2,      3,      4\n" + "      7,      8,      9,      9\n";
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(expected)));
  }
}

TEST(WriteTecplotMeshBlock, EmptySubMeshHasOnlyItsHeader) {
  SubMesh subMesh;
  OutputUnit unit(6);
  unit.openMemory();
  writeTecplotMeshBlock(unit, subMesh, 0.0, 0);
  EXPECT_TRUE(sameText(unit.memory(), withLineEnds("TITLE = \"TIME=  0.0000000E+00\"\n"
                                                   "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"\n"
                                                   "ZONE N=      0, E=      0, F=FEPOINT\n")));
}

}  // namespace
