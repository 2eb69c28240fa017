// The solver's result file, read front to back once. Every block after the title is one
// free-form statement, so the solver's line layout (values per line, commas, repeat counts)
// does not matter.
#include "common/resultFile.h"

#include <stdexcept>
#include <string>

#include "common/freeForm.h"
#include "common/stop.h"

namespace {

constexpr std::size_t titleLength = 80;

// A destination array must hold every slot it is given (slot 0 unused); an empty one drops
// the values. A short one is a caller's mistake, caught before anything is written.
template <class T>
void requireSize(std::span<T> array, std::size_t needed, const char* what) {
  if (!array.empty() && array.size() < needed) {
    throw std::length_error(std::string("result file reader: array too small for ") + what);
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

}  // namespace

void openResultFile(InputUnit& unit, std::string_view fileName) {
  unit.openOld(fileName);
}

std::string readResultTitle(InputUnit& unit) {
  std::string_view record;
  if (!unit.nextRecord(record)) stopRun(errorNumber::endOfFile, unit.number(), unit.name());
  std::string title(record.substr(0, titleLength));
  title.resize(titleLength, ' ');
  return title;
}

ResultCounts readResultCounts(InputUnit& unit) {
  ResultCounts counts;
  FreeFormRead statement(unit);
  statement.read(counts.nodeCount);
  statement.read(counts.elementCount);
  statement.read(counts.nodesPerElement);
  statement.finish();
  if (counts.nodeCount < 0 || counts.elementCount < 0 || counts.nodesPerElement < 0) {
    stopWithMessage(unit.name() + ": negative count (nodes " + std::to_string(counts.nodeCount) +
                    ", elements " + std::to_string(counts.elementCount) + ", nodes per element " +
                    std::to_string(counts.nodesPerElement) + ")");
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
    FreeFormRead nodes(unit);
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

  FreeFormRead elements(unit);
  for (int element = 1; element <= elementCount; ++element) {
    const std::size_t first = count(element - 1) * count(nodesPerElement);
    for (int k = 0; k < nodesPerElement; ++k) {
      int& node = slot(arrays.connectivity, first + count(k), integerScratch);
      elements.read(node);
      if (node < 0 || node > nodeCount) {
        stopWithMessage(unit.name() + ": element " + std::to_string(element) + " names node " +
                        std::to_string(node) + ", outside 0 to " + std::to_string(nodeCount));
      }
    }
    elements.read(slot(arrays.materialNo, count(element), integerScratch));
  }
  elements.finish();
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

  {
    // The end of the file where a header would begin is the end of the data.
    FreeFormRead header(unit, true);
    if (!header.read(stepNo) || !header.read(time)) return false;
    header.finish();
  }

  double realScratch = 0.0;
  int integerScratch = 0;
  {
    FreeFormRead nodes(unit);
    for (std::size_t node = 1; node < nodeSlots; ++node) {
      nodes.read(slot(arrays.pressureHead, node, realScratch));
      nodes.read(slot(arrays.discharge, node, realScratch));
      nodes.read(slot(arrays.nodeCode, node, integerScratch));
    }
    nodes.finish();
  }
  FreeFormRead elements(unit);
  for (std::size_t element = 1; element < elementSlots; ++element) {
    elements.read(slot(arrays.vx, element, realScratch));
    elements.read(slot(arrays.vy, element, realScratch));
    elements.read(slot(arrays.vz, element, realScratch));
  }
  elements.finish();
  return true;
}
