#pragma once
// The restart file: nodal values interpolated to the requested restart time.
#include <span>
#include <string_view>

#include "common/units.h"

// Called after every stored step. Writes the whole file in the call whose step reaches
// restartTime and then sets stopRequested; before that it keeps the step as the previous one.
void writeRestartRecords(OutputUnit& unit, std::span<const double> x, std::span<const double> y,
                         std::span<const double> z, std::span<const double> pressureHead,
                         std::span<const double> discharge, std::span<const int> nodeCode,
                         std::span<double> savedDischarge, std::span<double> savedPressureHead,
                         std::span<int> savedNodeCode, std::span<const double> initialDischarge,
                         int nodeCount, std::string_view title, double time, double& savedTime,
                         double restartTime, int& stopRequested, int restartInitialValue,
                         int restartDischarge);

// Stops the run when no stored step reached the restart time, naming the time and the last
// stored time.
[[noreturn]] void reportRestartNotReached(double restartTime, double lastStoredTime);
