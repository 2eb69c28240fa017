#include "resconv/commandLine.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/commandLine.h"
#include "common/console.h"
#include "common/fieldEdit.h"
#include "common/platform.h"
#include "common/resultFile.h"
#include "common/stop.h"
#include "resconv/answers.h"
#include "resconv/outputForms.h"
#include "resconv/outputSink.h"
#include "resconv/outputTimeFile.h"
#include "resconv/resultInfo.h"
#include "resconv/stepLoop.h"

namespace {

namespace form = outputFormCode;

// The --to and --submesh names, from the form tables.
template <class Form>
NamedValues formNames(std::span<const Form> forms) {
  NamedValues names;
  for (const Form& f : forms) {
    if (!f.name.empty()) names.emplace_back(std::string(f.name), f.answer);
  }
  return names;
}

const NamedValues restartHeadNames{{"pressure", 0}, {"total", 1}};
const NamedValues restartDischargeNames{{"initial", 0}, {"computed", 1}};

constexpr int unset = -1;

struct ConverterOptions {
  CommonOptions common;
  std::string resultName;
  bool info = false;
  int outputForm = unset;
  std::string times, points;
  std::string at;               // --at as given
  std::vector<double> atTimes;  // its times
  int subMeshForm = subMeshFormCode::none;
  double restartTime = 0.0;
  int restartHead = 0;
  int restartDischarge = 0;
  bool compressed = false;
  StepSelection selection;
};

constexpr const char* description =
    "Converts a seepage result file into a result list, Tecplot, FEMAP neutral, MicroAVS, "
    "INTERP/TALVIX or restart file, a ParaView series or a discharge balance, without asking "
    "questions. Without arguments the program "
    "asks its questions on the console instead. The answer of the console dialogue that each "
    "option stands for is given in brackets.";

constexpr const char* footer = R"(Examples:
  resconv RES.DAT --to tecplot
      Tecplot file TECPLOT.TXT of the initial state and every stored step.
  resconv --to tecplot --times OTF.DAT -C run3
      In directory run3, the result file named in WORK.LST, at the times requested in OTF.DAT.
  resconv RES.DAT --to vtu --at 3600,7200,86400
      A ParaView series of the initial state and the times 3600, 7200 and 86400,
      interpolated between the stored steps, as an output-time file of those times would.
  resconv RES.DAT --to interp --points OTF.DAT --submesh section
      INTERP.TXT: the sub-mesh of OTF.DAT in TALVIX section form at every stored step.
  resconv RES.DAT --to restart --restart-time 3600 --restart-head total
      RESTART.DAT with the total head at time 3600 and the initial discharge.
  resconv RES.DAT --to vtu --times OTF.DAT
      VTK.pvd and VTK/VTK_0000.vtu, ...: open VTK.pvd in ParaView (File > Open, Apply) and
      step through the outputs with its time controls.
  resconv RES.DAT --to vtu --every 10
      A thinned ParaView series: the initial state, every tenth stored step and the last.
  resconv RES.DAT --to balance
      BALANCE.CSV: the positive and negative discharge totals (the result list's QP and QM)
      of the initial state and every stored step, with the volumes passed since time 0;
      BALANCE_BY_CODE.CSV: the totals per node code. The leakage curve is the column
      negative against time, e.g. pandas.read_csv('BALANCE.CSV').plot(x='time', y='negative').
  resconv RES.DAT --to tecplot --from 86400 --until 172800 --every 6
      Tecplot blocks of the second day only, every sixth stored step and the last of the day.

A requested time that no output can show (before time 0, or after the last stored step)
gets one warning line on standard error at the end of the run; nothing else changes.

Exit status: 0 done; 2 usage error (nothing created); 1 the run stopped on bad input or a
failed write (a line on standard error saying what stopped it and, for a stop in an input
file, a second line naming the file, line and column and what was read there; what was
written before stays); 128 plus the signal's number when interrupted (130 Ctrl-C, 143
terminated, 129 hung up): the run ends at the next record boundary with one line naming the
step it reached.)";

