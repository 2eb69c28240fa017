#pragma once
// A result file read step after step into arrays of each step's own, for callers that keep a
// step after the next one has been read (the Python module hands each step's arrays on to
// numpy without copying them). The reading is the programs' own: the same reader operations
// in the same order, so the same file gives the same values and the same stops.
//
// Arrays are 1-based as in the reader, slot 0 unused. A null value in a step leaves the value
// of the step before (for the first step, the initial state; for velocities, 0.0), exactly as
// in the programs, which read every step into the same arrays: each step's arrays start as a
// copy of the previous step's.
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/resultFile.h"
#include "common/stop.h"
#include "common/units.h"

template <class T>
using SharedArray = std::shared_ptr<const std::vector<T>>;

// The mesh: coordinates (nodeCount + 1), connectivity (elementCount * nodesPerElement, element
// e's slot k at (e - 1) * nodesPerElement + k - 1) and material numbers (elementCount + 1).
struct MeshValues {
  SharedArray<double> x, y, z;
  SharedArray<int> connectivity;
  SharedArray<int> materialNo;
};

// Nodal values of one state, the initial one or a stored step's (nodeCount + 1 each).
struct NodeValues {
  SharedArray<double> pressureHead, discharge;
  SharedArray<int> nodeCode;
};

// One stored step. The three velocity components lie back to back in one array of
// 3 * elementCount + 1 values: vx of element e at [e], vy at [elementCount + e], vz at
// [2 * elementCount + e], so that elements 1 to E and components x, y, z form one
// column-major block from [1] on.
struct StepValues {
  int stepNo = 0;
  double time = 0.0;
  NodeValues nodes;
  SharedArray<double> velocity;
};

// The result file could not be opened: the reader's stop and the system's error number.
class OpenFailed : public std::exception {
 public:
  OpenFailed(RunStopped stop, int error, std::string path)
      : stop_(std::move(stop)), error_(error), path_(std::move(path)) {}
  const char* what() const noexcept override { return stop_.what(); }
  const RunStopped& stop() const { return stop_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }

 private:
  RunStopped stop_;
  int error_;
  std::string path_;
};

// A step asked of a stream that has been closed.
class StreamClosed : public std::logic_error {
 public:
  StreamClosed() : std::logic_error("I/O operation on a closed result file") {}
};

// Opens the result file on `unit` and reads its title, as the reader does, except that a file
// that cannot be opened (or a folder, which opens but cannot be read) throws OpenFailed
// instead of the reader's stop.
void openResultForReading(InputUnit& unit, const std::string& path);
std::string readTitleForReading(InputUnit& unit, const std::string& path);

class ResultStream {
 public:
  // Opens the file and reads its title, counts, mesh and initial state. Throws OpenFailed
  // when it cannot be opened and RunStopped when its contents stop the reader.
  explicit ResultStream(const std::string& path);
  ResultStream(const ResultStream&) = delete;
  ResultStream& operator=(const ResultStream&) = delete;

  const std::string& title() const { return title_; }
  const ResultCounts& counts() const { return counts_; }
  const MeshValues& mesh() const { return mesh_; }
  const NodeValues& initial() const { return initial_; }

  // The next stored step in arrays of its own; nothing at the end of the data. A stop is
  // thrown again by every later call, since the file cannot be read on past it. Throws
  // StreamClosed once closed. Safe to call from several threads.
  std::optional<StepValues> nextStep();
  // Closes the file; steps already read keep their arrays.
  void close();

 private:
  enum class State { reading, ended, failed, closed };

  std::mutex mutex_;
  InputUnit unit_;
  std::string title_;
  ResultCounts counts_;
  MeshValues mesh_;
  NodeValues initial_;
  // The arrays of the last step read (at first the initial state and zero velocities): where
  // the next step's values start from.
  NodeValues previous_;
  SharedArray<double> previousVelocity_;
  State state_ = State::reading;
  std::exception_ptr failure_;
};
