#include <gtest/gtest.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/stop.h"
#include "common/units.h"
#include "support/temporaryFolder.h"
#include "support/units.h"

using testSupport::stopOf;
using testSupport::TemporaryFile;

namespace {

std::vector<std::string> allRecords(InputUnit& unit) {
  std::vector<std::string> records;
  std::string_view record;
  while (unit.nextRecord(record)) records.emplace_back(record);
  return records;
}

struct RecordCase {
  std::string_view text;
  std::vector<std::string> records;
};

const RecordCase recordCases[] = {
    {"", {}},
    {"\n", {""}},
    {"a\nb\n", {"a", "b"}},
    {"a\r\nb\r\n", {"a", "b"}},
    {"last without line end", {"last without line end"}},
    {"a\r\nlast\r", {"a", "last"}},
    {"a\n\n\nb", {"a", "", "", "b"}},
    {"\r\n\r\n", {"", ""}},
    {"inner\rcarriage return\n", {"inner\rcarriage return"}},
};

TEST(InputUnit, RecordsWithoutTheirLineEnds) {
  for (const RecordCase& c : recordCases) {
    SCOPED_TRACE(std::string(c.text));
    InputUnit memory(5);
    memory.openMemory(std::string(c.text));
    EXPECT_EQ(allRecords(memory), c.records);

    TemporaryFile file{std::string(c.text)};
    InputUnit disk(5);
    disk.openOld(file.path());
    EXPECT_EQ(allRecords(disk), c.records);
    EXPECT_TRUE(disk.atEnd());
  }
}

TEST(InputUnit, MissingFileStopsWith29) {
  TemporaryFile file{""};
  InputUnit unit(98);
  const std::string missing = file.missingPath();
  EXPECT_EQ(stopOf([&] { unit.openOld(missing); }), stopLine(29, 98, missing));
}

// Records that straddle the read blocks, and one far longer than a block, come out whole.
TEST(InputUnit, RecordsAcrossAndBeyondBlocks) {
  std::vector<std::string> expected;
  std::string text;
  for (int i = 0; i < 200000; ++i) {
    expected.push_back(std::to_string(i) + std::string(static_cast<std::size_t>(i % 17), 'x'));
    if (i == 100000) expected.back() = std::string(3u << 20, 'L');
    text += expected.back();
    text += (i % 3 == 0) ? "\r\n" : "\n";
  }
  text.pop_back();  // the last record ends without its line end
  if (text.back() == '\r') text.pop_back();
  TemporaryFile file{text};
  InputUnit unit(5);
  unit.openOld(file.path());
  EXPECT_EQ(allRecords(unit), expected);
}

// Loading in place, as a split read does while its parts read, leaves the records loaded where
// they are, and the unit then hands out exactly what it hands out without it: the same records,
// the last one without its line end given one, and a stop for a NUL byte only when the reader
// gets to its record.
TEST(InputUnit, LoadingInPlaceChangesNothingTheReaderSees) {
  std::string lines;
  for (int i = 0; i < 300000; ++i) lines += std::to_string(i) + (i % 5 == 0 ? "\r\n" : "\n");
  const struct {
    std::string text;
    bool nul;
  } cases[] = {{lines + "last", false}, {lines + "x" + std::string(1, '\0') + "\n", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nul ? "a NUL byte at the end" : "a last record without its line end");
    TemporaryFile file{c.text};
    InputUnit plain(5);
    plain.openOld(file.path());
    std::vector<std::string> expected;
    std::string_view record;
    const std::string expectedStop = stopOf([&] {
      while (plain.nextRecord(record)) expected.emplace_back(record);
    });

    InputUnit unit(5);
    unit.openOld(file.path());
    ASSERT_TRUE(unit.loadAhead(4096));
    unit.reserveBuffer(8u << 20);
    std::vector<std::string> records;
    for (int round = 0; round < 8; ++round) {
      const char* position = unit.position();
      const std::string loaded(position, unit.limit());
      unit.loadInPlace(std::size_t{1} << 20);
      EXPECT_EQ(unit.position(), position);
      EXPECT_EQ(std::string(position, position + loaded.size()), loaded);
      for (int i = 0; i < 20000 && unit.position() != unit.limit(); ++i) {
        ASSERT_TRUE(unit.nextRecord(record));
        records.emplace_back(record);
      }
    }
    const std::string stop = stopOf([&] {
      while (unit.nextRecord(record)) records.emplace_back(record);
    });
    EXPECT_EQ(records, expected);
    EXPECT_EQ(stop, expectedStop);
  }
}

// A pipe with binary ends, as the programs' standard input is; Windows' runtime spells the call
// _pipe and takes the pipe's buffer size.
int makePipe(int (&ends)[2]) {
#ifdef _WIN32
  return ::_pipe(ends, 4096, _O_BINARY);
#else
  return ::pipe(ends);
#endif
}

// Ends the test program unless dismissed within `limit`: a read that waits for more than the
// line typed would hang the suite instead of failing it.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!dismissedChanged_.wait_for(lock, limit, [this] { return dismissed_; })) {
            std::fputs("the console read waited for more than the line typed\n", stderr);
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dismissed_ = true;
    }
    dismissedChanged_.notify_one();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable dismissedChanged_;
  bool dismissed_ = false;
  std::thread thread_;  // last: starts when the rest is in place
};

