#pragma once
// The converter's output-time file and the extractor's graph data file for a synthetic model.
#include <string>

#include "tools/generatorOptions.h"
#include "tools/resultFileWriter.h"
#include "tools/syntheticField.h"

// `written` holds the steps of the result file of this run (empty without one).
// Each returns an empty string on success, otherwise what went wrong.
std::string writeOutputTimeFile(const GeneratorOptions& options, const SyntheticModel& model,
                                const WrittenResult& written);
std::string writeGraphFile(const GeneratorOptions& options, const SyntheticModel& model,
                           const WrittenResult& written);
