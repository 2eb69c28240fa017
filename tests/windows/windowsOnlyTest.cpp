// What only the Windows programs have: records that end with CR LF as they lie on disk and on
// the console (the other suites see them through programText), the VTK series kept in LF, and
// a result file whose name is Japanese, opened as the system's code page spells it.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/console.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// Every line of `text` ends with CR LF, and no CR stands anywhere else.
::testing::AssertionResult crlfRecords(const std::string& text) {
  if (text.empty() || text.back() != '\n') {
    return ::testing::AssertionFailure() << "the text does not end with a line end";
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lineFeed = text[i] == '\n';
    const bool carriageReturn = text[i] == '\r';
    if (lineFeed && (i == 0 || text[i - 1] != '\r')) {
      return ::testing::AssertionFailure() << "LF alone at byte " << i;
    }
    if (carriageReturn && (i + 1 == text.size() || text[i + 1] != '\n')) {
      return ::testing::AssertionFailure() << "CR alone at byte " << i;
    }
  }
  return ::testing::AssertionSuccess();
}

void copyExample(const WorkDirectory& dir) {
  dir.copy(std::string(EXAMPLES_DIR) + "/RES.DAT", "RES.DAT");
  dir.copy(std::string(EXAMPLES_DIR) + "/WORK.LST", "WORK.LST");
}

TEST(WindowsLineEnds, DialogueFilesAndStopEndTheirRecordsWithCrLf) {
  WorkDirectory dir;
  copyExample(dir);
  // The bundled example: WORK.LST, Tecplot, every stored step.
  const ProgramResult tecplot = dir.run(RESCONV_PATH, "0\n1\n0\n");
  ASSERT_EQ(tecplot.exitStatus, 0) << tecplot.standardError;
  EXPECT_TRUE(crlfRecords(tecplot.rawStandardOutput));
  EXPECT_TRUE(crlfRecords(dir.readBytes("TECPLOT.TXT")));
  // Answers typed with CR LF, as a Windows console or batch file gives them.
  const std::string tecplotFile = dir.readBytes("TECPLOT.TXT");
  const ProgramResult typedWithCrLf = dir.run(RESCONV_PATH, "0\r\n1\r\n0\r\n");
  ASSERT_EQ(typedWithCrLf.exitStatus, 0) << typedWithCrLf.standardError;
  EXPECT_EQ(dir.readBytes("TECPLOT.TXT"), tecplotFile);
  EXPECT_EQ(typedWithCrLf.rawStandardOutput, tecplot.rawStandardOutput);
  // A stop: its line and its place line.
  dir.write("RES.DAT", "cut\n 19 5 8\n 0.0 0.0\n");
  const ProgramResult stop = dir.run(RESCONV_PATH, "0\n1\n0\n");
  EXPECT_EQ(stop.exitStatus, 1);
  EXPECT_TRUE(crlfRecords(stop.rawStandardError)) << stop.standardError;
  EXPECT_NE(stop.standardError.find("forrtl: severe (24)"), std::string::npos);
}

TEST(WindowsLineEnds, ScriptedRunsListTheirFilesWithCrLfAndTheSeriesKeepsLf) {
  WorkDirectory dir;
  copyExample(dir);
  const ProgramResult vtu = dir.runWithArguments(RESCONV_PATH, "--to vtu");
  ASSERT_EQ(vtu.exitStatus, 0) << vtu.standardError;
  EXPECT_TRUE(crlfRecords(vtu.rawStandardError)) << vtu.standardError;
  const std::string collection = dir.readBytes("VTK.pvd");
  EXPECT_EQ(collection.find('\r'), std::string::npos);
  EXPECT_NE(collection.find("</VTKFile>\n"), std::string::npos);
  const std::string firstStep = dir.readBytes("VTK/VTK_0000.vtu");
  EXPECT_EQ(firstStep.substr(0, 22), "<?xml version=\"1.0\"?>\n");

  const ProgramResult info = dir.runWithArguments(RESCONV_PATH, "RES.DAT --info");
  ASSERT_EQ(info.exitStatus, 0) << info.standardError;
  EXPECT_TRUE(crlfRecords(info.rawStandardOutput)) << info.standardOutput;
  const ProgramResult help = dir.runWithArguments(TSERIES_PATH, "--help");
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_TRUE(crlfRecords(help.rawStandardOutput));
  const ProgramResult usage = dir.runWithArguments(RESCONV_PATH, "--to nowhere");
  EXPECT_EQ(usage.exitStatus, 2);
  EXPECT_TRUE(crlfRecords(usage.rawStandardError)) << usage.standardError;
}

