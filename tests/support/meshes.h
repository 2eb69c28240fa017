#pragma once
// Meshes of the tests, built in code: solid meshes with a state shown on them, and sub-meshes
// with values at their points, handed to the code under test as the step loop hands them (as
// views of 1-based arrays, slot 0 unused).
#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <random>
#include <span>
#include <vector>

#include "resconv/derived.h"
#include "resconv/geometry.h"
#include "resconv/model.h"
#include "resconv/views.h"

// A solid mesh. Each node added is used and each element added is shown with material 1;
// tests change materialNo, elementFlag and nodeUnused as their cases need.
struct TestMesh {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};
  std::vector<int> connectivity;
  int nodesPerElement = 8;
  std::vector<int> materialNo{0}, elementFlag{0};  // elementCount + 1
  std::vector<int> nodeUnused{0};                  // nodeCount + 1

  int nodeCount() const { return static_cast<int>(x.size()) - 1; }
  int elementCount() const { return static_cast<int>(connectivity.size()) / nodesPerElement; }
  int addNode(double px, double py, double pz) {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
    nodeUnused.push_back(0);
    return nodeCount();
  }
  // Node numbers of slots 1 to nodesPerElement; the slots not given are 0.
  int addElement(std::span<const int> nodes) {
    for (int slot = 0; slot < nodesPerElement; ++slot) {
      connectivity.push_back(slot < static_cast<int>(nodes.size()) ? nodes[slot] : 0);
    }
    materialNo.push_back(1);
    elementFlag.push_back(0);
    return elementCount();
  }
  int addElement(std::initializer_list<int> nodes) {
    return addElement(std::span<const int>(nodes.begin(), nodes.size()));
  }
  SolidMesh view() const {
    SolidMesh mesh;
    mesh.nodeCount = nodeCount();
    mesh.elementCount = elementCount();
    mesh.nodesPerElement = nodesPerElement;
    mesh.x = x;
    mesh.y = y;
    mesh.z = z;
    mesh.connectivity = connectivity;
    mesh.materialNo = materialNo;
    mesh.elementFlag = elementFlag;
    mesh.nodeUnused = nodeUnused;
    mesh.maxMaterialNo = std::max(1, *std::max_element(materialNo.begin(), materialNo.end()));
    return mesh;
  }
};

// A state shown on a mesh: values at the nodes, velocities of the elements, and the nodal
// velocities derived from them; all 0 until set.
struct TestState {
  std::vector<double> pressureHead, discharge;  // nodeCount + 1
  std::vector<int> nodeCode;                    // nodeCount + 1
  std::vector<double> vx, vy, vz;               // elementCount + 1
  std::vector<double> nodeVx, nodeVy, nodeVz;   // nodeCount + 1
  std::vector<int> nodeElementCount;            // nodeCount + 1

  explicit TestState(const TestMesh& mesh) {
    const auto nodes = static_cast<std::size_t>(mesh.nodeCount()) + 1;
    const auto elements = static_cast<std::size_t>(mesh.elementCount()) + 1;
    pressureHead.assign(nodes, 0.0);
    discharge.assign(nodes, 0.0);
    nodeCode.assign(nodes, 0);
    vx.assign(elements, 0.0);
    vy.assign(elements, 0.0);
    vz.assign(elements, 0.0);
    nodeVx.assign(nodes, 0.0);
    nodeVy.assign(nodes, 0.0);
    nodeVz.assign(nodes, 0.0);
    nodeElementCount.assign(nodes, 0);
  }
  // The nodal velocities as the step loop derives them from the element velocities.
  void averageVelocities(const TestMesh& mesh) {
    averageNodalVelocities(vx, vy, vz, mesh.connectivity, mesh.elementFlag, mesh.nodeCount(),
                           mesh.elementCount(), mesh.nodesPerElement, nodeVx, nodeVy, nodeVz,
                           nodeElementCount);
  }
  ShownState view(double time, int stepNo) const {
    return ShownState{pressureHead, discharge, nodeCode, vx, vy, vz, time, stepNo};
  }
  NodalVelocities nodal() const {
    return NodalVelocities{nodeVx, nodeVy, nodeVz, nodeElementCount};
  }
};

