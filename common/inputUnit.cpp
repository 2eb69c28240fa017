// Input units: a file (or standard input) read in large blocks with read(2), handed out as
// whole records. The buffer always ends at a record boundary as far as the scanners can see:
// [pos_, lineLimit_) holds whole records, each ending with '\n'; a last record without a line
// end gets one when the end of the file is met, so no scanner has to treat it apart.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/platform.h"
#include "common/readPlace.h"
#include "common/stop.h"
#include "common/units.h"

namespace {

constexpr std::size_t fileBlockSize = std::size_t{1} << 20;
constexpr std::size_t consoleBlockSize = std::size_t{1} << 16;
// A record this long is searched for CR line ends. A read takes at most a block, so a record
// that long always spans reads and is searched whatever the reads' sizes.
constexpr std::size_t longRecordBytes = fileBlockSize;

std::uint64_t lineEnds(const char* first, const char* last) {
  return static_cast<std::uint64_t>(std::count(first, last, '\n'));
}

// The first CR of [first, last) that a character other than CR or LF follows (CR CR LF is a
// line end as CR LF is), or null. A run of CRs that reaches `last` is not decided until more
// bytes come: `undecided` is set to its start (to `last` when there is none).
const char* bareCarriageReturn(const char* first, const char* last, const char*& undecided) {
  undecided = last;
  for (const char* p = first;;) {
    p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(last - p)));
    if (p == nullptr) return nullptr;
    const char* next = p;
    while (next < last && *next == '\r') ++next;
    if (next == last) {
      undecided = p;
      return nullptr;
    }
    if (*next != '\n') return p;
    p = next;
  }
}

}  // namespace

void InputBytes::resize(std::size_t size) {
  if (size == 0) return clear();
  void* grown = std::realloc(data_, size);
  if (grown == nullptr) throw std::bad_alloc();
  data_ = static_cast<char*>(grown);
  size_ = size;
}

void InputBytes::assign(std::string_view bytes) {
  resize(bytes.size());
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

void InputBytes::clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}

InputUnit::InputUnit(int number, std::size_t recordBound)
    : number_(number), recordBound_(recordBound) {}

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
  buffer_.assign(text);
  loaded_ = lineLimit_ = buffer_.size();
  bytesTaken_.store(loaded_, std::memory_order_relaxed);
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
  bytesTaken_.store(0, std::memory_order_relaxed);
  fault_ = Fault::none;
  faultIndex_ = carriageReturnsChecked_ = 0;
  countedTo_ = 0;
  linesBefore_ = 0;
  recoveredOffset_ = recoveredLines_ = 0;
  buffer_.clear();
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
  if (!open_) return false;
  // Every record before the fault has been handed out: the reader has reached it.
  if (fault_ != Fault::none) stopAtFault();
  if (exhausted_) return false;
  dropReadBytes();
  const std::size_t oldLimit = lineLimit_;
  while (lineLimit_ == oldLimit && fault_ == Fault::none && !exhausted_) readBlock();
  if (lineLimit_ > oldLimit) return true;
  if (fault_ != Fault::none) stopAtFault();
  return false;
}

bool InputUnit::loadAhead(std::size_t bytes) {
  if (!open_) return false;
  if (lineLimit_ - pos_ >= bytes) return true;
  if (exhausted_ || fault_ != Fault::none) return false;
  dropReadBytes();
  // Room for the bytes and a read beyond them, which ends the last record they hold.
  if (buffer_.size() < bytes + fileBlockSize) buffer_.resize(bytes + fileBlockSize);
  while (lineLimit_ < bytes && fault_ == Fault::none && !exhausted_) readBlock();
  return lineLimit_ >= bytes;
}

void InputUnit::reserveBuffer(std::size_t bytes) {
  if (open_ && rereadable_ && buffer_.size() < bytes) buffer_.resize(bytes);
}

void InputUnit::loadInPlace(std::size_t bytes) {
  if (!open_ || !rereadable_ || exhausted_ || fault_ != Fault::none) return;
  const std::size_t goal = loaded_ + std::min(bytes, buffer_.size() - loaded_);
  while (loaded_ < goal && fault_ == Fault::none) {
    if (readUpTo(goal) <= 0) return;
  }
}

void InputUnit::dropReadBytes() {
  if (pos_ == 0) return;
  if (!rereadable_) {
    countLinesTo(pos_);
    countedTo_ -= pos_;
  }
  bufferOffset_ += pos_;
  std::memmove(buffer_.data(), buffer_.data() + pos_, loaded_ - pos_);
  lineLimit_ -= pos_;
  loaded_ -= pos_;
  carriageReturnsChecked_ -= std::min(carriageReturnsChecked_, pos_);
  pos_ = 0;
}

