#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/stop.h"
#include "common/units.h"

namespace {

[[noreturn]] void stopWriteFailure(const std::string& name, int error) {
  stopWithMessage("cannot write " + name + ": " + std::strerror(error));
}

}  // namespace

OutputUnit::OutputUnit(int number) : number_(number) {}

OutputUnit::~OutputUnit() {
  if (mode_ != Mode::file) return;
  try {
    flush();
  } catch (const RunStopped& stop) {
    // Already unwinding or ending: report the lost records, the exit status is set elsewhere.
    (void)::write(2, stop.line().data(), stop.line().size());
    (void)::write(2, "\n", 1);
  }
  if (ownsFd_) ::close(fd_);
}

void OutputUnit::open(std::string_view fileName) {
  close();
  name_ = std::string(fileName);
  fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd_ < 0) {
    int error = errno;
    mode_ = Mode::closed;
    stopWithMessage("cannot open " + name_ + " for writing: " + std::strerror(error));
  }
  ownsFd_ = true;
  mode_ = Mode::file;
  buffer_.clear();
  buffer_.reserve(flushThreshold + 4096);
}

void OutputUnit::openStandardOutput() {
  close();
  name_ = "stdout";
  fd_ = 1;
  ownsFd_ = false;
  mode_ = Mode::file;
  buffer_.clear();
}

void OutputUnit::openMemory() {
  close();
  name_ = "memory";
  mode_ = Mode::memory;
  buffer_.clear();
}

void OutputUnit::flush() {
  if (mode_ != Mode::file) return;
  std::size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      buffer_.clear();
      stopWriteFailure(name_, error);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

void OutputUnit::close() {
  if (mode_ == Mode::closed) return;
  if (mode_ == Mode::file) {
    flush();
    if (ownsFd_ && ::close(fd_) != 0) {
      int error = errno;
      mode_ = Mode::closed;
      stopWriteFailure(name_, error);
    }
  }
  mode_ = Mode::closed;
  fd_ = -1;
  ownsFd_ = false;
}
