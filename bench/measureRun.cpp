// measureRun: runs one program and reports its wall time, CPU time and peak resident memory as
// one JSON line on standard output, for bench/throughput.py.
//
//   measureRun STDIN STDOUT STDERR TIMEOUT-SECONDS PROGRAM [ARGUMENT...]
//
// STDIN is a file fed on standard input ("-" for /dev/null); the program's standard output and
// error go to the files STDOUT and STDERR. The program runs in the current folder.
//
// The peak comes from wait4's ru_maxrss. A child's figure starts from the resident size of the
// process it was forked from (the high-water mark is carried across exec), so the launcher is
// kept small: C library only, no streams. "launcherKb", its resident size at the fork, is the
// least peak that can be told apart.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

volatile sig_atomic_t timedOut = 0;
volatile pid_t child = -1;

void onAlarm(int) {
  timedOut = 1;
  if (child > 0) kill(child, SIGKILL);
}

double seconds(const timeval& value) {
  return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) * 1.0e-6;
}

double now() {
  timespec at{};
  clock_gettime(CLOCK_MONOTONIC, &at);
  return static_cast<double>(at.tv_sec) + static_cast<double>(at.tv_nsec) * 1.0e-9;
}

// Replaces descriptor `target` with `path` opened with `flags`; false on failure.
bool redirect(int target, const char* path, int flags) {
  int fd = open(path, flags, 0666);
  if (fd < 0) return false;
  if (fd != target) {
    if (dup2(fd, target) < 0) return false;
    close(fd);
  }
  return true;
}

// Resident size now, from /proc/self/statm (its own ru_maxrss would include the process that
// started it); 0 when unknown.
long residentKb() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  long pages = 0, resident = 0;
  const bool read = std::fscanf(statm, "%ld %ld", &pages, &resident) == 2;
  std::fclose(statm);
  return read ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr,
                 "usage: measureRun STDIN STDOUT STDERR TIMEOUT-SECONDS PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const char* input = std::strcmp(argv[1], "-") == 0 ? "/dev/null" : argv[1];
  const char* output = argv[2];
  const char* errors = argv[3];
  const long timeout = std::strtol(argv[4], nullptr, 10);

  struct sigaction action {};
  action.sa_handler = onAlarm;
  sigemptyset(&action.sa_mask);
  sigaction(SIGALRM, &action, nullptr);

  const long launcherKb = residentKb();
  const double start = now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::printf("{\"status\": \"cannot fork: %s\"}\n", std::strerror(errno));
    return 1;
  }
  if (pid == 0) {
    if (!redirect(0, input, O_RDONLY) || !redirect(1, output, O_WRONLY | O_CREAT | O_TRUNC) ||
        !redirect(2, errors, O_WRONLY | O_CREAT | O_TRUNC)) {
      _exit(126);
    }
    execv(argv[5], argv + 5);
    // The error file is already standard error.
    std::fprintf(stderr, "measureRun: cannot start %s: %s\n", argv[5], std::strerror(errno));
    _exit(127);
  }
  child = pid;
  if (timeout > 0) alarm(static_cast<unsigned>(timeout));

  int status = 0;
  rusage usage{};
  pid_t done;
  do {
    done = wait4(pid, &status, 0, &usage);
  } while (done < 0 && errno == EINTR);
  const double wall = now() - start;
  alarm(0);
  if (done < 0) {
    std::printf("{\"status\": \"wait failed: %s\"}\n", std::strerror(errno));
    return 1;
  }

  char statusText[64];
  if (timedOut) {
    std::snprintf(statusText, sizeof statusText, "\"timeout\"");
  } else if (WIFEXITED(status)) {
    std::snprintf(statusText, sizeof statusText, "%d", WEXITSTATUS(status));
  } else {
    std::snprintf(statusText, sizeof statusText, "%d", -WTERMSIG(status));
  }
  std::printf(
      "{\"status\": %s, \"seconds\": %.6f, \"cpuSeconds\": %.6f, \"peakKb\": %ld, "
      "\"launcherKb\": %ld}\n",
      statusText, wall, seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss,
      launcherKb);
  return 0;
}
