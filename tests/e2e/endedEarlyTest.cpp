// Runs that end early leave every output consistent and say why: Ctrl-C and termination, a kill,
// a stop on bad input and a file-size limit. For the signals the result file is a pipe (a FIFO
// of the result file's name) that the test writes step by step, so that the run is known to be
// waiting for the next step when the signal comes. The Windows programs, under Wine, take
// Ctrl-C and the kill (reachesTheProgram).
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/caseTable.h"
#include "support/fedRun.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The new run: 19 nodes and five elements (one left out), steps 1, 2 and 3 at times 10, 20 and
// 30. The earlier run: another mesh of 9 nodes, four steps, so five outputs in its series.
const std::string newResult = readFile(fixturePath("vtu/RES.DAT"));
const std::string earlierResult = readFile(fixturePath("loop/RES0123.DAT"));

// The result file up to the header of a step (a record "N T"): the steps before it whole.
std::string upToStep(const std::string& text, const std::string& header) {
  const std::size_t at = text.find("\n" + header + "\n");
  if (at == std::string::npos) ADD_FAILURE() << "no step header " << header;
  return text.substr(0, at + 1);
}

// What the test feeds before its signal: step 1 whole and the header of step 2, so that the
// run waits inside step 2 having written the output of step 1.
const std::string stepOneAndAHeader = upToStep(newResult, "2 20.0") + "2 20.0\n";
const std::string interruptedAfterStepOne = "interrupted after the output of step 1 at time 10\n";

// Which signals reach the program. The Windows programs run under Wine, which makes SIGINT the
// console's Ctrl-C and is ended by SIGKILL as any process, but ends its process itself on
// SIGTERM and SIGHUP: Windows has no such signals.
bool reachesTheProgram(int number) {
  return !crlfPrograms || number == SIGINT || number == SIGKILL;
}

// ---------------------------------------------------------------------------------------------
// The ParaView series a run left.

struct Listed {
  double time;
  std::string file;
};

std::string stepFileName(std::size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "VTK/VTK_%04zu.vtu", index);
  return name;
}

std::vector<Listed> collectionOf(const WorkDirectory& dir) {
  std::vector<Listed> listed;
  const std::string text = dir.readBytes("VTK.pvd");
  static const std::regex dataSet("<DataSet timestep=\"([^\"]*)\" [^>]*file=\"([^\"]*)\"/>");
  for (std::sregex_iterator it(text.begin(), text.end(), dataSet), end; it != end; ++it) {
    listed.push_back({std::stod((*it)[1]), (*it)[2]});
  }
  return listed;
}

// The checks of checkVtuSeries.py: VTK's reader and meshio on every listed file, each value
// against the result file; true when they pass, or when Debian's interpreter (the one the reader
// tests use) lacks VTK or meshio.
bool readsBackWithVtk(const WorkDirectory& dir, const std::string& resultName, bool leftovers) {
  const std::string python = "/usr/bin/python3";
  if (std::system((python + " -c 'import vtk, meshio, numpy' > /dev/null 2>&1").c_str()) != 0) {
    return true;
  }
  const std::string checker = std::string(FIXTURE_DIR) + "/../tools/checkVtuSeries.py";
  const std::string command = "cd '" + dir.path().string() + "' && " + python + " '" + checker +
                              "' VTK.pvd --result " + resultName + " --ended-early" +
                              (leftovers ? " --leftovers" : "") + " > .checker 2>&1";
  const bool passed = std::system(command.c_str()) == 0;
  if (!passed) ADD_FAILURE() << dir.readBytes(".checker");
  fs::remove(dir.path() / ".checker");
  return passed;
}

