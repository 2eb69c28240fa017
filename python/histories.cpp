#include "python/histories.h"

#include <stdexcept>

#include "common/resultFile.h"
#include "common/slots.h"
#include "common/stop.h"
#include "common/units.h"
#include "python/resultStream.h"

namespace {

void requireInRange(std::span<const int> numbers, int last, const char* what) {
  for (int number : numbers) {
    if (number < 1 || number > last) {
      throw std::invalid_argument(std::string(what) + " " + std::to_string(number) +
                                  " is outside 1 to " + std::to_string(last));
    }
  }
}

std::span<double> filledIf(bool wanted, std::vector<double>& values) {
  return wanted ? std::span<double>(values) : std::span<double>();
}

}  // namespace

HistoryValues collectHistories(const std::string& path, std::span<const int> nodes,
                               std::span<const int> elements,
                               const std::function<void()>& betweenSteps) {
  InputUnit unit(unitNumber::resultFile);
  openResultForReading(unit, path);
  readTitleForReading(unit, path);
  const ResultCounts counts = readResultCounts(unit);
  requireInRange(nodes, counts.nodeCount, "node");
  requireInRange(elements, counts.elementCount, "element");

  // Every step is read into the same arrays, as in the extractor: only those a list needs.
  const bool nodesWanted = !nodes.empty();
  const bool elementsWanted = !elements.empty();
  const auto nodeSlots = static_cast<std::size_t>(counts.nodeCount) + 1;
  const auto elementSlots = static_cast<std::size_t>(counts.elementCount) + 1;
  requireMemory(static_cast<double>(sizeof(double)) *
                (3.0 * (nodesWanted ? static_cast<double>(nodeSlots) : 1.0) +
                 3.0 * (elementsWanted ? static_cast<double>(elementSlots) : 1.0)));
  std::vector<double> z(nodesWanted ? nodeSlots : 0);
  std::vector<double> pressureHead(nodesWanted ? nodeSlots : 0);
  std::vector<double> discharge(nodesWanted ? nodeSlots : 0);
  std::vector<double> vx(elementsWanted ? elementSlots : 0);
  std::vector<double> vy(elementsWanted ? elementSlots : 0);
  std::vector<double> vz(elementsWanted ? elementSlots : 0);

  MeshArrays mesh;
  mesh.z = z;
  mesh.pressureHead = pressureHead;
  mesh.discharge = discharge;
  readResultMesh(unit, counts, mesh);
  StepArrays step;
  step.pressureHead = filledIf(nodesWanted, pressureHead);
  step.discharge = filledIf(nodesWanted, discharge);
  step.vx = filledIf(elementsWanted, vx);
  step.vy = filledIf(elementsWanted, vy);
  step.vz = filledIf(elementsWanted, vz);

  HistoryValues histories;
  int stepNo = 0;
  double time = 0.0;
  for (;;) {
    betweenSteps();
    if (!readResultStep(unit, counts, stepNo, time, step)) break;
    ++histories.stepCount;
    histories.stepNo.push_back(stepNo);
    histories.time.push_back(time);
    for (int n : nodes) {
      histories.totalHead.push_back(totalHead(pressureHead[at(n)], z[at(n)]));
      histories.pressureHead.push_back(pressureHead[at(n)]);
      histories.discharge.push_back(discharge[at(n)]);
    }
    for (int e : elements) {
      histories.velocity.push_back(vx[at(e)]);
      histories.velocity.push_back(vy[at(e)]);
      histories.velocity.push_back(vz[at(e)]);
    }
  }
  return histories;
}
