#include "tseries/commandLine.h"

#include <string>

#include "common/commandLine.h"
#include "common/console.h"
#include "common/resultFile.h"
#include "common/stop.h"
#include "tseries/dialogue.h"
#include "tseries/historyTable.h"
#include "tseries/numberList.h"

namespace {

struct ExtractorOptions {
  CommonOptions common;
  std::string resultName;
  std::string graphName;
  std::string nodeList, elementList;
  StepSelection selection;
};

constexpr const char* description =
    "Writes the histories of total head, pressure head, discharge and element velocity at "
    "chosen nodes and elements, without asking questions: with --nodes and --elements as one "
    "table, HISTORY.CSV, for pandas and spreadsheets; with --graph as the tables HTIME.CSV, "
    "PTIME.CSV, QTIME.CSV and VTIME.CSV of the lists in a graph data file (its layout: the "
    "README's section \"The graph data file\"). Without arguments the program asks its "
    "questions on the console instead. The answer of the console dialogue that each option "
    "stands for is given in brackets.";

constexpr const char* footer = R"(Examples:
  tseries RES.DAT --nodes 12,40-42 --elements 7
      HISTORY.CSV: time, step, then total head, pressure head and discharge at nodes 12, 40,
      41 and 42 and the velocity of element 7, one line per stored step; in Python,
      pandas.read_csv("HISTORY.CSV", index_col="time") loads it.
  tseries RES.DAT --graph GRAPH.DAT
      The tables of the lists in GRAPH.DAT over every stored step of RES.DAT.
  tseries --graph GRAPH.DAT -C run3
      In directory run3, the result file named in WORK.LST.
  for d in case1 case2 case3; do tseries -C "$d" --graph GRAPH.DAT -q || exit; done
      The same lists for several runs, each in its own directory.
  tseries RES.DAT --graph GRAPH.DAT --from 3600 --every 10
      Rows from time 3600 on: the first stored step there, every tenth after it, and the last.

Exit status: 0 done; 2 usage error (nothing created); 1 the run stopped on bad input or a
failed write (a line on standard error, then a line naming the place in the file when the
stop comes from reading one; what was written before stays); 128 plus the
signal's number when interrupted (130 Ctrl-C, 143 terminated, 129 hung up): the run ends at
the next record boundary with one line naming the step it reached.)";

// The result file opened, its title and counts read; the name is the one opened.
ResultCounts openResultHeader(const ExtractorOptions& o, InputUnit& resultFile,
                              ProgressMeter& progress, std::string& resultName) {
  resultName = openScriptedResultFile(o.common, o.resultName, resultFile, progress);
  readResultTitle(resultFile);
  return readResultCounts(resultFile);
}

// HISTORY.CSV of the nodes and elements typed on the command line.
int runHistory(const ExtractorOptions& o) {
  HistoryColumns columns;
  if (!o.nodeList.empty()) columns.nodes = parseNumberList(o.nodeList, "--nodes");
  if (!o.elementList.empty()) columns.elements = parseNumberList(o.elementList, "--elements");
  InputUnit resultFile(unitNumber::resultFile);
  ProgressMeter progress(progressMode(o.common));
  std::string resultName;
  const ResultCounts counts = openResultHeader(o, resultFile, progress, resultName);
  checkNumberRange(columns.nodes, counts.nodeCount, "--nodes", "the node count of " + resultName);
  checkNumberRange(columns.elements, counts.elementCount, "--elements",
                   "the element count of " + resultName);
  OutputUnit table(unitNumber::historyTable);
  table.open(historyTableName);
  writeHistory(resultFile, counts, columns, table, o.selection, &progress);
  progress.clear();
  noteWork("writing", historyTableName);
  table.close();
  reportWrittenFiles(o.common, {std::string(historyTableName)});
  return exitStatus::done;
}

int runScripted(const ExtractorOptions& o) {
  if (o.graphName.empty()) return runHistory(o);
  InputUnit resultFile(unitNumber::resultFile);
  ProgressMeter progress(progressMode(o.common));
  std::string resultName;
  const ResultCounts counts = openResultHeader(o, resultFile, progress, resultName);

  InputUnit graphData(unitNumber::graphData);
  graphData.openOld(o.graphName);
  const GraphCapacities capacities = readGraphCapacities(graphData);
  SeriesArrays arrays = sizeSeriesArrays(resultName, counts, o.graphName, capacities);
  SeriesRun run;
  run.progress = &progress;
  run.selection = o.selection;
  run.belowOne = NumbersBelowOne::stop;
  run.graphName = o.graphName;
  const SeriesOutcome outcome =
      writeTimeSeries(resultFile, graphData, counts, capacities, arrays, run);
  reportWrittenFiles(o.common, outcome.written);
  reportWarnings(outcome);
  return exitStatus::done;
}

}  // namespace

int runExtractorCommandLine(int argc, char** argv) {
  CLI::App app(description, "tseries");
  app.footer(footer);
  ExtractorOptions options;
  addResultFileOption(app, options.resultName);
  CLI::Option* graph =
      app.add_option("--graph", options.graphName,
                     "The graph data file: capacities, then the head, pressure, discharge and "
                     "velocity lists (the README's section \"The graph data file\") [the graph "
                     "data file name typed in the dialogue]")
          ->type_name("FILE");
  app.add_option("--nodes", options.nodeList,
                 "Nodes for HISTORY.CSV: numbers and ranges, 5,12-14,40, each within 1 and "
                 "the node count")
      ->type_name("LIST")
      ->excludes(graph);
  app.add_option("--elements", options.elementList,
                 "Elements for HISTORY.CSV (velocity x, y and z): numbers and ranges, each "
                 "within 1 and the element count")
      ->type_name("LIST")
      ->excludes(graph);
  addStepSelectionOptions(app, options.selection, false);
  addCommonOptions(app, options.common);
  return runCommandLine(app, argc, argv, [&] {
    checkStepSelection(app, options.selection);
    if (options.graphName.empty() && options.nodeList.empty() && options.elementList.empty()) {
      throw UsageError("one of --graph, --nodes and --elements is required");
    }
    return runScripted(options);
  });
}
