#pragma once
// A run of a real program measured by the system: its exit status, what it wrote on standard
// error, and its peak resident memory as wait4 reports it for that child alone. Standard
// output goes to the null device; a hang ends the run after a minute instead of the suite.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/programRun.h"

struct MeasuredRun {
  int exitStatus = -1;  // -1 when the program did not exit by itself
  std::string standardError;
  long peakKilobytes = -1;
};

// Runs `program` with `arguments` in the directory, with LC_ALL=C and the directory's file
// `input` as standard input.
inline MeasuredRun runMeasured(const WorkDirectory& dir, const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& input) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    const int error = ::open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || error < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(error, 2);
    ::setenv("LC_ALL", "C", 1);
    ::alarm(60);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  MeasuredRun run;
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.standardError = dir.read(".stderr");
  run.peakKilobytes = usage.ru_maxrss;
  return run;
}
