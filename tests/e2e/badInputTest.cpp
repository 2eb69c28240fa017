// Bad input through the real programs, the converter and the extractor. Whatever is fed in, a
// run ends either with a correct result or with a stop on standard error and a non-zero exit
// status, and every record written before the failure is kept: the output then equals that of
// the same run on the file cut cleanly before the bad spot. A stop on bad input is its stop line
// and a second line naming the place: the file, the line and column, the text and what was being
// read, or, at an end of file, how many values of which block were still missing.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/programRun.h"

namespace {

namespace fs = std::filesystem;

// The loop fixture: title, counts (9 nodes, 2 elements, 8 node numbers each), nine node lines,
// two element lines, then steps 1, 2 and 3 at times 10, 20 and 30, each a header line, nine
// node lines and two element lines.
constexpr int titleLine = 1;
constexpr int countsLine = 2;
constexpr int firstNodeLine = 3;
constexpr int firstElementLine = 12;
constexpr int step1Header = 14;
constexpr int step2Header = 26;
constexpr int step2FirstElement = 36;
constexpr int step3Header = 38;
constexpr int lineCount = 49;

const std::vector<std::string>& baseLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> all;
    std::istringstream text(readFile(fixturePath("loop/RES123.DAT")));
    for (std::string line; std::getline(text, line);) all.push_back(line);
    return all;
  }();
  return lines;
}

// Lines 1..n of the fixture.
std::string firstLines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += baseLines()[static_cast<std::size_t>(i)] + "\n";
  return text;
}
const std::string wholeFile = firstLines(lineCount);

// The fixture with line `number` replaced.
std::string withLine(int number, const std::string& line) {
  std::string text;
  for (int i = 1; i <= lineCount; ++i) {
    text += (i == number ? line : baseLines()[static_cast<std::size_t>(i - 1)]) + "\n";
  }
  return text;
}

// Requested times 5, 15 and 25: the result list shows one state per stored step read.
const std::string outputTimes = "    3\n       5.0      15.0      25.0\n    0    0\n";
const std::string listAnswers = "1\nRES.DAT\n0\nOTF.DAT\n";

std::string runTimeStop(int error, int unit, const std::string& file) {
  static const char* const messages[] = {"end-of-file during read", "file not found",
                                         "list-directed I/O syntax error",
                                         "input conversion error"};
  const char* message = error == 24   ? messages[0]
                        : error == 29 ? messages[1]
                        : error == 59 ? messages[2]
                                      : messages[3];
  return "forrtl: severe (" + std::to_string(error) + "): " + message + ", unit " +
         std::to_string(unit) + ", file " + file + "\n";
}
const std::string noMemory = "forrtl: severe (41): insufficient virtual memory\n";

// A stop line followed by the line naming its place.
std::string at(const std::string& stop, const std::string& location) {
  return stop + location + "\n";
}

// Runs `program` like WorkDirectory::run, killed after a minute so that a hang fails the test
// instead of the suite.
ProgramResult runLimited(const WorkDirectory& dir, const std::string& program,
                         const std::string& answers) {
  dir.write(".answers", answers);
  const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C timeout -s KILL 60 '" +
                              program + "' < .answers > .stdout 2> .stderr";
  const int status = std::system(command.c_str());
  ProgramResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardOutput = dir.read(".stdout");
  result.standardError = dir.read(".stderr");
  for (const char* name : {".answers", ".stdout", ".stderr"}) fs::remove(dir.path() / name);
  return result;
}

// What must be left of the output file after the run.
enum class Kept {
  absent,     // the run stops before the file is opened
  empty,      // opened, nothing written before the stop
  reference,  // what the same answers write for `reference` as the result file
};

struct ResultFileCase {
  const char* name;
  std::string resultFile;
  std::string stop;  // the whole of standard error; empty for a normal end
  Kept kept;
  std::string reference = {};
};

// Shown by its name in test listings.
void PrintTo(const ResultFileCase& c, std::ostream* out) {
  *out << c.name;
}

// The OUTPUT.TXT that the list answers write for a well-formed result file.
std::string referenceList(const std::string& resultFile) {
  WorkDirectory dir;
  dir.write("RES.DAT", resultFile);
  dir.write("OTF.DAT", outputTimes);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  EXPECT_EQ(result.exitStatus, 0) << "reference run: " << result.standardError;
  return dir.read("OUTPUT.TXT");
}

void checkKept(const WorkDirectory& dir, const std::string& file, Kept kept,
               const std::string& reference) {
  switch (kept) {
    case Kept::absent:
      EXPECT_FALSE(dir.exists(file));
      break;
    case Kept::empty:
      ASSERT_TRUE(dir.exists(file));
      EXPECT_EQ(dir.read(file), "");
      break;
    case Kept::reference: {
      ASSERT_TRUE(dir.exists(file));
      const std::string expected = referenceList(reference);
      EXPECT_FALSE(expected.empty());
      EXPECT_TRUE(sameText(dir.read(file), expected));
      break;
    }
  }
}

class BadResultFile : public ::testing::TestWithParam<ResultFileCase> {};

TEST_P(BadResultFile, StopsWithOneLineAndKeepsTheOutput) {
  const ResultFileCase& c = GetParam();
  WorkDirectory dir;
  dir.write("RES.DAT", c.resultFile);
  dir.write("OTF.DAT", outputTimes);
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(result.standardError, c.stop);
  if (c.stop.empty()) {
    EXPECT_EQ(result.exitStatus, 0);
  } else {
    EXPECT_GT(result.exitStatus, 0);
  }
  checkKept(dir, "OUTPUT.TXT", c.kept, c.reference);
}

const std::string endOfResult = runTimeStop(24, 5, "RES.DAT");
const std::string syntaxInResult = runTimeStop(59, 5, "RES.DAT");
// The first step is complete: its requested time (5) is written before the cut.
const std::string throughStep1 = firstLines(step2Header - 1);

