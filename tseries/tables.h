#pragma once
// The time-series tables: the point lists of the graph data file, one pass over every stored
// step of the result file keeping only the listed values, and the comma-separated tables
// HTIME.CSV, PTIME.CSV, QTIME.CSV and VTIME.CSV written once reading has ended.
//
// Lists and node and element arrays are 1-based with slot 0 unused. A history keeps, for each
// kept step i (1-based), one row of capacity × components values: list position k and
// component c (1-based) sit at (k - 1) * components + (c - 1) of the row, so a row is already
// in the column order of its table.
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "common/resultFile.h"
#include "common/stepSelection.h"
#include "common/units.h"
#include "common/zeroedArray.h"

// The first record of the graph data file, each value raised to its floor.
struct GraphCapacities {
  int stepCapacity = 100;
  int headCapacity = 50;
  int pressureCapacity = 50;
  int dischargeCapacity = 100;
  int velocityCapacity = 50;
};

// One list of the graph data file. numbers has capacity + 1 slots; count may be 0 or below
// (the table is not wanted). A number of 0 or below is kept in the header and never read.
struct PointList {
  int count = 0;
  std::vector<int> numbers;
};

// Values per list position and component for every kept step. Rows are left uninitialised
// until their step is kept, so memory is touched only as steps are kept.
struct History {
  int components = 1;
  std::size_t rowLength = 0;  // capacity × components
  std::unique_ptr<double[]> values;
};

// Every array of the extractor, sized once from the counts and the capacities. The node and
// element arrays are zero pages that the system fills as values land in them, so they cost
// only what the result file really holds, not what its header claims.
struct SeriesArrays {
  ZeroedArray<double> z, pressureHead, discharge;  // nodeCount + 1
  ZeroedArray<double> vx, vy, vz;                  // elementCount + 1
  PointList headNodes, pressureNodes, dischargeNodes, velocityElements;
  std::vector<double> stepTimes;  // stepCapacity + 1
  History headHistory, pressureHistory, dischargeHistory, velocityHistory;
};

// Allocation failure throws std::bad_alloc, which the program turns into its stop 41.
SeriesArrays allocateSeriesArrays(const ResultCounts& counts, const GraphCapacities& capacities);

// The row of kept step `step` (1-based).
inline std::span<double> historyRow(History& history, int step) {
  return {history.values.get() + static_cast<std::size_t>(step - 1) * history.rowLength,
          history.rowLength};
}
inline std::span<const double> historyRow(const History& history, int step) {
  return {history.values.get() + static_cast<std::size_t>(step - 1) * history.rowLength,
          history.rowLength};
}

// What a number of 0 or below in a list does: the dialogue keeps it (its column holds zeros)
// and warns at the end of the run; a scripted run stops on it, as on a number above the mesh.
enum class NumbersBelowOne { warn, stop };

// Reads the four lists from the graph data file (positioned after its first record) and
// closes it. A count above its capacity or a number above the node or element count stops
// the run with a message naming the file, the list and the number; a number below 1 stops it
// too, or adds a line to `warnings`, as `belowOne` says.
void readPointLists(InputUnit& graphData, const ResultCounts& counts,
                    const GraphCapacities& capacities, SeriesArrays& arrays,
                    NumbersBelowOne belowOne = NumbersBelowOne::stop,
                    std::vector<std::string>* warnings = nullptr);

// What a pass over the steps kept: the number of kept steps, and whether a step was left out
// because stepCapacity steps were kept already.
struct CollectedSteps {
  int stored = 0;
  bool capacityReached = false;
};

// Reads the mesh, its initial pressure heads and discharges into the arrays the steps are read
// into (a value a step leaves empty keeps the one before it), and then the stored steps until
// the end of the data or until stepCapacity steps are kept. The steps kept are those
// `selection` picks, every one by default.
CollectedSteps collectSteps(InputUnit& resultFile, const ResultCounts& counts,
                            const GraphCapacities& capacities, SeriesArrays& arrays,
                            ProgressMeter* progress = nullptr, const StepSelection& selection = {});

// After a pass that reached the step capacity: the stored steps from the one it left out to
// the end of the file, read and dropped, for the warning that they are not in the tables.
// `complete` is false when the count ends early at a value that cannot be read or a cut file
// (the run has its tables and its status already; that rest of the file is not its concern).
struct LaterSteps {
  long long count = 0;
  bool complete = true;
};
LaterSteps countLaterSteps(InputUnit& resultFile, const ResultCounts& counts,
                           ProgressMeter* progress = nullptr);

// How a run of the tables goes besides its files.
struct SeriesRun {
  ProgressMeter* progress = nullptr;
  StepSelection selection;
  NumbersBelowOne belowOne = NumbersBelowOne::stop;
  std::string graphName;  // for the warning of a reached step capacity
};

// The files a run wrote, and its warnings: one line each, for standard error at its end.
struct SeriesOutcome {
  std::vector<std::string> written;
  std::vector<std::string> warnings;
};

// One table: the header record of the list's numbers (each repeated `components` times), then
// one data record per kept step with its time and its row.
void writeTable(OutputUnit& unit, const PointList& list, const History& history,
                std::span<const double> stepTimes, int storedStepCount);

// The whole working body: lists, mesh, steps, then the tables whose count is at least 1, and,
// when the step capacity left steps out, the count of those steps for the warning.
SeriesOutcome writeTimeSeries(InputUnit& resultFile, InputUnit& graphData,
                              const ResultCounts& counts, const GraphCapacities& capacities,
                              SeriesArrays& arrays, const SeriesRun& run = {});

// Writes each warning of `outcome` as a line "tseries: ..." on standard error.
void reportWarnings(const SeriesOutcome& outcome);
