// Signed volume, point location, values at points and the extent of the sub-mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/slots.h"
#include "common/workPool.h"
#include "resconv/derived.h"
#include "support/meshes.h"

namespace {

void locate(const TestMesh& mesh, SubMesh& subMesh) {
  locatePoints(mesh.view(), subMesh);
}

TEST(SignedVolume, IsMinusOneSixthOfTheTripleProduct) {
  struct Case {
    Point3 q1, q2, q3, q4;
    double expected;
  };
  const Case cases[] = {
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, -1.0 / 6.0},
      {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, 1.0 / 6.0},
      {{1, 1, 1}, {3, 1, 1}, {1, 4, 1}, {1, 1, 2}, -1.0},
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, 0.0},  // flat
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(signedVolume(c.q1, c.q2, c.q3, c.q4), c.expected);
  }
}

// Total head 2 + 3x - y + 0.5z: a linear field is carried to any point of a tetrahedron exactly.
double linearField(double x, double y, double z) {
  return 2.0 + 3.0 * x - y + 0.5 * z;
}

TEST(LocatePoints, ReproduceALinearFieldInsideAUnitCube) {
  TestMesh mesh;
  addBox(mesh, 0, 0, 0, 1, 1, 1);
  const std::vector<Point3> points = {{0.5, 0.5, 0.5},  {0.0, 0.0, 0.0}, {1.0, 1.0, 1.0},
                                      {0.5, 0.0, 0.5},  {1.0, 0.5, 0.5}, {0.25, 0.75, 0.1},
                                      {0.9, 0.05, 0.7}, {0.0, 0.5, 1.0}};
  SubMesh subMesh = makeSubMesh(points);
  locate(mesh, subMesh);

  std::vector<double> pressureHead(9, 0.0);
  for (int node = 1; node <= 8; ++node) {
    pressureHead[at(node)] =
        linearField(mesh.x[at(node)], mesh.y[at(node)], mesh.z[at(node)]) - mesh.z[at(node)];
  }
  computePointValues(pressureHead, mesh.z, subMesh);
  for (int p = 1; p <= subMesh.pointCount; ++p) {
    SCOPED_TRACE(p);
    double sum = 0.0;
    for (int corner = 0; corner < 4; ++corner) {
      EXPECT_GE(subMesh.pointVertex[at(p)][at(corner)], 1);
      EXPECT_GE(subMesh.pointWeight[at(p)][at(corner)], 0.0);
      sum += subMesh.pointWeight[at(p)][at(corner)];
    }
    EXPECT_NEAR(sum, 1.0, 1e-15);
    const Point3& q = points[at(p - 1)];
    EXPECT_NEAR(subMesh.pointTotalHead[at(p)], linearField(q.x, q.y, q.z), 1e-13);
    EXPECT_DOUBLE_EQ(subMesh.pointPressureHead[at(p)], subMesh.pointTotalHead[at(p)] - q.z);
  }
  // The centre is the middle of the edge from slot 4 to slot 6, shared by five tetrahedra: the
  // first of them in table order, (4,6,8,5), takes it with half its weight on each end.
  EXPECT_EQ(subMesh.pointVertex[1], (std::array<int, 4>{4, 6, 8, 5}));
  EXPECT_EQ(subMesh.pointWeight[1], (std::array<double, 4>{0.5, 0.5, 0.0, 0.0}));
  // A point near node 1 gets the weight 1 - x - y - z there.
  EXPECT_EQ(subMesh.pointVertex[2], (std::array<int, 4>{1, 2, 4, 5}));
  EXPECT_EQ(subMesh.pointWeight[2], (std::array<double, 4>{1.0, 0.0, 0.0, 0.0}));
}