// A console line is handed out as soon as it is typed, without waiting for a full block.
TEST(InputUnit, ConsoleLineArrivesBeforeTheBlockIsFull) {
  int pipeEnds[2];
  ASSERT_EQ(makePipe(pipeEnds), 0);
  int savedInput = ::dup(0);
  ASSERT_EQ(::dup2(pipeEnds[0], 0), 0);
  {
    InputUnit console(unitNumber::console);
    console.openStandardInput();
    EXPECT_EQ(console.name(), "stdin");
    ASSERT_EQ(::write(pipeEnds[1], "12\r\nsec", 7), 7);
    Watchdog watchdog(std::chrono::seconds(10));
    std::string_view record;
    ASSERT_TRUE(console.nextRecord(record));
    EXPECT_EQ(record, "12");
    ASSERT_EQ(::write(pipeEnds[1], "ond\n", 4), 4);
    ASSERT_TRUE(console.nextRecord(record));
    EXPECT_EQ(record, "second");
    ::close(pipeEnds[1]);
    EXPECT_FALSE(console.nextRecord(record));
  }
  ::dup2(savedInput, 0);
  ::close(savedInput);
  ::close(pipeEnds[0]);
}

TEST(TrimName, DropsTrailingBlanksOnly) {
  EXPECT_EQ(trimName("RES.DAT             "), "RES.DAT");
  EXPECT_EQ(trimName(" A B  "), " A B");
  EXPECT_EQ(trimName("    "), "");
}

}  // namespace

namespace {

// Places across block refills: a file of 3 MB (the unit reads 1 MB blocks) of numbered lines
// "line N" padded to varying lengths. The line of a place is the same whether the unit can read
// the file again (a regular file: recovered when asked) or counts as it lets bytes go (memory).
std::string numberedLines(int count) {
  std::string text;
  for (int n = 1; n <= count; ++n) {
    text += "line " + std::to_string(n) + std::string(static_cast<std::size_t>(n % 37), ' ') + "\n";
  }
  return text;
}

std::uint64_t numberInRecord(std::string_view record) {
  return std::stoull(std::string(record.substr(5)));
}

void checkPlaces(InputUnit& unit) {
  std::string_view record;
  std::vector<std::pair<InputUnit::Place, std::uint64_t>> kept;
  std::uint64_t expected = 0;
  while (unit.nextRecord(record)) {
    ++expected;
    ASSERT_EQ(numberInRecord(record), expected);
    const InputUnit::Place place = unit.placeOf(record.data() + 2);
    EXPECT_EQ(unit.columnOf(record.data() + 2), 3u);
    if (expected % 9973 == 1) kept.emplace_back(place, expected);
    if (expected % 50021 == 0) {
      EXPECT_EQ(unit.lineOf(place), expected);
    }
    EXPECT_EQ(unit.lastLine(), expected);
  }
  // Places taken long ago still name their lines, asked in any order.
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    EXPECT_EQ(unit.lineOf(it->first), it->second);
  }
  EXPECT_EQ(unit.lineOf(kept[3].first), kept[3].second);
  EXPECT_EQ(unit.lastLine(), expected);
}

TEST(InputUnit, PlacesNameTheirLinesAcrossBlocks) {
  const std::string text = numberedLines(120000);
  ASSERT_GT(text.size(), std::size_t{3} << 20);
  {
    TemporaryFile file(text);
    InputUnit unit(5);
    unit.openOld(file.path());
    checkPlaces(unit);
  }
  {
    InputUnit unit(5);
    unit.openMemory(text);
    checkPlaces(unit);
  }
}

TEST(InputUnit, LastLineOfAnEmptyFileIsZero) {
  TemporaryFile file("");
  InputUnit unit(5);
  unit.openOld(file.path());
  std::string_view record;
  EXPECT_FALSE(unit.nextRecord(record));
  EXPECT_EQ(unit.lastLine(), 0u);
}

}  // namespace
