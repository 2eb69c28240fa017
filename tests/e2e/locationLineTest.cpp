// The place line of a stop far into a large result file, read from a file or through a pipe.
#include <sys/stat.h>
#include <sys/wait.h>

#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

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

}  // namespace
