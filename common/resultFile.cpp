// The solver's result file, read front to back once. Every block after the title is one
// free-form statement, so the solver's line layout (values per line, commas, repeat counts)
// does not matter.
#include "common/resultFile.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/freeForm.h"
#include "common/programmingError.h"
#include "common/readPlace.h"
#include "common/splitBlock.h"
#include "common/stop.h"

namespace {

constexpr std::size_t titleLength = 80;
constexpr int mostSplitNodesPerElement = 64;

// A destination array must hold every slot it is given (slot 0 unused); an empty one drops
// the values. A short one is a caller's mistake, caught before anything is written.
template <class T>
void requireSize(std::span<T> array, std::size_t needed, const char* what) {
  if (!array.empty() && array.size() < needed) {
    programmingError(std::string("result file reader: array too small for ") + what);
  }
}

// The item a value goes to: the array slot, or a scratch value when the array is dropped.
template <class T>
T& slot(std::span<T> array, std::size_t index, T& scratch) {
  return array.empty() ? scratch : array[index];
}

std::size_t count(int value) {
  return static_cast<std::size_t>(value);
}

// What the blocks read, in words, for the location line of a stop.
constexpr std::string_view countNames[] = {"the node count", "the element count",
                                           "the count of node numbers per element"};
constexpr std::string_view meshNodeValueNames[] = {"the x coordinate", "the y coordinate",
                                                   "the z coordinate", "the pressure head",
                                                   "the discharge",    "the node code"};
constexpr std::string_view stepNodeValueNames[] = {"the pressure head", "the discharge",
                                                   "the node code"};
constexpr std::string_view velocityNames[] = {"the x velocity", "the y velocity", "the z velocity"};

// "the discharge of node 17": value `index` of a block of `perGroup` values per node or element.
std::string groupItem(std::string_view name, std::int64_t index, std::int64_t perGroup,
                      std::string_view group) {
  return std::string(name) + " of " + std::string(group) + " " +
         std::to_string(index / perGroup + 1);
}

// "the step at line 88,120 (step number 4012)", from the place of its step number.
std::string stepWords(InputUnit& unit, const InputUnit::Place& header, int stepNo) {
  const std::uint64_t line = unit.lineOf(header);
  return "the step at line " + (line == 0 ? std::string("?") : groupedNumber(line)) +
         " (step number " + std::to_string(stepNo) + ")";
}

}  // namespace

void openResultFile(InputUnit& unit, std::string_view fileName) {
  unit.openOld(fileName);
}

std::string readResultTitle(InputUnit& unit) {
  std::string_view record;
  if (!unit.nextRecord(record)) {
    stopRunAt(errorNumber::endOfFile, unit.number(), unit.name(),
              endOfFileLocation(unit) + ": the title is missing");
  }
  std::string title(record.substr(0, titleLength));
  title.resize(titleLength, ' ');
  return title;
}

ResultCounts readResultCounts(InputUnit& unit) {
  ResultCounts counts;
  const ReadPlace place{[](std::int64_t index) {
                          return std::string(countNames[std::min(index, std::int64_t{2})]) +
                                 " in the header";
                        },
                        [] { return std::string("the counts in the header"); }, 3};
  FreeFormRead statement(unit, false, &place);
  statement.read(counts.nodeCount);
  statement.read(counts.elementCount);
  statement.read(counts.nodesPerElement);
  counts.line = unit.lineOf(statement.lastValuePlace());
  statement.finish();
  if (counts.nodeCount < 0 || counts.elementCount < 0 || counts.nodesPerElement < 0) {
    stopWithMessage(
        unit.name() + ": negative count (nodes " + std::to_string(counts.nodeCount) +
            ", elements " + std::to_string(counts.elementCount) + ", nodes per element " +
            std::to_string(counts.nodesPerElement) + ")",
        unit.name() + ", line " + groupedNumber(counts.line) + ": the counts in the header");
  }
  return counts;
}

