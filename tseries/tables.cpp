#include "tseries/tables.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/fieldEdit.h"
#include "common/fixedRead.h"
#include "common/readPlace.h"
#include "common/resultFile.h"
#include "common/slots.h"
#include "common/stop.h"
#include "common/textFormat.h"

namespace {

const RecordLayout countLayout{"(I5)"};
const RecordLayout numberLayout{"(10I7)"};
const RecordLayout headerLayout{"(132(',',I8))"};
const RecordLayout rowLayout{"(1P,E16.7,132(',',1P,E16.7))"};

constexpr std::string_view headTableName = "HTIME.CSV";
constexpr std::string_view pressureTableName = "PTIME.CSV";
constexpr std::string_view dischargeTableName = "QTIME.CSV";
constexpr std::string_view velocityTableName = "VTIME.CSV";

constexpr int velocityComponents = 3;

// Slots of a 1-based array of `count` entries; a negative count gives only slot 0.
std::size_t slots(int count) {
  return static_cast<std::size_t>(std::max(count, 0)) + 1;
}

History makeHistory(int capacity, int components, int stepCapacity) {
  History history;
  history.components = components;
  history.rowLength = static_cast<std::size_t>(capacity) * static_cast<std::size_t>(components);
  history.values = std::make_unique_for_overwrite<double[]>(history.rowLength *
                                                            static_cast<std::size_t>(stepCapacity));
  return history;
}

// What a list holds and what bounds its numbers, for the messages about it.
struct ListRule {
  std::string_view listName;   // "head node"
  std::string_view limitName;  // "node count"
  int capacity;
  int limit;
};

void readList(InputUnit& unit, const ListRule& rule, PointList& list,
              std::vector<InputTarget>& targets, NumbersBelowOne belowOne,
              std::vector<std::string>* warnings) {
  static const CompiledFormat countFormat = compileFormat(countLayout);
  static const CompiledFormat numberFormat = compileFormat(numberLayout);
  const std::string listName(rule.listName);
  const std::string countWords = "the " + listName + " count of the graph data file";
  const std::string listWords = "the " + listName + " list of the graph data file";
  const InputUnit::Place countRecord = unit.placeOf(unit.position());
  const ReadPlace countPlace{[&](std::int64_t) { return countWords; }, [&] { return countWords; },
                             1};
  int count = 0;
  readFormattedAt(unit, countFormat, countPlace, count);
  if (count > rule.capacity) {
    stopWithMessage(
        unit.name() + ": the " + listName + " list holds " + std::to_string(count) +
            " numbers, above its capacity " + std::to_string(rule.capacity),
        fieldLocation(unit, countRecord, 1, 5, std::to_string(count)) + ": " + countWords);
  }
  list.count = count;
  if (count < 1) return;
  targets.clear();
  for (int k = 1; k <= count; ++k) targets.emplace_back(list.numbers[at(k)]);
  const auto numberWords = [&](std::int64_t index) {
    return listName + " " + std::to_string(index + 1) + " of " + listWords;
  };
  const InputUnit::Place firstRecord = unit.placeOf(unit.position());
  const ReadPlace numbersPlace{numberWords, [&] { return listWords; }, count};
  readRecords(unit, numberFormat, targets, false, &numbersPlace);
  for (int k = 1; k <= count; ++k) {
    const int number = list.numbers[at(k)];
    if (number >= 1 && number <= rule.limit) continue;
    // Ten (I7) fields to a record: number k stands on record (k - 1) / 10 of the list.
    InputUnit::Place record = firstRecord;
    record.line = unit.lineOf(firstRecord) + static_cast<std::uint64_t>((k - 1) / 10);
    const std::size_t column = static_cast<std::size_t>((k - 1) % 10) * 7 + 1;
    const std::string place =
        fieldLocation(unit, record, column, 7, std::to_string(number)) + ": " + numberWords(k - 1);
    if (number > rule.limit) {
      stopWithMessage(unit.name() + ": " + listName + " " + std::to_string(number) +
                          " is above the " + std::string(rule.limitName) + " " +
                          std::to_string(rule.limit),
                      place);
    }
    // A blank field reads as 0: a number the list cannot mean.
    const std::string problem = unit.name() + ": " + listName + " " + std::to_string(number) +
                                " is below 1 (a blank field reads as 0)";
    if (belowOne == NumbersBelowOne::stop) stopWithMessage(problem, place);
    if (warnings != nullptr) {
      warnings->push_back(problem + "; its column holds zeros (" + place + ")");
    }
  }
}

// Copies values[n] of each listed number n (0.0 where n is 0 or below) into the row.
void keepListed(std::span<double> row, const PointList& list, std::span<const double> values) {
  for (int k = 1; k <= list.count; ++k) {
    const int n = list.numbers[at(k)];
    row[at(k - 1)] = n >= 1 ? values[at(n)] : 0.0;
  }
}

void keepTotalHeads(std::span<double> row, const PointList& list,
                    std::span<const double> pressureHead, std::span<const double> z) {
  for (int k = 1; k <= list.count; ++k) {
    const int n = list.numbers[at(k)];
    row[at(k - 1)] = n >= 1 ? totalHead(pressureHead[at(n)], z[at(n)]) : 0.0;
  }
}

void keepVelocities(std::span<double> row, const PointList& list, const SeriesArrays& arrays) {
  for (int k = 1; k <= list.count; ++k) {
    const int e = list.numbers[at(k)];
    double* cell = row.data() + at(k - 1) * at(velocityComponents);
    cell[0] = e >= 1 ? arrays.vx[at(e)] : 0.0;
    cell[1] = e >= 1 ? arrays.vy[at(e)] : 0.0;
    cell[2] = e >= 1 ? arrays.vz[at(e)] : 0.0;
  }
}

// An empty span asks the reader to drop the values: only arrays some list reads are filled.
std::span<double> filledIf(bool wanted, ZeroedArray<double>& values) {
  return wanted ? std::span<double>(values) : std::span<double>();
}

void writeTableFile(std::string_view fileName, int unitNumber, const PointList& list,
                    const History& history, std::span<const double> stepTimes, int storedStepCount,
                    std::vector<std::string>& written) {
  if (list.count < 1) return;
  noteWork("writing", fileName);
  OutputUnit unit(unitNumber);
  unit.open(fileName);
  writeTable(unit, list, history, stepTimes, storedStepCount);
  unit.close();
  written.emplace_back(fileName);
}

}  // namespace

