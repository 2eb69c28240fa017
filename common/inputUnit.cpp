// Input units: a file (or standard input) read in large blocks with read(2), handed out as
// whole records. The buffer always ends at a record boundary as far as the scanners can see:
// [pos_, lineLimit_) holds whole records, each ending with '\n'; a last record without a line
// end gets one when the end of the file is met, so no scanner has to treat it apart.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/platform.h"
#include "common/stop.h"
#include "common/units.h"

namespace {

constexpr std::size_t fileBlockSize = std::size_t{1} << 20;
constexpr std::size_t consoleBlockSize = std::size_t{1} << 16;

std::uint64_t lineEnds(const char* first, const char* last) {
  return static_cast<std::uint64_t>(std::count(first, last, '\n'));
}

}  // namespace

InputUnit::InputUnit(int number) : number_(number) {}

InputUnit::~InputUnit() {
  close();
}

void InputUnit::openOld(std::string_view fileName) {
  close();
  name_ = std::string(fileName);
  const int fd = platform::openForReading(name_);
  if (fd < 0 && errno == EISDIR) {
    // What reading a folder opened on other systems reports.
    stopWithMessage("cannot read " + name_ + ": " + std::strerror(EISDIR));
  }
  if (fd < 0) stopRun(errorNumber::fileNotFound, number_, name_);
  fd_ = fd;
  ownsFd_ = true;
  open_ = true;
  rereadable_ = platform::isRegularFile(fd);
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
  if (ownsFd_ && fd_ >= 0) platform::closeFile(fd_);
  fd_ = -1;
  ownsFd_ = false;
  open_ = false;
  exhausted_ = false;
  rereadable_ = false;
  pos_ = lineLimit_ = loaded_ = 0;
  bufferOffset_ = 0;
  countedTo_ = 0;
  linesBefore_ = 0;
  recoveredOffset_ = recoveredLines_ = 0;
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
    if (!rereadable_) {
      countLinesTo(pos_);
      countedTo_ -= pos_;
    }
    bufferOffset_ += pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, loaded_ - pos_);
    lineLimit_ -= pos_;
    loaded_ -= pos_;
    pos_ = 0;
  }
  const std::size_t oldLimit = lineLimit_;
  while (lineLimit_ == oldLimit) {
    if (loaded_ == buffer_.size())
      buffer_.resize(buffer_.size() * 2);  // a record longer than the block
    // Every record before this read has been handed out whole: where an interrupt ends the
    // run, also one that cuts a waiting read short.
    stopIfInterrupted();
    const std::int64_t n =
        platform::readSome(fd_, buffer_.data() + loaded_, buffer_.size() - loaded_);
    if (n < 0) {
      int error = errno;
      stopIfInterrupted();
      stopWithMessage("cannot read " + name_ + ": " + std::strerror(error));
    }
    if (n == 0) {
      // An interrupt that came with the end of the input (Ctrl-C ends the program that feeds
      // a pipe too) is what ended the run.
      stopIfInterrupted();
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
    const char* last = buffer_.data() + loaded_;
    auto lineEnd =
        std::find(std::make_reverse_iterator(last), std::make_reverse_iterator(first), '\n');
    if (lineEnd.base() != first)
      lineLimit_ = static_cast<std::size_t>(lineEnd.base() - buffer_.data());
  }
  return lineLimit_ > oldLimit;
}

void InputUnit::countLinesTo(std::size_t index) {
  if (index <= countedTo_) return;
  linesBefore_ += lineEnds(buffer_.data() + countedTo_, buffer_.data() + index);
  countedTo_ = index;
}

InputUnit::Place InputUnit::placeOf(const char* p) {
  const auto index = static_cast<std::size_t>(p - buffer_.data());
  Place place{bufferOffset_ + index, 0};
  if (!rereadable_) place.line = lineAtOffset(place.offset);
  return place;
}

std::uint64_t InputUnit::lineOf(const Place& place) {
  return place.line != 0 ? place.line : lineAtOffset(place.offset);
}

std::uint64_t InputUnit::lastLine() {
  const std::uint64_t next = bufferOffset_ + pos_;
  return next == 0 ? 0 : lineAtOffset(next - 1);
}

std::size_t InputUnit::columnOf(const char* p) const {
  // Records are let go of whole, so the record of p starts inside the buffer.
  const char* start = p;
  while (start > buffer_.data() && start[-1] != '\n') --start;
  return static_cast<std::size_t>(p - start) + 1;
}

std::uint64_t InputUnit::lineAtOffset(std::uint64_t offset) {
  if (!rereadable_) {
    // Bytes let go of end with a line end: the last of them is on the last line counted.
    if (offset + 1 == bufferOffset_) {
      return linesBefore_ - lineEnds(buffer_.data(), buffer_.data() + countedTo_);
    }
    if (offset < bufferOffset_) return 0;  // let go of without a place taken there
    const auto index = static_cast<std::size_t>(
        std::min<std::uint64_t>(offset - bufferOffset_, static_cast<std::uint64_t>(loaded_)));
    if (index >= countedTo_) {
      countLinesTo(index);
      return linesBefore_ + 1;
    }
    return linesBefore_ - lineEnds(buffer_.data() + index, buffer_.data() + countedTo_) + 1;
  }
  // Read the file again from the last recovery, or from its start when the place lies before.
  if (offset < recoveredOffset_) recoveredOffset_ = recoveredLines_ = 0;
  std::vector<char> block(static_cast<std::size_t>(
      std::min<std::uint64_t>(offset - std::min(offset, recoveredOffset_), fileBlockSize)));
  while (recoveredOffset_ < offset) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(offset - recoveredOffset_, block.size()));
    const std::int64_t n = platform::readAt(fd_, block.data(), want, recoveredOffset_);
    if (n <= 0) break;  // the file is shorter now, or cannot be read: count what there is
    recoveredLines_ += lineEnds(block.data(), block.data() + n);
    recoveredOffset_ += static_cast<std::uint64_t>(n);
  }
  return recoveredLines_ + 1;
}

std::string_view trimName(std::string_view field) {
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  return field;
}
