// The discharge balance (--to balance) run on a small result file whose discharges change sign
// and whose node codes change from step to step, with a node that no element names (left out)
// and a prism of negative material number (its nodes shown): BALANCE.CSV and
// BALANCE_BY_CODE.CSV compared byte for byte with tables worked out by hand, the totals held
// against the result list's QP and QM, and --info's totals.
//
// The fixture balance/RES.DAT (nodes 1 to 10 shown, node 11 unused), discharge and code:
//
//   node   initial      step 1, t 10   step 2, t 30   step 3, t 40    step 4, t 50
//   1      0.5    1     -0.5   1       1.0    1       0.25    1       1.0    1
//   2     -0.25   1      0.75  1      -0.25   2      -0.25    1       1e-16  2
//   3      0.0    2      0.0   4       0.5    4       0.5     2       1e-16  2
//   4      0.25   2      0.25  2      -1.0    1       0.0     2       0.0    1
//   5-8    0.0    1      0.0   1       0.0    1       0.0     1       0.0    1
//   9     -0.5   -1      1.0  -1      -0.5   -1       0.0    -1       0.0   -1
//   10     0.0   -1      0.0  -1       0.25  -1      -0.125  -1       0.0   -1
//   11   100.0    5   -100.0   5       7.0    1       1.0     1       0.0    1
//
// Step 4 adds two discharges of 1e-16 after 1.0: taken in node order they vanish (1.0), while
// a sum per code first would give 1.0000000000000002.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "common/fieldEdit.h"
#include "support/programRun.h"

