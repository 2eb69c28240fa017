#pragma once
// Small solid meshes built in code for the point-location and writer tests.
#include <array>
#include <cstddef>
#include <random>
#include <span>
#include <vector>

#include "resconv/model.h"
#include "resconv/pointIndex.h"

struct TestMesh {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};  // slot 0 unused
  std::vector<int> connectivity;
  int nodesPerElement = 8;

  int nodeCount() const { return static_cast<int>(x.size()) - 1; }
  int elementCount() const { return static_cast<int>(connectivity.size()) / nodesPerElement; }
  int addNode(double px, double py, double pz) {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
    return nodeCount();
  }
  // Node numbers of slots 1 to nodesPerElement.
  int addElement(std::span<const int> nodes) {
    for (int slot = 0; slot < nodesPerElement; ++slot) {
      connectivity.push_back(slot < static_cast<int>(nodes.size()) ? nodes[slot] : 0);
    }
    return elementCount();
  }
  int addElement(std::initializer_list<int> nodes) {
    return addElement(std::span<const int>(nodes.begin(), nodes.size()));
  }
  SolidMesh view() const {
    return solidMeshView(0, elementCount(), nodesPerElement, x, y, z, connectivity, {}, {});
  }
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
  for (int node : from.connectivity) into.connectivity.push_back(node == 0 ? 0 : node + offset);
}