SeriesArrays allocateSeriesArrays(const ResultCounts& counts, const GraphCapacities& capacities) {
  const std::size_t nodeSlots = slots(counts.nodeCount);
  const std::size_t elementSlots = slots(counts.elementCount);
  const double steps = static_cast<double>(capacities.stepCapacity);
  const double historyValues =
      steps * (static_cast<double>(capacities.headCapacity) + capacities.pressureCapacity +
               capacities.dischargeCapacity + velocityComponents * capacities.velocityCapacity);
  requireMemory(sizeof(double) *
                (3.0 * static_cast<double>(nodeSlots + elementSlots) + steps + historyValues));

  SeriesArrays arrays;
  arrays.z = ZeroedArray<double>(nodeSlots);
  arrays.pressureHead = ZeroedArray<double>(nodeSlots);
  arrays.discharge = ZeroedArray<double>(nodeSlots);
  arrays.vx = ZeroedArray<double>(elementSlots);
  arrays.vy = ZeroedArray<double>(elementSlots);
  arrays.vz = ZeroedArray<double>(elementSlots);
  arrays.headNodes.numbers.assign(slots(capacities.headCapacity), 0);
  arrays.pressureNodes.numbers.assign(slots(capacities.pressureCapacity), 0);
  arrays.dischargeNodes.numbers.assign(slots(capacities.dischargeCapacity), 0);
  arrays.velocityElements.numbers.assign(slots(capacities.velocityCapacity), 0);
  arrays.stepTimes.assign(slots(capacities.stepCapacity), 0.0);
  const int stepCapacity = capacities.stepCapacity;
  arrays.headHistory = makeHistory(capacities.headCapacity, 1, stepCapacity);
  arrays.pressureHistory = makeHistory(capacities.pressureCapacity, 1, stepCapacity);
  arrays.dischargeHistory = makeHistory(capacities.dischargeCapacity, 1, stepCapacity);
  arrays.velocityHistory =
      makeHistory(capacities.velocityCapacity, velocityComponents, stepCapacity);
  return arrays;
}

