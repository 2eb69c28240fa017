#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/platform.h"
#include "common/stop.h"
#include "common/units.h"

OutputUnit::OutputUnit(int number) : number_(number) {}

OutputUnit::~OutputUnit() {
  if (mode_ != Mode::file) return;
  // Already unwinding or ending: the lost records are reported.
  reportingStops([this] { flush(); });
  stopWriter();
  if (ownsFd_) platform::closeFile(fd_);
}

void OutputUnit::stopWriteFailure(int error) {
  failed_ = true;
  const std::string& name = failureName_.empty() ? name_ : failureName_;
  // The place: the file written on behalf of another, and how far the run had come.
  std::string place = failurePlace_;
  if (const std::string reached = runPlaceWriting(name); !reached.empty()) {
    place += (place.empty() ? name_ + ", " : ", ") + reached;
  }
  stopWithMessage("cannot write " + name + ": " + std::strerror(error), std::move(place));
}

void OutputUnit::reportFailuresAs(std::string fileName, std::string place) {
  failureName_ = std::move(fileName);
  failurePlace_ = std::move(place);
}

void OutputUnit::open(std::string_view fileName) {
  close();
  name_ = std::string(fileName);
  failed_ = false;
  failureName_.clear();
  failurePlace_.clear();
  fd_ = platform::openForWriting(name_);
  if (fd_ < 0) {
    int error = errno;
    mode_ = Mode::closed;
    failed_ = true;
    stopWithMessage("cannot open " + name_ + " for writing: " + std::strerror(error));
  }
  ownsFd_ = true;
  mode_ = Mode::file;
  size_ = 0;
  handed_ = 0;
  if (capacity_ < flushThreshold + 4096) grow(flushThreshold + 4096);
  // Devices (the console, /dev/null, /dev/full) and pipes are written at once, as they come.
  background_ = platform::isRegularFile(fd_);
}

void OutputUnit::openStandardOutput() {
  close();
  name_ = "stdout";
  fd_ = 1;
  ownsFd_ = false;
  mode_ = Mode::file;
  size_ = 0;
  handed_ = 0;
  background_ = false;
}

void OutputUnit::openMemory() {
  openInMemory(Mode::memory, "memory");
}

void OutputUnit::openPart() {
  openInMemory(Mode::part, "part");
}

void OutputUnit::openInMemory(Mode mode, std::string_view name) {
  close();
  name_ = std::string(name);
  mode_ = mode;
  background_ = false;
  size_ = 0;
  handed_ = 0;
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
  appendBytesFrom(static_cast<const char*>(data), n, false);
}

void OutputUnit::appendLastingBytes(const void* data, std::size_t n) {
  appendBytesFrom(static_cast<const char*>(data), n, true);
}

void OutputUnit::appendBytesFrom(const char* bytes, std::size_t n, bool lasting) {
  // A file unit takes the bytes in pieces that fill its buffer up to the threshold, writing
  // the buffer after each; a memory unit keeps them all. A whole buffer of lasting bytes is
  // written from its place instead of its copy, at the same point of the run.
  while (n > 0) {
    if (mode_ == Mode::file && size_ >= flushThreshold) bufferFull();
    if (lasting && mode_ == Mode::file && size_ == 0 && n >= flushThreshold) {
      stopIfInterrupted();
      writeNow(bytes, flushThreshold);
      bytes += flushThreshold;
      n -= flushThreshold;
      continue;
    }
    const std::size_t piece = mode_ == Mode::file ? std::min(n, flushThreshold - size_) : n;
    std::memcpy(extend(piece), bytes, piece);
    bytes += piece;
    n -= piece;
  }
  if (size_ >= flushThreshold) bufferFull();
}

void OutputUnit::appendRecords(std::string_view records) {
  // Record by record, the buffer would be handed on at the first line end that brings it to
  // the threshold: its last character lies at least that far into the records.
  while (!records.empty()) {
    const std::size_t reach = size_ < flushThreshold ? flushThreshold - size_ : 1;
    if (records.size() < reach) {
      std::memcpy(extend(records.size()), records.data(), records.size());
      return;
    }
    const void* lineEnd =
        std::memchr(records.data() + (reach - 1), '\n', records.size() - (reach - 1));
    const std::size_t piece =
        lineEnd == nullptr
            ? records.size()
            : static_cast<std::size_t>(static_cast<const char*>(lineEnd) - records.data()) + 1;
    std::memcpy(extend(piece), records.data(), piece);
    records.remove_prefix(piece);
    if (lineEnd != nullptr) bufferFull();
  }
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
  const std::size_t size = size_;
  size_ = 0;
  writeNow(data_.get(), size);
}

void OutputUnit::writeNow(const char* bytes, std::size_t size) {
  awaitWriter();
  const int error = platform::writeAll(fd_, bytes, size);
  handed_ += size;
  if (error != 0) stopWriteFailure(error);
}

void OutputUnit::syncToDisk() {
  if (mode_ != Mode::file) return;
  flush();
  if (const int error = platform::syncFile(fd_); error != 0) stopWriteFailure(error);
}

void OutputUnit::startWriteback() {
  if (mode_ != Mode::file) return;
  flush();
  platform::startWriteback(fd_);
}

void OutputUnit::bufferFull() {
  if (mode_ == Mode::part) return;
  // A full buffer ends on a record boundary: where an interrupt ends the run.
  stopIfInterrupted();
  if (!background_) {
    flush();
    return;
  }
  awaitWriter();
  if (!writer_.joinable()) {
    try {
      writer_ = platform::startQuietThread([this] { writerLoop(); });
    } catch (const std::system_error&) {
      background_ = false;  // no thread to be had: written at once, as on a device
      flush();
      return;
    }
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::swap(data_, back_);
    std::swap(capacity_, backCapacity_);
    backSize_ = size_;
    busy_ = true;
  }
  changed_.notify_all();
  handed_ += size_;
  size_ = 0;
  if (capacity_ < flushThreshold + 4096) grow(flushThreshold + 4096);
}

void OutputUnit::awaitWriter() {
  if (!writer_.joinable()) return;
  int error;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    error = writeError_;
    writeError_ = 0;
  }
  if (error != 0) {
    // The buffer being filled follows records that are lost: it is not written either.
    size_ = 0;
    stopWriteFailure(error);
  }
}

void OutputUnit::writerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || quit_; });
    if (!busy_) return;  // quit with nothing left to write
    const char* data = back_.get();
    const std::size_t size = backSize_;
    const int fd = fd_;
    lock.unlock();
    const int error = platform::writeAll(fd, data, size);
    lock.lock();
    if (error != 0 && writeError_ == 0) writeError_ = error;
    busy_ = false;
    changed_.notify_all();
  }
}

void OutputUnit::stopWriter() {
  if (!writer_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  writer_.join();
  quit_ = false;
  busy_ = false;
  writeError_ = 0;
}

void OutputUnit::close() {
  if (mode_ == Mode::closed) return;
  if (mode_ == Mode::file) {
    try {
      flush();
    } catch (const RunStopped&) {
      stopWriter();
      throw;
    }
    stopWriter();
    const int error = ownsFd_ ? platform::closeFile(fd_) : 0;
    if (error != 0) {
      mode_ = Mode::closed;
      stopWriteFailure(error);
    }
  }
  mode_ = Mode::closed;
  fd_ = -1;
  ownsFd_ = false;
}
