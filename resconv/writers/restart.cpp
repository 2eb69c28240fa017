#include "resconv/writers/restart.h"

#include <charconv>
#include <cmath>
#include <string>

#include "common/fieldEdit.h"
#include "common/resultFile.h"
#include "common/stop.h"
#include "common/textFormat.h"

namespace {

const RecordLayout titleLineText{"(A80)"};
const RecordLayout timeLineText{"(' TIME=',3(E15.7))"};
const RecordLayout nodeLineText{"('NODE ',I7,I3,5(1P,E10.3))"};

constexpr std::size_t titleLength = 80;
// Steps closer in time than this count as the same time. A single-precision constant.
constexpr double timeTolerance = 1.0E-8f;
// The solver takes node codes from -2 to 2; any other code is written as 0.
constexpr int lowestCode = -2;
constexpr int highestCode = 2;

int writtenCode(int code) {
  return code >= lowestCode && code <= highestCode ? code : 0;
}

}  // namespace

void writeRestartRecords(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                         const ShownState& state, RestartCopies& copies,
                         const ConverterAnswers& answers) {
  static const CompiledFormat titleLine = compileFormat(titleLineText);
  static const CompiledFormat timeLine = compileFormat(timeLineText);
  static const CompiledFormat nodeLine = compileFormat(nodeLineText);
  const std::span<const double> x = mesh.x, y = mesh.y, z = mesh.z;
  const std::span<const double> pressureHead = state.pressureHead, discharge = state.discharge;
  const std::span<const int> nodeCode = state.nodeCode;
  const std::span<double> savedPressureHead = copies.savedPressureHead;
  const std::span<double> savedDischarge = copies.savedDischarge;
  const std::span<int> savedNodeCode = copies.savedNodeCode;
  const std::span<const double> initialDischarge = copies.initialDischarge;
  const int nodeCount = mesh.nodeCount;
  const double time = state.time, restartTime = answers.restartTime;

  const double previousTime = copies.savedTime;
  if (!(previousTime <= restartTime && restartTime <= time)) {
    // Not reached yet: this step becomes the previous one.
    copies.stopRequested = 0;
    for (int node = 1; node <= nodeCount; ++node) {
      savedPressureHead[node] = pressureHead[node];
      savedDischarge[node] = discharge[node];
      savedNodeCode[node] = nodeCode[node];
    }
    copies.savedTime = time;
    return;
  }

  copies.stopRequested = 1;
  std::string paddedTitle(title.substr(0, std::min(title.size(), titleLength)));
  paddedTitle.resize(titleLength, ' ');
  writeFormatted(unit, titleLine, paddedTitle);
  writeFormatted(unit, timeLine, restartTime, previousTime, time);

  // The initial value written: the pressure head, or the total head.
  const bool withElevation = answers.restartInitialValue == 1;
  const int dischargeChoice = answers.restartDischarge;
  const bool interpolate =
      std::abs(time - previousTime) > timeTolerance || std::abs(time - restartTime) > timeTolerance;
  if (interpolate) {
    // Linear in time between the previous step and this one; node codes of the previous step.
    const double a = restartTime - previousTime;
    const double b = time - restartTime;
    const double d = time - previousTime;
    for (int node = 1; node <= nodeCount; ++node) {
      double head = (a * pressureHead[node] + b * savedPressureHead[node]) / d;
      double q = (a * discharge[node] + b * savedDischarge[node]) / d;
      if (dischargeChoice == 0) q = initialDischarge[node];
      if (withElevation) head = totalHead(head, z[node]);
      writeFormatted(unit, nodeLine, node, writtenCode(savedNodeCode[node]), x[node], y[node],
                     z[node], head, q);
    }
    return;
  }
  // The previous step, this step and the restart time coincide: this step as it stands.
  for (int node = 1; node <= nodeCount; ++node) {
    double head = pressureHead[node];
    if (withElevation) head = totalHead(head, z[node]);
    const double q = dischargeChoice == 1 ? discharge[node] : initialDischarge[node];
    writeFormatted(unit, nodeLine, node, writtenCode(nodeCode[node]), x[node], y[node], z[node],
                   head, q);
  }
}

void reportRestartNotReached(double restartTime, double lastStoredTime) {
  stopWithMessage("RESTART.DAT not written: no stored step reaches the restart time " +
                  shortestDoubleText(restartTime) + " (the last stored step is at time " +
                  shortestDoubleText(lastStoredTime) + ")");
}
