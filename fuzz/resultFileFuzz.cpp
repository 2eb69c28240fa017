// Fuzz target: the result-file reader, the whole file front to back as both programs read it.
// Counts too large for the target's memory bound are skipped (the programs check them with
// requireMemory before sizing); a stop is a normal outcome.
#include <vector>

#include "common/resultFile.h"
#include "common/stop.h"
#include "fuzzInput.h"

namespace {

constexpr double maxSlots = 1 << 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    InputUnit unit(5);
    openOnText(unit, text);
    readResultTitle(unit);
    const ResultCounts counts = readResultCounts(unit);
    const double nodes = static_cast<double>(counts.nodeCount) + 1;
    const double elements = static_cast<double>(counts.elementCount) + 1;
    const double connectivity =
        static_cast<double>(counts.elementCount) * static_cast<double>(counts.nodesPerElement);
    if (nodes > maxSlots || elements > maxSlots || connectivity > maxSlots) return 0;

    const auto nodeSlots = static_cast<std::size_t>(nodes);
    const auto elementSlots = static_cast<std::size_t>(elements);
    std::vector<double> x(nodeSlots), y(nodeSlots), z(nodeSlots), head(nodeSlots),
        discharge(nodeSlots);
    std::vector<int> code(nodeSlots), nodes8(static_cast<std::size_t>(connectivity)),
        material(elementSlots);
    std::vector<double> vx(elementSlots), vy(elementSlots), vz(elementSlots);
    // Alternate between kept and dropped arrays, as the two programs do.
    const bool keep = size % 2 == 0;
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
    }
  } catch (const RunStopped&) {
  }
  return 0;
}
