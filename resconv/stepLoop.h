#pragma once
// The time-step loop: reads the mesh and every stored step, interpolates to requested output
// times, and calls the writers of the chosen output form in a fixed order.
#include <string>
#include <vector>

#include "common/progress.h"
#include "common/resultFile.h"
#include "common/units.h"
#include "resconv/answers.h"
#include "resconv/model.h"
#include "resconv/writers/avs.h"

// The files of a run: the result file, the one output file and the scratch file.
struct ConverterFiles {
  InputUnit& resultFile;
  OutputUnit& output;  // the output file, or the console when no file is opened on it
  AvsScratch& avsScratch;
  InputUnit* outputTimeFile;  // open when output times or points are read, else null
};

// Everything the loop works on, sized from the counts. Arrays are 1-based. The work arrays a
// run does not use stay empty: the nodal velocities (node*, nodeElementCount) serve the
// Tecplot, FEMAP and MicroAVS forms; the saved copies and initialDischarge the restart form;
// the previous-step and interpolated (prev*, out*) arrays only runs that interpolate to
// requested times.
struct ConverterArrays {
  std::vector<double> x, y, z, pressureHead, discharge;
  std::vector<double> nodeVx, nodeVy, nodeVz;
  std::vector<double> savedPressureHead, savedDischarge;
  std::vector<double> prevPressureHead, prevDischarge;
  std::vector<double> outPressureHead, outDischarge;
  std::vector<double> initialDischarge;
  std::vector<int> nodeCode, nodeElementCount, savedNodeCode, nodeUnused;
  std::vector<double> vx, vy, vz, prevVx, prevVy, prevVz, outVx, outVy, outVz;
  std::vector<int> materialNo, elementFlag;
  std::vector<int> connectivity;  // flat, nodesPerElement per element
  std::vector<double> outputTimes;
};

void sizeConverterArrays(ConverterArrays& arrays, const ResultCounts& counts,
                         const ConverterAnswers& answers);

// The loop takes the sub-mesh output form and the restart answers from `late` when it needs
// them, and reports each stored step read to `progress`.
void runStepLoop(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                 const std::string& title, const ResultCounts& counts, int outputTimeCount,
                 ConverterArrays& arrays, SubMesh& subMesh, WriterCounters& counters,
                 ProgressMeter& progress);

// Sizes the arrays and runs the step loop over the open files.
void runConversion(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                   const std::string& title, const ResultCounts& counts, int outputTimeCount,
                   ProgressMeter& progress);
