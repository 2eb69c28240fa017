// Neutral-file writers on a large synthetic mesh: the model (dominated by one fixed-column
// record per node) and one output set (eleven vectors), written to the null device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "common/units.h"
#include "resconv/derived.h"
#include "resconv/model.h"
#include "resconv/writers/femapModel.h"
#include "resconv/writers/femapOutput.h"

namespace {

// A column of hexahedra: layers of a 10 by 10 node grid, so N = 100 * layers.
struct BigMesh {
  int nodeCount, elementCount;
  std::vector<double> x, y, z, pressureHead, discharge, vx, vy, vz, nodeVx, nodeVy, nodeVz;
  std::vector<int> connectivity, materialNo, elementFlag, nodeUnused, nodeElementCount;

  explicit BigMesh(int layers) : nodeCount(100 * layers), elementCount(81 * (layers - 1)) {
    const auto n = static_cast<std::size_t>(nodeCount) + 1;
    const auto e = static_cast<std::size_t>(elementCount) + 1;
    x.resize(n), y.resize(n), z.resize(n), pressureHead.resize(n), discharge.resize(n);
    nodeVx.resize(n), nodeVy.resize(n), nodeVz.resize(n), nodeElementCount.resize(n);
    nodeUnused.assign(n, 0);
    vx.resize(e), vy.resize(e), vz.resize(e), materialNo.assign(e, 1), elementFlag.assign(e, 0);
    for (int node = 1; node <= nodeCount; ++node) {
      const int plane = (node - 1) % 100;
      x[node] = 0.37 * (plane % 10);
      y[node] = 0.41 * (plane / 10);
      z[node] = 0.53 * ((node - 1) / 100);
      pressureHead[node] = 10.0 * std::sin(0.001 * node);
      discharge[node] = 1e-4 * std::cos(0.002 * node);
    }
    connectivity.reserve(static_cast<std::size_t>(elementCount) * 8);
    int element = 0;
    for (int layer = 0; layer + 1 < layers; ++layer) {
      for (int j = 0; j < 9; ++j) {
        for (int i = 0; i < 9; ++i) {
          const int base = layer * 100 + j * 10 + i + 1;
          for (int top = 0; top <= 100; top += 100) {
            connectivity.insert(connectivity.end(),
                                {base + top, base + top + 10, base + top + 11, base + top + 1});
          }
          ++element;
          vx[element] = 1e-3 * std::sin(0.01 * element);
          vy[element] = -2e-3 * std::cos(0.01 * element);
          vz[element] = 5e-4;
        }
      }
    }
  }
};

const BigMesh& millionNodes() {
  static const BigMesh mesh(10000);
  return mesh;
}

SolidMesh meshOf(const BigMesh& m) {
  return SolidMesh{m.nodeCount,   m.elementCount, 8, m.x, m.y, m.z, m.connectivity, m.materialNo,
                   m.elementFlag, m.nodeUnused,   1};
}

void modelOfAMillionNodes(benchmark::State& state) {
  const BigMesh& m = millionNodes();
  const SolidMesh mesh = meshOf(m);
  OutputUnit unit(unitNumber::output);
  unit.open("/dev/null");
  for (auto _ : state) writeFemapModel(unit, mesh);
  state.SetItemsProcessed(state.iterations() * m.nodeCount);
}
BENCHMARK(modelOfAMillionNodes)->Unit(benchmark::kMillisecond);

// An output set as the step loop makes it: the nodal velocities, then the set.
void outputSetOfAMillionNodes(benchmark::State& state) {
  BigMesh& m = const_cast<BigMesh&>(millionNodes());
  const SolidMesh mesh = meshOf(m);
  const ShownState shown{m.pressureHead, m.discharge, {}, m.vx, m.vy, m.vz, 3600.0, 1};
  OutputUnit unit(unitNumber::output);
  unit.open("/dev/null");
  WriterCounters counters;
  for (auto _ : state) {
    averageNodalVelocities(m.vx, m.vy, m.vz, m.connectivity, m.elementFlag, m.nodeCount,
                           m.elementCount, 8, m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount);
    writeFemapOutputSet(unit, counters, mesh, shown,
                        NodalVelocities{m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount});
  }
  state.SetItemsProcessed(state.iterations() * m.nodeCount);
}
BENCHMARK(outputSetOfAMillionNodes)->Unit(benchmark::kMillisecond);

}  // namespace
