#include "tseries/dialogue.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "common/console.h"
#include "common/fixedRead.h"
#include "common/freeForm.h"
#include "common/progress.h"
#include "common/readPlace.h"
#include "common/resultFile.h"
#include "common/stop.h"
#include "common/textFormat.h"

namespace {

const RecordLayout capacityLayout{"(6I5)"};

constexpr std::string_view graphDataHeading = "--- グラフ用データの読み込み ";
constexpr std::string_view graphDataNamePrompt = "---   　 データファイル名の入力";

// What the arrays were sized from, for a stop when they cannot be had.
std::string sizingLocation(std::string_view resultName, const ResultCounts& counts,
                           std::string_view graphName, const GraphCapacities& capacities) {
  const auto number = [](int value) {
    return value < 0 ? std::to_string(value) : groupedNumber(static_cast<std::uint64_t>(value));
  };
  return std::string(resultName) + ", line " + groupedNumber(counts.line) + ": " +
         number(counts.nodeCount) + " nodes and " + number(counts.elementCount) +
         " elements in the header; " + std::string(graphName) + ", line 1: capacities of " +
         number(capacities.stepCapacity) + " steps, " + number(capacities.headCapacity) + ", " +
         number(capacities.pressureCapacity) + " and " + number(capacities.dischargeCapacity) +
         " head, pressure and discharge nodes and " + number(capacities.velocityCapacity) +
         " velocity elements";
}

}  // namespace

SeriesArrays sizeSeriesArrays(std::string_view resultName, const ResultCounts& counts,
                              std::string_view graphName, const GraphCapacities& capacities) {
  try {
    return allocateSeriesArrays(counts, capacities);
  } catch (const RunStopped& stop) {
    throw RunStopped(stop.line(), stop.exitStatus(),
                     sizingLocation(resultName, counts, graphName, capacities));
  } catch (const std::bad_alloc&) {
    throw RunStopped(stopLine(errorNumber::noMemory, 0, ""), 1,
                     sizingLocation(resultName, counts, graphName, capacities));
  }
}

GraphCapacities readGraphCapacities(InputUnit& graphData) {
  static const CompiledFormat capacityFormat = compileFormat(capacityLayout);
  static constexpr std::string_view names[] = {"the step capacity", "the head capacity",
                                               "the pressure capacity", "the discharge capacity",
                                               "the velocity capacity"};
  const ReadPlace place{[](std::int64_t index) {
                          return std::string(names[std::min(index, std::int64_t{4})]) +
                                 " in the first record of the graph data file";
                        },
                        [] { return std::string("the first record of the graph data file"); }, 5};
  int steps = 0, heads = 0, pressures = 0, discharges = 0, velocities = 0;
  readFormattedAt(graphData, capacityFormat, place, steps, heads, pressures, discharges,
                  velocities);
  const GraphCapacities floors;
  GraphCapacities capacities;
  capacities.stepCapacity = std::max(steps, floors.stepCapacity);
  capacities.headCapacity = std::max(heads, floors.headCapacity);
  capacities.pressureCapacity = std::max(pressures, floors.pressureCapacity);
  capacities.dischargeCapacity = std::max(discharges, floors.dischargeCapacity);
  capacities.velocityCapacity = std::max(velocities, floors.velocityCapacity);
  return capacities;
}

int runExtractor() {
  Console console;
  openConsole(console);
  const std::string resultName = chooseResultFile(console);
  InputUnit resultFile(unitNumber::resultFile);
  openResultFile(resultFile, resultName);
  ProgressMeter progress;
  progress.follow(resultFile, fileSize(resultName));

  const std::string title = readResultTitle(resultFile);
  writeFreeForm(console.out, title);
  const ResultCounts counts = readResultCounts(resultFile);
  writeFreeForm(console.out, counts.nodeCount, counts.elementCount, counts.nodesPerElement);

  writePrompt(console, graphDataHeading);
  writePrompt(console, graphDataNamePrompt);
  const std::string graphName = readFileName(console);
  // The graph data file is read only: a missing one stops the run and is not created.
  InputUnit graphData(unitNumber::graphData);
  graphData.openOld(graphName);
  const GraphCapacities capacities = readGraphCapacities(graphData);

  SeriesArrays arrays = sizeSeriesArrays(resultName, counts, graphName, capacities);
  SeriesRun run;
  run.progress = &progress;
  run.belowOne = NumbersBelowOne::warn;
  run.graphName = graphName;
  const SeriesOutcome outcome =
      writeTimeSeries(resultFile, graphData, counts, capacities, arrays, run);
  // A quiet end; a console that cannot take its last records is still reported. Warnings go
  // to standard error, after it.
  console.out.close();
  reportWarnings(outcome);
  return 0;
}
