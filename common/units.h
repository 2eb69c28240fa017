#pragma once
// Units: the open files of a run, referred to by fixed numbers.
// An OutputUnit collects records in a large buffer and hands it to the file with one write
// call per buffer; on a regular file a full buffer goes to a writer thread of the unit while
// the next one fills. An InputUnit reads its file in large blocks and hands out records.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/platform.h"

namespace unitNumber {
constexpr int console = -4;  // standard input and output
constexpr int resultFile = 5;
constexpr int output = 6;
constexpr int graphData = 7;
constexpr int avsScratch = 8;
constexpr int headTable = 10;
constexpr int pressureTable = 11;
constexpr int dischargeTable = 12;
constexpr int historyTable = 10;  // HISTORY.CSV, which a run writes instead of the four above
constexpr int seriesFile = 9;     // one file of a series of outputs
// The second file of a form that writes two.
constexpr int secondFile = 13;
constexpr int outputTimeFile = 17;
constexpr int workList = 98;
}  // namespace unitNumber

class OutputUnit {
 public:
  explicit OutputUnit(int number);
  ~OutputUnit();
  OutputUnit(const OutputUnit&) = delete;
  OutputUnit& operator=(const OutputUnit&) = delete;

  // Status "unknown": creates the file, or rewrites it from its start.
  void open(std::string_view fileName);
  void openStandardOutput();
  // Keeps every record in memory (tests); memory() returns them.
  void openMemory();
  // Keeps records in memory for appendRecords() of another unit: a part of an output formatted
  // apart, on a thread of the work pool. A full buffer of it is neither written nor checked for
  // interrupts (stopIfInterrupted belongs to the calling thread). Opening it anew empties it and
  // keeps its buffer.
  void openPart();
  bool isOpen() const { return mode_ != Mode::closed; }
  int number() const { return number_; }
  const std::string& name() const { return name_; }
  // A failed write names `fileName` instead of the unit's own file, and gives `place` (a file
  // written on behalf of another: "AVS.tmp, the scratch file of AVS.INP") as its place; until
  // the next open.
  void reportFailuresAs(std::string fileName, std::string place);
  // Whether a write or close of the file has failed since it was opened.
  bool failed() const { return failed_; }
  // The bytes written to the unit since it was opened, the pending ones included.
  std::uint64_t byteCount() const { return handed_ + size_; }

