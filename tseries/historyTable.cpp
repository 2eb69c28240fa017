#include "tseries/historyTable.h"

#include <cstddef>

#include "common/fieldEdit.h"
#include "common/stop.h"
#include "common/zeroedArray.h"

namespace {

// The node and element arrays a step is read into; a value a step leaves empty keeps the one
// before it. Arrays no column reads stay empty, so their values are dropped as they are read.
struct HistoryArrays {
  ZeroedArray<double> z, pressureHead, discharge;
  ZeroedArray<double> vx, vy, vz;
};

HistoryArrays allocateHistoryArrays(const ResultCounts& counts, const HistoryColumns& columns) {
  const bool nodes = !columns.nodes.empty();
  const bool elements = !columns.elements.empty();
  const std::size_t nodeSlots = nodes ? static_cast<std::size_t>(counts.nodeCount) + 1 : 0;
  const std::size_t elementSlots = elements ? static_cast<std::size_t>(counts.elementCount) + 1 : 0;
  requireMemory(sizeof(double) * 3.0 * static_cast<double>(nodeSlots + elementSlots));
  HistoryArrays arrays;
  if (nodes) {
    arrays.z = ZeroedArray<double>(nodeSlots);
    arrays.pressureHead = ZeroedArray<double>(nodeSlots);
    arrays.discharge = ZeroedArray<double>(nodeSlots);
  }
  if (elements) {
    arrays.vx = ZeroedArray<double>(elementSlots);
    arrays.vy = ZeroedArray<double>(elementSlots);
    arrays.vz = ZeroedArray<double>(elementSlots);
  }
  return arrays;
}

void appendNumber(std::string& row, double value) {
  char text[32];
  row += realText(value, text);
}

std::string historyRow(double time, int stepNo, const HistoryColumns& columns,
                       const HistoryArrays& a) {
  std::string row;
  appendNumber(row, time);
  row += ',';
  row += std::to_string(stepNo);
  const auto cell = [&row](double value) {
    row += ',';
    appendNumber(row, value);
  };
  for (int n : columns.nodes) cell(a.pressureHead[n] + a.z[n]);
  for (int n : columns.nodes) cell(a.pressureHead[n]);
  for (int n : columns.nodes) cell(a.discharge[n]);
  for (int e : columns.elements) {
    cell(a.vx[e]);
    cell(a.vy[e]);
    cell(a.vz[e]);
  }
  return row;
}

}  // namespace

std::string historyHeader(const HistoryColumns& columns) {
  std::string header = "time,step";
  for (std::string_view quantity : {"total_head_", "pressure_head_", "discharge_"}) {
    for (int n : columns.nodes) {
      header += ',';
      header += quantity;
      header += std::to_string(n);
    }
  }
  for (int e : columns.elements) {
    const std::string number = std::to_string(e);
    for (std::string_view component : {",vx_", ",vy_", ",vz_"}) {
      header += component;
      header += number;
    }
  }
  return header;
}

void writeHistory(InputUnit& resultFile, const ResultCounts& counts, const HistoryColumns& columns,
                  OutputUnit& table, const StepSelection& selection, ProgressMeter* progress) {
  HistoryArrays a = allocateHistoryArrays(counts, columns);
  table.writeRecord(historyHeader(columns));

  MeshArrays mesh;
  mesh.z = a.z;
  mesh.pressureHead = a.pressureHead;
  mesh.discharge = a.discharge;
  readResultMesh(resultFile, counts, mesh);
  if (progress != nullptr) progress->update();

  // The initial state waits for the first stored row: a stored step at time 0 replaces it.
  std::string initialRow;
  bool initialWaiting = selection.contains(0.0);
  if (initialWaiting) initialRow = historyRow(0.0, 0, columns, a);
  const auto writeRow = [&](const std::string& row, double time) {
    if (initialWaiting && time != 0.0) table.writeRecord(initialRow);
    initialWaiting = false;
    table.writeRecord(row);
  };

  StepArrays step;
  step.pressureHead = a.pressureHead;
  step.discharge = a.discharge;
  step.vx = a.vx;
  step.vy = a.vy;
  step.vz = a.vz;
  StepPicker picker(selection);
  std::string keptRow;  // the step kept aside as perhaps the last one of the selection
  double keptTime = 0.0;
  int stepNo = 0;
  double time = 0.0;
  while (readResultStep(resultFile, counts, stepNo, time, step)) {
    if (progress != nullptr) progress->stepRead();
    const StepPicker::Choice pick = picker.next(time);
    if (pick.showKept) writeRow(keptRow, keptTime);
    if (pick.show) {
      writeRow(historyRow(time, stepNo, columns, a), time);
    } else if (pick.keep) {
      keptRow = historyRow(time, stepNo, columns, a);
      keptTime = time;
    }
  }
  if (picker.finish()) writeRow(keptRow, keptTime);
  if (initialWaiting) table.writeRecord(initialRow);
}