void readPointLists(InputUnit& graphData, const ResultCounts& counts,
                    const GraphCapacities& capacities, SeriesArrays& arrays,
                    NumbersBelowOne belowOne, std::vector<std::string>* warnings) {
  const int nodes = counts.nodeCount;
  const int elements = counts.elementCount;
  std::vector<InputTarget> targets;
  readList(graphData, {"head node", "node count", capacities.headCapacity, nodes}, arrays.headNodes,
           targets, belowOne, warnings);
  readList(graphData, {"pressure node", "node count", capacities.pressureCapacity, nodes},
           arrays.pressureNodes, targets, belowOne, warnings);
  readList(graphData, {"discharge node", "node count", capacities.dischargeCapacity, nodes},
           arrays.dischargeNodes, targets, belowOne, warnings);
  readList(graphData, {"velocity element", "element count", capacities.velocityCapacity, elements},
           arrays.velocityElements, targets, belowOne, warnings);
  graphData.close();
}

CollectedSteps collectSteps(InputUnit& resultFile, const ResultCounts& counts,
                            const GraphCapacities& capacities, SeriesArrays& arrays,
                            ProgressMeter* progress, const StepSelection& selection) {
  const bool headsWanted = arrays.headNodes.count >= 1 || arrays.pressureNodes.count >= 1;
  const bool velocitiesWanted = arrays.velocityElements.count >= 1;
  StepArrays step;
  step.pressureHead = filledIf(headsWanted, arrays.pressureHead);
  step.discharge = filledIf(arrays.dischargeNodes.count >= 1, arrays.discharge);
  step.vx = filledIf(velocitiesWanted, arrays.vx);
  step.vy = filledIf(velocitiesWanted, arrays.vy);
  step.vz = filledIf(velocitiesWanted, arrays.vz);

  // The initial state goes into the arrays the steps are read into: a value a step leaves
  // empty keeps the one before it, the first step's the initial one. Velocities start at 0.0.
  MeshArrays mesh;
  mesh.z = arrays.z;
  mesh.pressureHead = step.pressureHead;
  mesh.discharge = step.discharge;
  readResultMesh(resultFile, counts, mesh);
  if (progress != nullptr) progress->update();

  // A step kept aside as perhaps the last one of the selection has its row filled after the
  // kept rows; the row is counted once the step is known to be the last, or dropped when the
  // next step takes its place.
  StepPicker picker(selection);
  int storedStepCount = 0;
  int stepNo = 0;
  double time = 0.0;
  while (readResultStep(resultFile, counts, stepNo, time, step)) {
    if (progress != nullptr) progress->stepRead();
    const StepPicker::Choice pick = picker.next(time);
    if (pick.showKept) ++storedStepCount;
    if (!pick.show && !pick.keep) continue;
    // The step after the last one kept is read whole and dropped; the rest is not read.
    if (storedStepCount == capacities.stepCapacity) return {storedStepCount, true};
    const int i = storedStepCount + 1;
    if (pick.show) storedStepCount = i;
    arrays.stepTimes[at(i)] = time;
    keepTotalHeads(historyRow(arrays.headHistory, i), arrays.headNodes, arrays.pressureHead,
                   arrays.z);
    keepListed(historyRow(arrays.pressureHistory, i), arrays.pressureNodes, arrays.pressureHead);
    keepListed(historyRow(arrays.dischargeHistory, i), arrays.dischargeNodes, arrays.discharge);
    keepVelocities(historyRow(arrays.velocityHistory, i), arrays.velocityElements, arrays);
  }
  if (picker.finish()) ++storedStepCount;
  return {storedStepCount, false};
}

