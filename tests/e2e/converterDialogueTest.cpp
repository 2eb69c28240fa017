// The converter's dialogue: which questions each answer leads to and which files it opens.
#include <filesystem>
#include <set>
#include <string>

#include "common/console.h"
#include "support/caseTable.h"
#include "support/programRun.h"

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

class ConverterDialogue : public testSupport::CaseTest<DialogueCase> {};

TEST_P(ConverterDialogue, AsksAndOpensPerAnswer) {
  const DialogueCase& c = row();
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

const DialogueCase dialogueCases[] = {
    {"resultListAlwaysReadsTimes", "0\nOTF.DAT\n", false, true, false, {"OUTPUT.TXT"}},
    {"tecplotNo", "1\n0\n", true, false, false, {"TECPLOT.TXT"}},
    {"tecplotYes", "1\n1\nOTF.DAT\n", true, true, false, {"TECPLOT.TXT"}},
    {"femapAnyOtherAnswerIsNo", "2\n7\n", true, false, false, {"FEMAP.NEU"}},
    {"microAvs", "3\n0\n", true, false, false, {"AVS.INP", "AVS.tmp"}},
    {"interpAsksThenReadsAnyway", "4\n0\nOTF.DAT\n", true, true, false, {"INTERP.TXT"}},
    {"restartAsksNeither", "9\n15.0\n0\n1\n", false, false, true, {"RESTART.DAT"}},
    {"form5OpensNothing", "5\n0\n", true, false, false, {}},
    {"form7ReadsTimesAndWritesNothing", "7\n1\nOTF.DAT\n", true, true, false, {}},
    {"form8OpensNothing", "8\n0\n", true, false, false, {}},
    {"negativeFormAsksNothing", "-1\n", false, false, false, {}},
    {"form10AsksNothing", "10\n", false, false, false, {}}};

INSTANTIATE_TEST_SUITE_P(Answers, ConverterDialogue, testSupport::rowsOf(dialogueCases),
                         testSupport::rowName);

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

TEST(ConverterDialogue, BlankTimeCountReadsNoTimes) {
  // A blank first record is a count of 0: the next record is the point and element counts.
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT", "\n    0    0\n");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n0\nOTF.DAT\n");
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_EQ(dir.read("OUTPUT.TXT"), "");
}

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
