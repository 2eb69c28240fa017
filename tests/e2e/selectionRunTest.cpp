// Step selection (--every, --from, --until) seen through the outputs of a result file of seven
// stored steps at times 10 to 70: each output a selected run shows is, byte for byte, the
// output the run without selection shows at that time (Tecplot blocks, ParaView step files,
// balance records), the other forms show exactly the selected times, tseries keeps exactly
// the selected rows, and the options' usage errors.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// The loop fixture's mesh (a cube, a prism left out, node 9 unused) with seven stored steps,
// step s at time 10 s; its values change from step to step so that no two outputs are alike.
std::string sevenStepResultFile() {
  std::string text =
      "selection test mesh\n9 2 8\n"
      "0.0 0.0 0.0 1.0 0.0 0\n1.0 0.0 0.0 1.0 0.0 0\n1.0 1.0 0.0 1.0 0.0 0\n"
      "0.0 1.0 0.0 1.0 0.0 0\n0.0 0.0 1.0 1.0 0.0 0\n1.0 0.0 1.0 1.0 0.0 0\n"
      "1.0 1.0 1.0 1.0 0.0 0\n0.0 1.0 1.0 1.0 0.0 0\n5.0 5.0 5.0 1.0 0.0 0\n"
      "1 2 3 4 5 6 7 8 1\n1 2 3 5 6 7 0 0 -1\n";
  for (int s = 1; s <= 7; ++s) {
    text += std::to_string(s) + " " + std::to_string(10 * s) + ".0\n";
    for (int node = 1; node <= 9; ++node) {
      text += std::to_string(s) + "." + std::to_string(node) + " " + (s % 2 == 1 ? "" : "-") +
              std::to_string(s) + ".5 " + std::to_string(s % 3) + "\n";
    }
    text += std::to_string(s) + ".0 -" + std::to_string(s) + ".0 0.5\n0.0 0.0 0.0\n";
  }
  return text;
}

// The output-time file of the INTERP runs: two points, no times, no sub-mesh elements; with
// `subMesh`, one triangle of three points.
std::string pointsFile(bool subMesh) {
  return subMesh ? "    0\n    3    1\n1 0.5 0.5 0.5\n2 1.0 0.5 0.5\n3 0.5 1.0 0.5\n1 1 2 3 3\n"
                 : "    0\n    2    0\n1 0.5 0.5 0.5\n2 1.0 0.5 0.5\n";
}

const std::vector<double> everyOutput = {0, 10, 20, 30, 40, 50, 60, 70};

struct SelectionCase {
  const char* name;
  const char* options;
  std::vector<double> times;  // the outputs shown, the initial state at 0
};

const SelectionCase selectionCases[] = {
    {"none", "", everyOutput},
    {"everyThird", "--every 3", {0, 10, 40, 70}},         // the last step on the stride
    {"everyFourth", "--every 4", {0, 10, 50, 70}},        // the last step kept aside
    {"strideBeyondTheSteps", "--every 10", {0, 10, 70}},  // the first and the last
    {"window", "--from 25 --until 55", {30, 40, 50}},     // no initial state
    {"windowFromZero", "--from 0 --until 35 --every 2", {0, 10, 30}},
    {"lastOfTheWindowKeptAside", "--until 45 --every 2", {0, 10, 30, 40}},
    {"lastStepOnly", "--from 65", {70}},
    {"initialStateOnly", "--from -5 --until 5", {0}},
    {"nothing", "--from 100", {}},
};

// An output and the time the run without selection showed it at.
using Outputs = std::vector<std::pair<double, std::string>>;

Outputs picked(const Outputs& all, const std::vector<double>& times) {
  Outputs outputs;
  for (const auto& output : all) {
    for (double time : times) {
      if (output.first == time) outputs.push_back(output);
    }
  }
  return outputs;
}

// Splits a text into pieces that each begin with a line starting with `mark`; the times are
// the outputs' times in order (those of the run, known from its options).
std::vector<std::string> pieces(const std::string& text, const std::string& mark) {
  std::vector<std::string> parts;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(mark, 0) == 0 || parts.empty()) parts.emplace_back();
    parts.back() += line + "\n";
  }
  return parts;
}

