#pragma once
// Bad input through the real programs, the converter and the extractor, one suite file per
// subject. Whatever is fed in, a run ends either with a correct result or with a stop on
// standard error and a non-zero exit status, and every record written before the failure is
// kept: the output then equals that of the same run on the file cut cleanly before the bad spot.
// A stop on bad input is its stop line and a second line naming the place: the file, the line
// and column, the text and what was being read, or, at an end of file, how many values of which
// block were still missing.
//
// Shared here: the loop fixture cut and changed line by line, the stop and place lines a run
// ends with, and a run that cannot hang the suite.
#include <sys/wait.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/programRun.h"

namespace badInput {

// The loop fixture: title, counts (9 nodes, 2 elements, 8 node numbers each), nine node lines,
// two element lines, then steps 1, 2 and 3 at times 10, 20 and 30, each a header line, nine
// node lines and two element lines.
inline constexpr int titleLine = 1;
inline constexpr int countsLine = 2;
inline constexpr int firstNodeLine = 3;
inline constexpr int firstElementLine = 12;
inline constexpr int step1Header = 14;
inline constexpr int step2Header = 26;
inline constexpr int step2FirstElement = 36;
inline constexpr int step3Header = 38;
inline constexpr int lineCount = 49;

inline const std::vector<std::string>& baseLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> all;
    std::istringstream text(readFile(fixturePath("loop/RES123.DAT")));
    for (std::string line; std::getline(text, line);) all.push_back(line);
    return all;
  }();
  return lines;
}

// Lines 1..n of the fixture.
inline std::string firstLines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += baseLines()[static_cast<std::size_t>(i)] + "\n";
  return text;
}
inline const std::string wholeFile = firstLines(lineCount);

// The fixture with line `number` replaced.
inline std::string withLine(int number, const std::string& line) {
  std::string text;
  for (int i = 1; i <= lineCount; ++i) {
    text += (i == number ? line : baseLines()[static_cast<std::size_t>(i - 1)]) + "\n";
  }
  return text;
}

// Requested times 5, 15 and 25: the result list shows one state per stored step read.
inline const std::string outputTimes = "    3\n       5.0      15.0      25.0\n    0    0\n";
inline const std::string listAnswers = "1\nRES.DAT\n0\nOTF.DAT\n";

inline std::string runTimeStop(int error, int unit, const std::string& file) {
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
inline const std::string noMemory = "forrtl: severe (41): insufficient virtual memory\n";

// A stop line followed by the line naming its place.
inline std::string at(const std::string& stop, const std::string& location) {
  return stop + location + "\n";
}

// Runs `program` like WorkDirectory::run, killed after a minute so that a hang fails the test
// instead of the suite.
inline ProgramResult runLimited(const WorkDirectory& dir, const std::string& program,
                                const std::string& answers) {
  dir.write(".answers", answers);
  const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C timeout -s KILL 60 '" +
                              program + "' < .answers > .stdout 2> .stderr";
  const int status = std::system(command.c_str());
  ProgramResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardOutput = dir.read(".stdout");
  result.standardError = dir.read(".stderr");
  for (const char* name : {".answers", ".stdout", ".stderr"})
    std::filesystem::remove(dir.path() / name);
  return result;
}

// The OUTPUT.TXT that the list answers write for a well-formed result file.
inline std::string referenceList(const std::string& resultFile) {
  WorkDirectory dir;
  dir.write("RES.DAT", resultFile);
  dir.write("OTF.DAT", outputTimes);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  EXPECT_EQ(result.exitStatus, 0) << "reference run: " << result.standardError;
  return dir.read("OUTPUT.TXT");
}

inline const std::string endOfResult = runTimeStop(24, 5, "RES.DAT");
inline const std::string syntaxInResult = runTimeStop(59, 5, "RES.DAT");
// The first step is complete: its requested time (5) is written before the cut.
inline const std::string throughStep1 = firstLines(step2Header - 1);

// A graph data file of head nodes 1 and 9 and velocity element 2.
inline const std::string goodGraph = "\n    2\n      1      9\n    0\n    0\n    1\n      2\n";

}  // namespace badInput
