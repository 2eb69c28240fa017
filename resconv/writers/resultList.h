#pragma once
// The printable result list: node table with totals, then element table, per shown state.
#include <span>
#include <string_view>

#include "common/units.h"
#include "resconv/views.h"

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
DischargeTotals shownDischargeTotals(const SolidMesh& mesh, std::span<const double> discharge,
                                     Visit&& visit) {
  DischargeTotals totals;
  const std::span<const int> nodeUnused = mesh.nodeUnused;
  const int nodeCount = mesh.nodeCount;
  for (int node = 1; node <= nodeCount; ++node) {
    if (nodeUnused[node] == 1) continue;
    totals.add(discharge[node]);
    visit(node);
  }
  return totals;
}

inline DischargeTotals shownDischargeTotals(const SolidMesh& mesh,
                                            std::span<const double> discharge) {
  return shownDischargeTotals(mesh, discharge, [](int) {});
}

// One output: the node table of the shown nodes and their totals, then the element table of
// the shown elements, each under the heading of the title, time and step number.
void writeResultList(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                     const ShownState& state);