TEST(WindowsCommandLine, AWordBeginningWithASlashIsAFileNotAnOption) {
  WorkDirectory dir;
  copyExample(dir);
  const std::string absolute = (dir.path() / "RES.DAT").string();
  const ProgramResult info = dir.runWithArguments(RESCONV_PATH, "'" + absolute + "' --info");
  ASSERT_EQ(info.exitStatus, 0) << info.standardError;
  EXPECT_EQ(info.standardOutput.rfind("result file:       " + absolute + "\n", 0), 0u)
      << info.standardOutput;
  const ProgramResult option = dir.runWithArguments(RESCONV_PATH, "RES.DAT /to tecplot");
  EXPECT_EQ(option.exitStatus, 2);
  EXPECT_FALSE(dir.exists("TECPLOT.TXT"));
}

// A run in a console window: `script` gives Wine a terminal, which it makes the console of the
// program; `commands` run in the console's command interpreter, the program as "resconv.exe".
ProgramResult runInConsole(const WorkDirectory& dir, const std::string& commands,
                           const std::string& answers) {
  dir.write(".answers", answers);
  fs::copy_file(RESCONV_EXE, dir.path() / "resconv.exe", fs::copy_options::overwrite_existing);
  const std::string command = "cd '" + dir.path().string() +
                              "' && LC_ALL=C WINEDEBUG=-all WINEPREFIX='" WINE_PREFIX
                              "' script -qec \"'" WINE_PATH "' cmd /c '" +
                              commands + "'\" /dev/null > .console 2>&1";
  const int status = std::system(command.c_str());
  ProgramResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardOutput = dir.readBytes(".console");
  return result;
}

TEST(WindowsConsole, PromptsInUtf8WhenTheConsoleSpeaksItElseInCodePage932) {
  WorkDirectory dir;
  copyExample(dir);
  const std::string answers = "0\n1\n0\n";
  ASSERT_EQ(runInConsole(dir, "resconv.exe < .answers > codePage932.txt", answers).exitStatus, 0);
  ASSERT_EQ(
      runInConsole(dir, "chcp 65001 > nul & resconv.exe < .answers > utf8.txt", answers).exitStatus,
      0);
  const std::string utf8 = dir.readBytes("utf8.txt");
  const std::string codePage932 = dir.readBytes("codePage932.txt");
  // "結果ファイル" in UTF-8 in the first prompt.
  EXPECT_NE(utf8.find("\xE7\xB5\x90\xE6\x9E\x9C\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"),
            std::string::npos);
  EXPECT_NE(utf8, codePage932);
  // Line for line the same prompts: a UTF-8 line is not cut at 80 bytes, so the two compare as
  // text once the UTF-8 is spelled in code page 932.
  EXPECT_EQ(toCodePage932(utf8), codePage932);
  EXPECT_TRUE(crlfRecords(utf8));
}

TEST(WindowsConsole, ProgressLineDrawnOnTheConsoleOnly) {
  WorkDirectory dir;
  copyExample(dir);
  const ProgramResult onConsole = runInConsole(dir, "resconv.exe RES.DAT --to tecplot -q", "");
  ASSERT_EQ(onConsole.exitStatus, 0) << onConsole.standardOutput;
  EXPECT_NE(onConsole.standardOutput.find("% read, "), std::string::npos)
      << onConsole.standardOutput;
  // Standard error sent to the null device: no console, no progress line.
  const ProgramResult toNull =
      runInConsole(dir, "resconv.exe RES.DAT --to tecplot -q 2> NUL > NUL", "");
  ASSERT_EQ(toNull.exitStatus, 0) << toNull.standardOutput;
  EXPECT_EQ(toNull.standardOutput.find("% read, "), std::string::npos) << toNull.standardOutput;
}