// A prism of eight numbers, its last two 0, and a hexahedron, with K node numbers each.
std::string withNodesPerElement(int k, const std::string& first, const std::string& second) {
  std::string text = withLine(countsLine, "9 2 " + std::to_string(k));
  const std::string& oldFirst = baseLines()[firstElementLine - 1];
  const std::string& oldSecond = baseLines()[firstElementLine];
  text.replace(text.find(oldFirst + "\n"), oldFirst.size(), first);
  text.replace(text.find(oldSecond + "\n"), oldSecond.size(), second);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadResultFile,
    ::testing::Values(
        // Cut at every block.
        ResultFileCase{"emptyFile", "",
                       at(endOfResult,
                          "RES.DAT, end of file at its start (the file is empty): the title is "
                          "missing"),
                       Kept::absent},
        ResultFileCase{"cutAfterTitle", firstLines(titleLine),
                       at(endOfResult,
                          "RES.DAT, end of file after line 1: 3 of the 3 values of the counts in "
                          "the header were still missing"),
                       Kept::absent},
        ResultFileCase{"cutInCounts", firstLines(titleLine) + "9 2",
                       at(endOfResult,
                          "RES.DAT, end of file after line 2: 1 of the 3 values of the counts in "
                          "the header was still missing"),
                       Kept::absent},
        ResultFileCase{"cutInNodeBlock", firstLines(firstNodeLine + 3),
                       at(endOfResult,
                          "RES.DAT, end of file after line 6: 30 of the 54 values of the initial "
                          "node block were still missing"),
                       Kept::empty},
        ResultFileCase{"cutInElementBlock", firstLines(firstElementLine),
                       at(endOfResult,
                          "RES.DAT, end of file after line 12: 9 of the 18 values of the element "
                          "block were still missing"),
                       Kept::empty},
        ResultFileCase{"cutAtStepHeaderIsTheEnd", throughStep1, "", Kept::reference, throughStep1},
        ResultFileCase{"cutAfterStepHeader", firstLines(step2Header),
                       at(endOfResult,
                          "RES.DAT, end of file after line 26: 27 of the 27 values of the node "
                          "block of the step at line 26 (step number 2) were still missing"),
                       Kept::reference, throughStep1},
        ResultFileCase{"cutInStepNodeBlock", firstLines(step2Header + 4),
                       at(endOfResult,
                          "RES.DAT, end of file after line 30: 15 of the 27 values of the node "
                          "block of the step at line 26 (step number 2) were still missing"),
                       Kept::reference, throughStep1},
        ResultFileCase{"cutInStepElementBlock", firstLines(step2FirstElement),
                       at(endOfResult,
                          "RES.DAT, end of file after line 36: 3 of the 6 values of the element "
                          "block of the step at line 26 (step number 2) were still missing"),
                       Kept::reference, throughStep1},
        ResultFileCase{"cutInStepValue", firstLines(step2FirstElement) + "3.0 4.",
                       at(endOfResult,
                          "RES.DAT, end of file after line 37: 1 of the 6 values of the element "
                          "block of the step at line 26 (step number 2) was still missing"),
                       Kept::reference, throughStep1},
        ResultFileCase{"noElementRecord", "one node\n1 0 8\n0 0 0 1 0 0\n",
                       at(endOfResult,
                          "RES.DAT, end of file after line 3: the record of the element block is "
                          "missing"),
                       Kept::empty},
        // A value that is not a number, in each block.
        ResultFileCase{"lettersInCounts", withLine(countsLine, "9 two 8"),
                       at(syntaxInResult,
                          "RES.DAT, line 2, column 3, \"two\": the element count in the header"),
                       Kept::absent},
        ResultFileCase{"lettersInNodeBlock", withLine(firstNodeLine + 1, "1.0 0.0 O.0 1.0 -1.0 0"),
                       at(syntaxInResult,
                          "RES.DAT, line 4, column 9, \"O.0\": the z coordinate of node 2 in the "
                          "initial node block"),
                       Kept::empty},
        ResultFileCase{"realNodeCode", withLine(firstNodeLine + 1, "1.0 0.0 0.0 1.0 -1.0 0.5"),
                       at(syntaxInResult,
                          "RES.DAT, line 4, column 22, \"0.5\": the node code of node 2 in the "
                          "initial node block"),
                       Kept::empty},
        ResultFileCase{"lettersInElementBlock", withLine(firstElementLine, "1 2 3 4 5 6 7 B 1"),
                       at(syntaxInResult,
                          "RES.DAT, line 12, column 15, \"B\": node number 8 of element 1 in the "
                          "element block"),
                       Kept::empty},
        ResultFileCase{"lettersInMaterialNumber",
                       withLine(firstElementLine + 1, "1 2 3 5 6 7 0 0 minus"),
                       at(syntaxInResult,
                          "RES.DAT, line 13, column 17, \"minus\": the material number of "
                          "element 2 in the element block"),
                       Kept::empty},
        ResultFileCase{"lettersInStepNumber", withLine(step2Header, "two 20.0"),
                       at(syntaxInResult,
                          "RES.DAT, line 26, column 1, \"two\": the step number of a step header"),
                       Kept::reference, throughStep1},
        ResultFileCase{"lettersInStepHeader", withLine(step2Header, "2 twenty"),
                       at(syntaxInResult,
                          "RES.DAT, line 26, column 3, \"twenty\": the time of the step at line "
                          "26 (step number 2)"),
                       Kept::reference, throughStep1},
        ResultFileCase{"lettersInStepNodeBlock", withLine(step2Header + 2, "20.0 3.0 zero"),
                       at(syntaxInResult,
                          "RES.DAT, line 28, column 10, \"zero\": the node code of node 2 of the "
                          "step at line 26 (step number 2)"),
                       Kept::reference, throughStep1},
        ResultFileCase{"lettersInStepElementBlock", withLine(step2FirstElement, "3.0 4.0 5.0e"),
                       at(syntaxInResult,
                          "RES.DAT, line 36, column 9, \"5.0e\": the z velocity of element 1 of "
                          "the step at line 26 (step number 2)"),
                       Kept::reference, throughStep1},
        // A repeated value that is not a number is named by its repeat token; a long token is
        // shown cut to 40 characters.
        ResultFileCase{"badRepeatedValue", withLine(step2Header + 3, "2*x 0"),
                       at(syntaxInResult,
                          "RES.DAT, line 29, column 1, \"2*x\": the pressure head of node 3 of "
                          "the step at line 26 (step number 2)"),
                       Kept::reference, throughStep1},
        ResultFileCase{"badRepeatedCode", withLine(step2Header + 3, "3*1.5"),
                       at(syntaxInResult,
                          "RES.DAT, line 29, column 1, \"3*1.5\": the node code of node 3 of the "
                          "step at line 26 (step number 2)"),
                       Kept::reference, throughStep1},
        ResultFileCase{"longBadToken",
                       withLine(step2Header + 9, "1.0 2.0 " + std::string(60, '7') + "x"),
                       at(syntaxInResult,
                          "RES.DAT, line 35, column 9, \"" + std::string(40, '7') +
                              "\": the node code of node 9 of the step at line 26 (step number "
                              "2)"),
                       Kept::reference, throughStep1},
        ResultFileCase{"lettersInLastStep", withLine(lineCount, "1.0 2.0 q"),
                       at(syntaxInResult,
                          "RES.DAT, line 49, column 9, \"q\": the z velocity of element 2 of the "
                          "step at line 38 (step number 3)"),
                       Kept::reference, firstLines(step3Header - 1)},
        // Counts: negative, zero, absurd.
        ResultFileCase{"negativeNodeCount", withLine(countsLine, "-9 2 8"),
                       at("RES.DAT: negative count (nodes -9, elements 2, nodes per element 8)\n",
                          "RES.DAT, line 2: the counts in the header"),
                       Kept::absent},
        ResultFileCase{"negativeNodesPerElement", withLine(countsLine, "9 2 -8"),
                       at("RES.DAT: negative count (nodes 9, elements 2, nodes per element -8)\n",
                          "RES.DAT, line 2: the counts in the header"),
                       Kept::absent},
        ResultFileCase{"zeroCounts", "empty mesh\n0 0 0\n\n\n1 10.0\n\n\n", "", Kept::reference,
                       "empty mesh\n0 0 0\n\n\n1 10.0\n\n\n"},
        ResultFileCase{"twoBillionNodes", withLine(countsLine, "2000000000 2 8"), noMemory,
                       Kept::empty},
        ResultFileCase{"twoBillionElements", withLine(countsLine, "9 2000000000 8"), noMemory,
                       Kept::empty},
        ResultFileCase{"twoBillionNodesPerElement", withLine(countsLine, "9 2 2000000000"),
                       noMemory, Kept::empty},
        ResultFileCase{"countBeyondInteger", withLine(countsLine, "9 2 99999999999"),
                       at(syntaxInResult,
                          "RES.DAT, line 2, column 5, \"99999999999\": the count of node numbers "
                          "per element in the header"),
                       Kept::absent},
        // Node numbers outside 0 to N.
        ResultFileCase{"nodeNumberAboveCount",
                       withLine(firstElementLine + 1, "1 2 3 5 6 10 0 0 -1"),
                       at("RES.DAT: element 2 names node 10, outside 0 to 9\n",
                          "RES.DAT, line 13, column 11, \"10\": node number 6 of element 2 in the "
                          "element block"),
                       Kept::empty},
        ResultFileCase{"negativeNodeNumber", withLine(firstElementLine, "1 2 3 4 5 6 7 -8 1"),
                       at("RES.DAT: element 1 names node -8, outside 0 to 9\n",
                          "RES.DAT, line 12, column 15, \"-8\": node number 8 of element 1 in the "
                          "element block"),
                       Kept::empty},
        // K of 0, 1 and 20: the list does not depend on the slots, only on which nodes are used.
        ResultFileCase{"noNodesPerElement", withNodesPerElement(0, "1", "-1"), "", Kept::reference,
                       withNodesPerElement(0, "1", "-1")},
        ResultFileCase{"oneNodePerElement", withNodesPerElement(1, "9 1", "1 -1"), "",
                       Kept::reference, withNodesPerElement(1, "9 1", "1 -1")},
        ResultFileCase{"twentyNodesPerElement",
                       withNodesPerElement(20, "1 2 3 4 5 6 7 8 12*0 1", "1 2 3 5 6 7 14*0 -1"), "",
                       Kept::reference, wholeFile}),
    [](const ::testing::TestParamInfo<ResultFileCase>& param) {
      return std::string(param.param.name);
    });

