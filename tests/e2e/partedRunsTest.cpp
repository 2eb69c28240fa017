// Runs at one thread and at four give the same outputs, byte for byte, with the same messages and
// statuses: every form on a generated result file whose nodes, elements, points and compressed
// arrays are long enough to be cut into parts; a failed write; an interrupt between two steps.
#include <signal.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/caseTable.h"
#include "support/fedRun.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// 16812 nodes, 17280 elements and two stored steps (at times 10 and 25); OTF.DAT requests every
// stored step's time; POINTS.DAT holds 4000 points and a sub-mesh over them, no times.
class GeneratedFiles {
 public:
  GeneratedFiles() {
    const std::string generator = MAKE_RESULT_FILE_PATH;
    const std::string grid = " --nx 40 --ny 40 --nz 9 --seed 5";
    const std::string command =
        "cd '" + folder_.path().string() + "' && '" + generator + "'" + grid +
        " --steps 2 --out RES.DAT --otf OTF.DAT --times steps > /dev/null && '" + generator + "'" +
        grid +
        " --steps 1 --out MESH.DAT --otf POINTS.DAT --times '' --points 4000 --mesh-elements"
        " > /dev/null";
    made_ = std::system(command.c_str()) == 0;
  }
  bool made() const { return made_; }
  // Copies the files into a run's directory.
  void into(const WorkDirectory& dir) const {
    for (const char* name : {"RES.DAT", "OTF.DAT", "POINTS.DAT"}) {
      dir.copy(folder_.path() / name, name);
    }
  }
  std::string result() const { return readFile(folder_.path() / "RES.DAT"); }

 private:
  WorkDirectory folder_;
  bool made_ = false;
};

const GeneratedFiles& generated() {
  static const GeneratedFiles files;
  return files;
}

// Every file a run left under its directory, by relative path, byte for byte.
std::map<std::string, std::string> filesOf(const WorkDirectory& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), dir.path()).string();
    files[name] = readFile(entry.path());
  }
  return files;
}

struct FormCase {
  const char* name;
  std::string arguments;
};

const FormCase forms[] = {
    {"info", "RES.DAT --info"},
    {"list", "RES.DAT --to list --times OTF.DAT"},
    {"tecplot", "RES.DAT --to tecplot"},
    {"femap", "RES.DAT --to femap"},
    {"avs", "RES.DAT --to avs"},
    {"femapAtTimes", "RES.DAT --to femap --at 5,17.5"},
    {"avsAtTimes", "RES.DAT --to avs --times OTF.DAT"},
    {"interp", "RES.DAT --to interp --points POINTS.DAT"},
    {"interpTecplot", "RES.DAT --to interp --points POINTS.DAT --submesh tecplot"},
    {"interpFemap", "RES.DAT --to interp --points POINTS.DAT --submesh femap"},
    {"interpAvs", "RES.DAT --to interp --points POINTS.DAT --submesh avs"},
    {"interpPlan", "RES.DAT --to interp --points POINTS.DAT --submesh plan"},
    {"interpSection", "RES.DAT --to interp --points POINTS.DAT --submesh section"},
    {"interpVtuCompressed", "RES.DAT --to interp --points POINTS.DAT --submesh vtu --vtu-compress"},
    {"restart", "RES.DAT --to restart --restart-time 10 --restart-head total"},
    {"vtu", "RES.DAT --to vtu"},
    {"vtuCompressed", "RES.DAT --to vtu --vtu-compress"},
    {"vtuCompressedAtTimes", "RES.DAT --to vtu --vtu-compress --at 5,17.5"},
    {"balance", "RES.DAT --to balance"},
};

class AtFourThreads : public testSupport::CaseTest<FormCase> {};