void readResultMesh(InputUnit& unit, const ResultCounts& counts, const MeshArrays& arrays) {
  const int nodeCount = counts.nodeCount;
  const int elementCount = counts.elementCount;
  const int nodesPerElement = counts.nodesPerElement;
  const std::size_t nodeSlots = count(nodeCount) + 1;
  requireSize(arrays.x, nodeSlots, "x");
  requireSize(arrays.y, nodeSlots, "y");
  requireSize(arrays.z, nodeSlots, "z");
  requireSize(arrays.pressureHead, nodeSlots, "pressureHead");
  requireSize(arrays.discharge, nodeSlots, "discharge");
  requireSize(arrays.nodeCode, nodeSlots, "nodeCode");
  requireSize(arrays.connectivity, count(elementCount) * count(nodesPerElement), "connectivity");
  requireSize(arrays.materialNo, count(elementCount) + 1, "materialNo");

  double realScratch = 0.0;
  int integerScratch = 0;
  {
    const ReadPlace place{[](std::int64_t index) {
                            return groupItem(meshNodeValueNames[index % 6], index, 6, "node") +
                                   " in the initial node block";
                          },
                          [] { return std::string("the initial node block"); },
                          std::int64_t{6} * nodeCount};
    const BlockColumn columns[] = {realColumn(arrays.x),         realColumn(arrays.y),
                                   realColumn(arrays.z),         realColumn(arrays.pressureHead),
                                   realColumn(arrays.discharge), integerColumn(arrays.nodeCode)};
    if (!readSplitBlock(unit, place, columns, nodeCount)) {
      FreeFormRead nodes(unit, false, &place);
      for (std::size_t node = 1; node < nodeSlots; ++node) {
        nodes.read(slot(arrays.x, node, realScratch));
        nodes.read(slot(arrays.y, node, realScratch));
        nodes.read(slot(arrays.z, node, realScratch));
        nodes.read(slot(arrays.pressureHead, node, realScratch));
        nodes.read(slot(arrays.discharge, node, realScratch));
        nodes.read(slot(arrays.nodeCode, node, integerScratch));
      }
      nodes.finish();
    }
  }

  const std::int64_t perElement = nodesPerElement + std::int64_t{1};
  const auto elementItem = [perElement](std::int64_t index) {
    const std::int64_t k = index % perElement;
    const std::string element = "element " + std::to_string(index / perElement + 1);
    if (k + 1 == perElement) return "the material number of " + element + " in the element block";
    return "node number " + std::to_string(k + 1) + " of " + element + " in the element block";
  };
  const ReadPlace place{elementItem, [] { return std::string("the element block"); },
                        perElement * elementCount};
  const OutOfRange outsideTheNodes = [&](const FreeFormRead& statement, std::int64_t index,
                                         int node) {
    stopWithMessage(unit.name() + ": element " + std::to_string(index / perElement + 1) +
                        " names node " + std::to_string(node) + ", outside 0 to " +
                        std::to_string(nodeCount),
                    statement.lastValueLocation() + ": " + elementItem(index));
  };
  // A column for each node number: a count of them far beyond any element's is left to the
  // statement, which meets the end of the file long before.
  if (nodesPerElement <= mostSplitNodesPerElement) {
    std::vector<BlockColumn> columns;
    for (int k = 0; k < nodesPerElement; ++k) {
      columns.push_back({true, nullptr,
                         arrays.connectivity.empty() ? nullptr : arrays.connectivity.data() + k,
                         nodesPerElement, 0, nodeCount});
    }
    columns.push_back(integerColumn(arrays.materialNo));
    if (readSplitBlock(unit, place, columns, elementCount, outsideTheNodes)) return;
  }
  FreeFormRead elements(unit, false, &place);
  for (int element = 1; element <= elementCount; ++element) {
    const std::size_t first = count(element - 1) * count(nodesPerElement);
    for (int k = 0; k < nodesPerElement; ++k) {
      // A null value leaves a dropped node number 0, as it leaves one kept in an array that
      // starts at 0: not whatever value was dropped last.
      int dropped = 0;
      int& node = slot(arrays.connectivity, first + count(k), dropped);
      elements.read(node);
      if (node < 0 || node > nodeCount) {
        outsideTheNodes(elements, (element - 1) * perElement + k, node);
      }
    }
    elements.read(slot(arrays.materialNo, count(element), integerScratch));
  }
  elements.finish();
}