Outputs withTimes(const std::vector<std::string>& parts, const std::vector<double>& times) {
  Outputs outputs;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    outputs.emplace_back(k < times.size() ? times[k] : -1.0, parts[k]);
  }
  return outputs;
}

// The outputs of a run of each form whose outputs do not depend on those before them.
Outputs tecplotOutputs(const WorkDirectory& dir, const std::vector<double>& times) {
  return withTimes(pieces(dir.read("TECPLOT.TXT"), "TITLE = "), times);
}

Outputs balanceOutputs(const WorkDirectory& dir, const std::vector<double>& times) {
  std::vector<std::string> rows = pieces(dir.read("BALANCE.CSV"), "");
  rows.erase(rows.begin());  // the header
  Outputs outputs = withTimes(rows, times);
  // Each output's records per code follow its own, which begin with its time.
  std::vector<std::string> codeRows = pieces(dir.read("BALANCE_BY_CODE.CSV"), "");
  codeRows.erase(codeRows.begin());
  for (auto& output : outputs) {
    const std::string time = output.second.substr(0, output.second.find(',') + 1);
    for (const std::string& row : codeRows) {
      if (row.rfind(time, 0) == 0) output.second += row;
    }
  }
  return outputs;
}

// The collection's times and each step file's bytes.
Outputs seriesOutputs(const WorkDirectory& dir, const std::vector<double>&) {
  Outputs outputs;
  std::istringstream lines(dir.read("VTK.pvd"));
  std::string line;
  while (std::getline(lines, line)) {
    double time = 0.0;
    char file[64] = {};
    if (std::sscanf(line.c_str(),
                    " <DataSet timestep=\"%lf\" group=\"\" part=\"0\" file=\"%63[^\"]", &time,
                    file) == 2) {
      outputs.emplace_back(time, dir.readBytes(file));
    }
  }
  return outputs;
}

struct ByteForm {
  const char* name;
  const char* options;
  Outputs (*outputs)(const WorkDirectory&, const std::vector<double>&);
};
const ByteForm byteForms[] = {
    {"tecplot", "--to tecplot", tecplotOutputs},
    {"balance", "--to balance", balanceOutputs},
    {"vtu", "--to vtu", seriesOutputs},
};

class SelectedOutputs : public testSupport::CaseTest<SelectionCase> {};

TEST_P(SelectedOutputs, AreTheOutputsOfTheWholeRunAtTheSelectedTimes) {
  const SelectionCase& c = row();
  for (const ByteForm& form : byteForms) {
    SCOPED_TRACE(form.name);
    WorkDirectory whole, selected;
    whole.write("RES.DAT", sevenStepResultFile());
    selected.write("RES.DAT", sevenStepResultFile());
    const ProgramResult wholeRun =
        whole.runWithArguments(RESCONV_PATH, std::string("RES.DAT -q ") + form.options);
    ASSERT_EQ(wholeRun.exitStatus, 0) << wholeRun.standardError;
    const ProgramResult selectedRun = selected.runWithArguments(
        RESCONV_PATH, std::string("RES.DAT -q ") + form.options + " " + c.options);
    ASSERT_EQ(selectedRun.exitStatus, 0) << selectedRun.standardError;

    const Outputs all = form.outputs(whole, everyOutput);
    ASSERT_EQ(all.size(), everyOutput.size());
    const Outputs shown = form.outputs(selected, c.times);
    const Outputs expected = picked(all, c.times);
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t k = 0; k < shown.size(); ++k) {
      EXPECT_EQ(shown[k].first, expected[k].first) << "output " << k;
      EXPECT_TRUE(sameText(shown[k].second, expected[k].second)) << "output " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SelectedOutputs, testSupport::rowsOf(selectionCases),
                         testSupport::rowName);

// The times each form shows: a scanf pattern that reads the time from the line opening an
// output. FEMAP output sets and MicroAVS steps are numbered in the order written, so their
// outputs are checked by their times.
struct TimedForm {
  const char* name;
  const char* options;
  const char* file;
  const char* pattern;
  bool initialState;  // the form shows the initial state
};
const TimedForm timedForms[] = {
    {"femap", "--to femap", "FEMAP.NEU", "%*d T=%lf", true},
    {"avs", "--to avs", "AVS.INP", "step%*d%lf", false},
    {"interp", "--to interp --points PTS.DAT", "INTERP.TXT", " TIME,%lf", false},
    {"interpSubMesh", "--to interp --points MESH.DAT --submesh tecplot", "INTERP.TXT",
     "TITLE = \"TIME=%lf", true},
};

std::vector<double> shownTimes(const std::string& text, const char* pattern) {
  std::vector<double> times;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    double time = 0.0;
    if (std::sscanf(line.c_str(), pattern, &time) == 1) times.push_back(time);
  }
  return times;
}

