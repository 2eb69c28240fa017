// Fuzz target: the result-file reader, the whole file front to back as both programs read it,
// once on one thread and once with its blocks split into parts of a few bytes across four
// threads: the two reads must give the same values and the same stop. Counts too large for
// the target's memory bound are skipped (the programs check them with requireMemory before
// sizing); a stop is a normal outcome.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/resultFile.h"
#include "common/splitBlock.h"
#include "common/stop.h"
#include "common/workPool.h"
#include "fuzzInput.h"

namespace {

constexpr double maxSlots = 1 << 12;

// What one read of the whole file gives.
struct Outcome {
  bool skipped = false;
  std::vector<double> reals;
  std::vector<int> integers;
  std::string stop;
};

Outcome readAll(std::string_view text, bool keep) {
  Outcome outcome;
  try {
    InputUnit unit(5);
    openOnText(unit, text);
    readResultTitle(unit);
    const ResultCounts counts = readResultCounts(unit);
    const double nodes = static_cast<double>(counts.nodeCount) + 1;
    const double elements = static_cast<double>(counts.elementCount) + 1;
    const double connectivity =
        static_cast<double>(counts.elementCount) * static_cast<double>(counts.nodesPerElement);
    if (nodes > maxSlots || elements > maxSlots || connectivity > maxSlots) {
      outcome.skipped = true;
      return outcome;
    }

    const auto nodeSlots = static_cast<std::size_t>(nodes);
    const auto elementSlots = static_cast<std::size_t>(elements);
    std::vector<double> x(nodeSlots), y(nodeSlots), z(nodeSlots), head(nodeSlots),
        discharge(nodeSlots);
    std::vector<int> code(nodeSlots), nodes8(static_cast<std::size_t>(connectivity)),
        material(elementSlots);
    std::vector<double> vx(elementSlots), vy(elementSlots), vz(elementSlots);
    const auto record = [&] {
      for (const auto* array : {&x, &y, &z, &head, &discharge, &vx, &vy, &vz}) {
        outcome.reals.insert(outcome.reals.end(), array->begin(), array->end());
      }
      for (const auto* array : {&code, &nodes8, &material}) {
        outcome.integers.insert(outcome.integers.end(), array->begin(), array->end());
      }
    };
    try {
      // Kept and dropped arrays, as the two programs read them.
      if (keep) {
        readResultMesh(unit, counts, {x, y, z, head, discharge, code, nodes8, material});
      } else {
        readResultMesh(unit, counts, {x, y, z, head, discharge, {}, nodes8, {}});
      }
      int stepNo = 0;
      double time = 0.0;
      for (int step = 0; step < 1000; ++step) {
        const StepArrays arrays = keep ? StepArrays{head, discharge, code, vx, vy, vz}
                                       : StepArrays{head, discharge, {}, vx, vy, vz};
        if (!readResultStep(unit, counts, stepNo, time, arrays)) break;
        record();
      }
    } catch (const RunStopped&) {
      record();  // what the arrays hold when the stop comes
      throw;
    }
    record();
  } catch (const RunStopped& stop) {
    outcome.stop = stop.line() + "\n" + stop.location();
  }
  return outcome;
}

// Doubles compared bit for bit, so that a NaN equals itself.
bool same(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Alternate between kept and dropped arrays.
  const bool keep = size % 2 == 0;
  setRunThreads(1);
  const Outcome whole = readAll(text, keep);
  if (whole.skipped) return 0;
  setRunThreads(4);
  setSplitLimits(SplitLimits{.leastValues = 2, .leastPartBytes = 8, .mostWindowBytes = 256});
  const Outcome split = readAll(text, keep);
  if (split.stop != whole.stop || !same(split.reals, whole.reals) ||
      split.integers != whole.integers) {
    std::fprintf(stderr, "split read differs: stop\n%s\nagainst\n%s\n", split.stop.c_str(),
                 whole.stop.c_str());
    std::abort();
  }
  return 0;
}