void addConverterOptions(CLI::App& app, ConverterOptions& o) {
  addResultFileOption(app, o.resultName);
  app.add_flag("--info", o.info,
               "Read the whole result file and print what it holds; write no file");
  app.add_option("--to", o.outputForm,
                 "Output form: list [0] OUTPUT.TXT, tecplot [1] TECPLOT.TXT, femap "
                 "[2] FEMAP.NEU, avs [3] AVS.INP, interp [4] INTERP.TXT, restart [9] "
                 "RESTART.DAT, vtu (no answer: options only) VTK.pvd with one VTK XML "
                 "unstructured-grid file per output in VTK/, at full precision, balance (no "
                 "answer: options only) BALANCE.CSV and BALANCE_BY_CODE.CSV, the discharge "
                 "totals and volumes of every output")
      ->transform(namedValue(formNames(outputForms())))
      ->type_name("FORM");
  app.add_option("--times", o.times,
                 "Output-time file: output at its requested times [time question "
                 "answered 1]; its points and sub-mesh apply too. --to list needs it or "
                 "--at. Its layout: the README's section \"The output-time file\"")
      ->type_name("FILE");
  app.add_option("--at", o.at,
                 "Output at these times, comma-separated, as an output-time file of those "
                 "times and no points would ask [time question answered 1]; instead of "
                 "--times or --points")
      ->type_name("T1,T2,...");
  app.add_option("--points", o.points,
                 "Output-time file for its points and sub-mesh only, output at "
                 "every stored step [--to interp, time question answered 0]")
      ->type_name("FILE");
  app.add_option("--submesh", o.subMeshForm,
                 "Sub-mesh output form, with --to interp: tecplot [1], femap [2], avs [3], "
                 "plan [4] (TALVIX plan), section [5] (TALVIX section), vtu (options only: "
                 "VTKMESH.pvd and VTKMESH/); without it the sub-mesh gets no output [0]")
      ->transform(namedValue(formNames(subMeshForms())))
      ->type_name("FORM");
  app.add_option("--restart-time", o.restartTime, "Restart time, required by --to restart")
      ->type_name("T");
  app.add_option("--restart-head", o.restartHead,
                 "Initial value written: pressure [0] (default) or total [1] head")
      ->transform(namedValue(restartHeadNames))
      ->type_name("pressure|total");
  app.add_option("--restart-discharge", o.restartDischarge,
                 "Discharge written: initial [0] (default) or computed [1]")
      ->transform(namedValue(restartDischargeNames))
      ->type_name("initial|computed");
  app.add_flag("--vtu-compress", o.compressed,
               "With --to vtu or --submesh vtu: the arrays in zlib-compressed blocks instead of "
               "raw binary");
  addStepSelectionOptions(app, o.selection, true);
  addCommonOptions(app, o.common);
}

// The combinations the options allow; CLI11 has checked each value on its own.
void checkConverterOptions(const CLI::App& app, const ConverterOptions& o) {
  auto given = [&](const char* name) { return app.count(name) > 0; };
  checkStepSelection(app, o.selection);
  if (const char* selecting = givenStepSelectionOption(app)) {
    // Steps are selected where the stored steps are shown: not with requested times, not in
    // the result list (requested times only) or the restart file (one time).
    const std::string name(selecting);
    if (o.info) throw UsageError(name + " cannot be given with --info");
    for (const char* requesting : {"--times", "--at"}) {
      if (given(requesting)) {
        throw UsageError(name + " cannot be given with " + requesting +
                         ": it selects stored steps");
      }
    }
    if (o.outputForm == form::resultList || o.outputForm == form::restart) {
      throw UsageError(name + " is not for --to " +
                       (o.outputForm == form::restart ? "restart" : "list") +
                       ": it selects the stored steps of the other forms");
    }
  }
  if (o.info) {
    for (const char* name : {"--to", "--times", "--points", "--at", "--submesh", "--restart-time",
                             "--restart-head", "--restart-discharge", "--vtu-compress"}) {
      if (given(name)) throw UsageError(std::string(name) + " cannot be given with --info");
    }
    return;
  }
  if (o.outputForm == unset) throw UsageError("--to is required (or --info)");
  const bool restart = o.outputForm == form::restart;
  if (given("--times") && given("--points")) {
    throw UsageError("--times and --points cannot be given together");
  }
  for (const char* name : {"--times", "--points"}) {
    if (given("--at") && given(name)) {
      throw UsageError("--at and " + std::string(name) + " cannot be given together");
    }
  }
  if (o.outputForm == form::resultList && !given("--times") && !given("--at")) {
    throw UsageError(
        "--to list needs --times FILE or --at T1,T2,...: the result list is written at "
        "requested times");
  }
  for (const char* name : {"--times", "--at"}) {
    if (restart && given(name)) {
      throw UsageError(std::string(name) + " is not allowed with --to restart");
    }
  }
  if (given("--points") && o.outputForm != form::interp) {
    throw UsageError("--points is only for --to interp (use --times for requested times)");
  }
  if (o.outputForm == form::interp && !given("--times") && !given("--points") && !given("--at")) {
    throw UsageError("--to interp needs --times FILE, --points FILE or --at T1,T2,...");
  }
  if (given("--submesh") && o.outputForm != form::interp) {
    throw UsageError(
        "--submesh is only for --to interp, the one form that writes the sub-mesh at every "
        "output");
  }
  if (restart && !given("--restart-time")) {
    throw UsageError("--to restart needs --restart-time T");
  }
  if (given("--submesh") && given("--at")) {
    throw UsageError("--submesh: --at gives no sub-mesh elements (use --times or --points FILE)");
  }
  if (given("--vtu-compress") && o.outputForm != form::vtu &&
      o.subMeshForm != subMeshFormCode::vtu) {
    throw UsageError("--vtu-compress is only for --to vtu and --submesh vtu");
  }
  for (const char* name : {"--restart-time", "--restart-head", "--restart-discharge"}) {
    if (!restart && given(name)) throw UsageError(std::string(name) + " is only for --to restart");
  }
  if (restart && !std::isfinite(o.restartTime)) {
    throw UsageError("--restart-time: " + app.get_option("--restart-time")->as<std::string>() +
                     " is not a finite number");
  }
}