TEST_P(AtFourThreads, EveryOutputIsTheSame) {
  const FormCase& c = row();
  ASSERT_TRUE(generated().made());
  std::map<std::string, std::string> files[2];
  ProgramResult results[2];
  const int threads[2] = {1, 4};
  for (int run = 0; run < 2; ++run) {
    WorkDirectory dir;
    generated().into(dir);
    const std::string count = " --threads " + std::to_string(threads[run]);
    results[run] = dir.runWithArguments(RESCONV_PATH, c.arguments + count);
    files[run] = filesOf(dir);
  }
  EXPECT_EQ(results[0].exitStatus, 0) << results[0].standardError;
  EXPECT_EQ(results[1].exitStatus, results[0].exitStatus);
  EXPECT_EQ(results[1].rawStandardOutput, results[0].rawStandardOutput);
  EXPECT_EQ(results[1].rawStandardError, results[0].rawStandardError);
  ASSERT_EQ(files[1].size(), files[0].size());
  for (const auto& [name, bytes] : files[0]) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(files[1].contains(name));
    EXPECT_TRUE(files[1].at(name) == bytes) << "differs at four threads";
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, AtFourThreads, testSupport::rowsOf(forms), testSupport::rowName);

// An output on a full device stops the run at its first full buffer, inside the initial state's
// records (the final file of the scratch form, after the loop, among them): the same message and
// status at four threads, and nothing else written.
TEST(AtFourThreadsStops, OnAFullDevice) {
  ASSERT_TRUE(generated().made());
  struct Full {
    const char* form;
    const char* file;
  };
  for (const Full& full :
       {Full{"tecplot", "TECPLOT.TXT"}, Full{"femap", "FEMAP.NEU"}, Full{"avs", "AVS.tmp"},
        Full{"avs", "AVS.INP"}, Full{"list --times OTF.DAT", "OUTPUT.TXT"}}) {
    SCOPED_TRACE(full.form);
    ProgramResult results[2];
    for (int run = 0; run < 2; ++run) {
      WorkDirectory dir;
      generated().into(dir);
      fs::create_symlink("/dev/full", dir.path() / full.file);
      results[run] =
          dir.runWithArguments(RESCONV_PATH, std::string("RES.DAT -q --to ") + full.form +
                                                 " --threads " + (run == 0 ? "1" : "4"));
    }
    EXPECT_EQ(results[0].exitStatus, 1);
    EXPECT_TRUE(results[0].standardError.starts_with("cannot write ")) << results[0].standardError;
    EXPECT_EQ(results[1].exitStatus, results[0].exitStatus);
    EXPECT_EQ(results[1].rawStandardError, results[0].rawStandardError);
  }
}

// Ctrl-C while the run waits inside step 2 (the result file a FIFO fed up to that step's header):
// the outputs of the initial state and step 1 stay, whole, the same at one thread and at four.
TEST(AtFourThreadsStops, Interrupted) {
  ASSERT_TRUE(generated().made());
  const std::string result = generated().result();
  const std::string stepTwo = "\n        2  2.500000000E+01\n";
  const std::size_t at = result.find(stepTwo);
  ASSERT_NE(at, std::string::npos);
  const std::string fed = result.substr(0, at + stepTwo.size());
  for (const char* form : {"tecplot", "femap", "avs"}) {
    SCOPED_TRACE(form);
    std::map<std::string, std::string> files[2];
    Ended ended[2];
    for (int run = 0; run < 2; ++run) {
      WorkDirectory dir;
      FedRun fedRun(dir, RESCONV_PATH, {"RES.DAT", "--to", form, "--threads", run == 0 ? "1" : "4"},
                    "RES.DAT");
      fedRun.feed(fed);
      ASSERT_TRUE(fedRun.waitUntilReading());
      fedRun.signal(SIGINT);
      ended[run] = fedRun.finish();
      fs::remove(dir.path() / "RES.DAT");
      files[run] = filesOf(dir);
    }
    EXPECT_EQ(ended[0].exitStatus, 130);
    EXPECT_EQ(ended[0].standardError,
              "resconv: interrupted after the output of step 1 at time 10\n");
    EXPECT_EQ(ended[1].exitStatus, ended[0].exitStatus);
    EXPECT_EQ(ended[1].standardError, ended[0].standardError);
    EXPECT_TRUE(files[1] == files[0]);
  }
}

}  // namespace
