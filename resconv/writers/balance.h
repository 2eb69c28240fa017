#pragma once
// The discharge balance, two comma-separated tables with one header record each:
//
//   BALANCE.CSV          time,step,nodes,positive,negative,net,positive_volume,negative_volume
//   BALANCE_BY_CODE.CSV  time,step,code,nodes,positive,negative,net
//
// Per output, the totals of the positive and of the negative discharges of the shown nodes
// (the result list's QP and QM, bit for bit), their sum, and the volumes passed since time
// 0.0 by the trapezoidal rule over the initial state and every stored step read, shown or
// not; then the same totals per node code, codes in ascending order. Integers are written as
// integers, real values as the shortest text that reads back as the same double, always with
// a decimal point or an exponent so that every reader takes them for reals.
#include <span>
#include <string_view>
#include <vector>

#include "common/units.h"
#include "resconv/views.h"
#include "resconv/writers/resultList.h"

// The volumes passed since time 0.0 up to `time`, where the totals were `totals`.
struct DischargeVolumes {
  double time = 0.0;
  DischargeTotals totals;
  double positive = 0.0;
  double negative = 0.0;
};

// The volumes at `time` with the totals there: `last` and one more trapezoid from it.
DischargeVolumes volumesAfter(const DischargeVolumes& last, double time,
                              const DischargeTotals& totals);

class DischargeBalance {
 public:
  // Writes the header records; the units stay the caller's.
  DischargeBalance(OutputUnit& balance, OutputUnit& byCode, const SolidMesh& mesh);

  // One output: its record of the balance and its records per node code.
  void write(const ShownState& state);
  // Every state the loop passes through, shown or not, the initial state first: the volumes
  // go on from it. An output after it and before the next integrates from it. `shown`: the
  // state was the last one written, whose totals serve again.
  void follow(const ShownState& state, bool shown);

 private:
  struct CodeTotals {
    int code = 0;
    int nodes = 0;
    DischargeTotals totals;
  };
  CodeTotals& codeTotals(int code);
  void writeReal(OutputUnit& unit, double value);
  void writeInteger(OutputUnit& unit, long long value);

  OutputUnit& balance_;
  OutputUnit& byCode_;
  const SolidMesh& mesh_;
  int shownNodes_ = 0;
  DischargeVolumes last_;
  DischargeTotals written_;        // the totals of the last output
  std::vector<CodeTotals> codes_;  // every code met so far, ascending
};