void InputUnit::readBlock() {
  if (loaded_ == buffer_.size()) {
    // A record longer than the buffer, up to the bound it may not pass.
    buffer_.resize(std::min(buffer_.size() * 2, lineLimit_ + recordBound_ + 1));
  }
  // Where an interrupt ends the run, also one that cuts a waiting read short.
  stopIfInterrupted();
  const std::int64_t n = readUpTo(buffer_.size());
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
    if (loaded_ > lineLimit_) takeLastRecord();
  }
}

std::int64_t InputUnit::readUpTo(std::size_t goal) {
  const std::size_t room =
      std::min({goal - loaded_, fileBlockSize, lineLimit_ + recordBound_ + 1 - loaded_});
  const std::int64_t n = platform::readSome(fd_, buffer_.data() + loaded_, room);
  if (n > 0) {
    const std::size_t first = loaded_;
    loaded_ += static_cast<std::size_t>(n);
    bytesTaken_.store(bufferOffset_ + loaded_, std::memory_order_relaxed);
    takeRead(first);
  }
  return n;
}

void InputUnit::takeRead(std::size_t first) {
  const char* data = buffer_.data();
  const std::size_t recordStart = lineLimit_;
  // Nothing from a NUL byte on is looked at: the run stops there.
  std::size_t end = loaded_;
  if (const void* nul = std::memchr(data + first, '\0', loaded_ - first)) {
    end = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
  }
  // Whole records only: up to the last line end of what is loaded. A console read returns
  // what was typed, so one line is handed out as soon as it is there.
  if (const auto* lineEnd =
          static_cast<const char*>(std::memchr(data + first, '\n', end - first))) {
    // The record that was open before this read is whole; a long one is searched.
    const auto closedAt = static_cast<std::size_t>(lineEnd - data);
    if (closedAt - recordStart >= longRecordBytes &&
        noteCarriageReturnAlone(recordStart, closedAt)) {
      return;
    }
    const auto last = std::find(std::make_reverse_iterator(data + end),
                                std::make_reverse_iterator(lineEnd), '\n');
    lineLimit_ = static_cast<std::size_t>(last.base() - data);
    carriageReturnsChecked_ = lineLimit_;
  }
  // The record still open, searched from the moment it is long.
  if (end - lineLimit_ >= longRecordBytes && noteCarriageReturnAlone(lineLimit_, end)) return;
  if (end < loaded_) return noteFault(Fault::nulByte, end, lineLimit_);
  if (loaded_ - lineLimit_ > recordBound_) noteFault(Fault::noLineEnd, lineLimit_, lineLimit_);
}

void InputUnit::takeLastRecord() {
  if (noteCarriageReturnAlone(lineLimit_, loaded_)) return;
  // The last record lacks its line end: give it one.
  if (loaded_ == buffer_.size()) buffer_.resize(buffer_.size() + 1);
  buffer_[loaded_++] = '\n';
  lineLimit_ = loaded_;
}

bool InputUnit::noteCarriageReturnAlone(std::size_t recordStart, std::size_t last) {
  const char* data = buffer_.data();
  const char* undecided = nullptr;
  const char* from = data + std::max(recordStart, carriageReturnsChecked_);
  if (const char* bare = bareCarriageReturn(from, data + last, undecided)) {
    noteFault(Fault::carriageReturn, static_cast<std::size_t>(bare - data), recordStart);
    return true;
  }
  carriageReturnsChecked_ = static_cast<std::size_t>(undecided - data);
  return false;
}

void InputUnit::noteFault(Fault fault, std::size_t index, std::size_t recordStart) {
  fault_ = fault;
  faultIndex_ = index;
  lineLimit_ = recordStart;
}

void InputUnit::stopAtFault() {
  const std::string where = pointLocation(*this, buffer_.data() + faultIndex_);
  switch (fault_) {
    case Fault::nulByte:
      stopWithMessage(name_ + ": not a text file", where + ": a NUL byte");
    case Fault::carriageReturn:
      stopWithMessage(name_ + ": lines end in CR alone, not in LF or CR LF",
                      where + ": a CR not followed by LF");
    case Fault::noLineEnd:
    case Fault::none:
      break;
  }
  stopWithMessage(name_ + ": no line end within " + groupedNumber(recordBound_) + " bytes",
                  where + ": the record without a line end begins here");
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
