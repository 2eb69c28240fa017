// The table of output forms against one small run per row: each named form, run from the
// command line on the same result and output-time files, writes exactly the files its row
// names, and shows exactly the outputs its row promises (the initial state, the stored steps,
// the requested times, every step), in the loop's order.
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resconv/outputForms.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// RES123.DAT stores steps 1, 2 and 3 at times 10, 20 and 30; 15 is requested.
const std::vector<double> storedTimes = {10, 20, 30};
constexpr double requestedTime = 15;
const char* const outputTimes = "    1\n      15.0\n    1    0\n1 0.5 0.5 0.5\n";

// How a form's file shows the time of each output: a scanf pattern that reads it from the
// line that opens the output, and how many such lines each output has.
struct TimeMarker {
  const char* pattern;
  int linesPerOutput;
};
const std::map<std::string, TimeMarker> timeMarkers = {
    {"list", {"%*[ ]TIME =%lf", 2}},
    {"tecplot", {"TITLE = \"TIME=%lf", 1}},
    {"femap", {"%*d T=%lf", 1}},
    {"avs", {"step%*d%lf", 1}},
    {"interp", {" TIME,%lf", 1}},
    {"restart", {nullptr, 0}},                 // one record set, no times
    {"vtu", {" <DataSet timestep=\"%lf", 1}},  // the collection, a line per output
    {"balance", {"%lf,", 1}},                  // a record per output after the header
};

// The file that shows the outputs: the run's output file, or a series' collection.
std::string shownFile(const OutputForm& form) {
  return form.seriesStem.empty() ? std::string(form.fileName)
                                 : std::string(form.seriesStem) + ".pvd";
}

std::vector<double> shownTimes(const std::string& text, const TimeMarker& marker) {
  std::vector<double> times;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    double time = 0.0;
    if (std::sscanf(line.c_str(), marker.pattern, &time) == 1) times.push_back(time);
  }
  return times;
}

// The outputs the row promises for this run, in the loop's order.
std::vector<double> promisedTimes(const OutputForm& form, const TimeMarker& marker) {
  std::vector<double> outputs;
  if (form.writesInitialState) outputs.push_back(0.0);
  double previous = 0.0;
  for (double time : storedTimes) {
    if (form.writesRequestedTimes && previous < requestedTime && requestedTime <= time) {
      outputs.push_back(requestedTime);
    }
    if (form.writesEveryStep) outputs.push_back(time);
    previous = time;
  }
  std::vector<double> lines;
  for (double time : outputs)
    lines.insert(lines.end(), static_cast<std::size_t>(marker.linesPerOutput), time);
  return lines;
}

TEST(FormTable, EachFormWritesTheFilesAndOutputsOfItsRow) {
  for (const OutputForm& form : outputForms()) {
    if (form.name.empty()) continue;  // reached through the dialogue only
    const std::string name(form.name);
    SCOPED_TRACE(name);
    ASSERT_EQ(timeMarkers.count(name), 1u) << "a new form needs its time marker here";
    WorkDirectory dir;
    dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
    dir.write("OTF.DAT", outputTimes);
    const std::string timeOption = form.restart ? "--restart-time 20" : "--times OTF.DAT";
    const ProgramResult result =
        dir.runWithArguments(RESCONV_PATH, "RES123.DAT -q --to " + name + " " + timeOption);
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;

    std::set<std::string> files;
    for (const auto& file : fs::directory_iterator(dir.path())) {
      const std::string fileName = file.path().filename().string();
      if (fileName != "RES123.DAT" && fileName != "OTF.DAT") files.insert(fileName);
    }
    std::set<std::string> expected;
    if (!form.fileName.empty()) expected.insert(std::string(form.fileName));
    if (!form.secondFile.empty()) expected.insert(std::string(form.secondFile));
    if (form.usesScratch) expected.insert("AVS.tmp");
    if (!form.seriesStem.empty()) {
      expected.insert(std::string(form.seriesStem) + ".pvd");
      expected.insert(std::string(form.seriesStem));  // the folder of the step files
    }
    EXPECT_EQ(files, expected);
    const std::string output = dir.read(shownFile(form));
    EXPECT_FALSE(output.empty());

    const TimeMarker& marker = timeMarkers.at(name);
    if (marker.pattern == nullptr) continue;
    // A requested time comes out of the time-selection pass; without one the stored steps
    // come out of the stored-step pass.
    EXPECT_EQ(shownTimes(output, marker), promisedTimes(form, marker));
  }
}

// Without requested times the stored-step pass shows every stored step.
TEST(FormTable, StoredStepsWithoutRequestedTimes) {
  for (const OutputForm& form : outputForms()) {
    if (form.name.empty() || !form.writesStoredSteps) continue;
    const std::string name(form.name);
    if (name == "list") continue;  // the result list always reads requested times
    SCOPED_TRACE(name);
    WorkDirectory dir;
    dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
    const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "RES123.DAT -q --to " + name);
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    const TimeMarker& marker = timeMarkers.at(name);
    std::vector<double> expected;
    if (form.writesInitialState) expected.push_back(0.0);
    expected.insert(expected.end(), storedTimes.begin(), storedTimes.end());
    EXPECT_EQ(shownTimes(dir.read(shownFile(form)), marker), expected);
  }
}

// Every answer of the first menu that is no row writes nothing; the rows' answers and names
// are unique, the sub-mesh rows of the dialogue carry the menu's answers 1 to 5, and the
// rows of the command line only cannot be reached from the dialogue.
TEST(FormTable, AnswersAndNames) {
  std::set<int> answers;
  std::set<std::string_view> names;
  for (const OutputForm& form : outputForms()) {
    EXPECT_TRUE(answers.insert(form.answer).second) << form.answer;
    if (!form.name.empty()) {
      EXPECT_TRUE(names.insert(form.name).second) << form.name;
    }
    EXPECT_NE(form.writeState, nullptr) << form.name;
  }
  for (int answer : {5, 6, 7, 8, 10, -1}) {
    const OutputForm& none = outputFormFor(answer);
    EXPECT_TRUE(none.fileName.empty());
    EXPECT_FALSE(none.writesInitialState || none.writesStoredSteps || none.writesRequestedTimes ||
                 none.writesEveryStep);
  }
  int expectedAnswer = 1;
  for (const SubMeshForm& form : subMeshForms()) {
    if (form.inDialogue) {
      EXPECT_EQ(form.answer, expectedAnswer++);
    }
  }
  EXPECT_EQ(expectedAnswer, 6);
  EXPECT_EQ(subMeshFormFor(subMeshFormCode::none).writeState, nullptr);
  // A form of the command line only is no form when its number is typed in the dialogue.
  for (const OutputForm& form : outputForms()) {
    EXPECT_EQ(dialogueOutputForm(form.answer), form.inDialogue ? form.answer : outputFormCode::none)
        << form.name;
  }
  for (const SubMeshForm& form : subMeshForms()) {
    EXPECT_EQ(dialogueSubMeshForm(form.answer),
              form.inDialogue ? form.answer : subMeshFormCode::none)
        << form.name;
  }
}

}  // namespace
