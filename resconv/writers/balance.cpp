#include "resconv/writers/balance.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/fieldEdit.h"

namespace {

constexpr std::string_view balanceHeader =
    "time,step,nodes,positive,negative,net,positive_volume,negative_volume";
constexpr std::string_view byCodeHeader = "time,step,code,nodes,positive,negative,net";

}  // namespace

DischargeVolumes volumesAfter(const DischargeVolumes& last, double time,
                              const DischargeTotals& totals) {
  const double span = time - last.time;
  DischargeVolumes next;
  next.time = time;
  next.totals = totals;
  next.positive = last.positive + span * (last.totals.positive + totals.positive) * 0.5;
  next.negative = last.negative + span * (last.totals.negative + totals.negative) * 0.5;
  return next;
}

DischargeBalance::DischargeBalance(OutputUnit& balance, OutputUnit& byCode, const SolidMesh& mesh)
    : balance_(balance), byCode_(byCode), mesh_(mesh) {
  for (int node = 1; node <= mesh.nodeCount; ++node) {
    if (mesh.nodeUnused[node] != 1) ++shownNodes_;
  }
  balance_.writeRecord(balanceHeader);
  byCode_.writeRecord(byCodeHeader);
}

void DischargeBalance::writeReal(OutputUnit& unit, double value) {
  char text[32];
  unit.append(realText(value, text));
}

void DischargeBalance::writeInteger(OutputUnit& unit, long long value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  unit.append(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

DischargeBalance::CodeTotals& DischargeBalance::codeTotals(int code) {
  const auto at = std::lower_bound(codes_.begin(), codes_.end(), code,
                                   [](const CodeTotals& entry, int c) { return entry.code < c; });
  if (at != codes_.end() && at->code == code) return *at;
  CodeTotals entry;
  entry.code = code;
  return *codes_.insert(at, entry);
}

void DischargeBalance::write(const ShownState& state) {
  // The totals and, on the way, the totals per code; nodes of one code often follow each other.
  for (CodeTotals& entry : codes_) entry = CodeTotals{entry.code, 0, {}};
  CodeTotals* current = nullptr;
  const DischargeTotals totals = shownDischargeTotals(mesh_, state.discharge, [&](int node) {
    const int code = state.nodeCode[node];
    if (current == nullptr || current->code != code) current = &codeTotals(code);
    ++current->nodes;
    current->totals.add(state.discharge[node]);
  });
  written_ = totals;

  const DischargeVolumes volumes = volumesAfter(last_, state.time, totals);
  writeReal(balance_, state.time);
  balance_.append(",");
  writeInteger(balance_, state.stepNo);
  balance_.append(",");
  writeInteger(balance_, shownNodes_);
  for (double value : {totals.positive, totals.negative, totals.positive + totals.negative,
                       volumes.positive, volumes.negative}) {
    balance_.append(",");
    writeReal(balance_, value);
  }
  balance_.endRecord();

  for (const CodeTotals& entry : codes_) {
    if (entry.nodes == 0) continue;
    writeReal(byCode_, state.time);
    byCode_.append(",");
    writeInteger(byCode_, state.stepNo);
    byCode_.append(",");
    writeInteger(byCode_, entry.code);
    byCode_.append(",");
    writeInteger(byCode_, entry.nodes);
    for (double value : {entry.totals.positive, entry.totals.negative,
                         entry.totals.positive + entry.totals.negative}) {
      byCode_.append(",");
      writeReal(byCode_, value);
    }
    byCode_.endRecord();
  }
}

void DischargeBalance::follow(const ShownState& state, bool shown) {
  const DischargeTotals totals = shown ? written_ : shownDischargeTotals(mesh_, state.discharge);
  last_ = volumesAfter(last_, state.time, totals);
}
