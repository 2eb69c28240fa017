#pragma once
// The time-step loop: reads the mesh and every stored step, interpolates to requested output
// times, and calls the writers of the chosen output and sub-mesh forms (their rows in the form
// table) in a fixed order.
#include <string>
#include <vector>

#include "common/progress.h"
#include "common/resultFile.h"
#include "common/units.h"
#include "common/zeroedArray.h"
#include "resconv/answers.h"
#include "resconv/outputSink.h"
#include "resconv/outputTimeFile.h"

// The files of a run: the result file, the sink of every output, and the output-time file
// (open when output times or points are read, else null), or, in its stead, what was
// requested before the run began (the command line's times, or its output-time file read
// whole).
struct ConverterFiles {
  InputUnit& resultFile;
  OutputSink& sink;
  InputUnit* outputTimeFile;
  const RequestedOutputs* requested = nullptr;
};

// The stored steps a run read, for what is said at its end.
struct StoredSteps {
  int count = 0;
  double lastTime = 0.0;  // of the last one read
};

// Everything the loop works on, sized from the counts. Arrays are 1-based. The work arrays a
// run does not use stay empty: the nodal velocities (node*, nodeElementCount) serve the forms
// shown with them; the saved copies and initialDischarge the restart form; the previous-step
// and interpolated (prev*, out*) arrays only runs that interpolate to requested times; the
// kept* arrays runs that keep a step aside as perhaps the last one of their selection; the
// ahead* arrays runs that read the next step while the current one is shown.
//
// The arrays are zero pages until values land in them, so a header that promises more than
// its file holds costs only the memory of what is really read.
struct ConverterArrays {
  ZeroedArray<double> x, y, z, pressureHead, discharge;
  ZeroedArray<double> nodeVx, nodeVy, nodeVz;
  ZeroedArray<double> savedPressureHead, savedDischarge;
  ZeroedArray<double> prevPressureHead, prevDischarge;
  ZeroedArray<double> outPressureHead, outDischarge;
  ZeroedArray<double> initialDischarge;
  ZeroedArray<int> nodeCode, nodeElementCount, savedNodeCode, nodeUnused;
  ZeroedArray<double> vx, vy, vz, prevVx, prevVy, prevVz, outVx, outVy, outVz;
  ZeroedArray<double> keptPressureHead, keptDischarge, keptVx, keptVy, keptVz;
  ZeroedArray<int> keptNodeCode;
  // The next stored step, read while the current one is shown (runs of more than one thread).
  ZeroedArray<double> aheadPressureHead, aheadDischarge, aheadVx, aheadVy, aheadVz;
  ZeroedArray<int> aheadNodeCode;
  ZeroedArray<int> materialNo, elementFlag;
  ZeroedArray<int> connectivity;  // flat, nodesPerElement per element
  std::vector<double> outputTimes;
};

void sizeConverterArrays(ConverterArrays& arrays, const ResultCounts& counts,
                         const ConverterAnswers& answers);

// Sizes the arrays and runs the step loop over the open files. The loop takes the sub-mesh
// output form and the restart answers from `late` when it needs them, and reports each stored
// step read to `progress`; returns what it read of the stored steps.
StoredSteps runConversion(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                          const std::string& title, const ResultCounts& counts, int outputTimeCount,
                          ProgressMeter& progress);
