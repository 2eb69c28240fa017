#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/stop.h"
#include "resconv/writers/talvix.h"
#include "support/meshes.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::sameText;
using testSupport::withLineEnds;

// Points 1 to 4 at (0,0), (3,0), (0,3), (3,3) in plan, point 5 at (10, 20, 3), whose distance
// from the XY minimum (7, 16) of its own mesh would be 5. Element 1 is the triangle 1, 2, 3, 3,
// element 2 the quadrilateral 1, 2, 3, 4. The section coordinates differ from the plan ones.
SubMesh fivePointMesh() {
  SubMesh mesh = makeSubMesh({{0, 0, 3}, {3, 0, 3}, {0, 3, 6}, {3, 3, 6}, {10, 20, 3}},
                             {{1, 2, 3, 3}, {1, 2, 3, 4}});
  mesh.sectionDistance = {0, 0, 6, 0, 6, 5};
  setPointValues(mesh, {-3.0, 1.5, 0.0, 0.00123, 12345.6}, {-3.0, 1.5, 3.0, 3.00123, 12348.6});
  return mesh;
}

constexpr std::string_view header =
    "TIME=  1.5000E+01\n"
    "TITTLE= \"  \"\n"
    "ZONE N=     5, E=     2, M= 1,NV= 2 ,EV= 2\n"
    "NVARIABLES = \"SW\",\"X\",\"Y\",\"P\",\"H\"\n";
constexpr std::string_view elementVariables =
    "EVARIABLES = \"SW\",\"I\",\"J\",\"K\",\"L\",\"P\",\"X\",\"Y\"\n";

constexpr std::string_view planBody =
    " 0,  0.0000E+00,  0.0000E+00, -3.0000E+00, -3.0000E+00,\n"
    " 0,  3.0000E+00,  0.0000E+00,  1.5000E+00,  1.5000E+00,\n"
    " 0,  0.0000E+00,  3.0000E+00,  0.0000E+00,  3.0000E+00,\n"
    " 0,  3.0000E+00,  3.0000E+00,  1.2300E-03,  3.0012E+00,\n"
    " 0,  1.0000E+01,  2.0000E+01,  1.2346E+04,  1.2349E+04,\n";
constexpr std::string_view planElements =
    " 0,    1,    2,    3,    3,    1,  1.0000E+00,  1.0000E+00,\n"
    " 0,    1,    2,    3,    4,    1,  1.5000E+00,  1.5000E+00,\n";

constexpr std::string_view sectionBody =
    " 0,  0.0000E+00,  3.0000E+00, -3.0000E+00, -3.0000E+00,\n"
    " 0,  6.0000E+00,  3.0000E+00,  1.5000E+00,  1.5000E+00,\n"
    " 0,  0.0000E+00,  6.0000E+00,  0.0000E+00,  3.0000E+00,\n"
    " 0,  6.0000E+00,  6.0000E+00,  1.2300E-03,  3.0012E+00,\n"
    " 0,  5.0000E+00,  3.0000E+00,  1.2346E+04,  1.2349E+04,\n";
constexpr std::string_view sectionElements =
    " 0,    1,    2,    3,    3,    1,  2.0000E+00,  4.0000E+00,\n"
    " 0,    1,    2,    3,    4,    1,  3.0000E+00,  4.5000E+00,\n";

std::string block(std::string_view body, std::string_view elements) {
  return std::string(header) + std::string(body) + std::string(elementVariables) +
         std::string(elements);
}

}  // namespace

TEST(TalvixBlock, PlanAndSectionViews) {
  struct Case {
    TalvixView view;
    std::string expected;
  };
  const Case cases[] = {{TalvixView::plan, block(planBody, planElements)},
                        {TalvixView::section, block(sectionBody, sectionElements)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view == TalvixView::plan ? "plan" : "section");
    MemoryUnit unit;
    writeTalvixBlock(unit, fivePointMesh(), shownAt(15.0, 3), c.view);
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(c.expected)));
  }
}

TEST(TalvixBlock, EmptySubMeshGivesTheFiveHeaderLines) {
  MemoryUnit unit;
  writeTalvixBlock(unit, SubMesh{}, shownAt(0.0, 0), TalvixView::plan);
  EXPECT_EQ(unit.memory(),
            withLineEnds("TIME=  0.0000E+00\n"
                         "TITTLE= \"  \"\n"
                         "ZONE N=     0, E=     0, M= 1,NV= 2 ,EV= 2\n"
                         "NVARIABLES = \"SW\",\"X\",\"Y\",\"P\",\"H\"\n"
                         "EVARIABLES = \"SW\",\"I\",\"J\",\"K\",\"L\",\"P\",\"X\",\"Y\"\n"));
}

// An element naming a point outside the table is refused before the block is begun.
TEST(TalvixBlock, ElementNamingAMissingPointStops) {
  struct Case {
    std::array<int, 4> secondElement;
    std::string message;
  };
  const Case cases[] = {
      {{1, 2, 3, 6}, "sub-mesh element 2 names point 6, outside the points 1 to 5"},
      {{0, 2, 3, 3}, "sub-mesh element 2 names point 0, outside the points 1 to 5"},
      {{1, 2, -4, -4}, "sub-mesh element 2 names point -4, outside the points 1 to 5"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SubMesh mesh = fivePointMesh();
    mesh.connectivity[2] = c.secondElement;
    MemoryUnit unit;
    try {
      writeTalvixBlock(unit, mesh, shownAt(15.0, 3), TalvixView::plan);
      FAIL() << "no stop";
    } catch (const RunStopped& stop) {
      EXPECT_EQ(stop.line().substr(0, c.message.size()), c.message);
    }
    EXPECT_EQ(unit.memory(), "");
  }
}
