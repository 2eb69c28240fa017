// The pool of a run's threads: every part runs once, part 0 on the caller, failures come back
// as the lowest part's, and callers that share the pool (another thread's job, or a part's own
// split) still have every part run.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/workPool.h"

namespace {

class WorkPoolTest : public testing::TestWithParam<int> {
 protected:
  void SetUp() override { setRunThreads(GetParam()); }
};

TEST_P(WorkPoolTest, RunsEveryPartOnceForAnyNumberOfParts) {
  for (int parts : {0, 1, 2, 3, 7, 64}) {
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(parts));
    std::thread::id firstPartThread;
    runParts(parts, [&](int part) {
      ++runs[static_cast<std::size_t>(part)];
      if (part == 0) firstPartThread = std::this_thread::get_id();
    });
    for (int part = 0; part < parts; ++part) {
      EXPECT_EQ(runs[static_cast<std::size_t>(part)].load(), 1) << parts << " parts, part " << part;
    }
    // Part 0 is the caller's own.
    if (parts > 0) {
      EXPECT_EQ(firstPartThread, std::this_thread::get_id()) << parts << " parts";
    }
  }
}

TEST_P(WorkPoolTest, RethrowsTheLowestFailedPartAfterEveryPartEnded) {
  std::atomic<int> ended{0};
  try {
    runParts(8, [&](int part) {
      ++ended;
      if (part == 5 || part == 2 || part == 7) throw std::runtime_error(std::to_string(part));
    });
    FAIL() << "no exception";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "2");
  }
  EXPECT_EQ(ended.load(), 8);
  // The pool serves the next job as before.
  std::atomic<int> sum{0};
  runParts(4, [&](int part) { sum += part; });
  EXPECT_EQ(sum.load(), 6);
}

TEST_P(WorkPoolTest, SplitsInsideAPartAndFromTwoCallersAtOnce) {
  std::atomic<long> sum{0};
  const auto job = [&] {
    for (int round = 0; round < 50; ++round) {
      runParts(4, [&](int outer) { runParts(3, [&](int inner) { sum += outer * 3 + inner; }); });
    }
  };
  std::thread other(job);
  job();
  other.join();
  EXPECT_EQ(sum.load(), 2L * 50 * (11 * 12 / 2));
}

INSTANTIATE_TEST_SUITE_P(Threads, WorkPoolTest, testing::Values(1, 4),
                         [](const testing::TestParamInfo<int>& threads) {
                           return std::to_string(threads.param);
                         });

TEST(PartsFor, FewerPartsThanThreadsWhenThereIsLittleWork) {
  setRunThreads(4);
  EXPECT_EQ(partsFor(0, 100), 1);
  EXPECT_EQ(partsFor(250, 100), 2);
  EXPECT_EQ(partsFor(1'000'000, 100), 4);
  setRunThreads(1);
  EXPECT_EQ(partsFor(1'000'000, 100), 1);
}

}  // namespace
