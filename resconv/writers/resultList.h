#pragma once
// The printable result list: node table with totals, then element table, per shown state.
#include <span>
#include <string_view>

#include "common/units.h"

// The discharge totals of the result list: QP adds every discharge above 0.0, QM every one
// below, in the order they are added (zero goes to neither).
struct DischargeTotals {
  double positive = 0.0;  // QP
  double negative = 0.0;  // QM

  void add(double discharge) {
    if (discharge > 0.0) positive += discharge;
    if (discharge < 0.0) negative += discharge;
  }
};

// The totals of the shown nodes (those some element names), taken in node order: QP and QM
// as the node table prints them. visit(node) sees each shown node on the way.
template <class Visit>
DischargeTotals shownDischargeTotals(std::span<const double> discharge, int nodeCount,
                                     std::span<const int> nodeUnused, Visit&& visit) {
  DischargeTotals totals;
  for (int node = 1; node <= nodeCount; ++node) {
    if (nodeUnused[node] == 1) continue;
    totals.add(discharge[node]);
    visit(node);
  }
  return totals;
}

inline DischargeTotals shownDischargeTotals(std::span<const double> discharge, int nodeCount,
                                            std::span<const int> nodeUnused) {
  return shownDischargeTotals(discharge, nodeCount, nodeUnused, [](int) {});
}

void writeNodeTable(OutputUnit& unit, std::span<const double> discharge,
                    std::span<const double> pressureHead, std::span<const double> z, int nodeCount,
                    std::string_view title, double time, int stepNo,
                    std::span<const int> nodeUnused);

void writeElementTable(OutputUnit& unit, std::span<const double> vx, std::span<const double> vy,
                       std::span<const double> vz, int elementCount, std::string_view title,
                       double time, int stepNo, std::span<const int> elementFlag);
