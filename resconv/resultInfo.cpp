#include "resconv/resultInfo.h"

#include <vector>

#include "common/console.h"
#include "common/fieldEdit.h"
#include "common/platform.h"
#include "common/stop.h"
#include "common/zeroedArray.h"
#include "resconv/derived.h"
#include "resconv/model.h"

namespace {

std::string trimmedTitle(const std::string& title) {
  const std::size_t end = title.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : title.substr(0, end + 1);
}

std::string plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

ResultInfo readResultInfo(InputUnit& resultFile) {
  ResultInfo info;
  info.title = readResultTitle(resultFile);
  info.counts = readResultCounts(resultFile);
  const ResultCounts& c = info.counts;
  const auto nodes = static_cast<std::size_t>(std::max(c.nodeCount, 0)) + 1;
  const auto elements = static_cast<std::size_t>(std::max(c.elementCount, 0)) + 1;
  const auto slots = static_cast<std::size_t>(std::max(c.elementCount, 0)) *
                     static_cast<std::size_t>(std::max(c.nodesPerElement, 0));
  requireMemory(nodes * (2.0 * sizeof(double) + 2.0 * sizeof(int)) +
                elements * (3.0 * sizeof(double) + sizeof(int)) + slots * double(sizeof(int)));
  // Zero pages: a header that promises more than the file holds costs only what is read.
  ZeroedArray<double> pressureHead(nodes), discharge(nodes), vx(elements), vy(elements),
      vz(elements);
  ZeroedArray<int> nodeCode(nodes), materialNo(elements), connectivity(slots);
  readResultMesh(
      resultFile, c,
      MeshArrays{{}, {}, {}, pressureHead, discharge, nodeCode, connectivity, materialNo});

  for (int e = 1; e <= c.elementCount; ++e) {
    if (materialNo[e] < 0) ++info.leftOut;
    if (isHexahedron(connectivity, c.nodesPerElement, e)) {
      ++info.hexahedra;
    } else {
      ++info.prisms;
    }
  }
  ZeroedArray<int> nodeUnused(nodes);
  markUnusedNodes(connectivity, c.elementCount, c.nodesPerElement, nodeUnused);
  for (int n = 1; n <= c.nodeCount; ++n) info.unusedNodes += nodeUnused[n];
  SolidMesh mesh;  // as much of it as the totals look at
  mesh.nodeCount = c.nodeCount;
  mesh.nodeUnused = nodeUnused;
  info.initialDischarge = shownDischargeTotals(mesh, discharge);

  const StepArrays step{pressureHead, discharge, nodeCode, vx, vy, vz};
  int stepNo = 0;
  double time = 0.0;
  while (readResultStep(resultFile, c, stepNo, time, step)) {
    if (info.stepCount == 0) {
      info.firstStepNo = stepNo;
      info.firstTime = time;
    }
    ++info.stepCount;
    info.lastStepNo = stepNo;
    info.lastTime = time;
  }
  if (info.stepCount > 0) {
    info.lastDischarge = shownDischargeTotals(mesh, discharge);
  }
  return info;
}

std::string describeResult(const std::string& fileName, const ResultInfo& info, bool utf8Console) {
  const ResultCounts& c = info.counts;
  const std::string lineEnd(platform::lineEnd);
  std::string text;
  text += "result file:       " + fileName + lineEnd;
  text += "title:             " + titleForConsole(trimmedTitle(info.title), utf8Console) + lineEnd;
  text += "nodes:             " + std::to_string(c.nodeCount) + lineEnd;
  text += "elements:          " + std::to_string(c.elementCount) + " (" +
          plural(info.hexahedra, "hexahedron", "hexahedra") + ", " +
          plural(info.prisms, "prism", "prisms") + "; " + std::to_string(info.leftOut) +
          " left out)" + lineEnd;
  text += "nodes per element: " + std::to_string(c.nodesPerElement) + lineEnd;
  text += "unused nodes:      " + std::to_string(info.unusedNodes) + lineEnd;
  text += "stored steps:      " + std::to_string(info.stepCount);
  if (info.stepCount > 0) {
    text += " (first: step " + std::to_string(info.firstStepNo) + " at time " +
            shortestDoubleText(info.firstTime) + "; last: step " + std::to_string(info.lastStepNo) +
            " at time " + shortestDoubleText(info.lastTime) + ")";
  }
  text += lineEnd;
  const auto totals = [&](const char* label, const DischargeTotals& sums) {
    text += std::string(label) + "positive " + shortestDoubleText(sums.positive) + ", negative " +
            shortestDoubleText(sums.negative) + lineEnd;
  };
  totals("initial discharge: ", info.initialDischarge);
  if (info.stepCount > 0) totals("last discharge:    ", info.lastDischarge);
  return text;
}
