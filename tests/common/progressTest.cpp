// The progress line's text: share read, steps, speed, time spent and the estimate of what is
// left, which assumes the rest of the file reads at the speed so far.
#include <gtest/gtest.h>

#include <string>

#include "common/platform.h"
#include "common/progress.h"

namespace {

TEST(ProgressLine, Text) {
  struct Case {
    std::uint64_t bytesRead, fileBytes;
    int steps;
    double seconds;
    const char* text;
  };
  const Case cases[] = {
      {250'000'000, 1'000'000'000, 12, 0.5,
       " 25.0% read, 12 steps, 500.0 MB/s, 0:01 elapsed, 0:02 left"},
      {1'000'000'000, 1'000'000'000, 1, 100.0,
       "100.0% read, 1 step, 10.0 MB/s, 1:40 elapsed, 0:00 left"},
      {100'000'000, 4'000'000'000, 0, 3600.0,
       "  2.5% read, 0 steps, 0.0 MB/s, 1:00:00 elapsed, 39:00:00 left"},
      // Nothing read yet: no speed and no estimate.
      {0, 1000, 0, 0.0, "  0.0% read, 0 steps, 0.0 MB/s, 0:00 elapsed"},
      // A size that cannot be told (a pipe): megabytes instead of a share, no estimate.
      {5'000'000, 0, 3, 1.0, "5.0 MB read, 3 steps, 5.0 MB/s, 0:01 elapsed"},
      // A file that grew while it was read reads as complete.
      {2000, 1000, 1, 1.0, "100.0% read, 1 step, 0.0 MB/s, 0:01 elapsed, 0:00 left"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressMeter::lineText(c.bytesRead, c.fileBytes, c.steps, c.seconds), c.text);
  }
}

// The null device is no terminal; Windows' runtime takes it for one, the console mode does not.
#ifdef _WIN32
constexpr const char* nullDevice = "NUL";
#else
constexpr const char* nullDevice = "/dev/null";
#endif

TEST(ProgressLine, NeverDrawnUnlessForcedOrATerminal) {
  EXPECT_FALSE(ProgressMeter(ProgressMode::never).shown());
  EXPECT_TRUE(ProgressMeter(ProgressMode::always).shown());
  const int notATerminal = platform::openForWriting(nullDevice);
  ASSERT_GE(notATerminal, 0);
  EXPECT_FALSE(ProgressMeter(ProgressMode::automatic, notATerminal).shown());
  platform::closeFile(notATerminal);
}

}  // namespace
