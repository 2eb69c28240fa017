// Input that is not text: a NUL byte, lines ended by CR alone and a record with no line end
// within the bound stop the run when the reader reaches the record that shows them, with the
// records before it read as ever; the same from a file and from a pipe, whose reads come in
// pieces of any size.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <unistd.h>

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

struct Outcome {
  std::vector<std::string> records;  // handed out before the stop
  std::string stop = "no stop";      // the stop line
  std::string location;              // its place line
};

Outcome readAll(InputUnit& unit) {
  Outcome outcome;
  try {
    std::string_view record;
    while (unit.nextRecord(record)) outcome.records.emplace_back(record);
  } catch (const RunStopped& stop) {
    outcome.stop = stop.line();
    outcome.location = stop.location();
  }
  return outcome;
}

int makePipe(int (&ends)[2]) {
#ifdef _WIN32
  return ::_pipe(ends, 4096, _O_BINARY);
#else
  return ::pipe(ends);
#endif
}

// The text through a pipe on standard input, written in pieces of `piece` bytes.
Outcome readThroughPipe(const std::string& text, std::size_t piece, std::size_t bound) {
  int ends[2];
  if (makePipe(ends) != 0) {
    ADD_FAILURE() << "no pipe";
    return {};
  }
  const int savedInput = ::dup(0);
  ::dup2(ends[0], 0);
  std::thread writer([&] {
    for (std::size_t at = 0; at < text.size(); at += piece) {
      const std::size_t size = std::min(piece, text.size() - at);
      if (::write(ends[1], text.data() + at, static_cast<unsigned>(size)) < 0) break;
    }
    ::close(ends[1]);
  });
  Outcome outcome;
  {
    InputUnit unit(unitNumber::console, bound);
    unit.openStandardInput();
    outcome = readAll(unit);
  }
  // What the reader left, so that the writer ends.
  char rest[4096];
  while (::read(0, rest, sizeof rest) > 0) {
  }
  writer.join();
  ::dup2(savedInput, 0);
  ::close(savedInput);
  ::close(ends[0]);
  return outcome;
}

std::string block(std::size_t size, char fill) {
  return std::string(size, fill);
}

constexpr std::size_t mebibyte = std::size_t{1} << 20;

struct Case {
  const char* name;
  std::string text;
  std::size_t bound;
  std::vector<std::string> records;
  std::string stop;      // after "NAME: "; empty: no stop
  std::string location;  // after "NAME, "
};

const std::string nul = std::string(1, '\0');
const std::string nulStop = "not a text file";
const std::string crStop = "lines end in CR alone, not in LF or CR LF";

std::vector<Case> cases() {
  const std::size_t anyLength = InputUnit::maxRecordBytes;
  std::string longCarriageReturn = "ok\n" + block(mebibyte + 100, 'x') + "\n";
  longCarriageReturn[3 + mebibyte / 2] = '\r';
  std::string manyCarriageReturns;
  while (manyCarriageReturns.size() < 3 * mebibyte) manyCarriageReturns += "1.5 2.5 3\r";
  std::string longCarriageReturnLineFeed = block(2 * mebibyte, 'y') + "\r\r\nnext\n";
  longCarriageReturnLineFeed[mebibyte] = '\r';
  longCarriageReturnLineFeed[mebibyte + 1] = '\n';
  return {
      {"a NUL byte in the second line",
       "a\nb" + nul + "c\nd\n",
       anyLength,
       {"a"},
       nulStop,
       "line 2, column 2: a NUL byte"},
      {"a NUL byte first", nul, anyLength, {}, nulStop, "line 1, column 1: a NUL byte"},
      {"a NUL byte in a last line without its line end",
       "a\nbc" + nul,
       anyLength,
       {"a"},
       nulStop,
       "line 2, column 3: a NUL byte"},
      {"a NUL byte after a megabyte of lines", block(mebibyte + 7, '\n') + "x" + nul, anyLength,
       std::vector<std::string>(mebibyte + 7), nulStop, "line 1,048,584, column 2: a NUL byte"},
      {"a small file of CR line ends",
       "12\r34\r",
       anyLength,
       {},
       crStop,
       "line 1, column 3: a CR not followed by LF"},
      {"CR line ends after a first line",
       "title\nA\rB\r",
       anyLength,
       {"title"},
       crStop,
       "line 2, column 2: a CR not followed by LF"},
      {"a large file of CR line ends",
       manyCarriageReturns,
       anyLength,
       {},
       crStop,
       "line 1, column 10: a CR not followed by LF"},
      {"a CR inside a long record",
       longCarriageReturn,
       anyLength,
       {"ok"},
       crStop,
       "line 2, column " + std::to_string(mebibyte / 2 + 1) + ": a CR not followed by LF"},
      {"CR CR LF ends a long record",
       longCarriageReturnLineFeed,
       anyLength,
       {block(mebibyte, 'y'), block(mebibyte - 2, 'y') + "\r", "next"},
       "",
       ""},
      {"a CR inside a short record",
       "inner\rcarriage return\n",
       anyLength,
       {"inner\rcarriage return"},
       "",
       ""},
      {"a CR ending the last record", "a\r\nlast\r", anyLength, {"a", "last"}, "", ""},
      {"a record longer than the bound",
       "short\n" + block(65, 'x') + "\nnext\n",
       64,
       {"short"},
       "no line end within 64 bytes",
       "line 2, column 1: the record without a line end begins here"},
      {"a record as long as the bound",
       "short\n" + block(64, 'x') + "\nnext\n",
       64,
       {"short", block(64, 'x'), "next"},
       "",
       ""},
      {"a last record longer than the bound",
       block(100, 'x'),
       64,
       {},
       "no line end within 64 bytes",
       "line 1, column 1: the record without a line end begins here"},
  };
}

TEST(NotTextInput, StopsWhereTheReaderReachesIt) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const auto check = [&](const Outcome& outcome, const std::string& name) {
      EXPECT_EQ(outcome.records, c.records);
      if (c.stop.empty()) {
        EXPECT_EQ(outcome.stop, "no stop") << outcome.location;
      } else {
        EXPECT_EQ(outcome.stop, name + ": " + c.stop);
        EXPECT_EQ(outcome.location, name + ", " + c.location);
      }
    };
    TemporaryFile file(c.text);
    InputUnit unit(unitNumber::resultFile, c.bound);
    unit.openOld(file.path());
    check(readAll(unit), file.path());
    for (const std::size_t piece : {std::size_t{1000}, std::size_t{65536}}) {
      SCOPED_TRACE("through a pipe in pieces of " + std::to_string(piece));
      check(readThroughPipe(c.text, piece, c.bound), "stdin");
    }
  }
}

// A unit that stopped on a record stops again when asked for more, and ends no earlier: the
// free-form scanner and the record reads take the same records.
TEST(NotTextInput, StopsAgainWhenAskedAgain) {
  TemporaryFile file("1 2\n3" + nul + "\n");
  InputUnit unit(unitNumber::resultFile);
  unit.openOld(file.path());
  std::string_view record;
  ASSERT_TRUE(unit.nextRecord(record));
  EXPECT_FALSE(unit.atEnd());
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(stopOf([&] { unit.nextRecord(record); }), file.path() + ": " + nulStop);
  }
}

}  // namespace