// NaN and Infinity read from the result file and written as the words the run-time uses.
TEST(NonFiniteValues, AreReadAndWrittenAsWords) {
  WorkDirectory dir;
  dir.write("RES.DAT", withLine(step1Header + 1, "NaN Infinity 0") + "");
  dir.write("OTF.DAT", outputTimes);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  const std::string list = dir.read("OUTPUT.TXT");
  // Time 5 lies halfway between the initial state and step 1: NaN and Infinity carry through.
  EXPECT_NE(list.find("      1         NaN         NaN    Infinity     2  5.5000E+00"),
            std::string::npos)
      << list;
  EXPECT_NE(list.find("***   QP( +  ) =     Infinity\n"), std::string::npos) << list;
}

// Non-finite coordinates, values and points through every output form and sub-mesh form: the
// run ends normally, whatever the numbers written.
TEST(NonFiniteValues, PassThroughEveryOutputForm) {
  const std::string nonFiniteMesh = [] {
    // Node 1 of the mesh, element 1 of step 1.
    std::string text = withLine(step1Header + 10, "NaN Inf -Inf");
    const std::string& firstNode = baseLines()[firstNodeLine - 1];
    text.replace(text.find(firstNode), firstNode.size(), "NaN 0.0 -Infinity NaN Infinity 0");
    return text;
  }();
  const std::string subMesh =
      "    1\n      15.0\n    3    1\n1 0.5 0.5 0.5\n2 NaN 0.5 0.5\n3 1e308 -1e308 0.5\n"
      "1 1 2 3 3\n";
  for (const char* answers :
       {"1\n0\n", "2\n0\n", "3\n0\n", "9\n15.0\n0\n0\n", "4\n1\nOTF.DAT\n1\n", "4\n1\nOTF.DAT\n2\n",
        "4\n1\nOTF.DAT\n3\n", "4\n1\nOTF.DAT\n4\n", "4\n1\nOTF.DAT\n5\n"}) {
    SCOPED_TRACE(answers);
    WorkDirectory dir;
    dir.write("RES.DAT", nonFiniteMesh);
    dir.write("OTF.DAT", subMesh);
    const ProgramResult result =
        runLimited(dir, RESCONV_PATH, std::string("1\nRES.DAT\n") + answers);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardError, "");
  }
}