// The collection names exactly the outputs at `times`, each a whole step file of the new run
// that VTK reads; no other file is left in the folder unless the run was killed (`leftovers`).
void expectCollection(const WorkDirectory& dir, const std::vector<double>& times, bool leftovers) {
  const std::vector<Listed> listed = collectionOf(dir);
  ASSERT_EQ(listed.size(), times.size()) << dir.readBytes("VTK.pvd");
  std::vector<std::string> names;
  for (std::size_t k = 0; k < listed.size(); ++k) {
    SCOPED_TRACE(listed[k].file);
    EXPECT_EQ(listed[k].time, times[k]);
    EXPECT_EQ(listed[k].file, stepFileName(k));
    const std::string step = dir.readBytes(listed[k].file);
    EXPECT_TRUE(step.starts_with("<?xml"));
    EXPECT_TRUE(step.ends_with("</AppendedData>\n</VTKFile>\n"));
    EXPECT_NE(step.find("NumberOfPoints=\"19\""), std::string::npos) << "not a file of the new run";
    names.push_back(fs::path(listed[k].file).filename().string());
  }
  EXPECT_FALSE(dir.exists("VTK.pvd.tmp"));
  if (!leftovers) {
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path() / "VTK")) {
      left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, names);
  }
  EXPECT_TRUE(readsBackWithVtk(dir, "NEW.DAT", leftovers));
}

// The series of an earlier, longer run with another mesh, then the new run's result file kept
// whole as NEW.DAT, for the checker.
void prepareSeriesOverAnEarlierRun(const WorkDirectory& dir) {
  dir.write("EARLIER.DAT", earlierResult);
  const ProgramResult earlier = dir.runWithArguments(RESCONV_PATH, "EARLIER.DAT --to vtu -q");
  ASSERT_EQ(earlier.exitStatus, 0) << earlier.standardError;
  // The initial state, whose place stored step 0 at time 0.0 takes, and steps 1 to 3.
  ASSERT_EQ(collectionOf(dir).size(), 4u);
  dir.write("NEW.DAT", newResult);
}

// ---------------------------------------------------------------------------------------------

struct Signal {
  int number;
  const char* name;
};
constexpr Signal interrupts[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};

// Ctrl-C, termination or a hang-up while the run waits inside step 2: the run ends with one
// line, the status 128 plus the signal's number, and a collection of the two outputs written,
// the initial state and step 1; the earlier run's step files and the one begun are removed.
// While the run waits, the collection names the initial state only: a step file is named once
// it is on its disk, which the run makes sure of when it has written the next one, or at its
// end.
TEST(InterruptedRun, SeriesOverAnEarlierLongerOne) {
  for (const Signal& s : interrupts) {
    SCOPED_TRACE(s.name);
    if (!reachesTheProgram(s.number)) continue;
    WorkDirectory dir;
    ASSERT_NO_FATAL_FAILURE(prepareSeriesOverAnEarlierRun(dir));
    FedRun run(dir, RESCONV_PATH, {"RES.DAT", "--to", "vtu"}, "RES.DAT");
    run.feed(stepOneAndAHeader);
    ASSERT_TRUE(run.waitUntilReading());
    expectCollection(dir, {0.0}, true);
    run.signal(s.number);
    const Ended ended = run.finish();
    EXPECT_EQ(ended.exitStatus, 128 + s.number);
    EXPECT_EQ(ended.standardError, "resconv: " + interruptedAfterStepOne);
    expectCollection(dir, {0.0, 10.0}, false);
  }
}

// A kill cannot be caught: what the run leaves is what it had made sure of on its disk. Killed
// while it waits inside step 3, its collection lists the initial state and step 1, not step 2,
// whose file is whole but was not yet known to be on the disk, and no file of the earlier run.
TEST(InterruptedRun, KilledBetweenTwoSteps) {
  WorkDirectory dir;
  ASSERT_NO_FATAL_FAILURE(prepareSeriesOverAnEarlierRun(dir));
  FedRun run(dir, RESCONV_PATH, {"RES.DAT", "--to", "vtu"}, "RES.DAT");
  run.feed(upToStep(newResult, "3 30.0") + "3 30.0\n");
  ASSERT_TRUE(run.waitUntilReading());
  run.signal(SIGKILL);
  const Ended ended = run.finish();
  EXPECT_EQ(ended.signal, SIGKILL);
  expectCollection(dir, {0.0, 10.0}, true);
  EXPECT_TRUE(dir.readBytes("VTK/VTK_0002.vtu").ends_with("</VTKFile>\n"));
}

