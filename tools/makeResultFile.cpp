// makeResultFile: writes a plausible seepage result file of any size, streaming, and the
// converter's output-time file and the extractor's graph data file to go with it.
// Deterministic for a given seed. --help lists the options.
#include <cstdio>
#include <string>

#include "tools/companionFiles.h"
#include "tools/generatorOptions.h"
#include "tools/resultFileWriter.h"
#include "tools/syntheticField.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "makeResultFile: %s\n", message.c_str());
  return 2;
}

std::string defaultTitle(const GeneratorOptions& options) {
  const GridShape& grid = options.grid;
  return "synthetic seepage results " + std::to_string(grid.nx) + "x" + std::to_string(grid.ny) +
         "x" + std::to_string(grid.nz) + " seed " + std::to_string(options.seed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    std::fputs(generatorUsage, stderr);
    return 2;
  }
  for (int at = 1; at < argc; ++at) {
    const std::string argument = argv[at];
    if (argument == "--help" || argument == "-h") {
      std::fputs(generatorUsage, stdout);
      std::fputs("\n", stdout);
      std::fputs(generatorHelp, stdout);
      return 0;
    }
  }
  GeneratorOptions options;
  std::string complaint = parseGeneratorOptions(argc, argv, options);
  if (!complaint.empty()) {
    std::fputs(generatorUsage, stderr);
    return fail(complaint);
  }
  if (options.title.empty()) options.title = defaultTitle(options);

  SyntheticModel model = makeSyntheticModel(options);
  WrittenResult written;
  if (!options.resultPath.empty()) {
    if (std::string error = writeResultFile(options, model, written); !error.empty())
      return fail(error);
    std::printf("%s: %d nodes, %d elements, %zu steps, %llu bytes\n", options.resultPath.c_str(),
                model.nodeCount, model.elementCount, written.stepTimes.size(),
                static_cast<unsigned long long>(written.byteCount));
  }
  if (!options.timeFilePath.empty()) {
    if (std::string error = writeOutputTimeFile(options, model, written); !error.empty())
      return fail(error);
  }
  if (!options.graphPath.empty()) {
    if (std::string error = writeGraphFile(options, model, written); !error.empty())
      return fail(error);
  }
  return 0;
}
