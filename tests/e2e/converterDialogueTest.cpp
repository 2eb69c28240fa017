// The converter's dialogue: which questions each answer leads to and which files it opens.
#include <filesystem>
#include <ostream>
#include <set>
#include <string>

#include "common/console.h"
#include "e2e/programRun.h"

namespace {

namespace fs = std::filesystem;

const std::string timeQuestion = toCodePage932(" ---  出力時間の指定を行うか？\n");
const std::string dataFileQuestion =
    toCodePage932(" ---     出力時間・メッシュを設定したデータファイル名の入力\n");
const std::string restartQuestion = toCodePage932(" --- RESTART時間の入力\n");
const std::string typedNameQuestion = toCodePage932(" --- 結果ファイル名の入力 \n");

// Files in the directory that the run created.
std::set<std::string> createdFiles(const WorkDirectory& dir) {
  std::set<std::string> names;
  for (const auto& file : fs::directory_iterator(dir.path())) {
    const std::string name = file.path().filename().string();
    if (name != "RES123.DAT" && name != "OTF.DAT") names.insert(name);
  }
  return names;
}

struct DialogueCase {
  const char* name;
  const char* answers;  // after the source answer and the file name
  bool asksTime;
  bool asksDataFile;
  bool asksRestart;
  std::set<std::string> created;
};

// Shown by its name in test listings.
void PrintTo(const DialogueCase& c, std::ostream* out) {
  *out << c.name;
}

class ConverterDialogue : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(ConverterDialogue, AsksAndOpensPerAnswer) {
  const DialogueCase& c = GetParam();
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT", "    1\n      15.0\n    0    0\n");
  const ProgramResult result = dir.run(RESCONV_PATH, std::string("1\nRES123.DAT\n") + c.answers);
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  const std::string& out = result.standardOutput;
  EXPECT_EQ(out.find(timeQuestion) != std::string::npos, c.asksTime);
  EXPECT_EQ(out.find(dataFileQuestion) != std::string::npos, c.asksDataFile);
  EXPECT_EQ(out.find(restartQuestion) != std::string::npos, c.asksRestart);
  EXPECT_EQ(createdFiles(dir), c.created);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ConverterDialogue,
    ::testing::Values(
        DialogueCase{
            "resultListAlwaysReadsTimes", "0\nOTF.DAT\n", false, true, false, {"OUTPUT.TXT"}},
        DialogueCase{"tecplotNo", "1\n0\n", true, false, false, {"TECPLOT.TXT"}},
        DialogueCase{"tecplotYes", "1\n1\nOTF.DAT\n", true, true, false, {"TECPLOT.TXT"}},
        DialogueCase{"femapAnyOtherAnswerIsNo", "2\n7\n", true, false, false, {"FEMAP.NEU"}},
        DialogueCase{"microAvs", "3\n0\n", true, false, false, {"AVS.INP", "AVS.tmp"}},
        DialogueCase{
            "interpAsksThenReadsAnyway", "4\n0\nOTF.DAT\n", true, true, false, {"INTERP.TXT"}},
        DialogueCase{"restartAsksNeither", "9\n15.0\n0\n1\n", false, false, true, {"RESTART.DAT"}},
        DialogueCase{"form5OpensNothing", "5\n0\n", true, false, false, {}},
        DialogueCase{"form7ReadsTimesAndWritesNothing", "7\n1\nOTF.DAT\n", true, true, false, {}},
        DialogueCase{"form8OpensNothing", "8\n0\n", true, false, false, {}},
        DialogueCase{"negativeFormAsksNothing", "-1\n", false, false, false, {}},
        DialogueCase{"form10AsksNothing", "10\n", false, false, false, {}}),
    [](const ::testing::TestParamInfo<DialogueCase>& param) {
      return std::string(param.param.name);
    });

TEST(ConverterDialogue, AnyOtherSourceAnswerAsksForTheName) {
  for (const char* answer : {"1", "2", "-5"}) {
    SCOPED_TRACE(answer);
    WorkDirectory dir;
    dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
    const ProgramResult result =
        dir.run(RESCONV_PATH, std::string(answer) + "\nRES123.DAT\n1\n0\n");
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_NE(result.standardOutput.find(typedNameQuestion), std::string::npos);
    EXPECT_TRUE(dir.exists("TECPLOT.TXT"));
  }
}

TEST(ConverterDialogue, TypedNameIsCutToTwentyCharacters) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "ABCDEFGHIJKLMNOPQRST");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nABCDEFGHIJKLMNOPQRSTUVWXY\n7\n0\n");
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
}

TEST(ConverterDialogue, MissingOutputTimeFileStopsWithoutCreatingIt) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n1\n1\nNOSUCH.DAT\n");
  EXPECT_NE(result.exitStatus, 0);
  EXPECT_EQ(result.standardError,
            "forrtl: severe (29): file not found, unit 17, file NOSUCH.DAT\n");
  EXPECT_FALSE(dir.exists("NOSUCH.DAT"));
}

TEST(ConverterDialogue, BlankTimeCountReadsNoTimes) {
  // A blank first record is a count of 0: the next record is the point and element counts.
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT", "\n    0    0\n");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n0\nOTF.DAT\n");
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_EQ(dir.read("OUTPUT.TXT"), "");
}

TEST(ConverterDialogue, PointNumberBelowOneIsRejected) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT", "    1\n      15.0\n    2    0\n1 0.5 0.5 0.5\n0 0.2 0.2 0.2\n");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n4\n0\nOTF.DAT\n");
  EXPECT_NE(result.exitStatus, 0);
  // The stop line, then the line naming the place (the bad-input tests check those).
  EXPECT_EQ(result.standardError.substr(0, result.standardError.find('\n') + 1),
            "OTF.DAT: point record 2 has point number 0, below 1\n");
}

}  // namespace

