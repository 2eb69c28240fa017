// Output units on regular files, where full buffers go to the unit's writer thread: every
// record arrives in order, flush() and close() wait for it, and a failed write of the thread
// still stops the run naming the file.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <cerrno>
#include <cstring>
#include <string>

#include "common/stop.h"
#include "common/units.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"

namespace {

using testSupport::TemporaryFolder;

std::string contents(const std::string& path) {
  return testSupport::readFile(path);
}

// Record k of a numbered run of records, of varying length.
std::string record(int k) {
  return "record " + std::to_string(k) + std::string(static_cast<std::size_t>(k % 97), '.');
}

std::string records(int first, int last) {
  std::string text;
  for (int k = first; k < last; ++k) text += record(k) + std::string(platform::lineEnd);
  return text;
}

TEST(OutputUnitFile, ManyBuffersArriveInOrderAndFlushWaitsForThem) {
  TemporaryFolder folder;
  const std::string path = folder.file("OUT.TXT");
  OutputUnit unit(6);
  unit.open(path);
  for (int k = 0; k < 60000; ++k) unit.writeRecord(record(k));  // about 6 buffers
  unit.flush();
  EXPECT_EQ(contents(path), records(0, 60000));  // still open: flush alone completes the file
  for (int k = 60000; k < 90000; ++k) unit.writeRecord(record(k));
  unit.close();
  EXPECT_EQ(contents(path), records(0, 90000));
}

TEST(OutputUnitFile, ReopeningAndDestroyingFinishTheFile) {
  TemporaryFolder folder;
  const std::string first = folder.file("A.TXT");
  const std::string second = folder.file("B.TXT");
  {
    OutputUnit unit(8);
    unit.open(first);
    for (int k = 0; k < 40000; ++k) unit.writeRecord(record(k));
    unit.open(second);  // the first file is finished before the second begins
    EXPECT_EQ(contents(first), records(0, 40000));
    for (int k = 0; k < 30000; ++k) unit.writeRecord(record(k));
  }  // as when a stop unwinds the run
  EXPECT_EQ(contents(second), records(0, 30000));
}

// A file size limit makes a write of the writer thread fail (EFBIG): the run stops with the
// message naming the file, at the next full buffer or at the latest when the file is closed,
// and what was written before the limit stays in the file.
TEST(OutputUnitFile, FailedWriteOfTheThreadStopsTheRunNamingTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no file size limit of a process to make a write fail";
#else
  TemporaryFolder folder;
  const std::string path = folder.file("BIG.TXT");
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {};
  struct sigaction savedAction {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &savedAction), 0);
  struct rlimit limit = saved;
  limit.rlim_cur = 3u << 20;  // 3 MB: the fourth buffer cannot be written whole
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

  std::string line;
  {
    OutputUnit unit(6);
    unit.open(path);
    try {
      for (int k = 0; k < 200000; ++k) unit.writeRecord(record(k));
      unit.close();
    } catch (const RunStopped& stop) {
      line = stop.line();
    }
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &savedAction, nullptr);

  EXPECT_EQ(line, "cannot write " + path + ": " + std::strerror(EFBIG));
  const std::string written = contents(path);
  EXPECT_LE(written.size(), std::size_t{3} << 20);
  EXPECT_GE(written.size(), std::size_t{2} << 20);
  EXPECT_EQ(written, records(0, 200000).substr(0, written.size()));
#endif
}

// A file written on behalf of another (the MicroAVS scratch file) names that other file in
// its failure, itself in the place, with how far the run had come.
TEST(OutputUnitFile, FailedWriteNamesTheFileItIsWrittenFor) {
#ifdef _WIN32
  GTEST_SKIP() << "no device that refuses every write";
#else
  clearRunPlace();
  noteOutputBegun(3, 30.0);
  noteOutputWritten();
  OutputUnit unit(8);
  unit.open("/dev/full");
  unit.reportFailuresAs("AVS.INP", "AVS.tmp, the scratch file of AVS.INP");
  EXPECT_FALSE(unit.failed());
  const std::string section = "step1  1.0000000E+01";
  unit.writeRecord(section);
  try {
    unit.close();
    ADD_FAILURE() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_EQ(stop.line(), std::string("cannot write AVS.INP: ") + std::strerror(ENOSPC));
    EXPECT_EQ(stop.location(),
              "AVS.tmp, the scratch file of AVS.INP, after the output of step 3 at time 30");
  }
  EXPECT_TRUE(unit.failed());
  EXPECT_EQ(unit.byteCount(), section.size() + platform::lineEnd.size());

  // Reopened, the unit names its own file again, and the place says where the run is.
  unit.open("/dev/full");
  unit.writeRecord("x");
  EXPECT_FALSE(unit.failed());
  try {
    unit.close();
    ADD_FAILURE() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_EQ(stop.line(), std::string("cannot write /dev/full: ") + std::strerror(ENOSPC));
    EXPECT_EQ(stop.location(), "/dev/full, after the output of step 3 at time 30");
  }
  clearRunPlace();
#endif
}

