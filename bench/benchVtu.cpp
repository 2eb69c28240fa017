// Cost of one ParaView step file against the reading of one stored step: a block mesh of
// 93,025 nodes and 86,400 hexahedra and prisms (the throughput file's size), one step of it as
// result-file text read by readResultStep, and the step written as a .vtu file, raw and
// compressed, with the output sent to /dev/null. The Tecplot block of the same step, made as the
// step loop makes it (the nodal velocities, then the block), and the nodal velocities on their
// own are timed beside them.
//
//   cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2 --target benchVtu
//   build/bench/benchVtu
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/resultFile.h"
#include "resconv/derived.h"
#include "resconv/writers/tecplot.h"
#include "resconv/writers/vtu.h"
#include "tests/support/temporaryFolder.h"

namespace {

constexpr int nx = 60, ny = 60, nz = 24;
constexpr int prismEvery = 5;  // every fifth cell is two prisms
constexpr int nodesPerElement = 8;

struct Model {
  int nodeCount = 0, elementCount = 0;
  std::vector<double> x{0.0}, y{0.0}, z{0.0};
  std::vector<int> connectivity, materialNo{0}, elementFlag{0}, nodeUnused;
  std::vector<double> pressureHead, discharge, vx, vy, vz, nodeVx, nodeVy, nodeVz;
  std::vector<int> nodeCode, nodeElementCount;
  std::string stepText;  // one stored step as the solver writes it
};

double sampleValue(unsigned& state) {
  state = state * 1664525u + 1013904223u;
  return (static_cast<double>(state >> 8) / static_cast<double>(1u << 24) - 0.3) * 150.0;
}

Model makeModel() {
  Model m;
  auto lattice = [](int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); };
  for (int k = 0; k <= nz; ++k)
    for (int j = 0; j <= ny; ++j)
      for (int i = 0; i <= nx; ++i) {
        m.x.push_back(i * 10.0 + 0.01 * j);
        m.y.push_back(j * 10.0);
        m.z.push_back(k * 2.0 - 0.001 * i);
      }
  m.nodeCount = static_cast<int>(m.x.size()) - 1;
  int cell = 0;
  auto add = [&](std::initializer_list<int> nodes, int material) {
    for (int node : nodes) m.connectivity.push_back(node);
    for (std::size_t s = nodes.size(); s < nodesPerElement; ++s) m.connectivity.push_back(0);
    m.materialNo.push_back(material);
    m.elementFlag.push_back(material < 0 ? 1 : 0);
  };
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) {
        ++cell;
        const int c[8] = {lattice(i, j, k),
                          lattice(i, j + 1, k),
                          lattice(i + 1, j + 1, k),
                          lattice(i + 1, j, k),
                          lattice(i, j, k + 1),
                          lattice(i, j + 1, k + 1),
                          lattice(i + 1, j + 1, k + 1),
                          lattice(i + 1, j, k + 1)};
        const int material = cell % 97 == 0 ? -1 : 1 + k / 8;
        if (cell % prismEvery == 0) {
          add({c[0], c[1], c[3], c[4], c[5], c[7]}, material);
          add({c[1], c[2], c[3], c[5], c[6], c[7]}, material);
        } else {
          add({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]}, material);
        }
      }
  m.elementCount = static_cast<int>(m.materialNo.size()) - 1;
  const auto nodes = static_cast<std::size_t>(m.nodeCount) + 1;
  const auto elements = static_cast<std::size_t>(m.elementCount) + 1;
  m.nodeUnused.assign(nodes, 0);
  m.pressureHead.assign(nodes, 0.0);
  m.discharge = m.nodeVx = m.nodeVy = m.nodeVz = m.pressureHead;
  m.nodeCode.assign(nodes, 0);
  m.nodeElementCount.assign(nodes, 0);
  m.vx.assign(elements, 0.0);
  m.vy = m.vz = m.vx;

  unsigned state = 12345u;
  char text[96];
  m.stepText = "1  3.6000000E+03\n";
  for (int n = 1; n <= m.nodeCount; ++n) {
    const double p = sampleValue(state), q = sampleValue(state) * 1e-3;
    std::snprintf(text, sizeof text, "%.7E  %.7E  %d\n", p, q, n % 3);
    m.stepText += text;
  }
  for (int e = 1; e <= m.elementCount; ++e) {
    const double a = sampleValue(state) * 1e-5, b = sampleValue(state) * 1e-5,
                 c = sampleValue(state) * 1e-6;
    std::snprintf(text, sizeof text, "%.7E  %.7E  %.7E\n", a, b, c);
    m.stepText += text;
  }
  return m;
}

Model& model() {
  static Model m = makeModel();
  return m;
}

ResultCounts counts() {
  return ResultCounts{model().nodeCount, model().elementCount, nodesPerElement};
}

// The step is read once so that the writers show real values.
void readStepInto(Model& m, InputUnit& unit) {
  int stepNo = 0;
  double time = 0.0;
  readResultStep(unit, counts(), stepNo, time,
                 StepArrays{m.pressureHead, m.discharge, m.nodeCode, m.vx, m.vy, m.vz});
}

void readStep(benchmark::State& state) {
  Model& m = model();
  InputUnit unit(unitNumber::resultFile);
  for (auto _ : state) {
    state.PauseTiming();
    unit.openMemory(m.stepText, "step");
    state.ResumeTiming();
    readStepInto(m, unit);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(m.stepText.size()));
}