// A small mesh of every kind of element and node: a hexahedron on 1..8, a prism on 5 6 8 |
// 9 10 12, a left-out hexahedron on 5..12 whose node 11 no shown element uses, and node 13 that
// no element names; materials 4 and 7. Each element's tetrahedra have positive volume. Its
// state holds values of its own at every node and element, and nodal velocities set apart
// from the element velocities (100 + node in x).
struct MixedMesh {
  TestMesh mesh;
  TestState values{mesh};

  MixedMesh() {
    // Lower face (z = 0): (0,0) (0,1) (1,1) (1,0), then the face above it (z = 1).
    const double corner[13][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 1},
                                  {0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 2}, {0, 1, 2},
                                  {1, 1, 2}, {1, 0, 2}, {7, 7, 7}};
    for (const auto& c : corner) {
      mesh.addNode(c[0] + 0.01 * static_cast<double>(mesh.x.size()), c[1], c[2]);
    }
    mesh.addElement({1, 2, 3, 4, 5, 6, 7, 8});     // hexahedron
    mesh.addElement({5, 6, 8, 9, 10, 12, 0, 0});   // prism
    mesh.addElement({5, 6, 7, 8, 9, 10, 11, 12});  // left out
    mesh.materialNo = {0, 4, 7, -1};
    mesh.elementFlag[3] = 1;
    mesh.nodeUnused[13] = 1;
    values = TestState(mesh);
    for (int n = 1; n <= 13; ++n) {
      values.pressureHead[n] = 0.1 * n + 1.0 / 3.0;
      values.discharge[n] = -1e-7 * n;
      values.nodeCode[n] = n % 3;
      values.nodeVx[n] = 100.0 + n;
    }
    values.vx = {0.0, 1.5, -2.25, 99.0};
    values.vy = {0.0, 0.1, 0.2, 99.0};
    values.vz = {0.0, 1e-300, -3.0, 99.0};
  }
  SolidMesh view() const { return mesh.view(); }
  ShownState state(double time, int stepNo) const { return values.view(time, stepNo); }
  NodalVelocities velocities() const { return values.nodal(); }
};

// Corners of a hexahedron in the order whose tetrahedra have positive volume: the bottom face
// (x0,y0), (x0,y1), (x1,y1), (x1,y0), then the top face above it.
inline int addBox(TestMesh& mesh, double x0, double y0, double z0, double x1, double y1,
                  double z1) {
  const int n1 = mesh.addNode(x0, y0, z0), n2 = mesh.addNode(x0, y1, z0),
            n3 = mesh.addNode(x1, y1, z0), n4 = mesh.addNode(x1, y0, z0);
  const int n5 = mesh.addNode(x0, y0, z1), n6 = mesh.addNode(x0, y1, z1),
            n7 = mesh.addNode(x1, y1, z1), n8 = mesh.addNode(x1, y0, z1);
  return mesh.addElement({n1, n2, n3, n4, n5, n6, n7, n8});
}

