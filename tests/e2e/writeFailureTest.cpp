// Outputs that cannot be written, through both programs.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;
namespace fs = std::filesystem;

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

class WriteFailure : public testSupport::CaseTest<WriteFailureCase> {};

TEST_P(WriteFailure, StopsWithAMessage) {
  const WriteFailureCase& c = row();
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

const WriteFailureCase writeFailureCases[] = {
    {"outputIsADirectory", RESCONV_PATH, listAnswers, directoryNamed("OUTPUT.TXT"), "> /dev/null",
     "cannot open OUTPUT.TXT for writing: Is a directory\n"},
    {"outputOnAFullDevice", RESCONV_PATH, listAnswers, fullDeviceNamed("OUTPUT.TXT"), "> /dev/null",
     "cannot write OUTPUT.TXT" + noSpace + "OUTPUT.TXT, after the output of step 3 at time 25\n"},
    {"tecplotOnAFullDevice", RESCONV_PATH, "1\nRES.DAT\n1\n0\n", fullDeviceNamed("TECPLOT.TXT"),
     "> /dev/null",
     "cannot write TECPLOT.TXT" + noSpace + "TECPLOT.TXT, after the output of step 3 at time 30\n"},
    {"avsScratchOnAFullDevice", RESCONV_PATH, avsAnswers, fullDeviceNamed("AVS.tmp"), "> /dev/null",
     "cannot write AVS.INP" + noSpace +
         "AVS.tmp, the scratch file of AVS.INP, after the "
         "output of step 3 at time 30\n",
     true},
    {"avsScratchIsADirectory", RESCONV_PATH, avsAnswers, directoryNamed("AVS.tmp"), "> /dev/null",
     "cannot open AVS.tmp for writing: Is a directory\n"},
    {"avsFileOnAFullDevice", RESCONV_PATH, avsAnswers, fullDeviceNamed("AVS.INP"), "> /dev/null",
     "cannot write AVS.INP" + noSpace + "AVS.INP, after the output of step 3 at time 30\n", true},
    {"consoleOnAFullDevice", RESCONV_PATH, listAnswers, [](const WorkDirectory&) {}, "> /dev/full",
     "cannot write stdout" + noSpace},
    {"tableOnAFullDevice", TSERIES_PATH, graphAnswers, fullDeviceNamed("HTIME.CSV"), "> /dev/null",
     "cannot write HTIME.CSV" + noSpace + "HTIME.CSV, after reading step 3 at time 30\n"},
    {"tableIsADirectory", TSERIES_PATH, graphAnswers, directoryNamed("VTIME.CSV"), "> /dev/null",
     "cannot open VTIME.CSV for writing: Is a directory\n"},
    {"extractorConsoleOnAFullDevice", TSERIES_PATH, graphAnswers, [](const WorkDirectory&) {},
     "> /dev/full", "cannot write stdout" + noSpace}};

INSTANTIATE_TEST_SUITE_P(Cases, WriteFailure, testSupport::rowsOf(writeFailureCases),
                         testSupport::rowName);

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
