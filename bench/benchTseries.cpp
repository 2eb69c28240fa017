// The extractor's pass over a large result file: every stored step read, only the listed
// values kept. Reports MB/s of result file read.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/resultFile.h"
#include "tseries/tables.h"

namespace {

constexpr int nodeCount = 20000;
constexpr int elementCount = 15000;
constexpr int stepCount = 20;

// A synthetic result file of hexahedra in a temporary folder, written once per run.
const std::filesystem::path& syntheticResultFile() {
  static const std::filesystem::path path = [] {
    std::filesystem::path file = std::filesystem::temp_directory_path() / "benchTseries.dat";
    std::ofstream out(file, std::ios::binary);
    char line[160];
    out << "synthetic\n" << nodeCount << ' ' << elementCount << " 8\n";
    for (int n = 1; n <= nodeCount; ++n) {
      std::snprintf(line, sizeof line, "%.6f %.6f %.6f %.6f %.6f 0\n", n * 0.5, n * 0.25, n * 0.01,
                    50.0 + n * 1e-3, -1e-4 * n);
      out << line;
    }
    for (int e = 1; e <= elementCount; ++e) {
      for (int k = 0; k < 8; ++k) out << (e + k) % nodeCount + 1 << ' ';
      out << "1\n";
    }
    for (int s = 1; s <= stepCount; ++s) {
      out << s << ' ' << s * 3600.0 << '\n';
      for (int n = 1; n <= nodeCount; ++n) {
        std::snprintf(line, sizeof line, "%.15E %.15E 1\n", 60.0 + s + n * 1e-4, 1e-5 * n);
        out << line;
      }
      for (int e = 1; e <= elementCount; ++e) {
        std::snprintf(line, sizeof line, "%.15E %.15E %.15E\n", 1e-6 * e, -2e-6 * e, 3e-6 * s);
        out << line;
      }
    }
    return file;
  }();
  return path;
}

void listEvery(PointList& list, int count, int step) {
  list.count = count;
  for (int k = 1; k <= count; ++k) list.numbers[k] = k * step;
}

void collectListedSteps(benchmark::State& state) {
  const std::filesystem::path& file = syntheticResultFile();
  const ResultCounts counts{nodeCount, elementCount, 8};
  const GraphCapacities capacities;
  for (auto _ : state) {
    InputUnit unit(unitNumber::resultFile);
    openResultFile(unit, file.string());
    readResultTitle(unit);
    readResultCounts(unit);
    SeriesArrays arrays = allocateSeriesArrays(counts, capacities);
    listEvery(arrays.headNodes, 50, 397);
    listEvery(arrays.dischargeNodes, 100, 199);
    listEvery(arrays.velocityElements, 50, 293);
    benchmark::DoNotOptimize(collectSteps(unit, counts, capacities, arrays).stored);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(collectListedSteps)->Unit(benchmark::kMillisecond);

}  // namespace
