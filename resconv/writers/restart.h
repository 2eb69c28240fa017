#pragma once
// The restart file: nodal values interpolated to the requested restart time.
#include <string_view>

#include "common/units.h"
#include "resconv/answers.h"
#include "resconv/views.h"

// Called after every stored step. Writes the whole file in the call whose step reaches the
// restart time of the answers and then sets stopRequested of the copies; before that it keeps
// the step in the copies as the previous one.
void writeRestartRecords(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                         const ShownState& state, RestartCopies& copies,
                         const ConverterAnswers& answers);

// Stops the run when no stored step reached the restart time, naming the time and the last
// stored time.
[[noreturn]] void reportRestartNotReached(double restartTime, double lastStoredTime);
