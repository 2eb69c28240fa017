#include "resconv/writers/resultList.h"

#include <array>

#include "common/resultFile.h"
#include "common/textFormat.h"

namespace {

const RecordLayout headingFormat{"(/,20X,A80,/,20X,'TIME =',1P,E13.5,5X,'TIME STEP =',I4,/)"};
const RecordLayout nodeCaptionFormat{
    "(/,/,/,/,1X,3(' NODE    HEAD       PRESS HEAD   DISCHARGE '),/,/)"};
const RecordLayout elementCaptionFormat{
    "(/,/,/,/,1X,3(' ELEM     VX          VY          VZ       '),/,/)"};
const RecordLayout entryLineFormat{"(1X,3(I6,1P,3E12.4))"};
const RecordLayout totalsFormat{"(/,/,'***   QP( +  ) =',1P,E13.5,/,'***   QM( -  ) =',1P,E13.5)"};

constexpr int entriesPerLine = 3;

const CompiledFormat& entryLine() {
  static const CompiledFormat format = compileFormat(entryLineFormat);
  return format;
}

void writeHeading(OutputUnit& unit, std::string_view title, double time, int stepNo) {
  static const CompiledFormat format = compileFormat(headingFormat);
  writeFormatted(unit, format, title, time, stepNo);
}

// Gathers up to three entries (number and three values) and writes them as one line; the last
// line is filled up with empty entries (number 0, values 0.0).
class EntryLine {
 public:
  explicit EntryLine(OutputUnit& unit) : unit_(unit) {}

  void add(int number, double a, double b, double c) {
    const std::size_t at = static_cast<std::size_t>(count_) * 4;
    items_[at] = Item(number);
    items_[at + 1] = Item(a);
    items_[at + 2] = Item(b);
    items_[at + 3] = Item(c);
    if (++count_ == entriesPerLine) flush();
  }

  void finish() {
    while (count_ != 0) add(0, 0.0, 0.0, 0.0);
  }

 private:
  void flush() {
    writeRecords(unit_, entryLine(), items_);
    count_ = 0;
  }

  OutputUnit& unit_;
  std::array<Item, entriesPerLine * 4> items_{0, 0.0, 0.0, 0.0, 0, 0.0, 0.0, 0.0, 0, 0.0, 0.0, 0.0};
  int count_ = 0;
};

void writeNodeTable(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                    const ShownState& state) {
  static const CompiledFormat captions = compileFormat(nodeCaptionFormat);
  static const CompiledFormat totals = compileFormat(totalsFormat);
  writeHeading(unit, title, state.time, state.stepNo);
  writeRecords(unit, captions, {});

  EntryLine line(unit);
  const std::span<const double> pressureHead = state.pressureHead, z = mesh.z;
  const std::span<const double> discharge = state.discharge;
  const DischargeTotals sums = shownDischargeTotals(mesh, discharge, [&](int node) {
    line.add(node, totalHead(pressureHead[node], z[node]), pressureHead[node], discharge[node]);
  });
  line.finish();
  writeFormatted(unit, totals, sums.positive, sums.negative);
}

void writeElementTable(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state) {
  static const CompiledFormat captions = compileFormat(elementCaptionFormat);
  writeHeading(unit, title, state.time, state.stepNo);
  writeRecords(unit, captions, {});
  EntryLine line(unit);
  const std::span<const int> elementFlag = mesh.elementFlag;
  const std::span<const double> vx = state.vx, vy = state.vy, vz = state.vz;
  for (int element = 1; element <= mesh.elementCount; ++element) {
    if (!isShownElement(elementFlag, element)) continue;
    line.add(element, vx[element], vy[element], vz[element]);
  }
  line.finish();
}

}  // namespace

void writeResultList(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                     const ShownState& state) {
  writeNodeTable(unit, title, mesh, state);
  writeElementTable(unit, title, mesh, state);
}