  // Record building: text goes into the pending buffer; endRecord() adds the line end.
  void append(std::string_view text) {
    char* out = extend(text.size());
    if (text.size() <= 4) {  // the usual literal: a comma or two, without a call
      for (char c : text) *out++ = c;
    } else {
      std::memcpy(out, text.data(), text.size());
    }
  }
  // n characters at the end of the buffer, for editors that fill fields in place. They hold
  // whatever was there before: the caller writes every one of them.
  char* extend(std::size_t n) {
    if (n > capacity_ - size_) [[unlikely]]
      grow(n);
    char* field = data_.get() + size_;
    size_ += n;
    return field;
  }
  // Gives back the characters from `end` (inside what extend() handed out last) on: room
  // taken for a record that ended sooner.
  void shrinkTo(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
  // The platform's line end (platform::lineEnd).
  void endRecord() {
    char* end = extend(platform::lineEnd.size());
    for (char c : platform::lineEnd) *end++ = c;
    if (size_ >= flushThreshold) bufferFull();
  }
  void writeRecord(std::string_view text) {
    append(text);
    endRecord();
  }
  // Raw bytes (binary files), handed to the file whenever the buffer reaches its threshold.
  void appendBytes(const void* data, std::size_t n);
  // The same bytes in the same writes, from bytes that stay unchanged while the call lasts:
  // each whole buffer of them is written to the file from its place, without a copy, once
  // the buffers before it are written.
  void appendLastingBytes(const void* data, std::size_t n);
  // Whole records (each ended by its line end) formatted apart: the buffer is handed to the
  // file at the same record ends, and so in the same writes, as if each record had been
  // written here by endRecord().
  void appendRecords(std::string_view records);
  // The records a part unit (openPart) holds.
  std::string_view partRecords() const { return {data_.get(), size_}; }

  // Hands the buffer to the file, and waits for any buffer the writer thread still holds; a
  // failed write (also one of the thread's) stops the run with a message naming the file.
  void flush();
  // Flushes and has the system put the file's bytes on its disk (platform::syncFile), so that
  // they outlast a power cut; reports a failure like flush().
  void syncToDisk();
  // Flushes and has the system begin to put the bytes on the disk, without waiting.
  void startWriteback();
  // Flushes and closes; reports a failed write like flush().
  void close();
  // Everything written so far to a memory unit.
  const std::string& memory() const;

 private:
  enum class Mode { closed, file, memory, part };
  // Opens the unit on records kept in memory.
  void openInMemory(Mode mode, std::string_view name);
  static constexpr std::size_t flushThreshold = 1 << 20;
  // Room for at least `more` characters after the pending ones.
  void grow(std::size_t more);
  // A full buffer: to the writer thread when the unit has one, else written at once; a part
  // keeps it.
  void bufferFull();
  // appendBytes and appendLastingBytes.
  void appendBytesFrom(const char* bytes, std::size_t n, bool lasting);
  // Writes the bytes on the calling thread, after every buffer handed before them; a failure
  // stops the run.
  void writeNow(const char* bytes, std::size_t size);
  // Waits until the writer thread holds no buffer; stops the run if its last write failed.
  void awaitWriter();
  void writerLoop();
  void stopWriter();
  // Stops the run with the failed write's message: "cannot write NAME: reason" and the place.
  [[noreturn]] void stopWriteFailure(int error);

  // The writer thread of a regular file, started with its first full buffer. While `busy_`
  // it owns `back_` and writes its first `backSize_` characters; otherwise `back_` is the
  // spare buffer that the next full one is exchanged with.
  bool background_ = false;
  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool busy_ = false;
  bool quit_ = false;
  int writeError_ = 0;  // errno of the thread's failed write, 0 when none
  std::unique_ptr<char[]> back_;
  std::size_t backSize_ = 0;
  std::size_t backCapacity_ = 0;

  int number_;
  Mode mode_ = Mode::closed;
  int fd_ = -1;
  bool ownsFd_ = false;
  bool failed_ = false;
  std::uint64_t handed_ = 0;  // bytes handed to the file (written, or given to the thread)
  std::string name_;
  std::string failureName_, failurePlace_;  // reportFailuresAs; empty: the unit's own name
  // The pending records, written without zero-filling first; a memory unit keeps them all.
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  // A memory unit's records as a string, brought up to date by memory().
  mutable std::string memory_;
  mutable std::size_t memorySynced_ = 0;
};

// The bytes of an input unit: grown without being zero-filled first, and where the system
// can without a copy, so that a long record costs the memory of its bytes and no more.
class InputBytes {
 public:
  InputBytes() = default;
  ~InputBytes() { clear(); }
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  char& operator[](std::size_t index) { return data_[index]; }
  // `size` bytes, the first of them kept; those added hold whatever was there. Throws
  // std::bad_alloc when they cannot be had.
  void resize(std::size_t size);
  void assign(std::string_view bytes);
  void clear();

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

// Input that is not text stops the run when the reader reaches the record that shows it (the
// records before it are read as ever): a NUL byte ("not a text file"); a record of 1 MiB or
// more, or the last record of a file that lacks its line end, holding a CR that a character
// other than CR or LF follows (lines ended by CR alone); a record with no line end within
// maxRecordBytes. So a unit holds at most that much of any input, /dev/zero and binary files
// included, and stops at its first block on a file of CR line ends.
class InputUnit {
 public:
  // Far beyond any record a valid input holds; a record longer than this stops the run.
  static constexpr std::size_t maxRecordBytes = std::size_t{1} << 28;

  // `recordBound` in place of maxRecordBytes (tests).
  explicit InputUnit(int number, std::size_t recordBound = maxRecordBytes);
  ~InputUnit();
  InputUnit(const InputUnit&) = delete;
  InputUnit& operator=(const InputUnit&) = delete;

  // Status "old": a missing file stops the run with error 29.
  void openOld(std::string_view fileName);
  void openStandardInput();
  // Reads the given text as the file's contents (tests).
  void openMemory(std::string text, std::string_view name = "memory");
  void close();
  bool isOpen() const { return open_; }
  int number() const { return number_; }
  const std::string& name() const { return name_; }

  // The next record without its line end (LF or CR LF); false at the end of the file.
  // The view stays valid until the next call on this unit.
  bool nextRecord(std::string_view& record);

