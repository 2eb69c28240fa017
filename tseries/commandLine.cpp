#include "tseries/commandLine.h"

#include <string>

#include "common/commandLine.h"
#include "common/console.h"
#include "common/resultFile.h"
#include "tseries/dialogue.h"

namespace {

struct ExtractorOptions {
  CommonOptions common;
  std::string resultName;
  std::string graphName;
  StepSelection selection;
};

constexpr const char* description =
    "Writes the histories of total head (HTIME.CSV), pressure head (PTIME.CSV), discharge "
    "(QTIME.CSV) and element velocity (VTIME.CSV) at the nodes and elements listed in a graph "
    "data file, without asking questions. Without arguments the program asks its questions on "
    "the console instead. The answer of the console dialogue that each option stands for is "
    "given in brackets.";

constexpr const char* footer = R"(Examples:
  tseries RES.DAT --graph GRAPH.DAT
      The tables of the lists in GRAPH.DAT over every stored step of RES.DAT.
  tseries --graph GRAPH.DAT -C run3
      In directory run3, the result file named in WORK.LST.
  for d in case1 case2 case3; do tseries -C "$d" --graph GRAPH.DAT -q || exit; done
      The same lists for several runs, each in its own directory.
  tseries RES.DAT --graph GRAPH.DAT --from 3600 --every 10
      Rows from time 3600 on: the first stored step there, every tenth after it, and the last.

Exit status: 0 done; 2 usage error (nothing created); 1 the run stopped on bad input or a
failed write (one line on standard error; what was written before stays); 128 plus the
signal's number when interrupted (130 Ctrl-C, 143 terminated, 129 hung up): the run ends at
the next record boundary with one line naming the step it reached.)";

int runScripted(const ExtractorOptions& o) {
  InputUnit resultFile(unitNumber::resultFile);
  ProgressMeter progress(progressMode(o.common));
  const std::string resultName =
      openScriptedResultFile(o.common, o.resultName, resultFile, progress);
  readResultTitle(resultFile);
  const ResultCounts counts = readResultCounts(resultFile);

  InputUnit graphData(unitNumber::graphData);
  graphData.openOld(o.graphName);
  const GraphCapacities capacities = readGraphCapacities(graphData);
  SeriesArrays arrays = sizeSeriesArrays(resultName, counts, o.graphName, capacities);
  const auto written =
      writeTimeSeries(resultFile, graphData, counts, capacities, arrays, &progress, o.selection);
  reportWrittenFiles(o.common, written);
  return exitStatus::done;
}

}  // namespace

int runExtractorCommandLine(int argc, char** argv) {
  CLI::App app(description, "tseries");
  app.footer(footer);
  ExtractorOptions options;
  addResultFileOption(app, options.resultName);
  app.add_option("--graph", options.graphName,
                 "The graph data file: capacities, then the head, pressure, discharge and "
                 "velocity lists [the graph data file name typed in the dialogue]")
      ->type_name("FILE")
      ->required();
  addStepSelectionOptions(app, options.selection, false);
  addCommonOptions(app, options.common);
  return runCommandLine(app, argc, argv, [&] {
    checkStepSelection(app, options.selection);
    return runScripted(options);
  });
}
