// Complete runs worked out by hand from the record layouts: inputs, console answers and every
// file the run leaves, byte for byte.
#include <filesystem>
#include <string>

#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class WorkedExample : public ::testing::TestWithParam<std::string> {};

TEST_P(WorkedExample, LeavesExactlyTheExpectedFiles) {
  const fs::path caseDir = fs::path(FIXTURE_DIR) / "worked" / GetParam();
  const std::string program = trimmed(readFile(caseDir / "program.txt"));
  WorkDirectory dir;
  for (const auto& input : fs::directory_iterator(caseDir / "input")) {
    dir.copy(input.path(), input.path().filename().string());
  }
  const ProgramResult result = dir.run(program == "tseries" ? TSERIES_PATH : RESCONV_PATH,
                                       readFile(caseDir / "answers.txt"));

  const fs::path expected = caseDir / "expected";
  EXPECT_TRUE(sameText(result.standardOutput, readFile(expected / "stdout.txt"))) << "stdout";
  if (fs::exists(expected / "stop.txt")) {
    const std::string stop = trimmed(readFile(expected / "stop.txt"));
    EXPECT_EQ(result.standardError.rfind(stop, 0), 0u) << result.standardError;
    EXPECT_NE(result.exitStatus, 0);
  } else {
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  }
  for (const auto& file : fs::directory_iterator(expected)) {
    const std::string name = file.path().filename().string();
    if (name == "stdout.txt" || name == "stop.txt") continue;
    ASSERT_TRUE(dir.exists(name)) << name;
    EXPECT_TRUE(sameText(dir.read(name), readFile(file.path()))) << name;
  }
  // Nothing else is left behind: every file in the directory is an input or expected.
  for (const auto& file : fs::directory_iterator(dir.path())) {
    const std::string name = file.path().filename().string();
    EXPECT_TRUE(fs::exists(caseDir / "input" / name) || fs::exists(expected / name)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, WorkedExample,
                         ::testing::Values("list", "tec_times", "femap_mesh", "avs", "mesh_sect",
                                           "restart", "ts133", "err_trunc"));

}  // namespace