// The late answers of a scripted run: given with the options from the start.
class OptionAnswers : public LateAnswers {
 public:
  explicit OptionAnswers(const ConverterOptions& options) : options_(options) {}
  int subMeshForm() override { return options_.subMeshForm; }
  void restartAnswers(ConverterAnswers& answers) override {
    answers.restartTime = options_.restartTime;
    answers.restartInitialValue = options_.restartHead;
    answers.restartDischarge = options_.restartDischarge;
  }

 private:
  const ConverterOptions& options_;
};

// The times of --at: numbers separated by commas (blanks around them allowed).
std::vector<double> parseTimes(const std::string& text) {
  std::vector<double> times;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    std::string item = text.substr(start, comma - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    const char* first = item.data() + (item.starts_with('+') ? 1 : 0);
    const char* last = item.data() + item.size();
    double time = 0.0;
    const auto [end, error] = std::from_chars(first, last, time);
    if (item.empty() || end != last ||
        (error != std::errc() && error != std::errc::result_out_of_range)) {
      throw UsageError("--at: '" + item + "' in " + text + " is not a number");
    }
    if (error == std::errc::result_out_of_range || !std::isfinite(time)) {
      throw UsageError("--at: " + item + " in " + text + " is not a finite number");
    }
    times.push_back(time);
    if (comma == text.size()) return times;
    start = comma + 1;
  }
}

// The whole output-time file, read once before any output is created, so that a missing or
// bad file, or a --submesh without sub-mesh elements, leaves every old output as it was.
RequestedOutputs readRequestedOutputs(const std::string& name, bool wantsSubMesh) {
  InputUnit unit(unitNumber::outputTimeFile);
  unit.openOld(name);
  RequestedOutputs requested = readOutputTimeFile(unit);
  if (wantsSubMesh && requested.subMesh.elementCount <= 0) {
    throw UsageError("--submesh: the output-time file " + name + " defines no sub-mesh elements");
  }
  return requested;
}

// One line for each requested time that no output can show: before time 0, or after the last
// stored step.
void warnOfTimesNotShown(const RequestedOutputs& requested, const StoredSteps& steps) {
  for (int t = 1; t <= requested.outputTimeCount; ++t) {
    const double time = requested.outputTimes[static_cast<std::size_t>(t)];
    std::string reason;
    if (time < 0.0) {
      reason = "the outputs begin at time 0";
    } else if (steps.count == 0 && time > 0.0) {
      reason = "the result file holds no stored step";
    } else if (time > steps.lastTime) {
      reason = "the last stored step is at time " + shortestDoubleText(steps.lastTime);
    } else {
      continue;
    }
    writeErrorLine("resconv: no output at time " + shortestDoubleText(time) + ": " + reason);
  }
}

int runScripted(const ConverterOptions& o) {
  InputUnit resultFile(unitNumber::resultFile);
  ProgressMeter progress(progressMode(o.common));
  const std::string resultName =
      openScriptedResultFile(o.common, o.resultName, resultFile, progress);

  if (o.info) {
    const ResultInfo info = readResultInfo(resultFile);
    progress.clear();
    std::fputs(describeResult(resultName, info, platform::consoleIsUtf8()).c_str(), stdout);
    return exitStatus::done;
  }

  const std::string title = readResultTitle(resultFile);
  const ResultCounts counts = readResultCounts(resultFile);
  ConverterAnswers answers;
  answers.outputForm = o.outputForm;
  answers.timeSelection =
      o.outputForm == form::resultList || !o.times.empty() || !o.atTimes.empty() ? 1 : 0;
  answers.compressedSeries = o.compressed;
  answers.selection = o.selection;
  std::optional<RequestedOutputs> requested;
  if (!o.atTimes.empty()) {
    requested = requestedTimes(o.atTimes);
  } else if (readsOutputTimeFile(answers)) {
    requested = readRequestedOutputs(o.times.empty() ? o.points : o.times,
                                     o.subMeshForm != subMeshFormCode::none);
  }

  OutputUnit noConsole(unitNumber::console);  // every scripted form has a file of its own
  OutputSink sink(noConsole);
  openFormFiles(sink, outputFormFor(answers.outputForm));

  OptionAnswers late(o);
  ConverterFiles files{resultFile, sink, nullptr, requested ? &*requested : nullptr};
  const StoredSteps steps = runConversion(late, files, answers, title, counts,
                                          requested ? requested->outputTimeCount : 1, progress);
  progress.clear();

  sink.closeAll();
  reportWrittenFiles(o.common, sink.written());
  if (requested && answers.timeSelection == 1) warnOfTimesNotShown(*requested, steps);
  return exitStatus::done;
}

}  // namespace

int runConverterCommandLine(int argc, char** argv) {
  CLI::App app(description, "resconv");
  app.footer(footer);
  ConverterOptions options;
  addConverterOptions(app, options);
  return runCommandLine(app, argc, argv, [&] {
    checkConverterOptions(app, options);
    if (app.count("--at") > 0) options.atTimes = parseTimes(options.at);
    return runScripted(options);
  });
}