  // Block access for the free-form scanner: [position(), limit()) holds whole records, each
  // ending with '\n' (a last record without its line end is given one at the end of the file).
  const char* position() const { return buffer_.data() + pos_; }
  const char* limit() const { return buffer_.data() + lineLimit_; }
  void advanceTo(const char* p) { pos_ = static_cast<std::size_t>(p - buffer_.data()); }
  // Loads more whole records behind the current position; false when the file is exhausted
  // (nothing new was loaded). Moves the buffer: position() and limit() must be taken anew.
  bool refill();
  // Loads whole records behind the current position until [position(), limit()) holds at
  // least `bytes` (a block to be split across threads), growing the buffer as it needs; true
  // when it does. Stops short, without a stop, at the end of the file or before a record that
  // is not text (refill() reports that when the reader gets there). Moves the buffer like
  // refill().
  bool loadAhead(std::size_t bytes);
  // Grows the buffer of a regular file to at least `bytes`, room for loadInPlace(). Moves the
  // buffer like refill().
  void reserveBuffer(std::size_t bytes);
  // Reads up to `bytes` more of a regular file into the buffer's free room, without growing or
  // moving the buffer: the records loaded stay where they are, so it may run while other
  // threads read them (but call nothing else of the unit). It checks for no interrupt and
  // stops nothing: a failed read, the end of the file and the last record are left to the
  // next read that must have them, which meets them as ever.
  void loadInPlace(std::size_t bytes);
  // The bytes loaded behind the whole records handed out: room loadInPlace() may still fill.
  std::size_t roomInPlace() const { return buffer_.size() - loaded_; }
  bool atEnd() const { return pos_ >= lineLimit_ && exhausted_ && fault_ == Fault::none; }
  // Bytes taken from the file so far (for the progress line); may be asked from another thread
  // than the one that reads.
  std::uint64_t bytesRead() const { return bytesTaken_.load(std::memory_order_relaxed); }
  // Whether a read never waits: the unit reads a regular file or memory, not a pipe or a
  // terminal (whose waiting reads only an interrupt of the main thread cuts short).
  bool neverWaits() const { return rereadable_ || (open_ && fd_ < 0); }

  // Places in the file, for the location line of a stop: the byte offset of a point, with its
  // line number once that is known. Reading never counts lines of a file that can be read
  // again: they are recovered from the file when a stop asks. Only a unit that cannot be read
  // again (the console, a pipe) counts the line ends of what it lets go of.
  struct Place {
    std::uint64_t offset = 0;
    std::uint64_t line = 0;  // 1-based; 0 while not known
  };
  // The place of p, a pointer into the records loaded (the record handed out last included).
  Place placeOf(const char* p);
  // The 1-based line number of the record holding a place (0 if it can no longer be told).
  std::uint64_t lineOf(const Place& place);
  // The number of the last record read (0 when none was).
  std::uint64_t lastLine();
  // The 1-based column of p, a pointer as for placeOf, within its record.
  std::size_t columnOf(const char* p) const;

 private:
  enum class Fault : unsigned char { none, nulByte, carriageReturn, noLineEnd };
  // Checks the bytes of one read, [first, loaded_), whose records end at lineLimit_ before it;
  // moves lineLimit_ to the end of the whole records that may be handed out.
  void takeRead(std::size_t first);
  // The last record of the file, [lineLimit_, loaded_), without its line end.
  void takeLastRecord();
  // Lets go of the bytes before the position: the unread ones move to the buffer's front.
  void dropReadBytes();
  // One read(2) of the file behind what is loaded, its records checked by takeRead.
  void readBlock();
  // The read itself: at most a block, and never past `goal` nor the bound of the record open,
  // so that a longer one is always seen open. What it returns is what platform::readSome
  // gives; the bytes read are taken (takeRead).
  std::int64_t readUpTo(std::size_t goal);
  // Notes the fault of the byte at `index`, in the record that begins at `recordStart`: no
  // record from there on is handed out.
  void noteFault(Fault fault, std::size_t index, std::size_t recordStart);
  // Searches the record begun at `recordStart` up to `last` for a CR alone, from where an
  // earlier search of it stopped; notes the fault and returns true when there is one.
  bool noteCarriageReturnAlone(std::size_t recordStart, std::size_t last);
  [[noreturn]] void stopAtFault();
  std::uint64_t lineAtOffset(std::uint64_t offset);
  // Counts the line ends of the buffer up to `index` into linesBefore_ (units read once).
  void countLinesTo(std::size_t index);

  int number_;
  std::size_t recordBound_;
  bool open_ = false;
  bool exhausted_ = false;
  bool rereadable_ = false;  // a regular file: lines are recovered by reading it again
  int fd_ = -1;
  bool ownsFd_ = false;
  std::string name_;
  InputBytes buffer_;
  std::size_t pos_ = 0;                       // next unread byte
  std::size_t lineLimit_ = 0;                 // end of the whole records loaded
  std::size_t loaded_ = 0;                    // end of the bytes loaded
  std::uint64_t bufferOffset_ = 0;            // the file offset of buffer_[0]
  std::atomic<std::uint64_t> bytesTaken_{0};  // bufferOffset_ + loaded_
  Fault fault_ = Fault::none;
  std::size_t faultIndex_ = 0;  // the offending byte, or the start of the record too long
  // The bytes of the record begun at lineLimit_ already searched for CR line ends.
  std::size_t carriageReturnsChecked_ = 0;
  // Units read once: the line ends before buffer_[countedTo_].
  std::size_t countedTo_ = 0;
  std::uint64_t linesBefore_ = 0;
  // Files: the line ends before recoveredOffset_, from the last recovery.
  std::uint64_t recoveredOffset_ = 0;
  std::uint64_t recoveredLines_ = 0;
};

// File names are read into 20-character fields; trailing blanks are not part of the name.
std::string_view trimName(std::string_view field);