// "地下水表.DAT": its last character is 0x95 0x5C in code page 932, the second byte a
// backslash to any reader that takes the name byte by byte.
const std::string japaneseNameUtf8 = "\xE5\x9C\xB0\xE4\xB8\x8B\xE6\xB0\xB4\xE8\xA1\xA8.DAT";
const std::string japaneseName932 = "\x92\x6E\x89\xBA\x90\x85\x95\x5C.DAT";

// Runs the program in a Japanese locale (Wine's system code page is then 932; names on disk
// are UTF-8).
ProgramResult runJapanese(const WorkDirectory& dir, const std::string& program,
                          const std::string& arguments, const std::string& answers) {
  return dir.runWithArguments(program, arguments, answers, "LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8");
}

class JapaneseResultFileName : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("locale -a 2>/dev/null | grep -qi '^ja_JP.utf-*8$'") != 0) {
      GTEST_SKIP() << "the ja_JP.UTF-8 locale is not generated (tools/install-dependencies.sh "
                      "generates it)";
    }
    dir_.copy(std::string(EXAMPLES_DIR) + "/RES.DAT", "reference.DAT");
    dir_.copy(std::string(EXAMPLES_DIR) + "/RES.DAT", japaneseNameUtf8);
    const ProgramResult reference =
        dir_.runWithArguments(RESCONV_PATH, "reference.DAT --to tecplot -q");
    ASSERT_EQ(reference.exitStatus, 0) << reference.standardError;
    referenceTecplot_ = dir_.readBytes("TECPLOT.TXT");
    fs::remove(dir_.path() / "TECPLOT.TXT");
  }
  WorkDirectory dir_;
  std::string referenceTecplot_;
};

TEST_F(JapaneseResultFileName, OpensFromTheWorkList) {
  dir_.write("WORK.LST", "1\n2\n3\n4\n5\n" + japaneseName932 + "\n");
  const ProgramResult run = runJapanese(dir_, RESCONV_PATH, "", "0\n1\n0\n");
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_EQ(dir_.readBytes("TECPLOT.TXT"), referenceTecplot_);
}

TEST_F(JapaneseResultFileName, OpensWhenTypedAndFromTheCommandLine) {
  const ProgramResult typed =
      runJapanese(dir_, TSERIES_PATH, "", "1\n" + japaneseName932 + "\n0\n");
  // tseries goes on to ask for its graph file: reaching that question means the name opened.
  EXPECT_EQ(typed.standardError.find("unit 5"), std::string::npos) << typed.standardError;

  const ProgramResult scripted =
      runJapanese(dir_, RESCONV_PATH, "'" + japaneseNameUtf8 + "' --to tecplot -q", "");
  ASSERT_EQ(scripted.exitStatus, 0) << scripted.standardError;
  EXPECT_EQ(dir_.readBytes("TECPLOT.TXT"), referenceTecplot_);
  // The name is shown as the system's code page spells it.
  const ProgramResult info =
      runJapanese(dir_, RESCONV_PATH, "'" + japaneseNameUtf8 + "' --info", "");
  ASSERT_EQ(info.exitStatus, 0) << info.standardError;
  EXPECT_NE(info.standardOutput.find("result file:       " + japaneseName932 + "\n"),
            std::string::npos)
      << info.standardOutput;
}

TEST_F(JapaneseResultFileName, AMissingJapaneseNameStopsNamingIt) {
  const std::string missing = "\x92\x6E\x89\xBA.DAT";  // "地下.DAT"
  dir_.write("WORK.LST", "1\n2\n3\n4\n5\n" + missing + "\n");
  const ProgramResult run = runJapanese(dir_, RESCONV_PATH, "", "0\n1\n0\n");
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.standardError,
            "forrtl: severe (29): file not found, unit 5, file " + missing + "\n");
}

}  // namespace
