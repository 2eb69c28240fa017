#pragma once
// The answers of a conversion. The console dialogue and the command line both produce them;
// the step loop takes them from either without knowing which.
#include <string>

#include "common/stepSelection.h"

// Output forms of the first menu.
namespace outputFormCode {
constexpr int resultList = 0;
constexpr int tecplot = 1;
constexpr int femap = 2;
constexpr int microAvs = 3;
constexpr int interp = 4;
constexpr int restart = 9;
constexpr int vtu = 1001;      // command line only
constexpr int balance = 1002;  // command line only
constexpr int none = -1;       // writes nothing
}  // namespace outputFormCode

// Sub-mesh forms of the second menu, and those of the command line only.
namespace subMeshFormCode {
constexpr int none = 0;
constexpr int vtu = 1001;
}  // namespace subMeshFormCode

// The answers kept for the whole run.
struct ConverterAnswers {
  int outputForm = 0;
  int timeSelection = 0;  // 1: output at the requested times of the output-time file
  int meshOutputForm = 0;
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
  virtual int meshOutputForm() = 0;
  // Fills restartTime, restartInitialValue and restartDischarge.
  virtual void restartAnswers(ConverterAnswers& answers) = 0;
};
