// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include "resconv/writers/tecplot.h"

void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount) {
  for (int node = 1; node <= nodeCount; ++node) {
    nodeVx[node] = 0.0;
    nodeVy[node] = 0.0;
    nodeVz[node] = 0.0;
    nodeElementCount[node] = 0;
  }
  for (int element = 1; element <= elementCount; ++element) {
    if (elementFlag[element] == 1) continue;
    for (int slot = 1; slot <= nodesPerElement; ++slot) {
      const int node = elementNode(connectivity, nodesPerElement, element, slot);
      if (node == 0) continue;
      nodeVx[node] += vx[element];
      nodeVy[node] += vy[element];
      nodeVz[node] += vz[element];
      ++nodeElementCount[node];
    }
  }
  for (int node = 1; node <= nodeCount; ++node) {
    const int count = nodeElementCount[node];
    if (count < 1) continue;
    nodeVx[node] /= count;
    nodeVy[node] /= count;
    nodeVz[node] /= count;
  }
}

void writeTecplotBlock(OutputUnit&, std::span<const double>, std::span<const double>,
                       std::span<const double>, std::span<const double>, std::span<double>,
                       std::span<double>, std::span<double>, std::span<const double>,
                       std::span<const double>, std::span<const double>, std::span<int>,
                       std::span<const int>, int, int, int, std::string_view, double,
                       std::span<const int>, std::span<const int>) {}
void writeTecplotMeshBlock(OutputUnit&, const SubMesh&, double, int) {}