// The output-time file: cut short, letters in numeric columns, counts above what follows.
struct OutputTimeCase {
  const char* name;
  std::string outputTimeFile;
  std::string answers;
  std::string stop;
};

// Shown by its name in test listings.
void PrintTo(const OutputTimeCase& c, std::ostream* out) {
  *out << c.name;
}

class BadOutputTimeFile : public ::testing::TestWithParam<OutputTimeCase> {};

TEST_P(BadOutputTimeFile, StopsWithOneLine) {
  const OutputTimeCase& c = GetParam();
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("OTF.DAT", c.outputTimeFile);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, c.answers);
  EXPECT_EQ(result.standardError, c.stop);
  EXPECT_GT(result.exitStatus, 0);
}

const std::string endOfTimes = runTimeStop(24, 17, "OTF.DAT");
const std::string conversionInTimes = runTimeStop(64, 17, "OTF.DAT");
const std::string interpAnswers = "1\nRES.DAT\n4\n0\nOTF.DAT\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadOutputTimeFile,
    ::testing::Values(
        OutputTimeCase{"empty", "", listAnswers,
                       at(endOfTimes,
                          "OTF.DAT, end of file at its start (the file is empty): the output-time "
                          "count of the output-time file is missing")},
        OutputTimeCase{"withoutSubMeshRecord", "    1\n      15.0\n", listAnswers,
                       at(endOfTimes,
                          "OTF.DAT, end of file after line 2: 2 of the 2 values of the record of "
                          "the point and sub-mesh element counts of the output-time file were "
                          "still missing")},
        // Eight fields to a record, blank ones read as 0.0: 16 of the 20 times are there.
        OutputTimeCase{"moreTimesThanFollow", "   20\n      15.0\n    0    0\n", listAnswers,
                       at(endOfTimes,
                          "OTF.DAT, end of file after line 3: 4 of the 20 values of the requested "
                          "times of the output-time file were still missing")},
        OutputTimeCase{"lettersInCount", "   1x\n", listAnswers,
                       at(conversionInTimes,
                          "OTF.DAT, line 1, columns 1-5, \"   1x\": the output-time count of the "
                          "output-time file")},
        OutputTimeCase{"lettersInTime", "    2\n      15.0      1a.0\n    0    0\n", listAnswers,
                       at(conversionInTimes,
                          "OTF.DAT, line 2, columns 11-20, \"      1a.0\": requested time 2 of "
                          "the output-time file")},
        OutputTimeCase{"lettersInSubMeshCounts", "    0\n    2    x\n", listAnswers,
                       at(conversionInTimes,
                          "OTF.DAT, line 2, columns 6-10, \"    x\": the sub-mesh element count of "
                          "the output-time file")},
        OutputTimeCase{"morePointsThanFollow", "    0\n    3    0\n1 0.5 0.5 0.5\n", interpAnswers,
                       at(endOfTimes,
                          "OTF.DAT, end of file after line 3: 4 of the 4 values of point record 2 "
                          "of the output-time file were still missing")},
        OutputTimeCase{"lettersInPoint", "    0\n    1    0\n1 0.5 half 0.5\n", interpAnswers,
                       at(runTimeStop(59, 17, "OTF.DAT"),
                          "OTF.DAT, line 3, column 7, \"half\": the y coordinate in point record 1 "
                          "of the output-time file")},
        OutputTimeCase{"lettersInElement",
                       "    0\n    3    1\n1 0 0 0\n2 1 0 0\n3 0 1 0\n1 1 2 three 3\n",
                       interpAnswers,
                       at(runTimeStop(59, 17, "OTF.DAT"),
                          "OTF.DAT, line 6, column 7, \"three\": point 3 in sub-mesh element "
                          "record 1 of the output-time file")},
        OutputTimeCase{"pointNumberZero", "    0\n    1    0\n0 0.5 0.5 0.5\n", interpAnswers,
                       at("OTF.DAT: point record 1 has point number 0, below 1\n",
                          "OTF.DAT, line 3, column 1, \"0\": the point number in point record 1 "
                          "of the output-time file")},
        OutputTimeCase{"negativePointCount", "    0\n   -2    0\n", interpAnswers,
                       at("OTF.DAT: record 2 has the point count -2, below 0\n",
                          "OTF.DAT, line 2, columns 1-5, \"-2\": the point count of the "
                          "output-time file")},
        OutputTimeCase{"negativeSubMeshElementCount",
                       "    1\n      15.0\n    1   -3\n1 0.5 0.5 0.5\n", interpAnswers,
                       at("OTF.DAT: record 3 has the sub-mesh element count -3, below 0\n",
                          "OTF.DAT, line 3, columns 6-10, \"-3\": the sub-mesh element count of "
                          "the output-time file")},
        OutputTimeCase{"missing", "", "1\nRES.DAT\n0\nNONE.DAT\n",
                       runTimeStop(29, 17, "NONE.DAT")}),
    [](const ::testing::TestParamInfo<OutputTimeCase>& param) {
      return std::string(param.param.name);
    });