namespace {

// Every run-time stop the converter can meet, each through a real run.
struct StopCase {
  const char* name;
  const char* resultFile;  // contents of RES.DAT; null for none
  const char* outputTimeFile;
  const char* answers;
  const char* stopLine;
};

// Shown by its name in test listings.
void PrintTo(const StopCase& c, std::ostream* out) {
  *out << c.name;
}

class ConverterStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(ConverterStops, StopWithOneLine) {
  const StopCase& c = GetParam();
  WorkDirectory dir;
  if (c.resultFile != nullptr) dir.write("RES.DAT", c.resultFile);
  if (c.outputTimeFile != nullptr) dir.write("OTF.DAT", c.outputTimeFile);
  const ProgramResult result = dir.run(RESCONV_PATH, c.answers);
  EXPECT_NE(result.exitStatus, 0);
  // The stop line, then the line naming the place (the bad-input tests check those).
  EXPECT_EQ(result.standardError.substr(0, result.standardError.find('\n') + 1),
            std::string(c.stopLine) + "\n");
}

const char* const smallResult =
    "title\n2 1 2\n0 0 0 1 0 0\n1 0 0 1 0 0\n1 2 1\n1 1.0\n1 0 0\n1 0 0\n0 0 0\n";

INSTANTIATE_TEST_SUITE_P(
    Numbers, ConverterStops,
    ::testing::Values(
        StopCase{"missingResultFile", nullptr, nullptr, "1\nRES.DAT\n",
                 "forrtl: severe (29): file not found, unit 5, file RES.DAT"},
        StopCase{"consoleEndsEarly", smallResult, nullptr, "1\nRES.DAT\n",
                 "forrtl: severe (24): end-of-file during read, unit -4, file stdin"},
        StopCase{"answerNotANumber", smallResult, nullptr, "x\n",
                 "forrtl: severe (59): list-directed I/O syntax error, unit -4, file stdin"},
        StopCase{"valueNotANumber", "title\n2 1 2\n0 0 0 1 0 0\n1 0 0 one 0 0\n", nullptr,
                 "1\nRES.DAT\n7\n0\n",
                 "forrtl: severe (59): list-directed I/O syntax error, unit 5, file RES.DAT"},
        StopCase{"letterInTimeCount", smallResult, "   x1\n", "1\nRES.DAT\n1\n1\nOTF.DAT\n",
                 "forrtl: severe (64): input conversion error, unit 17, file OTF.DAT"},
        StopCase{"absurdNodeCount", "title\n2000000000 1 8\n", nullptr, "1\nRES.DAT\n7\n0\n",
                 "forrtl: severe (41): insufficient virtual memory"},
        StopCase{"cutInsideAStep", "title\n2 1 2\n0 0 0 1 0 0\n1 0 0 1 0 0\n1 2 1\n1 1.0\n1 0 0\n",
                 nullptr, "1\nRES.DAT\n1\n0\n",
                 "forrtl: severe (24): end-of-file during read, unit 5, file RES.DAT"}),
    [](const ::testing::TestParamInfo<StopCase>& param) { return std::string(param.param.name); });

}  // namespace

namespace {

TEST(ConverterDialogue, SubMeshOutputsGoToTheConsoleWhenNoFileIsOpen) {
  // Output form 7 opens no file: the sub-mesh Tecplot block of the initial state is written on
  // standard output, right after the sub-mesh question.
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT",
            "    1\n      15.0\n    4    1\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n1 1 2 3 4\n");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n7\n1\nOTF.DAT\n1\n");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  const std::string block = toCodePage932(" 断面図はXY座標の最小値からの距離を使用。\n") +
                            "TITLE = \"TIME=  0.0000000E+00\"\n"
                            "VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"\n"
                            "ZONE N=      4, E=      1, F=FEPOINT\n"
                            " 0.000E+00, 0.000E+00, 0.000E+00, 0.000E+00, 0.000E+00\n"
                            " 1.000E+00, 0.000E+00, 0.000E+00, 0.000E+00, 0.000E+00\n"
                            " 1.000E+00, 1.000E+00, 0.000E+00, 0.000E+00, 0.000E+00\n"
                            " 0.000E+00, 1.000E+00, 0.000E+00, 0.000E+00, 0.000E+00\n"
                            "      1,      2,      3,      4\n";
  const std::string& out = result.standardOutput;
  ASSERT_GE(out.size(), block.size());
  EXPECT_EQ(out.substr(out.size() - block.size()), block);
  EXPECT_EQ(createdFiles(dir), std::set<std::string>{});
}

}  // namespace

namespace {

// The dialogue keeps its MicroAVS sub-mesh under forms that write no sub-mesh section: the
// header lines go into the output file, then the run stops at the end of the empty scratch
// file, and the second line names the cause.
TEST(ConverterDialogue, MicroAvsSubMeshWithoutSectionsNamesTheCause) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT",
            "    1\n      15.0\n    4    1\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n1 1 2 3 4\n");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n1\n1\nOTF.DAT\n3\n");
  EXPECT_EQ(result.exitStatus, 1);
  const std::string expected =
      "forrtl: severe (24): end-of-file during read, unit 8, file AVS.tmp\n"
      "sub-mesh form 3 has no sections under output form 1";
  EXPECT_EQ(result.standardError.rfind(expected, 0), 0u) << result.standardError;
}

}  // namespace
