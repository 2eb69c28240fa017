#pragma once
// A time series of step files and its ParaView collection: STEM.pvd lists STEM/STEM_0000.vtu,
// STEM/STEM_0001.vtu, ... in output order, each with its time.
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/units.h"

// Where the files of a series go. openFile opens the file of a name relative to `directory`
// (created, or rewritten from its start) and returns its unit; the series writes and closes it.
struct SeriesFiles {
  std::filesystem::path directory;
  std::function<OutputUnit&(const std::string& name)> openFile;
};

// Files under `directory`, opened one at a time on a unit of their own.
SeriesFiles seriesFilesIn(std::filesystem::path directory);

// "VTK/VTK_0007.vtu": the step file of output `index` (from 0), numbered with four digits or
// more.
std::string stepFileName(std::string_view stem, int index);

// The shortest text that reads back as the same double ("0.25", "30", "1e-07"), as the
// collection writes its times, in `text`.
std::string_view shortestDouble(double value, char (&text)[32]);

// The collection file: one DataSet per output, naming its step file by relative path, with
// `timestep` the output time written to round-trip exactly.
void writeCollection(OutputUnit& unit, std::string_view stem, std::span<const double> times);

// Removes the step files STEM_NNNN.vtu numbered `firstStale` or above from `folder` (those of
// an earlier, longer run); other files are left alone.
void removeStaleStepFiles(const std::filesystem::path& folder, std::string_view stem,
                          int firstStale);

// The bookkeeping of one series: creates its folder, opens the step files in turn, keeps the
// time of each written step (8 bytes an output) and writes the collection at the end.
//
// A series that ends without finish(), because the run stopped, still writes its collection
// of the steps written so far when it is destroyed, so that they open in ParaView as the blocks
// of a stopped run stay in their text files; a series that wrote no step leaves the files of an
// earlier run as they are. The opener in SeriesFiles must outlive the series.
class StepFileSeries {
 public:
  StepFileSeries(std::string stem, SeriesFiles files);
  ~StepFileSeries();
  StepFileSeries(const StepFileSeries&) = delete;
  StepFileSeries& operator=(const StepFileSeries&) = delete;

  // The unit of the next step file, open.
  OutputUnit& openStep();
  // Closes the step file opened last; from now on the collection lists it at `time`.
  void closeStep(double time);
  // Writes STEM.pvd with the steps written so far and removes stale step files.
  void finish();

  int stepCount() const { return static_cast<int>(times_.size()); }
  const std::string& stem() const { return stem_; }

 private:
  std::string stem_;
  SeriesFiles files_;
  OutputUnit* step_ = nullptr;
  std::vector<double> times_;
  bool finished_ = false;
};
