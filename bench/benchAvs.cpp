// Speed of the MicroAVS writers: sections into the scratch file, then the assembly that copies
// them back into the final file, on a synthetic hexahedral mesh in a temporary folder.
//
//   cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2 --target benchAvs
//   build/bench/benchAvs
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resconv/derived.h"
#include "resconv/writers/avs.h"
#include "tests/support/temporaryFolder.h"

namespace {

constexpr int nodeCount = 40000;
constexpr int elementCount = 30000;
constexpr int nodesPerElement = 8;
constexpr int sectionCount = 4;

struct Model {
  std::vector<double> x, y, z, pressureHead, vx, vy, vz, nodeVx, nodeVy, nodeVz;
  std::vector<int> connectivity, materialNo, elementFlag, nodeUnused, nodeElementCount;
};

Model makeModel() {
  Model m;
  const auto nodes = static_cast<std::size_t>(nodeCount) + 1;
  const auto elements = static_cast<std::size_t>(elementCount) + 1;
  m.x.assign(nodes, 0.0);
  m.y = m.z = m.pressureHead = m.nodeVx = m.nodeVy = m.nodeVz = m.x;
  m.nodeUnused.assign(nodes, 0);
  m.nodeElementCount.assign(nodes, 0);
  for (int n = 1; n <= nodeCount; ++n) {
    m.x[n] = n % 200;
    m.y[n] = (n / 200) % 200;
    m.z[n] = n * 1.0e-3;
    m.pressureHead[n] = 50.0 + (n % 97) * 0.173;
  }
  m.vx.assign(elements, 0.0);
  m.vy = m.vz = m.vx;
  m.materialNo.assign(elements, 1);
  m.elementFlag.assign(elements, 0);
  for (int e = 1; e <= elementCount; ++e) {
    m.vx[e] = (e % 13) * 1.0e-4;
    m.vy[e] = -(e % 7) * 2.5e-4;
    m.vz[e] = (e % 5) * 3.0e-5;
    for (int k = 0; k < nodesPerElement; ++k)
      m.connectivity.push_back((e + k * 997) % nodeCount + 1);
  }
  return m;
}

SolidMesh meshOf(const Model& m) {
  return SolidMesh{nodeCount,      elementCount, nodesPerElement, m.x,          m.y, m.z,
                   m.connectivity, m.materialNo, m.elementFlag,   m.nodeUnused, 1};
}

// Sections as the step loop writes them: the nodal velocities of each output, then its section.
void writeSections(OutputUnit& scratch, WriterCounters& counters, Model& m) {
  const SolidMesh mesh = meshOf(m);
  for (int s = 1; s <= sectionCount; ++s) {
    averageNodalVelocities(m.vx, m.vy, m.vz, m.connectivity, m.elementFlag, nodeCount, elementCount,
                           nodesPerElement, m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount);
    const ShownState shown{m.pressureHead, {}, {}, m.vx, m.vy, m.vz, s * 10.0, s};
    writeAvsStep(scratch, counters, mesh, shown,
                 NodalVelocities{m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount});
  }
}

void scratchSections(benchmark::State& state) {
  Model m = makeModel();
  const testSupport::TemporaryFolder folder("bench-avs-");
  const std::string scratchName = folder.file("AVS.tmp");
  for (auto _ : state) {
    OutputUnit scratch(unitNumber::avsScratch);
    scratch.open(scratchName);
    WriterCounters counters;
    writeSections(scratch, counters, m);
    scratch.close();
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(scratchName)));
}

void assembly(benchmark::State& state) {
  Model m = makeModel();
  const testSupport::TemporaryFolder folder("bench-avs-");
  const std::string scratchName = folder.file("AVS.tmp");
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    OutputUnit scratch(unitNumber::avsScratch);
    scratch.open(scratchName);
    WriterCounters counters;
    writeSections(scratch, counters, m);
    state.ResumeTiming();
    OutputUnit unit(unitNumber::output);
    unit.open(folder.file("AVS.INP"));
    // The scratch file read back as the output sink reopens it.
    InputUnit reader(unitNumber::avsScratch);
    assembleAvsFile(
        unit,
        [&]() -> InputUnit& {
          scratch.close();
          reader.openOld(scratchName);
          return reader;
        },
        counters, meshOf(m));
    unit.close();
    bytes = std::filesystem::file_size(folder.file("AVS.INP"));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

}  // namespace

BENCHMARK(scratchSections)->Unit(benchmark::kMillisecond);
BENCHMARK(assembly)->Unit(benchmark::kMillisecond);