// The console and the work list: answers that end early, too few work-list records, long
// names. Nothing loops waiting for input that never comes.
struct DialogueCase {
  const char* name;
  std::string workList;  // empty: no WORK.LST
  std::string answers;
  std::string stop;  // empty: a normal end
};

// Shown by its name in test listings.
void PrintTo(const DialogueCase& c, std::ostream* out) {
  *out << c.name;
}

class BadDialogue : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(BadDialogue, EndsWithOneLine) {
  const DialogueCase& c = GetParam();
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("ABCDEFGHIJKLMNOPQRST", wholeFile);
  dir.write("OTF.DAT", outputTimes);
  if (!c.workList.empty()) dir.write("WORK.LST", c.workList);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, c.answers);
  EXPECT_EQ(result.standardError, c.stop);
  if (c.stop.empty()) {
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(sameText(dir.read("OUTPUT.TXT"), referenceList(wholeFile)));
  } else {
    EXPECT_GT(result.exitStatus, 0);
  }
}

const std::string endOfConsole = runTimeStop(24, -4, "stdin");

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDialogue,
    ::testing::Values(
        DialogueCase{"noAnswerAtAll", "", "",
                     at(endOfConsole, "stdin, end of file at its start (the file is empty)")},
        DialogueCase{"onlyBlankLines", "", "\n\n\n",
                     at(endOfConsole, "stdin, end of file after line 3")},
        DialogueCase{"endsBeforeTheName", "", "1\n",
                     at(endOfConsole, "stdin, end of file after line 1")},
        DialogueCase{"endsBeforeTheOutputForm", "", "1\nRES.DAT\n",
                     at(endOfConsole, "stdin, end of file after line 2")},
        DialogueCase{"endsBeforeTheDataFileName", "", "1\nRES.DAT\n0\n",
                     at(endOfConsole, "stdin, end of file after line 3")},
        DialogueCase{"answerNotANumber", "", "one\n",
                     at(runTimeStop(59, -4, "stdin"), "stdin, line 1, column 1, \"one\"")},
        DialogueCase{"laterAnswerNotANumber", "", "1\nRES.DAT\n\n  zero\n",
                     at(runTimeStop(59, -4, "stdin"), "stdin, line 4, column 3, \"zero\"")},
        DialogueCase{"workListOfFiveLines", "1\n2\n3\n4\nRES.DAT\n", "0\n",
                     at(runTimeStop(24, 98, "WORK.LST"), "WORK.LST, end of file after line 5")},
        DialogueCase{"workListMissing", "", "0\n", runTimeStop(29, 98, "WORK.LST")},
        DialogueCase{"typedNameCutAt20", "", "1\nABCDEFGHIJKLMNOPQRSTUVWXYZ\n0\nOTF.DAT\n", ""},
        DialogueCase{"workListNameCutAt20", "1\n2\n3\n4\n5\nABCDEFGHIJKLMNOPQRSTUVWXYZ.DAT\n",
                     "0\n0\nOTF.DAT\n", ""},
        DialogueCase{"longNameOfNoFile", "", "1\nRES.DAT.WITH.A.LONG.SUFFIX\n",
                     runTimeStop(29, 5, "RES.DAT.WITH.A.LONG.")}),
    [](const ::testing::TestParamInfo<DialogueCase>& param) {
      return std::string(param.param.name);
    });

// The graph data file of the extractor: cut short, letters in numeric columns, counts above
// what follows or above the capacities, numbers beyond the mesh, absurd capacities. Tables are
// written only once the result file has been read, so after a stop an old table is untouched.
struct GraphDataCase {
  const char* name;
  std::string graphData;
  std::string resultFile;
  std::string stop;
};

// Shown by its name in test listings.
void PrintTo(const GraphDataCase& c, std::ostream* out) {
  *out << c.name;
}

class BadGraphData : public ::testing::TestWithParam<GraphDataCase> {};

