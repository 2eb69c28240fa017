#pragma once
// Streams a synthetic result file: title, counts, initial node block, element block and the
// stored steps, in the plain layout (one node or element per line, blank-separated E fields)
// or the mixed layout (comma-separated, several values per line, repeat counts, D exponents).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/generatorOptions.h"
#include "tools/syntheticField.h"

struct WrittenResult {
  std::vector<int> stepNumbers;  // of every stored step, in file order
  std::vector<double> stepTimes;
  std::uint64_t byteCount = 0;
};

// Returns an empty string on success, otherwise what went wrong.
std::string writeResultFile(const GeneratorOptions& options, const SyntheticModel& model,
                            WrittenResult& written);
