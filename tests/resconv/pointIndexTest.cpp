// The grid index finds exactly what testing every element in number order finds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "resconv/pointIndex.h"
#include "support/meshes.h"

namespace {

// Points that stress the search: random ones over and beyond the mesh, the nodes, the middle
// of every element edge and face diagonal, the centre of every element, and points a rounding
// step away from nodes.
std::vector<Point3> probePoints(const TestMesh& mesh, int randomCount, int sampleCount,
                                unsigned seed) {
  double lower[3] = {mesh.x[1], mesh.y[1], mesh.z[1]};
  double upper[3] = {mesh.x[1], mesh.y[1], mesh.z[1]};
  for (int node = 1; node <= mesh.nodeCount(); ++node) {
    const double c[3] = {mesh.x[node], mesh.y[node], mesh.z[node]};
    for (int a = 0; a < 3; ++a) {
      lower[a] = std::min(lower[a], c[a]);
      upper[a] = std::max(upper[a], c[a]);
    }
  }
  std::vector<Point3> points;
  std::mt19937_64 random(seed);
  auto around = [&](int a) {
    const double margin = 0.2 * (upper[a] - lower[a]);
    return std::uniform_real_distribution<double>(lower[a] - margin, upper[a] + margin)(random);
  };
  for (int i = 0; i < randomCount; ++i) points.push_back({around(0), around(1), around(2)});

  const SolidMesh view = mesh.view();
  auto node = [&](int e, int slot) {
    return elementNode(view.connectivity, view.nodesPerElement, e, slot);
  };
  for (int n = 1; n <= mesh.nodeCount(); n += 1 + mesh.nodeCount() / (4 * sampleCount)) {
    points.push_back({mesh.x[n], mesh.y[n], mesh.z[n]});
    const double up = std::numeric_limits<double>::infinity();
    points.push_back({std::nextafter(mesh.x[n], up), mesh.y[n], std::nextafter(mesh.z[n], -up)});
  }
  // Edge and face probes for every element and node of a small mesh, for a sample of a large one.
  const int stride = 1 + mesh.elementCount() / sampleCount;
  for (int e = 1; e <= mesh.elementCount(); e += stride) {
    const int slots = node(e, 8) == 0 ? 6 : 8;
    Point3 centre{0, 0, 0};
    for (int a = 1; a <= slots; ++a) {
      const int na = node(e, a);
      if (na < 1 || na > mesh.nodeCount()) continue;
      centre = {centre.x + mesh.x[na] / slots, centre.y + mesh.y[na] / slots,
                centre.z + mesh.z[na] / slots};
      for (int b = a + 1; b <= slots; ++b) {
        const int nb = node(e, b);
        if (nb < 1 || nb > mesh.nodeCount()) continue;
        points.push_back({0.5 * (mesh.x[na] + mesh.x[nb]), 0.5 * (mesh.y[na] + mesh.y[nb]),
                          0.5 * (mesh.z[na] + mesh.z[nb])});
      }
    }
    points.push_back(centre);
  }
  return points;
}

void expectSameAnswers(const TestMesh& mesh, const std::vector<Point3>& points,
                       int everywhereCount = 0) {
  const SolidMesh view = mesh.view();
  const PointIndex index = buildPointIndex(view);
  EXPECT_EQ(index.everywhereElement.size(), static_cast<std::size_t>(everywhereCount));
  int located = 0;
  for (const Point3& p : points) {
    const PointLocation expected = locateExhaustive(view, p);
    const PointLocation actual = locateIndexed(index, view, p);
    if (expected.element != 0) ++located;
    if (actual.element != expected.element || actual.vertex != expected.vertex ||
        actual.weight != expected.weight) {
      ADD_FAILURE() << "point (" << p.x << ", " << p.y << ", " << p.z << "): indexed element "
                    << actual.element << ", exhaustive element " << expected.element;
      return;
    }
  }
  // The probes must exercise both outcomes.
  EXPECT_GT(located, 0);
  EXPECT_LT(located, static_cast<int>(points.size()));
}

TEST(PointIndex, FindsWhatTheExhaustiveSearchFinds) {
  struct Case {
    std::string name;
    TestMesh mesh;
    int everywhereCount = 0;  // elements tested for every point
    int randomCount = 2000;
    int sampleCount = 250;  // elements (and four times as many nodes) probed at most
  };
  std::vector<Case> cases;
  // Exact lattice: face, edge and corner points are exact, and ties between elements are real.
  cases.push_back({"lattice", makeBlockMesh(6, 5, 4, 0.5, 0.0, 0)});
  cases.push_back({"lattice with prisms", makeBlockMesh(5, 4, 3, 1.0, 0.0, 3)});
  cases.push_back({"jittered", makeBlockMesh(7, 6, 5, 0.1, 0.15, 4, 7)});
  cases.push_back({"far from the origin", makeBlockMesh(4, 4, 4, 0.3, 0.1, 2, 3)});
  for (double& c : cases.back().mesh.x) c += 1.0e7;
  cases.push_back({"one thin layer", makeBlockMesh(6, 6, 1, 1.0, 0.0, 0)});
  for (double& c : cases.back().mesh.z) c *= 1.0e-6;

  // Overlaps and odd elements: a cube over the whole block numbered last (it loses every tie),
  // one numbered first (it wins every point it holds), flat, inverted and broken rows, a sliver
  // and an element too large for the grid.
  TestMesh odd = makeBlockMesh(5, 5, 5, 1.0, 0.05, 5, 11);
  addBox(odd, -0.5, -0.5, -0.5, 5.5, 5.5, 5.5);
  addBox(odd, 1.0, 1.0, 1.0, 2.0, 3.0, 2.5);
  addBox(odd, 0.0, 0.0, 2.0, 5.0, 5.0, 2.0);
  addBox(odd, 0.0, 0.0, 3.0, 2.0, 2.0, 1.0);
  const int broken = addBox(odd, 3.0, 3.0, 3.0, 4.0, 4.0, 4.0);
  odd.connectivity[static_cast<std::size_t>(broken - 1) * 8 + 2] = odd.nodeCount() + 5;
  addBox(odd, 2.0, 2.0, 2.0, 2.0 + 1e-9, 4.0, 4.0);
  addBox(odd, -100.0, -100.0, -100.0, 100.0, 100.0, 100.0);
  addBox(odd, 1.0, 1.0, 1.0, 2.0, 2.0, 2.0);
  cases.push_back({"odd elements", std::move(odd)});

  TestMesh overlapFirst;
  addBox(overlapFirst, 1.0, 1.0, 1.0, 3.0, 3.0, 3.0);
  appendMesh(overlapFirst, makeBlockMesh(4, 4, 4, 1.0, 0.0, 0));
  cases.push_back({"overlap numbered first", std::move(overlapFirst)});

  // Elements the grid cannot bound tightly are tested for every point: one of enormous size,
  // one too flat for its rounding bound, one that spans more cells than the grid allows.
  TestMesh unbounded = makeBlockMesh(17, 17, 17, 1.0, 0.0, 0);
  addBox(unbounded, -1e80, -1e80, -1e80, 1e80, 1e80, 1e80);
  addBox(unbounded, 4.0, 4.0, 4.0, 4.0 + 1e-14, 8.0, 8.0);
  addBox(unbounded, -1.0, -1.0, -1.0, 18.0, 18.0, 18.0);
  cases.push_back({"unbounded elements", std::move(unbounded), 3, 500, 50});

  unsigned seed = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectSameAnswers(c.mesh, probePoints(c.mesh, c.randomCount, c.sampleCount, ++seed),
                      c.everywhereCount);
  }
}