void copyStep(const StepArrays& from, const StepArrays& to) {
  const auto copy = [](auto source, auto target) {
    if (!target.empty()) std::copy(source.begin(), source.end(), target.begin());
  };
  copy(from.pressureHead, to.pressureHead);
  copy(from.discharge, to.discharge);
  copy(from.nodeCode, to.nodeCode);
  copy(from.vx, to.vx);
  copy(from.vy, to.vy);
  copy(from.vz, to.vz);
}

bool readResultStep(InputUnit& unit, const ResultCounts& counts, int& stepNo, double& time,
                    const StepArrays& arrays) {
  const std::size_t nodeSlots = count(counts.nodeCount) + 1;
  const std::size_t elementSlots = count(counts.elementCount) + 1;
  requireSize(arrays.pressureHead, nodeSlots, "pressureHead");
  requireSize(arrays.discharge, nodeSlots, "discharge");
  requireSize(arrays.nodeCode, nodeSlots, "nodeCode");
  requireSize(arrays.vx, elementSlots, "vx");
  requireSize(arrays.vy, elementSlots, "vy");
  requireSize(arrays.vz, elementSlots, "vz");

  // Between two steps: where an interrupt ends the run.
  stopIfInterrupted();

  // The place of the step number, taken as it is read; its line is counted only for a stop.
  InputUnit::Place headerPlace;
  const auto step = [&unit, &headerPlace, &stepNo] { return stepWords(unit, headerPlace, stepNo); };
  {
    // The end of the file where a header would begin is the end of the data.
    const ReadPlace place{[&](std::int64_t index) {
                            return index == 0 ? std::string("the step number of a step header")
                                              : "the time of " + step();
                          },
                          [] { return std::string("a step header"); }, 2};
    FreeFormRead header(unit, true, &place);
    if (!header.read(stepNo)) return false;
    headerPlace = header.lastValuePlace();
    if (!header.read(time)) return false;
    header.finish();
  }

  double realScratch = 0.0;
  int integerScratch = 0;
  {
    const ReadPlace place{
        [&](std::int64_t index) {
          return groupItem(stepNodeValueNames[index % 3], index, 3, "node") + " of " + step();
        },
        [&] { return "the node block of " + step(); }, std::int64_t{3} * counts.nodeCount};
    const BlockColumn columns[] = {realColumn(arrays.pressureHead), realColumn(arrays.discharge),
                                   integerColumn(arrays.nodeCode)};
    if (!readSplitBlock(unit, place, columns, counts.nodeCount)) {
      FreeFormRead nodes(unit, false, &place);
      for (std::size_t node = 1; node < nodeSlots; ++node) {
        nodes.read(slot(arrays.pressureHead, node, realScratch));
        nodes.read(slot(arrays.discharge, node, realScratch));
        nodes.read(slot(arrays.nodeCode, node, integerScratch));
      }
      nodes.finish();
    }
  }
  const ReadPlace place{
      [&](std::int64_t index) {
        return groupItem(velocityNames[index % 3], index, 3, "element") + " of " + step();
      },
      [&] { return "the element block of " + step(); }, std::int64_t{3} * counts.elementCount};
  const BlockColumn columns[] = {realColumn(arrays.vx), realColumn(arrays.vy),
                                 realColumn(arrays.vz)};
  if (!readSplitBlock(unit, place, columns, counts.elementCount)) {
    FreeFormRead elements(unit, false, &place);
    for (std::size_t element = 1; element < elementSlots; ++element) {
      elements.read(slot(arrays.vx, element, realScratch));
      elements.read(slot(arrays.vy, element, realScratch));
      elements.read(slot(arrays.vz, element, realScratch));
    }
    elements.finish();
  }
  noteStepRead(stepNo, time);
  return true;
}