// Raw bytes of binary files: arrays larger than the unit's buffer arrive whole and in order.
TEST(AppendBytes, FileUnitsTakeArraysLargerThanTheirBuffer) {
  TemporaryFolder directory;
  const auto path = directory.path() / "bytes.bin";
  std::string expected;
  {
    OutputUnit unit(unitNumber::output);
    unit.open(path.string());
    unit.writeRecord("head");
    expected += testSupport::withLineEnds("head\n");
    std::string big(3'500'001, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    unit.appendBytes(big.data(), big.size());
    unit.appendBytes(big.data(), 5);
    unit.writeRecord("tail");
    expected += big + big.substr(0, 5) + testSupport::withLineEnds("tail\n");
    unit.close();
  }
  EXPECT_EQ(testSupport::readFile(path), expected);

  OutputUnit memory(unitNumber::output);
  memory.openMemory();
  memory.appendBytes("ab\0c", 4);
  memory.appendBytes("", 0);
  EXPECT_EQ(memory.memory(), std::string("ab\0c", 4));
}

// Lasting bytes (whole buffers written from their place) give the file the bytes of
// appendBytes, after pending text of every length against the buffer, in arrays shorter than,
// as long as, and longer than it; on a full device they stop the run at the same point.
TEST(AppendBytes, LastingBytesAreTheBytesInTheSameWrites) {
  constexpr std::size_t buffer = std::size_t{1} << 20;
  std::string big(3 * buffer + 12345, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  const std::size_t pendings[] = {0, 5, buffer - 1, buffer, buffer + 17};
  const std::size_t lengths[] = {5, buffer - 5, buffer, buffer + 1, 3 * buffer + 12345};
  using Append = void (OutputUnit::*)(const void*, std::size_t);
  TemporaryFolder directory;
  const auto written = [&](Append append, std::size_t pending, std::size_t length) {
    const auto path = directory.path() / "bytes.bin";
    {
      OutputUnit unit(unitNumber::output);
      unit.open(path.string());
      unit.append(std::string(pending, 'p'));  // text does not hand the buffer on by itself
      (unit.*append)(big.data(), length);
      (unit.*append)(big.data() + 1, 3);
      unit.writeRecord("tail");
      unit.close();
    }
    return testSupport::readFile(path);
  };
  for (std::size_t pending : pendings) {
    for (std::size_t length : lengths) {
      SCOPED_TRACE(testing::Message() << pending << " pending, " << length << " bytes");
      const std::string lasting = written(&OutputUnit::appendLastingBytes, pending, length);
      EXPECT_EQ(lasting, std::string(pending, 'p') + big.substr(0, length) + big.substr(1, 3) +
                             testSupport::withLineEnds("tail\n"));
      EXPECT_TRUE(lasting == written(&OutputUnit::appendBytes, pending, length));
    }
  }
#ifndef _WIN32
  const auto stopOnFullDevice = [&](Append append) {
    OutputUnit unit(unitNumber::output);
    unit.open("/dev/full");
    unit.append("head");
    try {
      (unit.*append)(big.data(), big.size());
      ADD_FAILURE() << "no stop";
    } catch (const RunStopped& stop) {
      return stop.line() + " after " + std::to_string(unit.byteCount()) + " bytes";
    }
    return std::string();
  };
  EXPECT_EQ(stopOnFullDevice(&OutputUnit::appendLastingBytes),
            stopOnFullDevice(&OutputUnit::appendBytes));
#endif
}

}  // namespace