// The legacy forms keep the records written, whole, as a stop does: the Tecplot file holds the
// blocks of the initial state and step 1 exactly as a whole run writes them. The MicroAVS
// scratch file is removed; the extractor writes no table.
TEST(InterruptedRun, LegacyFormsKeepWholeRecords) {
  WorkDirectory whole;
  whole.write("RES.DAT", newResult);
  ASSERT_EQ(whole.runWithArguments(RESCONV_PATH, "RES.DAT --to tecplot -q").exitStatus, 0);
  const std::string tecplot = whole.readBytes("TECPLOT.TXT");
  // Blocks begin with their TITLE record: the first two are the initial state and step 1.
  const std::size_t thirdBlock = tecplot.find("TITLE", tecplot.find("TITLE", 1) + 1);
  ASSERT_NE(thirdBlock, std::string::npos);

  // With the progress line drawn: it is cleared (blanks between carriage returns) before the
  // line of the interrupt.
  WorkDirectory dir;
  FedRun run(dir, RESCONV_PATH, {"RES.DAT", "--to", "tecplot", "--progress"}, "RES.DAT");
  run.feed(stepOneAndAHeader);
  ASSERT_TRUE(run.waitUntilReading());
  run.signal(SIGINT);
  Ended ended = run.finish();
  EXPECT_EQ(ended.exitStatus, 130);
  EXPECT_TRUE(ended.standardError.starts_with("\r")) << ended.standardError;
  EXPECT_TRUE(ended.standardError.ends_with(" \rresconv: " + interruptedAfterStepOne))
      << ended.standardError;
  EXPECT_EQ(dir.readBytes("TECPLOT.TXT"), tecplot.substr(0, thirdBlock));

  WorkDirectory avs;
  FedRun avsRun(avs, RESCONV_PATH, {"RES.DAT", "--to", "avs"}, "RES.DAT");
  avsRun.feed(stepOneAndAHeader);
  ASSERT_TRUE(avsRun.waitUntilReading());
  avsRun.signal(SIGINT);
  ended = avsRun.finish();
  EXPECT_EQ(ended.exitStatus, 130);
  EXPECT_EQ(ended.standardError, "resconv: " + interruptedAfterStepOne);
  EXPECT_FALSE(avs.exists("AVS.tmp"));
  EXPECT_EQ(avs.readBytes("AVS.INP"), "");  // assembled only after the last step

  WorkDirectory tables;
  tables.write("GRAPH.DAT", "\n    1\n      1\n    0\n    0\n    1\n      1\n");
  FedRun tablesRun(tables, TSERIES_PATH, {"RES.DAT", "--graph", "GRAPH.DAT"}, "RES.DAT");
  tablesRun.feed(stepOneAndAHeader);
  ASSERT_TRUE(tablesRun.waitUntilReading());
  tablesRun.signal(SIGINT);
  ended = tablesRun.finish();
  EXPECT_EQ(ended.exitStatus, 130);
  EXPECT_EQ(ended.standardError, "tseries: interrupted after reading step 1 at time 10\n");
  EXPECT_FALSE(tables.exists("HTIME.CSV"));
  EXPECT_FALSE(tables.exists("VTIME.CSV"));
}

// Ctrl-C at a question of the dialogue ends the run there, with no place to name.
TEST(InterruptedRun, AtAQuestion) {
  WorkDirectory dir;
  dir.write("RES.DAT", newResult);
  FedRun run(dir, RESCONV_PATH, {}, "");
  run.feed("1\nRES.DAT\n");  // the output-form question waits
  ASSERT_TRUE(run.waitUntilReading());
  run.signal(SIGINT);
  const Ended ended = run.finish();
  EXPECT_EQ(ended.exitStatus, 130);
  EXPECT_EQ(ended.standardError, "resconv: interrupted\n");
}

