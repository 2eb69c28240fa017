#pragma once
// What a result file holds, read through once: counts, element kinds, unused nodes, the
// stored steps and the discharge totals of the first and last state. Nothing is written but the
// summary.
#include <string>

#include "common/resultFile.h"
#include "common/units.h"
#include "resconv/writers/resultList.h"

struct ResultInfo {
  std::string title;
  ResultCounts counts;
  int hexahedra = 0, prisms = 0, leftOut = 0;
  int unusedNodes = 0;
  int stepCount = 0;
  int firstStepNo = 0, lastStepNo = 0;
  double firstTime = 0.0, lastTime = 0.0;
  // The result list's discharge totals (QP, QM) of the initial state and the last step.
  DischargeTotals initialDischarge, lastDischarge;
};

// Reads the whole file (opened, nothing read yet).
ResultInfo readResultInfo(InputUnit& resultFile);
// The summary, one item a line; the title as a console shows it (titleForConsole).
std::string describeResult(const std::string& fileName, const ResultInfo& info, bool utf8Console);
