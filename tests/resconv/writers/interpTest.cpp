// INTERP blocks: the time and column lines, then one record per point; and the INTERP form,
// which leaves the points to the sub-mesh form when the sub-mesh has elements.
#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

#include "resconv/derived.h"
#include "resconv/outputForms.h"
#include "resconv/writers/interp.h"
#include "support/meshes.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::sameText;
using testSupport::withLineEnds;

constexpr const char* columnLine =
    "         X,             Y,             Z,             H,             P\n";

// A unit cube with total head 10 + 2x - y at its nodes.
struct Cube {
  TestMesh mesh;
  TestState state{mesh};
  Cube() {
    addBox(mesh, 0, 0, 0, 1, 1, 1);
    state = TestState(mesh);
    for (int n = 1; n <= 8; ++n) {
      state.pressureHead[n] = 10.0 + 2.0 * mesh.x[n] - mesh.y[n] - mesh.z[n];
    }
  }
};

// The sub-mesh as the step loop leaves it for an output: its points located in the cube and
// the values at them computed.
void computeValues(const Cube& cube, SubMesh& subMesh) {
  locatePoints(cube.mesh.view(), subMesh);
  computePointValues(cube.state.pressureHead, cube.mesh.z, subMesh);
}

TEST(WriteInterpRecords, TimeLineColumnLineAndOneRecordPerPoint) {
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
    SubMesh subMesh = makeSubMesh(c.at);
    computeValues(cube, subMesh);
    MemoryUnit unit;
    writeInterpRecords(unit, subMesh, shownAt(c.time, 0));
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(c.expected)));
  }
}

// The INTERP form through its row of the form table: its records without sub-mesh elements;
// with them, nothing, the sub-mesh form showing the values computed.
TEST(InterpForm, SubMeshElementsReplaceTheRecords) {
  Cube cube;
  for (const bool withElements : {false, true}) {
    SCOPED_TRACE(withElements ? "with sub-mesh elements" : "points only");
    SubMesh subMesh = withElements ? makeSubMesh({{0.5, 0.5, 0.5}}, {{1, 1, 1, 1}})
                                   : makeSubMesh({{0.5, 0.5, 0.5}});
    computeValues(cube, subMesh);
    MemoryUnit console(unitNumber::console);
    OutputSink sink(console);
    const std::string title = "title";
    const SolidMesh mesh = cube.mesh.view();
    WriterCounters counters;
    const ConverterAnswers answers;
    RestartCopies restart;
    std::any formState, subMeshFormState;
    FormContext context{sink,    title,   mesh,      subMesh,         counters,
                        answers, restart, formState, subMeshFormState};
    outputFormFor(outputFormCode::interp)
        .writeState(context, cube.state.view(5.0, 1), cube.state.nodal());
    EXPECT_EQ(console.memory(),
              withElements
                  ? ""
                  : withLineEnds(" TIME,   5.00000000000000     \n" + std::string(columnLine) +
                                 "   0.50000E+00,   0.50000E+00,   0.50000E+00,"
                                 "   0.10500E+02,   0.10000E+02\n"));
  }
}

}  // namespace
