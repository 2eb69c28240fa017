#include "resconv/outputTimeFile.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/fixedRead.h"
#include "common/freeForm.h"
#include "common/readPlace.h"
#include "common/stop.h"

namespace {

const RecordLayout countFormat{"(I5)"};
const RecordLayout timesFormat{"(8F10.0)"};
const RecordLayout subMeshCountsFormat{"(2I5)"};

constexpr std::string_view fileWords = " of the output-time file";

std::string words(std::string_view what) {
  return std::string(what) + std::string(fileWords);
}

}  // namespace

int readOutputTimeCount(InputUnit& unit) {
  static const CompiledFormat format = compileFormat(countFormat);
  const ReadPlace place{[](std::int64_t) { return words("the output-time count"); },
                        [] { return words("the output-time count"); }, 1};
  int count = 0;
  readFormattedAt(unit, format, place, count);
  return count;
}

void sizeSubMesh(SubMesh& subMesh, int pointCount, int subMeshElementCount) {
  subMesh.pointCount = pointCount;
  subMesh.elementCount = subMeshElementCount;
  const auto points = static_cast<std::size_t>(std::max(pointCount, 1)) + 1;
  const auto elements = static_cast<std::size_t>(std::max(subMeshElementCount, 0)) + 1;
  subMesh.pointX.assign(points, 0.0);
  subMesh.pointY.assign(points, 0.0);
  subMesh.pointZ.assign(points, 0.0);
  subMesh.pointVertex.assign(points, {0, 0, 0, 0});
  subMesh.pointWeight.assign(points, {0.0, 0.0, 0.0, 0.0});
  subMesh.pointTotalHead.assign(points, 0.0);
  subMesh.pointPressureHead.assign(points, 0.0);
  subMesh.sectionDistance.assign(points, 0.0);
  subMesh.connectivity.assign(elements, {0, 0, 0, 0});
}

void readOutputTimesAndSubMesh(InputUnit& unit, int outputTimeCount,
                               std::vector<double>& outputTimes, SubMesh& subMesh) {
  static const CompiledFormat times = compileFormat(timesFormat);
  static const CompiledFormat subMeshCounts = compileFormat(subMeshCountsFormat);

  outputTimes.assign(static_cast<std::size_t>(std::max(outputTimeCount, 0)) + 1, 0.0);
  const ReadPlace timesPlace{
      [](std::int64_t index) { return words("requested time " + std::to_string(index + 1)); },
      [] { return words("the requested times"); }, std::max(outputTimeCount, 0)};
  if (outputTimeCount > 0) {
    std::vector<InputTarget> targets;
    targets.reserve(static_cast<std::size_t>(outputTimeCount));
    for (int t = 1; t <= outputTimeCount; ++t) targets.emplace_back(outputTimes[t]);
    readRecords(unit, times, targets, false, &timesPlace);
  } else if (outputTimeCount < 0) {
    readRecords(unit, times, {}, false, &timesPlace);
  }

  static constexpr std::string_view countNames[] = {"the point count",
                                                    "the sub-mesh element count"};
  const ReadPlace countsPlace{
      [](std::int64_t index) { return words(countNames[std::min(index, std::int64_t{1})]); },
      [] { return words("the record of the point and sub-mesh element counts"); }, 2};
  const InputUnit::Place countsRecord = unit.placeOf(unit.position());
  int pointCount = 0;
  int subMeshElementCount = 0;
  readFormattedAt(unit, subMeshCounts, countsPlace, pointCount, subMeshElementCount);
  // A negative count would size no table and write empty zones: stop before any output.
  for (int k = 0; k < 2; ++k) {
    const int value = k == 0 ? pointCount : subMeshElementCount;
    if (value >= 0) continue;
    const std::uint64_t line = unit.lineOf(countsRecord);
    stopWithMessage(unit.name() + ": record " + std::to_string(line) + " has " +
                        std::string(countNames[k]) + " " + std::to_string(value) + ", below 0",
                    fieldLocation(unit, countsRecord, static_cast<std::size_t>(k) * 5 + 1, 5,
                                  std::to_string(value)) +
                        ": " + words(countNames[k]));
  }
  sizeSubMesh(subMesh, pointCount, subMeshElementCount);

  static constexpr std::string_view pointValueNames[] = {"the point number", "the x coordinate",
                                                         "the y coordinate", "the z coordinate"};
  for (int record = 1; record <= pointCount; ++record) {
    const std::string recordWords = words("point record " + std::to_string(record));
    const ReadPlace place{[&](std::int64_t index) {
                            return std::string(pointValueNames[std::min(index, std::int64_t{3})]) +
                                   " in " + recordWords;
                          },
                          [&] { return recordWords; }, 4};
    int number = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    FreeFormRead statement(unit, false, &place);
    statement.read(number);
    if (number < 1) {
      stopWithMessage(unit.name() + ": point record " + std::to_string(record) +
                          " has point number " + std::to_string(number) + ", below 1",
                      statement.lastValueLocation() + ": the point number in " + recordWords);
    }
    statement.read(x);
    statement.read(y);
    statement.read(z);
    statement.finish();
    if (number > pointCount) continue;
    subMesh.pointX[number] = x;
    subMesh.pointY[number] = y;
    subMesh.pointZ[number] = z;
  }
  if (pointCount == 0) return;
  for (int element = 1; element <= subMeshElementCount; ++element) {
    const std::string recordWords = words("sub-mesh element record " + std::to_string(element));
    const ReadPlace place{
        [&](std::int64_t index) {
          return (index == 0 ? std::string("the element number")
                             : "point " + std::to_string(std::min(index, std::int64_t{4}))) +
                 " in " + recordWords;
        },
        [&] { return recordWords; }, 5};
    int number = 0;
    auto& row = subMesh.connectivity[element];
    FreeFormRead statement(unit, false, &place);
    statement.read(number);
    for (int& point : row) statement.read(point);
    statement.finish();
  }
}

RequestedOutputs readOutputTimeFile(InputUnit& unit) {
  RequestedOutputs requested;
  requested.outputTimeCount = readOutputTimeCount(unit);
  readOutputTimesAndSubMesh(unit, requested.outputTimeCount, requested.outputTimes,
                            requested.subMesh);
  unit.close();
  return requested;
}

RequestedOutputs requestedTimes(std::span<const double> times) {
  RequestedOutputs requested;
  requested.outputTimeCount = static_cast<int>(times.size());
  requested.outputTimes.assign(1, 0.0);
  requested.outputTimes.insert(requested.outputTimes.end(), times.begin(), times.end());
  sizeSubMesh(requested.subMesh, 0, 0);
  return requested;
}
