#pragma once
// HISTORY.CSV: the histories of chosen nodes and elements as one table for programs (pandas,
// spreadsheets). A header line of column names, then one line per output: the initial state
// and every stored step the selection shows, each written as soon as its step is read, so
// memory does not grow with the number of steps. Numbers are the shortest text that reads
// back as the same double ("30.0" for a whole number, so that every value column reads as
// floating point); lines never wrap and end with their last value.
//
//   time,step,total_head_5,pressure_head_5,discharge_5,vx_7,vy_7,vz_7
//   0.0,0,12.5,2.5,0.0,0.0,0.0,0.0
//   3600.0,1,12.25,2.25,-0.001,1e-07,0.0,-2.5e-06
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "common/resultFile.h"
#include "common/stepSelection.h"
#include "common/units.h"

constexpr std::string_view historyTableName = "HISTORY.CSV";

// The listed nodes and elements, 1-based, in the order of their columns.
struct HistoryColumns {
  std::vector<int> nodes;
  std::vector<int> elements;
};

// The header line: time, step, then total head, pressure head and discharge of each listed
// node (one quantity after the other), then vx, vy and vz of each listed element.
std::string historyHeader(const HistoryColumns& columns);

// Reads the mesh and every stored step from `resultFile` (positioned after its counts) and
// writes the table to `table`. The initial state is the row at time 0 with step number 0 and
// zero velocities, unless the selection leaves time 0 out; a first stored step at time 0
// takes its place rather than giving the table a second row at that time. Every listed number
// must lie within the counts.
void writeHistory(InputUnit& resultFile, const ResultCounts& counts, const HistoryColumns& columns,
                  OutputUnit& table, const StepSelection& selection = {},
                  ProgressMeter* progress = nullptr);
