// Reading speed of the result-file reader, next to a bare tokenize-and-convert loop over the
// same bytes (the floor a free-form scanner can hope for).
//
//   cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2 --target benchRead
//   build/bench/benchRead
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/resultFile.h"

namespace {

constexpr int nodeCount = 40000;
constexpr int elementCount = 30000;
constexpr int nodesPerElement = 8;
constexpr int stepCount = 12;

enum class Layout { plain, mixed };

// A value of a plausible spread, the same for every run.
double sampleValue(unsigned& state) {
  state = state * 1664525u + 1013904223u;
  double unit = static_cast<double>(state >> 8) / static_cast<double>(1u << 24);
  return (unit - 0.3) * 150.0;
}

// "1.2345678E+01" as the solver writes it; the mixed layout writes the same digits with D in
// place of E ("1.2345678D+01").
std::string realText(double value, Layout layout) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7E", value);
  if (layout == Layout::plain) return text;
  std::string s = text;
  std::size_t e = s.find('E');
  s[e] = 'D';
  return s;
}

std::string resultText(Layout layout) {
  unsigned state = 12345u;
  const char* separator = layout == Layout::plain ? "  " : ", ";
  std::string text = "benchmark mesh\n";
  text += std::to_string(nodeCount) + " " + std::to_string(elementCount) + " " +
          std::to_string(nodesPerElement) + "\n";
  for (int n = 1; n <= nodeCount; ++n) {
    for (int v = 0; v < 5; ++v) text += realText(sampleValue(state), layout) + separator;
    text += "0\n";
  }
  for (int e = 1; e <= elementCount; ++e) {
    for (int k = 0; k < nodesPerElement; ++k)
      text += std::to_string((e * 7 + k) % nodeCount + 1) + " ";
    text += "1\n";
  }
  for (int step = 1; step <= stepCount; ++step) {
    text += std::to_string(step) + " " + realText(step * 10.0, layout) + "\n";
    for (int n = 1; n <= nodeCount; ++n) {
      text += realText(sampleValue(state), layout) + separator;
      if (layout == Layout::mixed && n % 5 == 0) {
        text += "2*0\n";  // a dry node: no discharge, code 0
        continue;
      }
      text += realText(sampleValue(state) * 1e-3, layout) + separator + "1\n";
    }
    for (int e = 1; e <= elementCount; ++e) {
      if (layout == Layout::mixed && e % 4 == 0) {
        text += "1.0000000-123, 2*0.0\n";
        continue;
      }
      for (int v = 0; v < 3; ++v) text += realText(sampleValue(state) * 1e-4, layout) + separator;
      text.resize(text.size() - std::string_view(separator).size());
      text += "\n";
    }
  }
  return text;
}

// The synthetic file of one layout, written once into a temporary directory.
struct SampleFile {
  std::filesystem::path directory;
  std::filesystem::path path;
  std::string bytes;

  explicit SampleFile(Layout layout) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "seepage-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    directory = pattern;
    path = directory / "RES.DAT";
    bytes = resultText(layout);
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~SampleFile() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
};

const SampleFile& sampleFile(Layout layout) {
  static const SampleFile plain(Layout::plain);
  static const SampleFile mixed(Layout::mixed);
  return layout == Layout::plain ? plain : mixed;
}

void readWholeFile(benchmark::State& state, Layout layout) {
  const SampleFile& file = sampleFile(layout);
  std::vector<double> x(nodeCount + 1), y(nodeCount + 1), z(nodeCount + 1), head(nodeCount + 1),
      discharge(nodeCount + 1), vx(elementCount + 1), vy(elementCount + 1), vz(elementCount + 1);
  std::vector<int> code(nodeCount + 1), connectivity(elementCount * nodesPerElement),
      materialNo(elementCount + 1);
  for (auto _ : state) {
    InputUnit unit(5);
    openResultFile(unit, file.path.string());
    readResultTitle(unit);
    ResultCounts counts = readResultCounts(unit);
    readResultMesh(unit, counts, {x, y, z, head, discharge, code, connectivity, materialNo});
    int stepNo = 0;
    double time = 0.0;
    int steps = 0;
    while (readResultStep(unit, counts, stepNo, time, {head, discharge, code, vx, vy, vz})) ++steps;
    if (steps != stepCount) state.SkipWithError("wrong step count");
    benchmark::DoNotOptimize(vz.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(file.bytes.size()));
}

// Blanks, commas and line ends as separators, every token through std::from_chars; no repeat
// counts, D exponents or statements. On the mixed layout most tokens fail to convert whole,
// so the figure is only the cost of the scan.
void bareTokenizeLoop(benchmark::State& state, Layout layout) {
  const std::string& bytes = sampleFile(layout).bytes;
  for (auto _ : state) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    double sum = 0.0;
    while (p < end) {
      while (p < end && (*p == ' ' || *p == ',' || *p == '\n' || *p == '\r')) ++p;
      const char* token = p;
      while (p < end && *p != ' ' && *p != ',' && *p != '\n' && *p != '\r') ++p;
      double value = 0.0;
      std::from_chars(token, p, value);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK_CAPTURE(readWholeFile, plain, Layout::plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bareTokenizeLoop, plain, Layout::plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readWholeFile, mixed, Layout::mixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bareTokenizeLoop, mixed, Layout::mixed)->Unit(benchmark::kMillisecond);