// Points on the faces of element boxes, where a box comparison with any slack in the wrong
// direction would drop the element: the outer faces of an exact lattice, and points just beyond.
TEST(PointIndex, PointsOnAndJustBeyondTheOuterFaces) {
  const TestMesh mesh = makeBlockMesh(8, 8, 8, 0.125, 0.0, 2);
  std::vector<Point3> points;
  const double inf = std::numeric_limits<double>::infinity();
  for (int i = 0; i <= 16; ++i) {
    for (int j = 0; j <= 16; ++j) {
      const double u = i / 16.0, v = j / 16.0;
      for (double w : {0.0, 1.0, std::nextafter(0.0, -inf), std::nextafter(1.0, inf)}) {
        points.push_back({w, u, v});
        points.push_back({u, w, v});
        points.push_back({u, v, w});
      }
    }
  }
  expectSameAnswers(mesh, points);
}

TEST(PointIndex, PointsThatAreNotNumbersOrHuge) {
  const TestMesh mesh = makeBlockMesh(3, 3, 3, 1.0, 0.0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Point3> points = {{nan, 1.0, 1.0},   {1.0, inf, 1.0},    {-inf, 1.0, 1.0},
                                      {1e200, 1.0, 1.0}, {1.5, 1.5, -1e300}, {1.5, 1.5, 1.5}};
  expectSameAnswers(mesh, points);
}

TEST(PointIndex, EmptyMeshLocatesNothing) {
  TestMesh mesh;
  const SolidMesh view = mesh.view();
  const PointIndex index = buildPointIndex(view);
  EXPECT_EQ(locateIndexed(index, view, {0.0, 0.0, 0.0}).element, 0);
}

}  // namespace
