// Input units: a file (or standard input) read in large blocks with read(2), handed out as
// whole records. The buffer always ends at a record boundary as far as the scanners can see:
// [pos_, lineLimit_) holds whole records, each ending with '\n'; a last record without a line
// end gets one when the end of the file is met, so no scanner has to treat it apart.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/stop.h"
#include "common/units.h"

namespace {

constexpr std::size_t fileBlockSize = std::size_t{1} << 20;
constexpr std::size_t consoleBlockSize = std::size_t{1} << 16;

}  // namespace

InputUnit::InputUnit(int number) : number_(number) {}

InputUnit::~InputUnit() {
  close();
}

void InputUnit::openOld(std::string_view fileName) {
  close();
  name_ = std::string(fileName);
  int fd;
  do {
    fd = ::open(name_.c_str(), O_RDONLY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) stopRun(errorNumber::fileNotFound, number_, name_);
  fd_ = fd;
  ownsFd_ = true;
  open_ = true;
  buffer_.resize(fileBlockSize);
}

void InputUnit::openStandardInput() {
  close();
  name_ = "stdin";
  fd_ = 0;
  ownsFd_ = false;
  open_ = true;
  buffer_.resize(consoleBlockSize);
}

void InputUnit::openMemory(std::string text, std::string_view name) {
  close();
  name_ = std::string(name);
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
  buffer_.assign(text.begin(), text.end());
  loaded_ = lineLimit_ = buffer_.size();
  exhausted_ = true;
  open_ = true;
}

void InputUnit::close() {
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ownsFd_ = false;
  open_ = false;
  exhausted_ = false;
  pos_ = lineLimit_ = loaded_ = 0;
  bytesRead_ = 0;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

bool InputUnit::nextRecord(std::string_view& record) {
  if (pos_ >= lineLimit_ && !refill()) return false;
  const char* start = position();
  const char* end = static_cast<const char*>(std::memchr(start, '\n', lineLimit_ - pos_));
  // Every loaded record ends with '\n' (see refill), so end is never null here.
  pos_ = static_cast<std::size_t>(end + 1 - buffer_.data());
  if (end > start && end[-1] == '\r') --end;
  record = std::string_view(start, static_cast<std::size_t>(end - start));
  return true;
}

bool InputUnit::refill() {
  if (!open_ || exhausted_) return false;
  // Keep the unread bytes, moved to the front of the buffer.
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, loaded_ - pos_);
    lineLimit_ -= pos_;
    loaded_ -= pos_;
    pos_ = 0;
  }
  const std::size_t oldLimit = lineLimit_;
  while (lineLimit_ == oldLimit) {
    if (loaded_ == buffer_.size())
      buffer_.resize(buffer_.size() * 2);  // a record longer than the block
    ssize_t n = ::read(fd_, buffer_.data() + loaded_, buffer_.size() - loaded_);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      stopWithMessage("cannot read " + name_ + ": " + std::strerror(error));
    }
    if (n == 0) {
      exhausted_ = true;
      if (loaded_ > lineLimit_) {  // the last record lacks its line end: give it one
        if (loaded_ == buffer_.size()) buffer_.resize(buffer_.size() + 1);
        buffer_[loaded_++] = '\n';
        lineLimit_ = loaded_;
      }
      break;
    }
    // Whole records only: up to the last line end of what is loaded. A console read returns
    // what was typed, so one line is handed out as soon as it is there.
    const char* first = buffer_.data() + loaded_;
    loaded_ += static_cast<std::size_t>(n);
    bytesRead_ += static_cast<std::uint64_t>(n);
    const char* last = buffer_.data() + loaded_;
    auto lineEnd =
        std::find(std::make_reverse_iterator(last), std::make_reverse_iterator(first), '\n');
    if (lineEnd.base() != first)
      lineLimit_ = static_cast<std::size_t>(lineEnd.base() - buffer_.data());
  }
  return lineLimit_ > oldLimit;
}

std::string_view trimName(std::string_view field) {
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  return field;
}