TEST_P(BadGraphData, StopsWithOneLineAndLeavesOldTables) {
  const GraphDataCase& c = GetParam();
  WorkDirectory dir;
  dir.write("RES.DAT", c.resultFile);
  dir.write("GRAPH.DAT", c.graphData);
  dir.write("HTIME.CSV", "old table\n");
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult result = runLimited(dir, TSERIES_PATH, "1\nRES.DAT\nGRAPH.DAT\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(result.standardError, c.stop);
  EXPECT_GT(result.exitStatus, 0);
  EXPECT_EQ(dir.readBytes("HTIME.CSV"), "old table\n");  // as the test wrote it
  EXPECT_FALSE(dir.exists("VTIME.CSV"));
}

const std::string endOfGraph = runTimeStop(24, 7, "GRAPH.DAT");
// Head nodes 1 and 9, velocity element 2.
const std::string goodGraph = "\n    2\n      1      9\n    0\n    0\n    1\n      2\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadGraphData,
    ::testing::Values(
        GraphDataCase{"empty", "", wholeFile,
                      at(endOfGraph,
                         "GRAPH.DAT, end of file at its start (the file is empty): 5 of the 5 "
                         "values of the first record of the graph data file were still missing")},
        GraphDataCase{"cutBeforeTheList", "\n    2\n", wholeFile,
                      at(endOfGraph,
                         "GRAPH.DAT, end of file after line 2: 2 of the 2 values of the head node "
                         "list of the graph data file were still missing")},
        GraphDataCase{"cutBeforeTheLastCount", "\n    2\n      1      9\n    0\n    0\n", wholeFile,
                      at(endOfGraph,
                         "GRAPH.DAT, end of file after line 5: the velocity element count of the "
                         "graph data file is missing")},
        // The list reads on into the count records, which leaves the last count missing.
        GraphDataCase{"moreNumbersThanFollow", "\n   12\n      1      2\n    0\n    0\n    0\n",
                      wholeFile,
                      at(endOfGraph,
                         "GRAPH.DAT, end of file after line 6: the velocity element count of the "
                         "graph data file is missing")},
        GraphDataCase{"lettersInCapacities", "  1OO\n", wholeFile,
                      at(runTimeStop(64, 7, "GRAPH.DAT"),
                         "GRAPH.DAT, line 1, columns 1-5, \"  1OO\": the step capacity in the "
                         "first record of the graph data file")},
        GraphDataCase{"lettersInList", "\n    2\n      1      x\n    0\n    0\n    0\n", wholeFile,
                      at(runTimeStop(64, 7, "GRAPH.DAT"),
                         "GRAPH.DAT, line 3, columns 8-14, \"      x\": head node 2 of the head "
                         "node list of the graph data file")},
        GraphDataCase{"lettersInVelocityList", "\n    0\n    0\n    0\n    1\n      z\n", wholeFile,
                      at(runTimeStop(64, 7, "GRAPH.DAT"),
                         "GRAPH.DAT, line 6, columns 1-7, \"      z\": velocity element 1 of the "
                         "velocity element list of the graph data file")},
        GraphDataCase{"lettersInPressureCount", "\n    0\n   p1\n", wholeFile,
                      at(runTimeStop(64, 7, "GRAPH.DAT"),
                         "GRAPH.DAT, line 3, columns 1-5, \"   p1\": the pressure node count of "
                         "the graph data file")},
        GraphDataCase{"countAboveCapacity", "\n   60\n", wholeFile,
                      at("GRAPH.DAT: the head node list holds 60 numbers, above its capacity 50\n",
                         "GRAPH.DAT, line 2, columns 1-5, \"60\": the head node count of the "
                         "graph data file")},
        GraphDataCase{"nodeBeyondTheMesh", "\n    2\n      1     10\n    0\n    0\n    0\n",
                      wholeFile,
                      at("GRAPH.DAT: head node 10 is above the node count 9\n",
                         "GRAPH.DAT, line 3, columns 8-14, \"10\": head node 2 of the head node "
                         "list of the graph data file")},
        GraphDataCase{"nodeBeyondTheMeshOnASecondRecord",
                      "\n   12\n      1      2      3      4      5      6      7      8      9"
                      "      1\n      2     10\n    0\n    0\n    0\n",
                      wholeFile,
                      at("GRAPH.DAT: head node 10 is above the node count 9\n",
                         "GRAPH.DAT, line 4, columns 8-14, \"10\": head node 12 of the head node "
                         "list of the graph data file")},
        GraphDataCase{
            "absurdCapacities", "99999999999999999999999999\n    0\n    0\n    0\n    0\n",
            wholeFile,
            at(noMemory,
               "RES.DAT, line 2: 9 nodes and 2 elements in the header; GRAPH.DAT, line 1: "
               "capacities of 99,999 steps, 99,999, 99,999 and 99,999 head, pressure and "
               "discharge nodes and 99,999 velocity elements")},
        GraphDataCase{"resultFileCutInAStep", goodGraph, firstLines(step2Header + 4),
                      at(endOfResult,
                         "RES.DAT, end of file after line 30: 15 of the 27 values of the node "
                         "block of the step at line 26 (step number 2) were still missing")},
        GraphDataCase{"resultFileGarbledInAStep", goodGraph,
                      withLine(step3Header - 1, "9.0 9.0 nine"),
                      at(syntaxInResult,
                         "RES.DAT, line 37, column 9, \"nine\": the z velocity of element 2 of "
                         "the step at line 26 (step number 2)")},
        GraphDataCase{
            "absurdNodeCount", goodGraph, withLine(countsLine, "2000000000 2 8"),
            at(noMemory,
               "RES.DAT, line 2: 2,000,000,000 nodes and 2 elements in the header; "
               "GRAPH.DAT, line 1: capacities of 100 steps, 50, 50 and 100 head, pressure "
               "and discharge nodes and 50 velocity elements")}),
    [](const ::testing::TestParamInfo<GraphDataCase>& param) {
      return std::string(param.param.name);
    });

// Negative counts in the output-time file stop before the sub-mesh question and before any
// zone is written.
TEST(NegativeSubMeshCounts, StopBeforeAnyOutput) {
  for (const char* counts : {"   -2    0", "    1   -3", "   -1   -1"}) {
    SCOPED_TRACE(counts);
    WorkDirectory dir;
    dir.write("RES.DAT", wholeFile);
    dir.write("OTF.DAT", "    1\n      15.0\n" + std::string(counts) + "\n1 0.5 0.5 0.5\n");
    const ProgramResult result = runLimited(dir, RESCONV_PATH, "1\nRES.DAT\n4\n1\nOTF.DAT\n1\n");
    EXPECT_GT(result.exitStatus, 0);
    EXPECT_EQ(result.standardError.rfind("OTF.DAT: record 3 has the ", 0), 0u)
        << result.standardError;
    // The sub-mesh menu is the only one that offers TALVIX.
    EXPECT_EQ(result.standardOutput.find("TALVIX"), std::string::npos);
    ASSERT_TRUE(dir.exists("INTERP.TXT"));
    EXPECT_EQ(dir.read("INTERP.TXT"), "");
  }
}