namespace {

const std::string balanceHeader =
    "time,step,nodes,positive,negative,net,positive_volume,negative_volume\n";
const std::string byCodeHeader = "time,step,code,nodes,positive,negative,net\n";

// Volumes by the trapezoidal rule, from the totals above (positive; negative):
//   t 10: 10 (0.75 + 2.0) / 2 = 13.75;            10 (-0.75 - 0.5) / 2 = -6.25
//   t 30: 13.75 + 20 (2.0 + 1.75) / 2 = 51.25;    -6.25 + 20 (-0.5 - 1.75) / 2 = -28.75
//   t 40: 51.25 + 10 (1.75 + 0.75) / 2 = 63.75;   -28.75 + 10 (-1.75 - 0.375) / 2 = -39.375
//   t 50: 63.75 + 10 (0.75 + 1.0) / 2 = 72.5;     -39.375 + 10 (-0.375 + 0) / 2 = -41.25
const std::vector<std::string> storedRows = {
    "0.0,0,10,0.75,-0.75,0.0,0.0,0.0\n",       "10.0,1,10,2.0,-0.5,1.5,13.75,-6.25\n",
    "30.0,2,10,1.75,-1.75,0.0,51.25,-28.75\n", "40.0,3,10,0.75,-0.375,0.375,63.75,-39.375\n",
    "50.0,4,10,1.0,0.0,1.0,72.5,-41.25\n",
};

// Per output, a record per code held by a shown node, codes ascending; node 11 never counts.
const std::vector<std::string> storedCodeRows = {
    "0.0,0,-1,2,0.0,-0.5,-0.5\n"
    "0.0,0,1,6,0.5,-0.25,0.25\n"
    "0.0,0,2,2,0.25,0.0,0.25\n",
    "10.0,1,-1,2,1.0,0.0,1.0\n"
    "10.0,1,1,6,0.75,-0.5,0.25\n"
    "10.0,1,2,1,0.25,0.0,0.25\n"
    "10.0,1,4,1,0.0,0.0,0.0\n",
    "30.0,2,-1,2,0.25,-0.5,-0.25\n"
    "30.0,2,1,6,1.0,-1.0,0.0\n"
    "30.0,2,2,1,0.0,-0.25,-0.25\n"
    "30.0,2,4,1,0.5,0.0,0.5\n",
    "40.0,3,-1,2,0.0,-0.125,-0.125\n"
    "40.0,3,1,6,0.25,-0.25,0.0\n"
    "40.0,3,2,2,0.5,0.0,0.5\n",
    "50.0,4,-1,2,0.0,0.0,0.0\n"
    "50.0,4,1,6,1.0,0.0,1.0\n"
    "50.0,4,2,2,2e-16,0.0,2e-16\n",
};

std::string joined(const std::vector<std::string>& rows, const std::vector<int>& picked) {
  std::string text;
  for (int index : picked) text += rows[static_cast<std::size_t>(index)];
  return text;
}

// Requested times 5, 20, 40 and 60 (after the last step: never output).
const char* const requestedTimes = "    4\n       5.0      20.0      40.0      60.0\n    0    0\n";

class BalanceRun : public ::testing::Test {
 protected:
  void SetUp() override { dir.copy(fixturePath("balance/RES.DAT"), "RES.DAT"); }
  ProgramResult run(const std::string& arguments) {
    return dir.runWithArguments(RESCONV_PATH, "RES.DAT -q " + arguments);
  }
  WorkDirectory dir;
};

TEST_F(BalanceRun, EveryStoredStep) {
  const ProgramResult result = run("--to balance");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_EQ(result.standardError, "");
  EXPECT_TRUE(
      sameText(dir.read("BALANCE.CSV"), balanceHeader + joined(storedRows, {0, 1, 2, 3, 4})));
  EXPECT_TRUE(sameText(dir.read("BALANCE_BY_CODE.CSV"),
                       byCodeHeader + joined(storedCodeRows, {0, 1, 2, 3, 4})));
}

// Requested times interpolate as the other forms do; a time's step is the step that closes
// its interval, and so are its codes. The last piece of the volume runs from the stored step
// before the time to the time, with the time's own totals.
TEST_F(BalanceRun, RequestedTimes) {
  dir.write("OTF.DAT", requestedTimes);
  const ProgramResult result = run("--to balance --times OTF.DAT");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  // t 5, halfway from the initial state to step 1: discharges 0.0, 0.25, 0.0, 0.25, 0 x 4,
  //   0.25, 0.0; volumes 5 (0.75 + 0.75) / 2 = 3.75 and 5 (-0.75 + 0.0) / 2 = -1.875.
  // t 20, halfway from step 1 to step 2: 0.25, 0.25, 0.25, -0.375, 0 x 4, 0.25, 0.125;
  //   volumes 13.75 + 10 (2.0 + 1.125) / 2 = 29.375 and -6.25 + 10 (-0.5 - 0.375) / 2 = -10.625.
  // t 40, at step 3: the step's own totals and volumes.
  EXPECT_TRUE(sameText(dir.read("BALANCE.CSV"), balanceHeader + storedRows[0] +
                                                    "5.0,1,10,0.75,0.0,0.75,3.75,-1.875\n"
                                                    "20.0,2,10,1.125,-0.375,0.75,29.375,-10.625\n" +
                                                    storedRows[3]));
  EXPECT_TRUE(sameText(dir.read("BALANCE_BY_CODE.CSV"), byCodeHeader + storedCodeRows[0] +
                                                            "5.0,1,-1,2,0.25,0.0,0.25\n"
                                                            "5.0,1,1,6,0.25,0.0,0.25\n"
                                                            "5.0,1,2,1,0.25,0.0,0.25\n"
                                                            "5.0,1,4,1,0.0,0.0,0.0\n"
                                                            "20.0,2,-1,2,0.375,0.0,0.375\n"
                                                            "20.0,2,1,6,0.25,-0.375,-0.125\n"
                                                            "20.0,2,2,1,0.25,0.0,0.25\n"
                                                            "20.0,2,4,1,0.25,0.0,0.25\n" +
                                                            storedCodeRows[3]));
}

// A selection shows fewer outputs; the volumes still integrate every stored step, so each row
// shown is the row of the run without selection.
TEST_F(BalanceRun, SelectedStepsKeepTheVolumesOfEveryStep) {
  struct Case {
    const char* options;
    std::vector<int> rows;
  };
  const Case cases[] = {
      {"--every 2", {0, 1, 3, 4}},                 // steps 1 and 3, and the last, step 4
      {"--until 35 --every 2", {0, 1, 2}},         // step 2 is the last of the window
      {"--from 20", {2, 3, 4}},                    // no initial state
      {"--from 30 --until 40 --every 5", {2, 3}},  // the first and the last of the window
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const ProgramResult result = run(std::string("--to balance ") + c.options);
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_TRUE(sameText(dir.read("BALANCE.CSV"), balanceHeader + joined(storedRows, c.rows)));
    EXPECT_TRUE(
        sameText(dir.read("BALANCE_BY_CODE.CSV"), byCodeHeader + joined(storedCodeRows, c.rows)));
  }
}

// The totals of the list's node tables, line "***   QP( +  ) =" and "***   QM( -  ) =", with
// the time and step of their headings.
struct ListTotals {
  std::string time, step, positive, negative;
};

std::vector<ListTotals> listTotals(const std::string& list) {
  std::vector<ListTotals> totals;
  std::istringstream lines(list);
  std::string line, time, step;
  const std::string timeMark = "TIME =", stepMark = "TIME STEP =";
  while (std::getline(lines, line)) {
    if (const auto at = line.find(stepMark); at != std::string::npos) {
      time = line.substr(line.find(timeMark) + timeMark.size(), 13);
      step = line.substr(at + stepMark.size());
    } else if (line.rfind("***   QP( +  ) =", 0) == 0) {
      totals.push_back({time, step, line.substr(16), ""});
    } else if (line.rfind("***   QM( -  ) =", 0) == 0) {
      totals.back().negative = line.substr(16);
    }
  }
  return totals;
}

std::string exponentField(double value) {
  char field[13];
  editExponent(field, 13, 5, 1, value);
  return std::string(field, 13);
}

// The balance's totals are the result list's QP and QM at the same times: the same values,
// which the list prints in 1P,E13.5.
TEST_F(BalanceRun, TotalsAreTheResultListsQpAndQm) {
  dir.write("OTF.DAT", requestedTimes);
  ASSERT_EQ(run("--to balance --times OTF.DAT").exitStatus, 0);
  ASSERT_EQ(run("--to list --times OTF.DAT").exitStatus, 0);
  const std::vector<ListTotals> list = listTotals(dir.read("OUTPUT.TXT"));
  std::istringstream rows(dir.read("BALANCE.CSV"));
  std::string row;
  std::getline(rows, row);  // header
  std::getline(rows, row);  // the initial state, which the list does not show
  std::size_t shown = 0;
  while (std::getline(rows, row)) {
    SCOPED_TRACE(row);
    ASSERT_LT(shown, list.size());
    double time = 0, positive = 0, negative = 0;
    int step = 0, nodes = 0;
    ASSERT_EQ(
        std::sscanf(row.c_str(), "%lf,%d,%d,%lf,%lf", &time, &step, &nodes, &positive, &negative),
        5);
    const ListTotals& expected = list[shown++];
    EXPECT_EQ(exponentField(time), expected.time);
    EXPECT_EQ(std::stoi(expected.step), step);
    EXPECT_EQ(exponentField(positive), expected.positive);
    EXPECT_EQ(exponentField(negative), expected.negative);
  }
  EXPECT_EQ(shown, list.size());
  EXPECT_EQ(shown, 3u);
}

// A run that stops on a cut step keeps the records of the outputs before it.
TEST_F(BalanceRun, StoppedRunKeepsTheRowsWritten) {
  const std::string whole = dir.readBytes("RES.DAT");
  dir.write("CUT.DAT", whole.substr(0, whole.find("3 40.0") + 20));
  const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "CUT.DAT -q --to balance");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.standardError.rfind("forrtl: severe (24): end-of-file during read", 0), 0u)
      << result.standardError;
  EXPECT_TRUE(sameText(dir.read("BALANCE.CSV"), balanceHeader + joined(storedRows, {0, 1, 2})));
  EXPECT_TRUE(
      sameText(dir.read("BALANCE_BY_CODE.CSV"), byCodeHeader + joined(storedCodeRows, {0, 1, 2})));
}

// --info gives the totals of the initial state and of the last stored step.
TEST_F(BalanceRun, InfoGivesTheTotalsOfTheFirstAndLastState) {
  const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "RES.DAT --info");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_NE(result.standardOutput.find("initial discharge: positive 0.75, negative -0.75\n"
                                       "last discharge:    positive 1, negative 0\n"),
            std::string::npos)
      << result.standardOutput;
}

}  // namespace