// A run that cannot reach a record boundary (its output is a pipe nobody reads) keeps waiting
// after the first Ctrl-C; the second ends it at once, by the signal itself.
TEST(InterruptedRun, SecondCtrlCEndsAtOnce) {
  if (crlfPrograms) GTEST_SKIP() << "Windows ends the program its own way on a second Ctrl-C";
  WorkDirectory dir;
  dir.write("RES.DAT", newResult);
  ASSERT_EQ(::mkfifo((dir.path() / "TECPLOT.TXT").c_str(), 0600), 0);
  // Held open but never read, and no larger than a page: the 8 kB of Tecplot records fill it.
  const int unread = ::open((dir.path() / "TECPLOT.TXT").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(unread, 0);
  ::fcntl(unread, F_SETPIPE_SZ, 4096);
  FedRun run(dir, RESCONV_PATH, {"RES.DAT", "--to", "tecplot"}, "");
  EXPECT_TRUE(run.waitUntilWriting());
  run.signal(SIGINT);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(run.running());
  run.signal(SIGINT);
  const Ended ended = run.finish();
  ::close(unread);
  EXPECT_EQ(ended.signal, SIGINT);
}

// With the result file a regular file and more than one thread, the next step is read while
// the current one is written: Ctrl-C, come while the output waits (a FIFO nobody reads yet),
// ends the run once it can go on, at a record boundary, naming the output it was writing; the
// step read ahead is neither shown nor reported: all as on one thread.
TEST(InterruptedRun, WhileTheNextStepIsReadAhead) {
  if (crlfPrograms) GTEST_SKIP() << "the output FIFO is a Linux test";
  // 1,500 steps, the three of the new run over and over: megabytes of Tecplot records, so that
  // full buffers go to the FIFO while steps remain.
  const std::size_t firstStep = newResult.find("\n1 10.0\n") + 1;
  const std::string steps[] = {
      upToStep(newResult, "2 20.0").substr(firstStep),
      upToStep(newResult, "3 30.0").substr(upToStep(newResult, "2 20.0").size()),
      newResult.substr(upToStep(newResult, "3 30.0").size())};
  std::string manySteps = newResult.substr(0, firstStep);
  for (int step = 1; step <= 1500; ++step) {
    const std::string& body = steps[(step - 1) % 3];
    manySteps += std::to_string(step) + " " + std::to_string(step * 10) + ".0" +
                 body.substr(body.find('\n'));
  }
  const auto interrupted = [&](const char* threads, std::string& written) {
    WorkDirectory dir;
    dir.write("RES.DAT", manySteps);
    EXPECT_EQ(::mkfifo((dir.path() / "TECPLOT.TXT").c_str(), 0600), 0);
    const int output = ::open((dir.path() / "TECPLOT.TXT").c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(output, 0);
    ::fcntl(output, F_SETPIPE_SZ, 4096);
    FedRun run(dir, RESCONV_PATH, {"RES.DAT", "--to", "tecplot", "--threads", threads}, "");
    EXPECT_TRUE(run.waitUntilWriting());
    run.signal(SIGINT);
    char buffer[4096];
    ::fcntl(output, F_SETFL, 0);  // reads wait from now on, until the program closes the file
    for (ssize_t n; (n = ::read(output, buffer, sizeof buffer)) > 0;) {
      written.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(output);
    return run.finish();
  };
  std::string byOne, byMany;
  const Ended one = interrupted("1", byOne);
  const Ended many = interrupted("4", byMany);
  EXPECT_EQ(many.exitStatus, 130);
  EXPECT_TRUE(std::regex_match(many.standardError,
                               std::regex("resconv: interrupted after the output of step [0-9]+ "
                                          "at time [0-9]+\\n")))
      << many.standardError;
  EXPECT_EQ(many.standardError, one.standardError);
  EXPECT_TRUE(byMany == byOne);
  EXPECT_TRUE(byMany.ends_with("\n"));
}

// A stop on bad input in step 2 leaves the same collection as an interrupt there: the initial
// state and step 1, whole, and nothing of the earlier run.
TEST(EndedEarly, SeriesStoppedOnBadInput) {
  WorkDirectory dir;
  ASSERT_NO_FATAL_FAILURE(prepareSeriesOverAnEarlierRun(dir));
  dir.write("RES.DAT", stepOneAndAHeader + "-0.19x7 -7.7 0\n");
  const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "RES.DAT --to vtu -q");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(result.standardError.starts_with("forrtl: severe (59)")) << result.standardError;
  expectCollection(dir, {0.0, 10.0}, false);
}

// A file-size limit is a failed write like a full disk: every form stops with the line that
// names the file it could not write, the place the run had reached, and status 1. All the
// outputs of these runs are larger than the limit and written when their file is closed, after
// the last step (a step file of the series when it is complete). Under Wine, whose process
// would end by the limit's signal before the program sees the failed write (Windows has no
// such limit), the signal is ignored by the shell that starts it, and the reason is Wine's.
struct LimitCase {
  const char* name;
  const char* program;
  std::string arguments;
  std::string file;   // the file the line names
  std::string place;  // the place line
};

class FileSizeLimit : public testSupport::CaseTest<LimitCase> {};

TEST_P(FileSizeLimit, StopsWithTheWriteFailure) {
  const LimitCase& c = row();
  WorkDirectory dir;
  for (const char* name : {"RES.DAT", "OTF_TIMES.DAT", "OTF_MESH.DAT"}) {
    dir.copy(fixturePath(std::string("vtu/") + name), name);
  }
  // The histories of all 19 nodes: tables of about 1.4 kB.
  std::string nodes = "\n   19\n";
  for (int node = 1; node <= 19; ++node) {
    char field[8];
    std::snprintf(field, sizeof field, "%7d", node);
    nodes += field;
    if (node % 10 == 0 || node == 19) nodes += "\n";
  }
  dir.write("GRAPH.DAT", nodes + "    0\n    0\n    0\n");
  const std::string command = "cd '" + dir.path().string() +
                              "' && trap '' XFSZ && ulimit -f 1 && LC_ALL=C '" + c.program + "' " +
                              c.arguments + " < /dev/null > /dev/null 2> .stderr";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string error = dir.read(".stderr");
  const std::string reason = crlfPrograms ? "" : std::strerror(EFBIG);
  const std::string line = "cannot write " + c.file + ": ";
  EXPECT_TRUE(error.starts_with(line + reason)) << error;
  EXPECT_TRUE(error.ends_with("\n" + c.place + "\n")) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 2) << error;
  if (c.file == "AVS.INP") {
    EXPECT_FALSE(dir.exists("AVS.tmp"));
  }
}

const std::string afterStepThree = "after the output of step 3 at time 30";

const LimitCase limitCases[] = {
    {"list", RESCONV_PATH, "RES.DAT --to list --times OTF_TIMES.DAT", "OUTPUT.TXT",
     "OUTPUT.TXT, " + afterStepThree},
    {"tecplot", RESCONV_PATH, "RES.DAT --to tecplot", "TECPLOT.TXT",
     "TECPLOT.TXT, " + afterStepThree},
    {"femap", RESCONV_PATH, "RES.DAT --to femap", "FEMAP.NEU", "FEMAP.NEU, " + afterStepThree},
    {"avs", RESCONV_PATH, "RES.DAT --to avs", "AVS.INP",
     "AVS.tmp, the scratch file of AVS.INP, " + afterStepThree},
    {"interp", RESCONV_PATH, "RES.DAT --to interp --points OTF_MESH.DAT --submesh tecplot",
     "INTERP.TXT", "INTERP.TXT, " + afterStepThree},
    // The run ends with step 2, the first after the restart time.
    {"restart", RESCONV_PATH, "RES.DAT --to restart --restart-time 15", "RESTART.DAT",
     "RESTART.DAT, after the output of step 2 at time 20"},
    // BALANCE.CSV, 461 bytes, is within the limit.
    {"balance", RESCONV_PATH, "RES.DAT --to balance", "BALANCE_BY_CODE.CSV",
     "BALANCE_BY_CODE.CSV, " + afterStepThree},
    {"vtu", RESCONV_PATH, "RES.DAT --to vtu", "VTK/VTK_0000.vtu",
     "VTK/VTK_0000.vtu, while writing the output of step 0 at time 0"},
    {"tables", TSERIES_PATH, "RES.DAT --graph GRAPH.DAT", "HTIME.CSV",
     "HTIME.CSV, after reading step 3 at time 30"}};

INSTANTIATE_TEST_SUITE_P(Forms, FileSizeLimit, testSupport::rowsOf(limitCases),
                         testSupport::rowName);

}  // namespace