// A result file of many stored steps, several megabytes, so that the stop comes many read
// blocks after the file's start: the line numbers are recovered from the file (or counted, when
// the file is a pipe) and shown with thousands separators.
std::string manyStepFile(int steps) {
  std::string text = firstLines(step1Header - 1);
  const std::string step = firstLines(step2Header - 1).substr(firstLines(step1Header - 1).size());
  for (int s = 1; s <= steps; ++s) text += step;
  return text;
}

std::string grouped(int value) {
  std::string digits = std::to_string(value);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<std::size_t>(i), 1, ',');
  }
  return digits;
}

TEST(LocationLine, NamesLinesFarIntoALargeFile) {
  constexpr int steps = 30000;  // 12 lines each: the bad value stands near line 360,000
  const std::string bad = manyStepFile(steps) + "30001 9.9\n" +
                          "1.0 2.0 0\n1.0 2.0 0\n1.0 2.0 0\n1.0 2.0 0\n1.0 2.0 x\n";
  ASSERT_GT(bad.size(), std::size_t{3} << 20);  // the programs read 1 MB blocks
  const int header = step1Header - 1 + 12 * steps + 1;
  const std::string location = "RES.DAT, line " + grouped(header + 5) +
                               ", column 9, \"x\": the node code of node 5 of the step at line " +
                               grouped(header) + " (step number 30001)\n";
  // The extractor keeps up to 40,000 steps here, so that it reads on to the bad one.
  const std::string graph = "40000\n    1\n      1\n    0\n    0\n    0\n";
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "through a pipe" : "a regular file");
    for (const std::string program : {RESCONV_PATH, TSERIES_PATH}) {
      SCOPED_TRACE(program);
      WorkDirectory dir;
      dir.write("GRAPH.DAT", graph);
      dir.write(".answers",
                program == RESCONV_PATH ? "1\nRES.DAT\n7\n0\n" : "1\nRES.DAT\nGRAPH.DAT\n");
      std::string feed;
      if (pipe) {
        dir.write("BAD.DAT", bad);
        ASSERT_EQ(::mkfifo((dir.path() / "RES.DAT").c_str(), 0600), 0);
        feed = "(cat BAD.DAT > RES.DAT &) && ";
      } else {
        dir.write("RES.DAT", bad);
      }
      const std::string command = "cd '" + dir.path().string() + "' && " + feed +
                                  "LC_ALL=C timeout -s KILL 60 '" + program +
                                  "' < .answers > /dev/null 2> .stderr";
      const int status = std::system(command.c_str());
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_GT(WEXITSTATUS(status), 0);
      EXPECT_EQ(dir.read(".stderr"), syntaxInResult + location);
    }
  }
}

// The peak resident memory of one run of `program`, as wait4 reports it for that child alone.
long peakKilobytes(const WorkDirectory& dir, const std::string& program, const std::string& answers,
                   std::string& standardError) {
  dir.write(".answers", answers);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    const int in = ::open(".answers", O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    const int error = ::open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || error < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(error, 2);
    ::setenv("LC_ALL", "C", 1);
    ::alarm(60);  // a hang ends the run instead of the suite
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return -1;
  standardError = dir.read(".stderr");
  return WIFEXITED(status) && WEXITSTATUS(status) > 0 ? usage.ru_maxrss : -1;
}

// Headers whose counts the file cannot fill stop with error 24 at the end of file, without
// touching the memory the counts promise: the arrays' pages are given by the system only as
// values land in them. Repeat counts let a few bytes hold many values, and still only what is
// read is touched.
TEST(AbsurdHeaders, StopAtTheEndOfFileWithLittleMemory) {
  struct Case {
    const char* name;
    std::string resultFile;
    std::string location;
  };
  const Case cases[] = {
      {"a hundred million nodes", "t\n100000000 1 8\n",
       "RES.DAT, end of file after line 2: 600,000,000 of the 600,000,000 values of the initial "
       "node block were still missing"},
      {"a hundred million elements", "t\n1 100000000 8\n0 0 0 1 0 0\n",
       "RES.DAT, end of file after line 3: 900,000,000 of the 900,000,000 values of the element "
       "block were still missing"},
      {"700 million node numbers per element", "t\n1 1 700000000\n0 0 0 1 0 0\n",
       "RES.DAT, end of file after line 3: 700,000,001 of the 700,000,001 values of the element "
       "block were still missing"},
      {"repeat counts fill a little", "t\n100000000 1 8\n5*0 1000*1\n",
       "RES.DAT, end of file after line 3: 599,998,995 of the 600,000,000 values of the initial "
       "node block were still missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir;
    dir.write("RES.DAT", c.resultFile);
    // Head node 1 and velocity element 1: the node and element arrays are all wanted.
    dir.write("GRAPH.DAT", "\n    1\n      1\n    0\n    0\n    1\n      1\n");
    // The extractor, and the converter writing Tecplot blocks with interpolation at a
    // requested time (every work array of the solid mesh sized).
    dir.write("OTF.DAT", "    1\n      15.0\n    0    0\n");
    const std::pair<const char*, const char*> runs[] = {
        {TSERIES_PATH, "1\nRES.DAT\nGRAPH.DAT\n"}, {RESCONV_PATH, "1\nRES.DAT\n1\n1\nOTF.DAT\n"}};
    for (const auto& [program, answers] : runs) {
      SCOPED_TRACE(program);
      std::string standardError;
      const long peak = peakKilobytes(dir, program, answers, standardError);
      EXPECT_EQ(standardError, at(endOfResult, c.location));
      EXPECT_GT(peak, 0);
      EXPECT_LT(peak, 50 * 1024) << "peak resident memory in kilobytes";
    }
  }
}

// Outputs that cannot be written stop with a message naming the file and a non-zero status.
struct WriteFailureCase {
  const char* name;
  const char* program;
  std::string answers;
  std::function<void(const WorkDirectory&)> prepare;
  std::string redirect;  // appended to the command: where the console's output goes
  std::string stop;
  bool removesScratch = false;  // a failed write of the MicroAVS form removes AVS.tmp
};

// Shown by its name in test listings.
void PrintTo(const WriteFailureCase& c, std::ostream* out) {
  *out << c.name;
}

class WriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(WriteFailure, StopsWithAMessage) {
  const WriteFailureCase& c = GetParam();
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("OTF.DAT", outputTimes);
  dir.write("GRAPH.DAT", goodGraph);
  c.prepare(dir);
  // Wine removes no link to a device in a Windows program's stead, as the scratch file on a
  // full device is made here; the removal of a scratch file on disk is checked under Wine too
  // (a file-size limit, endedEarlyTest.cpp).
  const bool scratchOnDisk = !crlfPrograms || !fs::is_symlink(dir.path() / "AVS.tmp");
  dir.write(".answers", c.answers);
  const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C timeout -s KILL 60 '" +
                              c.program + "' < .answers 2> .stderr " + c.redirect;
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_GT(WEXITSTATUS(status), 0);
  EXPECT_EQ(dir.read(".stderr"), c.stop);
  if (c.removesScratch && scratchOnDisk) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "AVS.tmp")));
  }
}