TEST(StepSelection, EveryStoredStepFormShowsTheSelectedTimes) {
  const SelectionCase* cases[] = {&selectionCases[1], &selectionCases[2], &selectionCases[4],
                                  &selectionCases[6]};
  for (const TimedForm& form : timedForms) {
    for (const SelectionCase* c : cases) {
      SCOPED_TRACE(std::string(form.name) + " " + c->options);
      WorkDirectory dir;
      dir.write("RES.DAT", sevenStepResultFile());
      dir.write("PTS.DAT", pointsFile(false));
      dir.write("MESH.DAT", pointsFile(true));
      const ProgramResult result = dir.runWithArguments(
          RESCONV_PATH, std::string("RES.DAT -q ") + form.options + " " + c->options);
      ASSERT_EQ(result.exitStatus, 0) << result.standardError;
      std::vector<double> expected;
      for (double time : c->times) {
        if (time != 0.0 || form.initialState) expected.push_back(time);
      }
      EXPECT_EQ(shownTimes(dir.read(form.file), form.pattern), expected);
    }
  }
}

// MicroAVS assembles its file from the sections written; a selection that shows none stops
// with a line that says why.
TEST(StepSelection, MicroAvsWithoutASectionNamesTheSelection) {
  WorkDirectory dir;
  dir.write("RES.DAT", sevenStepResultFile());
  dir.write("MESH.DAT", pointsFile(true));
  for (const char* options :
       {"--to avs --from 100", "--to interp --points MESH.DAT --submesh avs --until 5"}) {
    SCOPED_TRACE(options);
    const ProgramResult result =
        dir.runWithArguments(RESCONV_PATH, std::string("RES.DAT -q ") + options);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.standardError.find("has no sections: --every, --from and --until select no "
                                        "stored step\n"),
              std::string::npos)
        << result.standardError;
  }
}

// tseries keeps the rows of the selected stored steps (it shows no initial state).
TEST(StepSelection, TseriesKeepsTheRowsOfTheSelectedSteps) {
  const char* const graph = "\n    2\n      1      8\n    0\n    1\n      9\n    1\n      1\n";
  WorkDirectory whole;
  whole.write("RES.DAT", sevenStepResultFile());
  whole.write("GRAPH.DAT", graph);
  ASSERT_EQ(whole.runWithArguments(TSERIES_PATH, "RES.DAT -q --graph GRAPH.DAT").exitStatus, 0);
  for (const SelectionCase& c : selectionCases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir;
    dir.write("RES.DAT", sevenStepResultFile());
    dir.write("GRAPH.DAT", graph);
    const ProgramResult result = dir.runWithArguments(
        TSERIES_PATH, std::string("RES.DAT -q --graph GRAPH.DAT ") + c.options);
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    for (const char* table : {"HTIME.CSV", "QTIME.CSV", "VTIME.CSV"}) {
      SCOPED_TRACE(table);
      // The header, then a row per stored step at times 10 to 70.
      const std::vector<std::string> rows = pieces(whole.read(table), "");
      ASSERT_EQ(rows.size(), 8u);
      std::string expected = rows[0];
      for (double time : c.times) {
        if (time != 0.0) expected += rows[static_cast<std::size_t>(time / 10)];
      }
      EXPECT_TRUE(sameText(dir.read(table), expected));
    }
  }
}