LaterSteps countLaterSteps(InputUnit& resultFile, const ResultCounts& counts,
                           ProgressMeter* progress) {
  LaterSteps later{1, true};  // the step the capacity left out
  const StepArrays dropped;
  int stepNo = 0;
  double time = 0.0;
  try {
    while (readResultStep(resultFile, counts, stepNo, time, dropped)) {
      if (progress != nullptr) progress->stepRead();
      ++later.count;
    }
  } catch (const RunStopped& stop) {
    // An interrupt still ends the run; bad input here only ends the count.
    if (stop.exitStatus() != 1) throw;
    later.complete = false;
  }
  return later;
}

void writeTable(OutputUnit& unit, const PointList& list, const History& history,
                std::span<const double> stepTimes, int storedStepCount) {
  static const CompiledFormat headerFormat = compileFormat(headerLayout);
  static const CompiledFormat rowFormat = compileFormat(rowLayout);
  const int count = std::max(list.count, 0);
  const std::size_t width = at(count) * at(history.components);
  std::vector<Item> items;
  items.reserve(width + 1);
  for (int k = 1; k <= count; ++k) {
    for (int c = 1; c <= history.components; ++c) items.emplace_back(list.numbers[at(k)]);
  }
  writeRecords(unit, headerFormat, items);
  for (int i = 1; i <= storedStepCount; ++i) {
    items.clear();
    items.emplace_back(stepTimes[at(i)]);
    for (double value : historyRow(history, i).first(width)) items.emplace_back(value);
    writeRecords(unit, rowFormat, items);
  }
}

SeriesOutcome writeTimeSeries(InputUnit& resultFile, InputUnit& graphData,
                              const ResultCounts& counts, const GraphCapacities& capacities,
                              SeriesArrays& arrays, const SeriesRun& run) {
  SeriesOutcome outcome;
  readPointLists(graphData, counts, capacities, arrays, run.belowOne, &outcome.warnings);
  const CollectedSteps steps =
      collectSteps(resultFile, counts, capacities, arrays, run.progress, run.selection);
  const int stored = steps.stored;
  if (run.progress != nullptr) run.progress->clear();
  std::vector<std::string>& written = outcome.written;
  const std::span<const double> times = arrays.stepTimes;
  writeTableFile(headTableName, unitNumber::headTable, arrays.headNodes, arrays.headHistory, times,
                 stored, written);
  writeTableFile(pressureTableName, unitNumber::pressureTable, arrays.pressureNodes,
                 arrays.pressureHistory, times, stored, written);
  writeTableFile(dischargeTableName, unitNumber::dischargeTable, arrays.dischargeNodes,
                 arrays.dischargeHistory, times, stored, written);
  writeTableFile(velocityTableName, unitNumber::dischargeTable, arrays.velocityElements,
                 arrays.velocityHistory, times, stored, written);
  if (steps.capacityReached) {
    const LaterSteps later = countLaterSteps(resultFile, counts, run.progress);
    if (run.progress != nullptr) run.progress->clear();
    const std::string graphName = run.graphName.empty() ? "the graph data file" : run.graphName;
    const bool one = later.count == 1;
    const std::string count = groupedNumber(static_cast<std::uint64_t>(later.count));
    outcome.warnings.push_back(
        "the step capacity " + std::to_string(capacities.stepCapacity) + " of " + graphName +
        " was reached at time " + shortestDoubleText(arrays.stepTimes[at(stored)]) + "; " +
        (later.complete ? "the " + count + (one ? " later step is" : " later steps are")
                        : "at least " + count + (one ? " later step is" : " later steps are")) +
        " not in the tables");
  }
  return outcome;
}

void reportWarnings(const SeriesOutcome& outcome) {
  for (const std::string& warning : outcome.warnings) writeErrorLine("tseries: " + warning);
}