std::function<void(const WorkDirectory&)> directoryNamed(const std::string& name) {
  return [name](const WorkDirectory& dir) { fs::create_directory(dir.path() / name); };
}
std::function<void(const WorkDirectory&)> fullDeviceNamed(const std::string& name) {
  return [name](const WorkDirectory& dir) { fs::create_symlink("/dev/full", dir.path() / name); };
}
const std::string noSpace = ": No space left on device\n";
const std::string graphAnswers = "1\nRES.DAT\nGRAPH.DAT\n";
const std::string avsAnswers = "1\nRES.DAT\n3\n0\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteFailure,
    ::testing::Values(WriteFailureCase{"outputIsADirectory", RESCONV_PATH, listAnswers,
                                       directoryNamed("OUTPUT.TXT"), "> /dev/null",
                                       "cannot open OUTPUT.TXT for writing: Is a directory\n"},
                      WriteFailureCase{"outputOnAFullDevice", RESCONV_PATH, listAnswers,
                                       fullDeviceNamed("OUTPUT.TXT"), "> /dev/null",
                                       "cannot write OUTPUT.TXT" + noSpace +
                                           "OUTPUT.TXT, after the output of step 3 at time 25\n"},
                      WriteFailureCase{"tecplotOnAFullDevice", RESCONV_PATH, "1\nRES.DAT\n1\n0\n",
                                       fullDeviceNamed("TECPLOT.TXT"), "> /dev/null",
                                       "cannot write TECPLOT.TXT" + noSpace +
                                           "TECPLOT.TXT, after the output of step 3 at time 30\n"},
                      WriteFailureCase{"avsScratchOnAFullDevice", RESCONV_PATH, avsAnswers,
                                       fullDeviceNamed("AVS.tmp"), "> /dev/null",
                                       "cannot write AVS.INP" + noSpace +
                                           "AVS.tmp, the scratch file of AVS.INP, after the "
                                           "output of step 3 at time 30\n",
                                       true},
                      WriteFailureCase{"avsScratchIsADirectory", RESCONV_PATH, avsAnswers,
                                       directoryNamed("AVS.tmp"), "> /dev/null",
                                       "cannot open AVS.tmp for writing: Is a directory\n"},
                      WriteFailureCase{"avsFileOnAFullDevice", RESCONV_PATH, avsAnswers,
                                       fullDeviceNamed("AVS.INP"), "> /dev/null",
                                       "cannot write AVS.INP" + noSpace +
                                           "AVS.INP, after the output of step 3 at time 30\n",
                                       true},
                      WriteFailureCase{"consoleOnAFullDevice", RESCONV_PATH, listAnswers,
                                       [](const WorkDirectory&) {}, "> /dev/full",
                                       "cannot write stdout" + noSpace},
                      WriteFailureCase{"tableOnAFullDevice", TSERIES_PATH, graphAnswers,
                                       fullDeviceNamed("HTIME.CSV"), "> /dev/null",
                                       "cannot write HTIME.CSV" + noSpace +
                                           "HTIME.CSV, after reading step 3 at time 30\n"},
                      WriteFailureCase{"tableIsADirectory", TSERIES_PATH, graphAnswers,
                                       directoryNamed("VTIME.CSV"), "> /dev/null",
                                       "cannot open VTIME.CSV for writing: Is a directory\n"},
                      WriteFailureCase{"extractorConsoleOnAFullDevice", TSERIES_PATH, graphAnswers,
                                       [](const WorkDirectory&) {}, "> /dev/full",
                                       "cannot write stdout" + noSpace}),
    [](const ::testing::TestParamInfo<WriteFailureCase>& param) {
      return std::string(param.param.name);
    });

// A directory without write permission stops anyone but root from creating the output; root
// writes there anyway, so the case only runs for other users.
TEST(WriteFailure, ReadOnlyDirectory) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("OTF.DAT", outputTimes);
  dir.write(".answers", listAnswers);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C timeout -s KILL 60 '" +
                              RESCONV_PATH + "' < .answers > /dev/null 2> /tmp/seepage-ro-" +
                              std::to_string(::getpid());
  const int status = std::system(command.c_str());
  ::chmod(dir.path().c_str(), 0755);
  const std::string errorPath = "/tmp/seepage-ro-" + std::to_string(::getpid());
  const std::string error = readFile(errorPath);
  fs::remove(errorPath);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_GT(WEXITSTATUS(status), 0);
  EXPECT_EQ(error, "cannot open OUTPUT.TXT for writing: Permission denied\n");
}

}  // namespace