// The step capacity of the graph data file counts the rows kept: with room for 100 (a blank
// first record), every second step keeps steps 1, 3, ..., 199, and reading ends at step 200,
// the next one it would keep; step 201, cut after its header, is never read.
TEST(StepSelection, TseriesCapacityCountsTheRowsKept) {
  WorkDirectory dir;
  std::string file = "two hundred steps\n1 1 8\n0.0 0.0 2.0 0.0 0.0 0\n1 0 0 0 0 0 0 0 1\n";
  for (int s = 1; s <= 200; ++s) {
    file += std::to_string(s) + " " + std::to_string(s) + ".0\n0.0 0.5 0\n0.0 0.0 0.0\n";
  }
  dir.write("RES.DAT", file + "201 201.0\n");
  dir.write("GRAPH.DAT", "\n    1\n      1\n    0\n    0\n    0\n");
  const ProgramResult result =
      dir.runWithArguments(TSERIES_PATH, "RES.DAT -q --graph GRAPH.DAT --every 2");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  std::vector<double> expected;
  for (int s = 1; s <= 199; s += 2) expected.push_back(s);
  EXPECT_EQ(shownTimes(dir.read("HTIME.CSV"), "%lf,"), expected);
}

struct UsageCase {
  const char* name;
  const char* program;
  const char* arguments;
  const char* message;  // the part of the one-line message that names the option
};

class SelectionUsageErrors : public testSupport::CaseTest<UsageCase> {};

TEST_P(SelectionUsageErrors, EndWithStatusTwoAndCreateNothing) {
  const UsageCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", sevenStepResultFile());
  dir.write("OTF.DAT", "    1\n      15.0\n    0    0\n");
  dir.write("TECPLOT.TXT", "an old output\n");
  const auto before = [&] {
    std::map<std::string, std::string> files;
    for (const auto& file : fs::directory_iterator(dir.path())) {
      files[file.path().filename().string()] = dir.readBytes(file.path().filename().string());
    }
    return files;
  };
  const auto filesBefore = before();
  const ProgramResult result = dir.runWithArguments(c.program, c.arguments);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.standardError.find(c.message), std::string::npos) << result.standardError;
  EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1)
      << result.standardError;
  EXPECT_EQ(before(), filesBefore);
}

const UsageCase usageCases[] = {
    {"everyZero", RESCONV_PATH, "RES.DAT --to tecplot --every 0",
     "--every: 0 is not a whole number of 1 or more"},
    {"everyNegative", RESCONV_PATH, "RES.DAT --to tecplot --every -3", "--every"},
    {"everyNotAWholeNumber", RESCONV_PATH, "RES.DAT --to tecplot --every 2.5", "--every"},
    {"everyNotANumber", RESCONV_PATH, "RES.DAT --to tecplot --every ten", "--every"},
    {"fromNotANumber", RESCONV_PATH, "RES.DAT --to tecplot --from soon", "--from"},
    {"fromNaN", RESCONV_PATH, "RES.DAT --to tecplot --from nan",
     "--from: nan is not a finite number"},
    {"untilInfinite", RESCONV_PATH, "RES.DAT --to vtu --until inf",
     "--until: inf is not a finite number"},
    {"fromAfterUntil", RESCONV_PATH, "RES.DAT --to vtu --from 50 --until 20",
     "--from 50 is after --until 20"},
    {"withTimes", RESCONV_PATH, "RES.DAT --to tecplot --times OTF.DAT --every 2",
     "--every cannot be given with --times"},
    {"withList", RESCONV_PATH, "RES.DAT --to list --times OTF.DAT --from 10", "--from"},
    {"withRestart", RESCONV_PATH, "RES.DAT --to restart --restart-time 20 --until 30",
     "--until is not for --to restart"},
    {"withInfo", RESCONV_PATH, "RES.DAT --info --every 2", "--every cannot be given with --info"},
    {"tseriesEveryZero", TSERIES_PATH, "RES.DAT --graph G.DAT --every 0",
     "--every: 0 is not a whole number of 1 or more"},
    {"tseriesFromAfterUntil", TSERIES_PATH, "RES.DAT --graph G.DAT --from 3 --until 2",
     "--from 3 is after --until 2"},
    {"tseriesUntilNaN", TSERIES_PATH, "RES.DAT --graph G.DAT --until nan",
     "--until: nan is not a finite number"}};

INSTANTIATE_TEST_SUITE_P(Options, SelectionUsageErrors, testSupport::rowsOf(usageCases),
                         testSupport::rowName);

}  // namespace
