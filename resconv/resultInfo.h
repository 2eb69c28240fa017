#pragma once
// What a result file holds, read through once: counts, element kinds, unused nodes and the
// stored steps. Nothing is written but the summary.
#include <string>

#include "common/resultFile.h"
#include "common/units.h"

struct ResultInfo {
  std::string title;
  ResultCounts counts;
  int hexahedra = 0, prisms = 0, leftOut = 0;
  int unusedNodes = 0;
  int stepCount = 0;
  int firstStepNo = 0, lastStepNo = 0;
  double firstTime = 0.0, lastTime = 0.0;
};

// Reads the whole file (opened, nothing read yet).
ResultInfo readResultInfo(InputUnit& resultFile);
// The summary, one item a line.
std::string describeResult(const std::string& fileName, const ResultInfo& info);
