#pragma once
// The answers of a conversion. The console dialogue and the command line both produce them;
// the step loop takes them from either without knowing which.
#include <string>

#include "common/stepSelection.h"

// Output forms of the first menu, and those of the command line only. An answer that names no
// form is kept as it was given and writes nothing.
namespace outputFormCode {
enum Code : int {
  resultList = 0,
  tecplot = 1,
  femap = 2,
  microAvs = 3,
  interp = 4,
  restart = 9,
  vtu = 1001,      // command line only
  balance = 1002,  // command line only
  none = -1,       // writes nothing
};
}  // namespace outputFormCode

// Sub-mesh forms of the second menu, and those of the command line only.
namespace subMeshFormCode {
enum Code : int {
  none = 0,
  tecplot = 1,
  femap = 2,
  microAvs = 3,
  plan = 4,     // TALVIX plan
  section = 5,  // TALVIX cross-section
  vtu = 1001,   // command line only
};
}  // namespace subMeshFormCode

// The answers kept for the whole run.
struct ConverterAnswers {
  int outputForm = 0;
  int timeSelection = 0;  // 1: output at the requested times of the output-time file
  int subMeshForm = subMeshFormCode::none;
  double restartTime = 0.0;
  int restartInitialValue = 0;
  int restartDischarge = 0;
  bool compressedSeries = false;  // series files in compressed blocks rather than raw
  StepSelection selection;        // the stored steps shown when no times are requested
};

// The output-time file is read when times are requested, and always by the INTERP form.
inline bool readsOutputTimeFile(const ConverterAnswers& answers) {
  return answers.timeSelection == 1 || answers.outputForm == outputFormCode::interp;
}

// The answers the dialogue asks while the step loop runs: the sub-mesh output form once the
// output-time file shows sub-mesh elements, the restart answers once the mesh has been read.
// The console asks them at that point; the command line has had them from the start.
class LateAnswers {
 public:
  virtual ~LateAnswers() = default;
  virtual int subMeshForm() = 0;
  // Fills restartTime, restartInitialValue and restartDischarge.
  virtual void restartAnswers(ConverterAnswers& answers) = 0;
};