void prepared(Model& m) {
  static bool done = false;
  if (done) return;
  InputUnit unit(unitNumber::resultFile);
  unit.openMemory(m.stepText, "step");
  readStepInto(m, unit);
  averageNodalVelocities(m.vx, m.vy, m.vz, m.connectivity, m.elementFlag, m.nodeCount,
                         m.elementCount, nodesPerElement, m.nodeVx, m.nodeVy, m.nodeVz,
                         m.nodeElementCount);
  done = true;
}

void nodalVelocities(benchmark::State& state) {
  Model& m = model();
  prepared(m);
  for (auto _ : state) {
    averageNodalVelocities(m.vx, m.vy, m.vz, m.connectivity, m.elementFlag, m.nodeCount,
                           m.elementCount, nodesPerElement, m.nodeVx, m.nodeVy, m.nodeVz,
                           m.nodeElementCount);
  }
}

void vtuStep(benchmark::State& state, VtuEncoding encoding) {
  Model& m = model();
  prepared(m);
  const testSupport::TemporaryFolder temporary("bench-vtu-");
  const std::filesystem::path& folder = temporary.path();
  OutputUnit null(unitNumber::output);
  std::int64_t bytes = 0;
  SeriesFiles toNull{folder,
                     [&](const std::string&) -> OutputUnit& {
                       null.open("/dev/null");
                       return null;
                     },
                     [](const std::string&) {}, [](const std::string&, const std::string&) {}};
  const SolidMesh mesh{m.nodeCount, m.elementCount, nodesPerElement, m.x,           m.y,
                       m.z,         m.connectivity, m.materialNo,    m.elementFlag, m.nodeUnused};
  SolidVtuSeries series(mesh, encoding, toNull);
  // The size of one step file, written once to memory (the collection to another unit).
  {
    OutputUnit memory(unitNumber::output), collection(unitNumber::output);
    SolidVtuSeries sized(
        mesh, encoding,
        SeriesFiles{folder,
                    [&](const std::string& name) -> OutputUnit& {
                      OutputUnit& unit = name.ends_with(".vtu") ? memory : collection;
                      unit.openMemory();
                      return unit;
                    },
                    [](const std::string&) {}, [](const std::string&, const std::string&) {}});
    sized.write(ShownState{m.pressureHead, m.discharge, m.nodeCode, m.vx, m.vy, m.vz, 1.0, 1},
                NodalVelocities{m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount});
    bytes = static_cast<std::int64_t>(memory.memory().size());
  }
  for (auto _ : state) {
    series.write(ShownState{m.pressureHead, m.discharge, m.nodeCode, m.vx, m.vy, m.vz, 1.0, 1},
                 NodalVelocities{m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount});
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["file MB"] = static_cast<double>(bytes) / 1e6;
}

void tecplotBlock(benchmark::State& state) {
  Model& m = model();
  prepared(m);
  OutputUnit null(unitNumber::output);
  null.open("/dev/null");
  const std::string title(80, ' ');
  const SolidMesh mesh{m.nodeCount, m.elementCount, nodesPerElement, m.x,           m.y,
                       m.z,         m.connectivity, m.materialNo,    m.elementFlag, m.nodeUnused};
  const ShownState shown{m.pressureHead, m.discharge, m.nodeCode, m.vx, m.vy, m.vz, 1.0, 1};
  // An output as the step loop makes it: the nodal velocities, then the block.
  for (auto _ : state) {
    averageNodalVelocities(m.vx, m.vy, m.vz, m.connectivity, m.elementFlag, m.nodeCount,
                           m.elementCount, nodesPerElement, m.nodeVx, m.nodeVy, m.nodeVz,
                           m.nodeElementCount);
    writeTecplotBlock(null, title, mesh, shown,
                      NodalVelocities{m.nodeVx, m.nodeVy, m.nodeVz, m.nodeElementCount});
  }
}

// Encoding the constant arrays, once per run.
void vtuSeriesBegin(benchmark::State& state, VtuEncoding encoding) {
  Model& m = model();
  const testSupport::TemporaryFolder temporary("bench-vtu-");
  const std::filesystem::path& folder = temporary.path();
  OutputUnit null(unitNumber::output);
  const SolidMesh mesh{m.nodeCount, m.elementCount, nodesPerElement, m.x,           m.y,
                       m.z,         m.connectivity, m.materialNo,    m.elementFlag, m.nodeUnused};
  for (auto _ : state) {
    SolidVtuSeries series(
        mesh, encoding,
        SeriesFiles{folder,
                    [&](const std::string&) -> OutputUnit& {
                      null.open("/dev/null");
                      return null;
                    },
                    [](const std::string&) {}, [](const std::string&, const std::string&) {}});
    benchmark::DoNotOptimize(series.outputCount());
  }
}

}  // namespace

BENCHMARK(readStep)->Unit(benchmark::kMillisecond);
BENCHMARK(nodalVelocities)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vtuStep, raw, VtuEncoding::raw)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vtuStep, compressed, VtuEncoding::compressed)->Unit(benchmark::kMillisecond);
BENCHMARK(tecplotBlock)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vtuSeriesBegin, raw, VtuEncoding::raw)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vtuSeriesBegin, compressed, VtuEncoding::compressed)
    ->Unit(benchmark::kMillisecond);
