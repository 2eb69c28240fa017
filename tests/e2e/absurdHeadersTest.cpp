// Headers whose counts the file cannot fill: a stop at the end of the file, with little memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

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

}  // namespace
