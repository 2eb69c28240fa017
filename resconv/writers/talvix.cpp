#include "resconv/writers/talvix.h"

#include <array>
#include <string>
#include <string_view>

#include "common/stop.h"
#include "common/textFormat.h"

namespace {

const RecordLayout timeLineText{"('TIME=',1P,E12.4)"};
const RecordLayout zoneLinesText{
    "('TITTLE= \"  \"',/,'ZONE N= ',I5,', E= ',I5,', M= 1,NV= 2 ,EV= 2')"};
const RecordLayout pointVariablesText{"('NVARIABLES = \"SW\",\"X\",\"Y\",\"P\",\"H\"')"};
const RecordLayout pointLineText{"(I2,',',1P,E12.4,7(',',1P,E12.4))"};
const RecordLayout elementVariablesText{
    "('EVARIABLES = \"SW\",\"I\",\"J\",\"K\",\"L\",\"P\",\"X\",\"Y\"')"};
const RecordLayout elementLineText{"(I2,5(',',I5),5(',',1P,E12.4))"};

constexpr int switchColumn = 0;     // SW of every line
constexpr int elementProperty = 1;  // P of every element line

// The element centre reads the point table at every point the element names: refuse an
// element that names a point outside 1 to pointCount before anything of the block is written.
void checkPointNumbers(const SubMesh& subMesh) {
  for (int element = 1; element <= subMesh.elementCount; ++element) {
    for (int point : subMesh.connectivity[element]) {
      if (point < 1 || point > subMesh.pointCount) {
        stopWithMessage("sub-mesh element " + std::to_string(element) + " names point " +
                        std::to_string(point) + ", outside the points 1 to " +
                        std::to_string(subMesh.pointCount) + " of the output-time file");
      }
    }
  }
}

}  // namespace

void writeTalvixBlock(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state,
                      TalvixView view) {
  static const CompiledFormat timeLine = compileFormat(timeLineText);
  static const CompiledFormat zoneLines = compileFormat(zoneLinesText);
  static const CompiledFormat pointVariables = compileFormat(pointVariablesText);
  static const CompiledFormat pointLine = compileFormat(pointLineText);
  static const CompiledFormat elementVariables = compileFormat(elementVariablesText);
  static const CompiledFormat elementLine = compileFormat(elementLineText);

  checkPointNumbers(subMesh);
  const bool plan = view == TalvixView::plan;
  const std::vector<double>& across = plan ? subMesh.pointX : subMesh.sectionDistance;
  const std::vector<double>& up = plan ? subMesh.pointY : subMesh.pointZ;

  writeFormatted(unit, timeLine, state.time);
  writeFormatted(unit, zoneLines, subMesh.pointCount, subMesh.elementCount);
  writeFormatted(unit, pointVariables);
  for (int point = 1; point <= subMesh.pointCount; ++point) {
    writeFormatted(unit, pointLine, switchColumn, across[point], up[point],
                   subMesh.pointPressureHead[point], subMesh.pointTotalHead[point]);
  }

  writeFormatted(unit, elementVariables);
  for (int element = 1; element <= subMesh.elementCount; ++element) {
    const std::array<int, 4>& points = subMesh.connectivity[element];
    // A triangle repeats its third point as the fourth: its centre counts that point once.
    const int cornerCount = isTriangle(points) ? 3 : 4;
    double centreAcross = 0.0;
    double centreUp = 0.0;
    for (int corner = 0; corner < cornerCount; ++corner) {
      centreAcross += across[points[corner]];
      centreUp += up[points[corner]];
    }
    centreAcross /= cornerCount;
    centreUp /= cornerCount;
    writeFormatted(unit, elementLine, switchColumn, points[0], points[1], points[2], points[3],
                   elementProperty, centreAcross, centreUp);
  }
}
