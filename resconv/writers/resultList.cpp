#include "resconv/writers/resultList.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "common/resultFile.h"
#include "common/rowParts.h"
#include "common/slots.h"
#include "common/textFormat.h"

namespace {

const RecordLayout headingFormat{"(/,20X,A80,/,20X,'TIME =',1P,E13.5,5X,'TIME STEP =',I4,/)"};
const RecordLayout nodeCaptionFormat{
    "(/,/,/,/,1X,3(' NODE    HEAD       PRESS HEAD   DISCHARGE '),/,/)"};
const RecordLayout elementCaptionFormat{
    "(/,/,/,/,1X,3(' ELEM     VX          VY          VZ       '),/,/)"};
const RecordLayout entryLineFormat{"(1X,3(I6,1P,3E12.4))"};
const RecordLayout totalsFormat{"(/,/,'***   QP( +  ) =',1P,E13.5,/,'***   QM( -  ) =',1P,E13.5)"};

constexpr std::size_t entriesPerLine = 3;
// About the characters of an entry line, which sets how many a part formats at a time.
constexpr std::size_t lineBytes = 128;

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
    const std::size_t at = count_ * 4;
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
  std::size_t count_ = 0;
};

// The entries of the numbered nodes or elements, three to a line, the lines formatted in parts;
// values(number) gives an entry's three values.
template <class Values>
void writeEntries(OutputUnit& unit, const std::vector<int>& numbers, Values values) {
  const auto lines = static_cast<long long>((numbers.size() + entriesPerLine - 1) / entriesPerLine);
  writeRowsInParts(
      unit, 0, lines, lineBytes, [&](OutputUnit& out, long long first, long long last) {
        EntryLine line(out);
        const std::size_t end =
            std::min(numbers.size(), static_cast<std::size_t>(last) * entriesPerLine);
        for (std::size_t i = static_cast<std::size_t>(first) * entriesPerLine; i < end; ++i) {
          const std::array<double, 3> entry = values(numbers[i]);
          line.add(numbers[i], entry[0], entry[1], entry[2]);
        }
        line.finish();
      });
}

void writeNodeTable(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                    const ShownState& state) {
  static const CompiledFormat captions = compileFormat(nodeCaptionFormat);
  static const CompiledFormat totals = compileFormat(totalsFormat);
  writeHeading(unit, title, state.time, state.stepNo);
  writeRecords(unit, captions, {});

  const std::span<const double> pressureHead = state.pressureHead, z = mesh.z;
  const std::span<const double> discharge = state.discharge;
  std::vector<int> shown;
  const DischargeTotals sums =
      shownDischargeTotals(mesh, discharge, [&](int node) { shown.push_back(node); });
  writeEntries(unit, shown, [&](int node) {
    return std::array<double, 3>{totalHead(pressureHead[at(node)], z[at(node)]),
                                 pressureHead[at(node)], discharge[at(node)]};
  });
  writeFormatted(unit, totals, sums.positive, sums.negative);
}

void writeElementTable(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state) {
  static const CompiledFormat captions = compileFormat(elementCaptionFormat);
  writeHeading(unit, title, state.time, state.stepNo);
  writeRecords(unit, captions, {});
  const std::span<const int> elementFlag = mesh.elementFlag;
  const std::span<const double> vx = state.vx, vy = state.vy, vz = state.vz;
  std::vector<int> shown;
  for (int element = 1; element <= mesh.elementCount; ++element) {
    if (isShownElement(elementFlag, element)) shown.push_back(element);
  }
  writeEntries(unit, shown, [&](int element) {
    return std::array<double, 3>{vx[at(element)], vy[at(element)], vz[at(element)]};
  });
}

}  // namespace

void writeResultList(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                     const ShownState& state) {
  writeNodeTable(unit, title, mesh, state);
  writeElementTable(unit, title, mesh, state);
}
