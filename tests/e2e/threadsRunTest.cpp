// A run of many threads writes what a run of one writes: the same files byte for byte, the
// same messages and exit status. The next step is read while the current one is shown, so the
// cases are the ones read-ahead could get wrong: null values (which keep the value of the step
// before, not of the step two before), a bad value or a cut in the step after a shown one (the
// stop comes after every output before it), and a run that ends before the steps do (the
// restart form, whose stop leaves a bad later step unreported).
#include <filesystem>
#include <map>
#include <string>

#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// 19 nodes, five elements, steps 1, 2 and 3 at times 10, 20 and 30.
const std::string result = readFile(fixturePath("vtu/RES.DAT"));

std::string replaced(std::string text, const std::string& what, const std::string& with) {
  const std::size_t at = text.find(what);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no " << what;
    return text;
  }
  return text.replace(at, what.size(), with);
}

// Nulls in steps 2 and 3: node 1's heads in step 2 keep step 1's, node 5's discharge in
// step 3 keeps step 2's, and element 1's vy in step 3 keeps step 2's.
std::string withNulls() {
  std::string text = replaced(result, "-0.1977970314357577 -7.709017669955834 0", ",,0");
  text = replaced(text, "-0.01379878368635922 -0.006053012126409128 1", "-0.01379878368635922,,1");
  return replaced(text, "136.05407466966392 -116.90274944468374", "136.05407466966392,,");
}
const std::string badStepTwo = replaced(result, "1.7034164592875252", "1.70x4164592875252");
const std::string badStepThree = replaced(result, "-95.1084098769179", "-95.1O84098769179");
const std::string cutInStepThree = result.substr(0, result.find("\n3 30.0\n") + 60);

struct Case {
  const char* name;
  const std::string& resultText;
  const char* arguments;  // after the result file's name; empty: the dialogue
  const char* answers = "";
};

const std::string nulls = withNulls();

const Case cases[] = {
    {"tecplotEveryStep", result, "--to tecplot"},
    {"tecplotWithNulls", nulls, "--to tecplot"},
    {"vtuWithNulls", nulls, "--to vtu"},
    {"femapWithNulls", nulls, "--to femap"},
    {"avsWithNulls", nulls, "--to avs"},
    {"interpolatedWithNulls", nulls, "--to tecplot --at 5,15,25,30"},
    {"listInterpolated", result, "--to list --at 12.5,20,27"},
    {"everyOtherStep", nulls, "--to vtu --every 2"},
    {"badValueAfterAShownStep", badStepTwo, "--to tecplot"},
    {"badValueAfterInterpolation", badStepThree, "--to tecplot --at 15,20"},
    {"badValueAfterAStepKeptAside", badStepThree, "--to vtu --every 2"},
    {"cutAfterAShownStep", cutInStepThree, "--to femap"},
    {"balanceCut", cutInStepThree, "--to balance"},
    {"restartBeforeABadStep", badStepThree, "--to restart --restart-time 15"},
    {"restartAtTheLastGoodStep", badStepThree, "--to restart --restart-time 20"},
    {"restartAfterABadStep", badStepTwo, "--to restart --restart-time 25"},
    {"info", nulls, "--info"},
    {"infoBadStep", badStepThree, "--info"},
    {"dialogueTecplot", nulls, "", "1\nRES.DAT\n1\n0\n"},
    {"dialogueBadStep", badStepTwo, "", "1\nRES.DAT\n3\n0\n"},
};

// Everything a run leaves: its status, standard output and error, and every file written.
struct RunOutcome {
  int exitStatus;
  std::string standardOutput, standardError;
  std::map<std::string, std::string> files;
};

RunOutcome runAt(const Case& c, int threads) {
  WorkDirectory directory;
  directory.write("RES.DAT", c.resultText);
  const std::string environment = "LC_ALL=C SEEPAGE_THREADS=" + std::to_string(threads);
  const std::string arguments =
      *c.arguments == '\0' ? std::string() : "RES.DAT " + std::string(c.arguments);
  const ProgramResult run =
      directory.runWithArguments(RESCONV_PATH, arguments, c.answers, environment);
  RunOutcome outcome{run.exitStatus, run.standardOutput, run.standardError, {}};
  for (const auto& entry : fs::recursive_directory_iterator(directory.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), directory.path()).generic_string();
    outcome.files[name] = directory.readBytes(name);
  }
  return outcome;
}

class ThreadsRun : public testSupport::CaseTest<Case> {};

TEST_P(ThreadsRun, ManyThreadsWriteWhatOneWrites) {
  const RunOutcome one = runAt(row(), 1);
  for (int threads : {2, 4}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const RunOutcome many = runAt(row(), threads);
    EXPECT_EQ(many.exitStatus, one.exitStatus);
    EXPECT_EQ(many.standardOutput, one.standardOutput);
    EXPECT_EQ(many.standardError, one.standardError);
    ASSERT_EQ(many.files.size(), one.files.size());
    for (const auto& [name, bytes] : one.files) {
      ASSERT_TRUE(many.files.contains(name)) << name;
      EXPECT_TRUE(many.files.at(name) == bytes) << name << " differs";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadsRun, testSupport::rowsOf(cases), testSupport::rowName);

// The cases above stop where they should, not merely alike: a sanity check of the fixtures.
TEST(ThreadsRunFixtures, BadStepsStopAndNullsKeepTheStepBefore) {
  EXPECT_EQ(runAt(cases[8], 4).exitStatus, 1);
  EXPECT_EQ(runAt(cases[11], 4).exitStatus, 1);
  EXPECT_EQ(runAt(cases[13], 4).exitStatus, 0);  // the restart run ends before the bad step
  EXPECT_EQ(runAt(cases[15], 4).exitStatus, 1);
  const RunOutcome tecplot = runAt(cases[1], 4);
  ASSERT_EQ(tecplot.exitStatus, 0);
  // Node 1's heads of step 1 are shown again in step 2.
  const std::string& text = tecplot.files.at("TECPLOT.TXT");
  std::size_t count = 0;
  for (std::size_t at = text.find("-2.884E+02,-2.884E+02"); at != std::string::npos;
       at = text.find("-2.884E+02,-2.884E+02", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 2u);
}

}  // namespace
