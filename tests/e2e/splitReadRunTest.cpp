// Runs whose blocks are large enough to be read in parts give, at four threads, what they give
// at one: the summary of --info, the tables of tseries, and the stop on a cut or bad file. The
// result files are made by the generator in both its layouts, with meshes of some ten thousand
// nodes, so that each block is split with the programs' own limits.
#include <cstdlib>
#include <string>

#include "support/programRun.h"

namespace {

const std::string generator = MAKE_RESULT_FILE_PATH;

// What a run shows: its status, its standard output and error, and the files it wrote.
std::string runText(const ProgramResult& run, const WorkDirectory& work,
                    std::initializer_list<const char*> files) {
  std::string text = "status " + std::to_string(run.exitStatus) + "\n" + run.standardOutput +
                     "--- standard error\n" + run.standardError;
  for (const char* name : files) {
    text += std::string("--- ") + name + "\n" + (work.exists(name) ? work.read(name) : "(none)");
  }
  return text;
}

class SplitReadRun : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string command = "cd '" + work_.path().string() + "' && '" + generator +
                                "' --nx 30 --ny 30 --nz 10 --steps 3 --layout " + GetParam() +
                                " --out RES.DAT --graph GRAPH.DAT --heads 1,500,9000,10571"
                                " --pressures 2,7000 --discharges 3,10000 --velocities 1,4000,9000"
                                " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    result_ = work_.readBytes("RES.DAT");
  }

  // A run at one and at four threads, the files it writes removed before each.
  void expectSameAtOneAndFour(const std::string& program, const std::string& arguments,
                              std::initializer_list<const char*> files) {
    std::string shown[2];
    for (int i = 0; i < 2; ++i) {
      for (const char* name : files) std::filesystem::remove(work_.path() / name);
      const ProgramResult run =
          work_.runWithArguments(program, arguments + (i == 0 ? " --threads 1" : " --threads 4"));
      shown[i] = runText(run, work_, files);
    }
    EXPECT_EQ(shown[1], shown[0]);
  }

  WorkDirectory work_;
  std::string result_;
};

TEST_P(SplitReadRun, InfoAndTseriesAsAtOneThread) {
  ASSERT_GT(result_.size(), std::size_t{2} << 20);
  expectSameAtOneAndFour(RESCONV_PATH, "RES.DAT --info", {});
  expectSameAtOneAndFour(TSERIES_PATH, "RES.DAT --graph GRAPH.DAT -q",
                         {"HTIME.CSV", "PTIME.CSV", "QTIME.CSV", "VTIME.CSV"});
  expectSameAtOneAndFour(TSERIES_PATH, "RES.DAT --nodes 1-3,5000,10571 --elements 1,9000 -q",
                         {"HISTORY.CSV"});
}

// A stop late in the last step's element block: the same message, place and status.
TEST_P(SplitReadRun, StopsAsAtOneThread) {
  const std::size_t late = result_.find('\n', result_.size() - result_.size() / 20);
  std::string bad = result_;
  bad.insert(late, " 1.0x");
  for (const auto& [name, text] :
       {std::pair{"cut", result_.substr(0, late)}, std::pair{"bad value", bad}}) {
    SCOPED_TRACE(name);
    work_.write("RES.DAT", text);
    expectSameAtOneAndFour(RESCONV_PATH, "RES.DAT --info", {});
    expectSameAtOneAndFour(TSERIES_PATH, "RES.DAT --nodes 1,10571 --elements 1 -q",
                           {"HISTORY.CSV"});
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SplitReadRun, testing::Values("plain", "mixed"));

}  // namespace
