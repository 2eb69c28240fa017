#pragma once
// A time series of step files and its ParaView collection: STEM.pvd lists STEM/STEM_0000.vtu,
// STEM/STEM_0001.vtu, ... in output order, each with its time.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/units.h"

// Where the files of a series go, by names relative to `directory`. openFile opens a file
// (created, or rewritten from its start) and returns its unit; the series writes and closes it.
// syncFile puts a closed file and its name on the disk. replaceFile renames the file `from`
// over the file `to` in one step, so that a reader finds one or the other whole, and has the
// rename reach the disk.
struct SeriesFiles {
  std::filesystem::path directory;
  std::function<OutputUnit&(const std::string& name)> openFile;
  std::function<void(const std::string& name)> syncFile;
  std::function<void(const std::string& from, const std::string& to)> replaceFile;
};

// Files under `directory`, opened one at a time on a unit of their own.
SeriesFiles seriesFilesIn(std::filesystem::path directory);

// Puts the closed file `name` and its name in its folder on the disk; a failure stops the run.
void syncFileDurably(const std::string& name);
// Renames the file `from` over the file `to` in one step and puts the rename on the disk; a
// failure stops the run.
void replaceFileDurably(const std::string& from, const std::string& to);

// "VTK/VTK_0007.vtu": the step file of output `index` (from 0), numbered with four digits or
// more.
std::string stepFileName(std::string_view stem, int index);

// The collection file: one DataSet per output, naming its step file by relative path, with
// `timestep` the output time written to round-trip exactly.
void writeCollection(OutputUnit& unit, std::string_view stem, std::span<const double> times);

// Removes the step files STEM_NNNN.vtu numbered `firstStale` or above from `folder` (those of
// an earlier, longer run); other files are left alone.
void removeStaleStepFiles(const std::filesystem::path& folder, std::string_view stem,
                          int firstStale);

// The bookkeeping of one series: creates its folder, opens the step files in turn, keeps the
// time of each written step (8 bytes an output) and keeps the collection up to date.
//
// The collection never names a file of another run or one that is not whole on disk, however
// the run ends (a stop, an interrupt, a kill, a power cut): it is always replaced whole, by a
// file written beside it and renamed over it. The collection of an earlier run is replaced by
// an empty one before the first step file is opened, and a collection names a step file only
// once it is on its disk. The disk takes a step file while the next output is made: the file
// is put on its way when it is closed and made sure of when the next one is, so the collection
// is rewritten after each step file naming every step but the last, unless it has grown larger
// than the step files written since it was last rewritten (a long series of a small mesh), so
// that rewriting it never costs more than the step files themselves. A series that ends, with
// finish() or without it because the run stopped, rewrites its collection of every step
// written and removes the step files of an earlier, longer run; a series that opened no step
// file leaves the files of an earlier run as they are. The functions in SeriesFiles must
// outlive the series.
class StepFileSeries {
 public:
  StepFileSeries(std::string stem, SeriesFiles files);
  ~StepFileSeries();
  StepFileSeries(const StepFileSeries&) = delete;
  StepFileSeries& operator=(const StepFileSeries&) = delete;

  // The unit of the next step file, open.
  OutputUnit& openStep();
  // The same for an output at `time`. A series whose one output so far is at time 0.0 (the
  // initial state) and that is given another at time 0.0 (a stored step there) writes the new
  // one over the first, so that the collection lists time 0 once, with the stored values.
  OutputUnit& openStepAt(double time);
  // Closes the step file opened last, which the collection lists at `time` once it is on its
  // disk.
  void closeStep(double time);
  // Writes STEM.pvd with every step written and removes stale step files.
  void finish();

  int stepCount() const { return static_cast<int>(times_.size()); }
  // The steps the collection on disk lists.
  int listedCount() const { return listed_; }
  const std::string& stem() const { return stem_; }

 private:
  // Puts the step files before `count` on the disk.
  void syncStepsBefore(int count);
  // Replaces STEM.pvd by a collection of every step put on the disk so far.
  void rewriteCollection();

  std::string stem_;
  SeriesFiles files_;
  OutputUnit* step_ = nullptr;
  std::vector<double> times_;
  bool begun_ = false;  // the collection of an earlier run has been replaced
  bool finished_ = false;
  int synced_ = 0;  // the step files put on the disk
  int listed_ = 0;
  std::uint64_t collectionBytes_ = 0;  // the size of the collection written last
  std::uint64_t stepBytes_ = 0;        // of the step files written since
};