TEST(LocatePoints, APointOnASharedFaceGoesToTheLowerNumberedElement) {
  struct Case {
    const char* name;
    bool rightFirst;  // the element at x in [1, 2] is element 1
    Point3 point;
    int firstNodeOfElement;  // element whose nodes the point's vertices belong to
  };
  const Case cases[] = {
      {"face, left first", false, {1.0, 0.5, 0.5}, 1},
      {"face, right first", true, {1.0, 0.5, 0.5}, 1},
      {"edge, right first", true, {1.0, 1.0, 0.5}, 1},
      {"corner, right first", true, {1.0, 0.0, 1.0}, 1},
      {"inside the second only", true, {0.5, 0.5, 0.5}, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestMesh mesh;
    if (c.rightFirst) {
      addBox(mesh, 1, 0, 0, 2, 1, 1);
      addBox(mesh, 0, 0, 0, 1, 1, 1);
    } else {
      addBox(mesh, 0, 0, 0, 1, 1, 1);
      addBox(mesh, 1, 0, 0, 2, 1, 1);
    }
    SubMesh subMesh = makeSubMesh({c.point});
    locate(mesh, subMesh);
    for (int vertex : subMesh.pointVertex[1]) {
      EXPECT_GE(vertex, c.firstNodeOfElement);
      EXPECT_LE(vertex, c.firstNodeOfElement + 7);
    }
  }
}

TEST(LocatePoints, APointOutsideEveryElementHasZeroHead) {
  TestMesh mesh;
  addBox(mesh, 0, 0, 0, 1, 1, 1);
  SubMesh subMesh = makeSubMesh({{1.5, 0.5, 0.5}, {0.5, 0.5, -2.0}, {0.5, 0.5, 1.0 + 1e-12}});
  locate(mesh, subMesh);
  const std::vector<double> pressureHead(9, 7.0);
  computePointValues(pressureHead, mesh.z, subMesh);
  for (int p = 1; p <= 3; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(subMesh.pointVertex[at(p)], (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(subMesh.pointTotalHead[at(p)], 0.0);
    EXPECT_EQ(subMesh.pointPressureHead[at(p)], -subMesh.pointZ[at(p)]);
  }
}

// A row whose eighth node number is 0 is a prism of its first six nodes, cut into the
// tetrahedra (1,2,3,4), (3,5,6,4), (2,5,3,4); its seventh node number is not looked at.
TEST(LocatePoints, APrismRowIsThreeTetrahedra) {
  TestMesh mesh;
  for (double zz : {0.0, 1.0}) {
    mesh.addNode(0, 0, zz);
    mesh.addNode(0, 1, zz);
    mesh.addNode(1, 0, zz);
  }
  const int stray = mesh.addNode(1, 1, 1);
  mesh.addElement({1, 2, 3, 4, 5, 6, stray, 0});
  struct Case {
    Point3 point;
    std::array<int, 4> vertex;  // 0: not located
  };
  const Case cases[] = {
      {{0.1, 0.1, 0.1}, {1, 2, 3, 4}},
      {{0.2, 0.6, 0.9}, {3, 5, 6, 4}},
      {{0.05, 0.6, 0.5}, {2, 5, 3, 4}},
      {{0.9, 0.9, 0.9}, {0, 0, 0, 0}},  // would be inside a hexahedron that used slot 7
  };
  for (const Case& c : cases) {
    SubMesh subMesh = makeSubMesh({c.point});
    locate(mesh, subMesh);
    EXPECT_EQ(subMesh.pointVertex[1], c.vertex);
  }
}

// Flat and inverted elements take no point: a flat tetrahedron would give weights of 0 / 0.
TEST(LocatePoints, FlatAndInvertedElementsTakeNoPoint) {
  TestMesh mesh;
  const int flat = addBox(mesh, 0, 0, 0, 1, 1, 0);
  addBox(mesh, 0, 0, 0, 1, 1, 1);
  // The same cube with its bottom and top faces swapped: every tetrahedron turns inside out.
  const int inverted = addBox(mesh, 0, 0, 1, 1, 1, 0);
  ASSERT_EQ(flat, 1);
  ASSERT_EQ(inverted, 3);
  SubMesh subMesh = makeSubMesh({{0.5, 0.5, 0.0}, {0.3, 0.3, 0.3}});
  locate(mesh, subMesh);
  std::vector<double> pressureHead(mesh.x.size(), 1.0);
  computePointValues(pressureHead, mesh.z, subMesh);
  for (int p = 1; p <= 2; ++p) {
    SCOPED_TRACE(p);
    for (int vertex : subMesh.pointVertex[at(p)]) {  // the upright cube, nodes 9 to 16
      EXPECT_GE(vertex, 9);
      EXPECT_LE(vertex, 16);
    }
    for (double weight : subMesh.pointWeight[at(p)]) EXPECT_TRUE(std::isfinite(weight));
    EXPECT_NEAR(subMesh.pointTotalHead[at(p)], 1.0 + subMesh.pointZ[at(p)], 1e-14);
  }
}

// Node numbers that name no node (0 in a short row, or beyond the nodes) make a tetrahedron
// that takes no point, instead of reading outside the coordinates.
TEST(LocatePoints, RowsNamingMissingNodesTakeNoPoint) {
  TestMesh mesh;
  addBox(mesh, 0, 0, 0, 1, 1, 1);
  mesh.connectivity[0] = 99;  // slot 1 of the only element
  SubMesh subMesh = makeSubMesh({{0.1, 0.2, 0.1}, {0.9, 0.9, 0.9}});
  locate(mesh, subMesh);
  EXPECT_EQ(subMesh.pointVertex[1], (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(subMesh.pointVertex[2], (std::array<int, 4>{4, 7, 8, 6}));

  TestMesh fourNodes;  // four node numbers per element: a prism short of two corners
  fourNodes.nodesPerElement = 4;
  for (int i = 0; i < 4; ++i) fourNodes.addNode(i == 2, i == 1, i == 3);
  fourNodes.addElement({1, 2, 3, 4});
  SubMesh one = makeSubMesh({{0.1, 0.1, 0.1}});
  locate(fourNodes, one);
  EXPECT_EQ(one.pointVertex[1], (std::array<int, 4>{1, 2, 3, 4}));
}

TEST(LocatePoints, NoPointsMeansNothingToDo) {
  TestMesh mesh;
  addBox(mesh, 0, 0, 0, 1, 1, 1);
  SubMesh subMesh = makeSubMesh({});
  locate(mesh, subMesh);
  computePointValues(std::vector<double>(9, 0.0), mesh.z, subMesh);
  EXPECT_EQ(subMesh.pointVertex.size(), 1u);
}

TEST(ComputeExtent, SmallestCoordinatesAndSectionDistance) {
  SubMesh subMesh = makeSubMesh({{4.0, 7.0, 1.0}, {1.0, 9.0, 2.0}, {5.0, 3.0, 3.0}});
  computeExtent(subMesh, false);
  EXPECT_EQ(subMesh.xMin, 1.0);
  EXPECT_EQ(subMesh.yMin, 3.0);
  EXPECT_TRUE(subMesh.sectionDistance.empty());

  computeExtent(subMesh, true);
  const double expected[] = {0.0, 5.0, std::sqrt(36.0), std::sqrt(16.0)};
  for (int p = 1; p <= 3; ++p) EXPECT_DOUBLE_EQ(subMesh.sectionDistance[at(p)], expected[p]);
}

// Nodes 1..9 on a line; a hexahedron on 1..8, a prism on 3..8, a flagged hexahedron on 2..9,
// node 10 named by no element, and an element naming nodes that do not exist.
struct VelocityMesh {
  TestMesh mesh;
  std::vector<double> vx{0.0, 1.0, 4.0, 100.0, 1000.0};
  std::vector<double> vy{0.0, -2.0, 0.5, 100.0, 1000.0};
  std::vector<double> vz{0.0, 0.25, 0.0, 100.0, 1000.0};
  VelocityMesh() {
    for (int node = 1; node <= 10; ++node) mesh.addNode(node, 0.0, 0.0);
    mesh.addElement({1, 2, 3, 4, 5, 6, 7, 8});
    mesh.addElement({3, 4, 5, 6, 7, 8, 0, 0});
    mesh.addElement({2, 3, 4, 5, 6, 7, 8, 9});
    mesh.addElement({0, 11, -3, 0, 0, 0, 0, 0});
    mesh.elementFlag[3] = 1;
  }
};

TEST(AverageNodalVelocities, MeanOfTheShownElementsAroundEachNode) {
  VelocityMesh m;
  std::vector<double> nodeVx(11, 9.0), nodeVy(11, 9.0), nodeVz(11, 9.0);
  std::vector<int> count(11, 9);
  averageNodalVelocities(m.vx, m.vy, m.vz, m.mesh.connectivity, m.mesh.elementFlag, 10, 4, 8,
                         nodeVx, nodeVy, nodeVz, count);
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
    EXPECT_EQ(count[at(e.node)], e.count);
    EXPECT_EQ(nodeVx[at(e.node)], e.vx);
    EXPECT_EQ(nodeVy[at(e.node)], e.vy);
    EXPECT_EQ(nodeVz[at(e.node)], e.vz);
  }
}

// With the mesh's index, the means summed node by node across threads are the very doubles of
// the loop over the elements, which adds each node's velocities in element number order:
// values of every size make any other order show in the last bits. An index over its limit is
// not made, and the loop serves.
TEST(AverageNodalVelocities, NodeByNodeAcrossThreadsIsTheElementLoop) {
  TestMesh mesh = makeBlockMesh(40, 40, 24, 0.5, 0.2, 5);  // four parts at four threads
  const int nodes = mesh.nodeCount(), elements = mesh.elementCount();
  for (int element = 7; element <= elements; element += 7) mesh.elementFlag[at(element)] = 1;
  mesh.connectivity[8 * 10 + 2] = nodes + 5;  // a number beyond the nodes adds nothing
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<double> vx(at(elements) + 1), vy(vx), vz(vx);
  for (std::vector<double>* v : {&vx, &vy, &vz}) {
    for (double& x : *v) x = value(random) * std::pow(10.0, 8.0 * value(random));
  }
  struct Means {
    std::vector<double> x, y, z;
    std::vector<int> count;
  };
  const auto means = [&](const NodeElements* around) {
    Means m{std::vector<double>(at(nodes) + 1, 9.0), std::vector<double>(at(nodes) + 1, 9.0),
            std::vector<double>(at(nodes) + 1, 9.0), std::vector<int>(at(nodes) + 1, 9)};
    averageNodalVelocities(vx, vy, vz, mesh.connectivity, mesh.elementFlag, nodes, elements, 8, m.x,
                           m.y, m.z, m.count, around);
    return m;
  };
  const Means loop = means(nullptr);
  EXPECT_EQ(loop.count[at(1)], 1);
  const NodeElements index = nodeElementsOf(mesh.connectivity, mesh.elementFlag, nodes, elements, 8,
                                            nodeElementsLimitBytes);
  ASSERT_FALSE(index.first.empty());
  EXPECT_TRUE(nodeElementsOf(mesh.connectivity, mesh.elementFlag, nodes, elements, 8, 100000)
                  .first.empty());
  for (int threads : {1, 4}) {
    SCOPED_TRACE(threads);
    setRunThreads(threads);
    const Means shared = means(&index);
    setRunThreads(1);
    EXPECT_EQ(shared.count, loop.count);
    EXPECT_EQ(shared.x, loop.x);
    EXPECT_EQ(shared.y, loop.y);
    EXPECT_EQ(shared.z, loop.z);
  }
}

}  // namespace