// A block of nx * ny * nz cells of size h on shared lattice nodes, each node moved by up to
// jitter * h. Every cell whose number is a multiple of prismEvery (0: none) becomes two prisms.
inline TestMesh makeBlockMesh(int nx, int ny, int nz, double h, double jitter, int prismEvery,
                              unsigned seed = 1) {
  TestMesh mesh;
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> shift(-jitter * h, jitter * h);
  auto lattice = [&](int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); };
  for (int k = 0; k <= nz; ++k) {
    for (int j = 0; j <= ny; ++j) {
      for (int i = 0; i <= nx; ++i) {
        const double dx = jitter > 0.0 ? shift(random) : 0.0;
        const double dy = jitter > 0.0 ? shift(random) : 0.0;
        const double dz = jitter > 0.0 ? shift(random) : 0.0;
        mesh.addNode(i * h + dx, j * h + dy, k * h + dz);
      }
    }
  }
  mesh.connectivity.reserve(static_cast<std::size_t>(nx) * ny * nz * 8);
  int cell = 0;
  for (int k = 0; k < nz; ++k) {
    for (int j = 0; j < ny; ++j) {
      for (int i = 0; i < nx; ++i) {
        ++cell;
        const std::array<int, 8> c{lattice(i, j, k),
                                   lattice(i, j + 1, k),
                                   lattice(i + 1, j + 1, k),
                                   lattice(i + 1, j, k),
                                   lattice(i, j, k + 1),
                                   lattice(i, j + 1, k + 1),
                                   lattice(i + 1, j + 1, k + 1),
                                   lattice(i + 1, j, k + 1)};
        if (prismEvery > 0 && cell % prismEvery == 0) {
          mesh.addElement({c[0], c[1], c[3], c[4], c[5], c[7]});
          mesh.addElement({c[1], c[2], c[3], c[5], c[6], c[7]});
        } else {
          mesh.addElement(c);
        }
      }
    }
  }
  return mesh;
}

// Appends the nodes and elements of `from`, renumbering its nodes after those of `into`.
inline void appendMesh(TestMesh& into, const TestMesh& from) {
  const int offset = into.nodeCount();
  into.x.insert(into.x.end(), from.x.begin() + 1, from.x.end());
  into.y.insert(into.y.end(), from.y.begin() + 1, from.y.end());
  into.z.insert(into.z.end(), from.z.begin() + 1, from.z.end());
  into.nodeUnused.insert(into.nodeUnused.end(), from.nodeUnused.begin() + 1, from.nodeUnused.end());
  for (int node : from.connectivity) into.connectivity.push_back(node == 0 ? 0 : node + offset);
  into.materialNo.insert(into.materialNo.end(), from.materialNo.begin() + 1, from.materialNo.end());
  into.elementFlag.insert(into.elementFlag.end(), from.elementFlag.begin() + 1,
                          from.elementFlag.end());
}

// A sub-mesh of `points` (numbered from 1) and `elements`, each four point numbers, a triangle
// repeating its third point as the fourth. Its values are not computed yet.
inline SubMesh makeSubMesh(const std::vector<Point3>& points,
                           const std::vector<std::array<int, 4>>& elements = {}) {
  SubMesh subMesh;
  subMesh.pointCount = static_cast<int>(points.size());
  subMesh.pointX = {0.0};
  subMesh.pointY = {0.0};
  subMesh.pointZ = {0.0};
  for (const Point3& p : points) {
    subMesh.pointX.push_back(p.x);
    subMesh.pointY.push_back(p.y);
    subMesh.pointZ.push_back(p.z);
  }
  subMesh.elementCount = static_cast<int>(elements.size());
  subMesh.connectivity = {{0, 0, 0, 0}};
  subMesh.connectivity.insert(subMesh.connectivity.end(), elements.begin(), elements.end());
  return subMesh;
}

// The values at points 1 to pointCount, as the step loop computes them for an output.
inline void setPointValues(SubMesh& subMesh, std::initializer_list<double> pressureHead,
                           std::initializer_list<double> totalHead) {
  subMesh.pointPressureHead = {0.0};
  subMesh.pointPressureHead.insert(subMesh.pointPressureHead.end(), pressureHead);
  subMesh.pointTotalHead = {0.0};
  subMesh.pointTotalHead.insert(subMesh.pointTotalHead.end(), totalHead);
}

// A shown state as the sub-mesh writers read it: its time and step number only, the values
// being those at the sub-mesh's points.
inline ShownState shownAt(double time, int stepNo) {
  ShownState state;
  state.time = time;
  state.stepNo = stepNo;
  return state;
}
