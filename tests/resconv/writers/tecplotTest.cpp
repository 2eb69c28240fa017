// Tecplot blocks of the solid mesh and the sub-mesh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resconv/writers/tecplot.h"
#include "support/meshes.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::sameText;
using testSupport::withLineEnds;

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
  mesh.elementFlag[3] = 1;
  TestState state(mesh);
  for (int node = 1; node <= 17; ++node) state.pressureHead[node] = 10.0 * node - 99.0;
  state.vx = {0.0, 2.0, -1.0, 50.0};
  state.vy = {0.0, 0.0, 3.0, 50.0};
  state.vz = {0.0, -1.5e-7, 0.0, 50.0};
  state.averageVelocities(mesh);

  struct TitleCase {
    std::string title;
    std::string shown;  // the 80 characters in the record
  };
  const TitleCase titles[] = {{"short title", padded("short title")},
                              {std::string(90, 'T'), std::string(80, 'T')}};
  for (const TitleCase& t : titles) {
    MemoryUnit unit;
    writeTecplotBlock(unit, t.title, mesh.view(), state.view(12.5, 0), state.nodal());
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

// Three points; a quadrilateral and a triangle, their point numbers written as they stand.
SubMesh smallSubMesh() {
  return makeSubMesh({{1.0, 0.0, 5.0}, {2.0, 1.0e-4, 5.0}, {-3.5, 2.0, 123456.0}},
                     {{1, 2, 3, 4}, {7, 8, 9, 9}});
}

TEST(WriteTecplotSubMeshBlock, PointsAndElementsAsStored) {
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
      setPointValues(subMesh, {1.5, -5.0, -123456.0}, {6.5, 0.0, 0.0});
    }
    MemoryUnit unit;
    writeTecplotSubMeshBlock(unit, subMesh, shownAt(30.0, 3));
    const std::string expected =
        std::string("TITLE = \"TIME=  0.3000000E+02\"\n") +
        "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"\n" + "ZONE N=      3, E=      2, F=FEPOINT\n" +
        c.pointLines + "      1,      2,      3,      4\n" + "      7,      8,      9,      9\n";
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(expected)));
  }
}

TEST(WriteTecplotSubMeshBlock, EmptySubMeshHasOnlyItsHeader) {
  MemoryUnit unit;
  writeTecplotSubMeshBlock(unit, SubMesh{}, shownAt(0.0, 0));
  EXPECT_TRUE(sameText(unit.memory(), withLineEnds("TITLE = \"TIME=  0.0000000E+00\"\n"
                                                   "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"\n"
                                                   "ZONE N=      0, E=      0, F=FEPOINT\n")));
}

}  // namespace
