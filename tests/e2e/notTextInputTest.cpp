// Input that is not text, in every input file of both programs: the result file, the
// output-time file, the graph data file, WORK.LST and the console. A NUL byte, lines ended by
// CR alone, /dev/zero, /dev/urandom and a record with no line end within 256 MiB each stop the
// run at once with its two lines (what stopped it, then the file, line and column), status 1,
// and a peak memory that does not grow with the input.
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/measuredRun.h"

namespace {

// runMeasured with the file IN.DAT a pipe that `feed` (a shell command) writes into while the
// program reads it.
MeasuredRun runFed(const WorkDirectory& dir, const std::string& program,
                   const std::vector<std::string>& arguments, const std::string& input,
                   const std::string& feed) {
  if (::mkfifo((dir.path() / "IN.DAT").c_str(), 0600) != 0) ADD_FAILURE() << "no FIFO";
  // In the background; it ends when the program has gone and the pipe breaks, or at the
  // latest after a minute.
  dir.write("feed.sh", feed + " > IN.DAT\n");
  const std::string start =
      "cd '" + dir.path().string() + "' && (timeout 60 sh feed.sh > /dev/null 2>&1 &)";
  if (std::system(start.c_str()) != 0) ADD_FAILURE() << "the feed did not start";
  return runMeasured(dir, program, arguments, input);
}

// Where the bad input goes: the file name the programs are given (IN.DAT, unless a device is
// named), with the arguments and console answers around it.
struct Role {
  const char* name;
  const char* program;
  std::vector<std::string> arguments;  // "IN" stands for the input's name
  std::string answers;                 // the console's input, when not the bad input itself
  bool console = false;                // the bad input is the console's
};

const std::string graphFile = "\n    1\n      1\n    0\n    0\n    0\n";

const std::vector<Role> roles = {
    {"resconv's result file", RESCONV_PATH, {"IN", "--info"}, ""},
    {"tseries's result file", TSERIES_PATH, {"IN", "--graph", "GRAPH.DAT"}, ""},
    {"the output-time file", RESCONV_PATH, {"RES.DAT", "--to", "tecplot", "--times", "IN"}, ""},
    {"the points' output-time file",
     RESCONV_PATH,
     {"RES.DAT", "--to", "interp", "--points", "IN"},
     ""},
    {"the graph data file", TSERIES_PATH, {"RES.DAT", "--graph", "IN"}, ""},
    {"the output-time file of the dialogue", RESCONV_PATH, {}, "1\nRES.DAT\n1\n1\nIN.DAT\n"},
    {"the graph data file of the dialogue", TSERIES_PATH, {}, "1\nRES.DAT\nIN.DAT\n"},
    {"resconv's console", RESCONV_PATH, {}, "", true},
    {"tseries's console", TSERIES_PATH, {}, "", true},
};

// The arguments of a role, with the input's name in place.
std::vector<std::string> argumentsFor(const Role& role, const std::string& input) {
  std::vector<std::string> arguments;
  for (const std::string& argument : role.arguments) {
    arguments.push_back(argument == "IN" ? input : argument);
  }
  return arguments;
}

struct Content {
  const char* name;
  std::string text;   // written as IN.DAT
  std::string stop;   // after "IN.DAT: "
  std::string place;  // after "IN.DAT, "
};

// Each a valid first record for every role (a title, a count, capacities, an answer), so
// that the reader reaches the second.
const std::vector<Content> contents = {
    {"a NUL byte", "    1\n12" + std::string(1, '\0') + " 3\n", "not a text file",
     "line 2, column 3: a NUL byte"},
    {"CR line ends", "    1\r12 3\r", "lines end in CR alone, not in LF or CR LF",
     "line 1, column 6: a CR not followed by LF"},
};

// Under AddressSanitizer the programs carry its shadow memory and keep freed blocks in
// quarantine, and under ThreadSanitizer shadow memory of several times the program's, so every
// figure is larger; the checks keep their point (a bound, not growth without end) with room
// for that.
#ifdef __SANITIZE_ADDRESS__
constexpr long sanitizerRoom = 4;
#elif defined(__SANITIZE_THREAD__)
constexpr long sanitizerRoom = 8;
#else
constexpr long sanitizerRoom = 1;
#endif

constexpr long smallRunKilobytes = 32 * 1024 * sanitizerRoom;

void prepare(const WorkDirectory& dir) {
  dir.copy(fixturePath("result/RES.DAT"), "RES.DAT");
  dir.write("GRAPH.DAT", graphFile);
}

// The input as a file in the directory, and for the console as the answers themselves.
TEST(NotTextInput, StopsInEveryInputFile) {
  for (const Role& role : roles) {
    for (const Content& content : contents) {
      SCOPED_TRACE(std::string(role.name) + ", " + content.name);
      WorkDirectory dir;
      prepare(dir);
      dir.write("IN.DAT", content.text);
      dir.write(".answers", role.answers);
      const std::string name = role.console ? "stdin" : "IN.DAT";
      const MeasuredRun run = runMeasured(dir, role.program, argumentsFor(role, "IN.DAT"),
                                          role.console ? "IN.DAT" : ".answers");
      EXPECT_EQ(run.exitStatus, 1);
      EXPECT_EQ(run.standardError,
                name + ": " + content.stop + "\n" + name + ", " + content.place + "\n");
      if (!crlfPrograms) {
        EXPECT_LT(run.peakKilobytes, smallRunKilobytes);
      }
    }
  }
}

// WORK.LST, read for the result file's name.
TEST(NotTextInput, StopsInTheWorkList) {
  for (const Content& content : contents) {
    SCOPED_TRACE(content.name);
    for (const char* program : {RESCONV_PATH, TSERIES_PATH}) {
      SCOPED_TRACE(program);
      WorkDirectory dir;
      prepare(dir);
      dir.write("WORK.LST", content.text);
      dir.write(".answers", "0\n");
      const MeasuredRun run = runMeasured(dir, program, {}, ".answers");
      EXPECT_EQ(run.exitStatus, 1);
      EXPECT_EQ(run.standardError,
                "WORK.LST: " + content.stop + "\nWORK.LST, " + content.place + "\n");
    }
  }
}

// The devices: /dev/zero stops at its first byte; /dev/urandom within its first block, at
// its first NUL byte or at the first record before it that its reader rejects.
TEST(NotTextInput, DevicesStopAtTheirFirstBlock) {
  if (crlfPrograms) GTEST_SKIP() << "Windows has no such devices";
  for (const Role& role : roles) {
    if (role.console || !role.answers.empty()) continue;
    for (const std::string device : {"/dev/zero", "/dev/urandom"}) {
      SCOPED_TRACE(std::string(role.name) + ", " + device);
      WorkDirectory dir;
      prepare(dir);
      dir.write(".answers", "");
      const MeasuredRun run =
          runMeasured(dir, role.program, argumentsFor(role, device), ".answers");
      EXPECT_EQ(run.exitStatus, 1);
      if (device == "/dev/zero") {
        EXPECT_EQ(run.standardError,
                  "/dev/zero: not a text file\n/dev/zero, line 1, column 1: a NUL byte\n");
      } else {
        EXPECT_NE(run.standardError.find("\n/dev/urandom, "), std::string::npos);
      }
      EXPECT_LT(run.peakKilobytes, smallRunKilobytes);
    }
  }
  // The console fed from /dev/zero.
  for (const char* program : {RESCONV_PATH, TSERIES_PATH}) {
    WorkDirectory dir;
    const MeasuredRun run = runMeasured(dir, program, {}, "/dev/zero");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "stdin: not a text file\nstdin, line 1, column 1: a NUL byte\n");
    EXPECT_LT(run.peakKilobytes, smallRunKilobytes);
  }
}

