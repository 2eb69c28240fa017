// INTERP records: total and pressure head at the points, one block per output.
#include "resconv/writers/interp.h"

#include <cstddef>
#include <string_view>

#include "common/freeForm.h"
#include "common/rowParts.h"
#include "common/textFormat.h"

namespace {

constexpr std::string_view timeLabel = "TIME,";
constexpr std::string_view columnLabelsXyz = "        X,             Y,             Z,";
constexpr std::string_view columnLabelsHp = "             H,             P";
const RecordLayout pointFormat{"(E14.5,',',E14.5,',',E14.5,',',E14.5,',',E14.5)"};

}  // namespace

void writeInterpRecords(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state) {
  static const CompiledFormat pointLine = compileFormat(pointFormat);
  writeFreeForm(unit, timeLabel, state.time);
  writeFreeForm(unit, columnLabelsXyz, columnLabelsHp);
  writeRowsInParts(
      unit, 1, subMesh.pointCount + 1, 75, [&](OutputUnit& out, long long first, long long last) {
        for (auto p = static_cast<std::size_t>(first); p < static_cast<std::size_t>(last); ++p) {
          writeFormatted(out, pointLine, subMesh.pointX[p], subMesh.pointY[p], subMesh.pointZ[p],
                         subMesh.pointTotalHead[p], subMesh.pointPressureHead[p]);
        }
      });
}
