#include "resconv/outputTimeFile.h"

#include <algorithm>
#include <string>

#include "common/fixedRead.h"
#include "common/freeForm.h"
#include "common/stop.h"

namespace {

const RecordLayout countFormat{"(I5)"};
const RecordLayout timesFormat{"(8F10.0)"};
const RecordLayout subMeshCountsFormat{"(2I5)"};

}  // namespace

int readOutputTimeCount(InputUnit& unit) {
  static const CompiledFormat format = compileFormat(countFormat);
  int count = 0;
  readFormatted(unit, format, count);
  return count;
}

void sizeSubMesh(SubMesh& subMesh, int pointCount, int meshElementCount) {
  subMesh.pointCount = pointCount;
  subMesh.meshElementCount = meshElementCount;
  const auto points = static_cast<std::size_t>(std::max(pointCount, 1)) + 1;
  const auto elements = static_cast<std::size_t>(std::max(meshElementCount, 0)) + 1;
  subMesh.pointX.assign(points, 0.0);
  subMesh.pointY.assign(points, 0.0);
  subMesh.pointZ.assign(points, 0.0);
  subMesh.pointVertex.assign(points, {0, 0, 0, 0});
  subMesh.pointWeight.assign(points, {0.0, 0.0, 0.0, 0.0});
  subMesh.pointTotalHead.assign(points, 0.0);
  subMesh.pointPressureHead.assign(points, 0.0);
  subMesh.sectionDistance.assign(points, 0.0);
  subMesh.meshConnectivity.assign(elements, {0, 0, 0, 0});
}

void readOutputTimesAndSubMesh(InputUnit& unit, int outputTimeCount,
                               std::vector<double>& outputTimes, SubMesh& subMesh) {
  static const CompiledFormat times = compileFormat(timesFormat);
  static const CompiledFormat subMeshCounts = compileFormat(subMeshCountsFormat);

  outputTimes.assign(static_cast<std::size_t>(std::max(outputTimeCount, 0)) + 1, 0.0);
  if (outputTimeCount > 0) {
    std::vector<InputTarget> targets;
    targets.reserve(static_cast<std::size_t>(outputTimeCount));
    for (int t = 1; t <= outputTimeCount; ++t) targets.emplace_back(outputTimes[t]);
    readRecords(unit, times, targets);
  } else if (outputTimeCount < 0) {
    readRecords(unit, times, {});
  }

  int pointCount = 0;
  int meshElementCount = 0;
  readFormatted(unit, subMeshCounts, pointCount, meshElementCount);
  sizeSubMesh(subMesh, pointCount, meshElementCount);

  for (int record = 1; record <= pointCount; ++record) {
    int number = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    FreeFormRead statement(unit);
    statement.read(number);
    statement.read(x);
    statement.read(y);
    statement.read(z);
    statement.finish();
    if (number < 1) {
      stopWithMessage(unit.name() + ": point record " + std::to_string(record) +
                      " has point number " + std::to_string(number) + ", below 1");
    }
    if (number > pointCount) continue;
    subMesh.pointX[number] = x;
    subMesh.pointY[number] = y;
    subMesh.pointZ[number] = z;
  }
  if (pointCount == 0) return;
  for (int element = 1; element <= meshElementCount; ++element) {
    int number = 0;
    auto& row = subMesh.meshConnectivity[element];
    FreeFormRead statement(unit);
    statement.read(number);
    for (int& point : row) statement.read(point);
    statement.finish();
  }
}
