#pragma once
// A program started in a work directory, its standard output and error in files there, fed by
// the test through a pipe: the FIFO `fifo` of the directory, or its standard input.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/programRun.h"

// How a fed run ended.
struct Ended {
  int exitStatus = -1;  // -1 when it ended by a signal
  int signal = 0;       // the signal that ended it
  std::string standardError;
};

// A program fed through a pipe.
class FedRun {
 public:
  FedRun(const WorkDirectory& dir, const std::string& program, std::vector<std::string> arguments,
         const std::string& fifo)
      : dir_(dir) {
    int standardInput[2] = {-1, -1};
    if (fifo.empty()) {
      if (::pipe(standardInput) != 0) ADD_FAILURE() << "no pipe";
      feed_ = standardInput[1];
    } else {
      // Opened for reading and writing, the FIFO has a writer from the start: the program's
      // open does not wait, and its reads wait for what is fed until the test closes it.
      const std::string path = (dir.path() / fifo).string();
      if (::mkfifo(path.c_str(), 0600) != 0) ADD_FAILURE() << "no FIFO " << fifo;
      feed_ = ::open(path.c_str(), O_RDWR);
      if (feed_ < 0) ADD_FAILURE() << "cannot open " << fifo;
    }
    arguments.insert(arguments.begin(), program);
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
      const int in = fifo.empty() ? standardInput[0] : ::open("/dev/null", O_RDONLY);
      const int out = ::open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0) ::_exit(126);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      ::close(feed_);
      ::setenv("LC_ALL", "C", 1);
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    if (fifo.empty()) ::close(standardInput[0]);
  }
  ~FedRun() {
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (feed_ >= 0) ::close(feed_);
  }
  FedRun(const FedRun&) = delete;
  FedRun& operator=(const FedRun&) = delete;

  void feed(const std::string& text) {
    ASSERT_EQ(::write(feed_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // Whether the program's main thread sleeps in a read or a write of a pipe: in a kernel
  // function of that name, or, where that cannot be told (the system does not say, or Wine
  // waits for its server instead), asleep at every look for half a second.
  bool waitsInPipe(const char* kernelFunction) const {
    const std::string proc = "/proc/" + std::to_string(pid_);
    const auto asleep = [&] {
      const std::string stat = readFile(proc + "/stat");
      const std::size_t name = stat.rfind(')');
      return name != std::string::npos && stat.size() > name + 2 && stat[name + 2] == 'S';
    };
    if (!asleep()) return false;
    const std::string waitsIn = readFile(proc + "/wchan");
    if (!crlfPrograms && !waitsIn.empty() && waitsIn != "0") {
      return waitsIn.find(kernelFunction) != std::string::npos;
    }
    for (int look = 0; look < 10; ++look) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!asleep()) return false;
    }
    return true;
  }

  // Until the program has taken everything fed and waits for more.
  bool waitUntilReading() const { return waitUntil("pipe_read", true); }
  // Until the program waits to write into a pipe that is full.
  bool waitUntilWriting() const { return waitUntil("pipe_write", false); }

  void signal(int number) const { ::kill(pid_, number); }

  bool running() const {
    if (ended_) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == 0) return true;
    ended_ = true;
    return false;
  }

  // Closes the pipe and waits for the program's end (a minute at most).
  Ended finish() {
    if (feed_ >= 0) ::close(feed_);
    feed_ = -1;
    for (auto waited = std::chrono::milliseconds(0); running() && waited < std::chrono::seconds(60);
         waited += std::chrono::milliseconds(10)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (running()) {
      ADD_FAILURE() << "the program did not end";
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
      ended_ = true;
    }
    Ended ended;
    if (WIFEXITED(status_)) ended.exitStatus = WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) ended.signal = WTERMSIG(status_);
    ended.standardError = dir_.read(".stderr");
    return ended;
  }

 private:
  bool waitUntil(const char* kernelFunction, bool drained) const {
    for (auto waited = std::chrono::milliseconds(0); waited < std::chrono::seconds(30);
         waited += std::chrono::milliseconds(10)) {
      int pending = 0;
      if (drained && ::ioctl(feed_, FIONREAD, &pending) != 0) return false;
      if (pending == 0 && waitsInPipe(kernelFunction)) return true;
      if (!running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  const WorkDirectory& dir_;
  pid_t pid_ = -1;
  int feed_ = -1;
  mutable int status_ = 0;
  mutable bool ended_ = false;
};