// A record of 256 MiB and one byte without a line end, through a pipe: the run stops when the
// record has passed the bound, having held no more than the bound.
TEST(NotTextInput, RecordWithoutALineEndStopsAtTheBound) {
  if (crlfPrograms) GTEST_SKIP() << "the Windows programs' memory is Wine's to tell";
  const std::string feed = "head -c 268435457 /dev/zero | tr '\\0' a";
  // The result, output-time and graph data files: one reader each.
  for (const Role& role : {roles[0], roles[2], roles[4]}) {
    SCOPED_TRACE(role.name);
    WorkDirectory dir;
    prepare(dir);
    dir.write(".answers", "");
    const MeasuredRun run =
        runFed(dir, role.program, argumentsFor(role, "IN.DAT"), ".answers", feed);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError,
              "IN.DAT: no line end within 268,435,456 bytes\n"
              "IN.DAT, line 1, column 1: the record without a line end begins here\n");
    EXPECT_LT(run.peakKilobytes, 300 * 1024 * sanitizerRoom);
  }
}

// A result file converted to CR line ends stops at its first block, whatever its size, before
// any output is written.
TEST(NotTextInput, ResultFileOfCarriageReturnsStopsAtOnce) {
  std::string text = readFile(fixturePath("result/RES.DAT"));
  std::replace(text.begin(), text.end(), '\n', '\r');
  std::string large;
  while (large.size() < (std::size_t{3} << 20)) large += text;
  for (const std::string& body : {text, large}) {
    SCOPED_TRACE(body.size());
    WorkDirectory dir;
    dir.write("IN.DAT", body);
    dir.write(".answers", "");
    const MeasuredRun run =
        runMeasured(dir, RESCONV_PATH, {"IN.DAT", "--to", "tecplot"}, ".answers");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError,
              "IN.DAT: lines end in CR alone, not in LF or CR LF\n"
              "IN.DAT, line 1, column 60: a CR not followed by LF\n");
    EXPECT_FALSE(dir.exists("TECPLOT.TXT"));
  }
}

}  // namespace
