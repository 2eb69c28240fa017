#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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
  size_ = 0;
  if (capacity_ < flushThreshold + 4096) grow(flushThreshold + 4096);
}

void OutputUnit::openStandardOutput() {
  close();
  name_ = "stdout";
  fd_ = 1;
  ownsFd_ = false;
  mode_ = Mode::file;
  size_ = 0;
}

void OutputUnit::openMemory() {
  close();
  name_ = "memory";
  mode_ = Mode::memory;
  size_ = 0;
  memory_.clear();
  memorySynced_ = 0;
}

void OutputUnit::grow(std::size_t more) {
  const std::size_t capacity = std::max({capacity_ * 2, size_ + more, std::size_t{4096}});
  auto data = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

void OutputUnit::appendBytes(const void* data, std::size_t n) {
  const char* bytes = static_cast<const char*>(data);
  // A file unit takes the bytes in pieces that fill its buffer up to the threshold, writing
  // the buffer after each; a memory unit keeps them all.
  while (n > 0) {
    if (mode_ == Mode::file && size_ >= flushThreshold) flush();
    const std::size_t piece = mode_ == Mode::file ? std::min(n, flushThreshold - size_) : n;
    std::memcpy(extend(piece), bytes, piece);
    bytes += piece;
    n -= piece;
  }
  if (size_ >= flushThreshold) flush();
}

const std::string& OutputUnit::memory() const {
  if (mode_ != Mode::file && memorySynced_ < size_) {
    memory_.append(data_.get() + memorySynced_, size_ - memorySynced_);
    memorySynced_ = size_;
  }
  return memory_;
}

void OutputUnit::flush() {
  if (mode_ != Mode::file) return;
  std::size_t done = 0;
  while (done < size_) {
    ssize_t n = ::write(fd_, data_.get() + done, size_ - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      size_ = 0;
      stopWriteFailure(name_, error);
    }
    done += static_cast<std::size_t>(n);
  }
  size_ = 0;
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
