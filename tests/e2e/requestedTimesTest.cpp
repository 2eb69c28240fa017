// Requested times of scripted runs: --at, the times on the command line, against an output-time
// file of the same times; the output-time file, the graph data file and the result file read
// from a pipe; the warnings for requested times no output can show; the usage errors of --at.
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// Every file a run left under the directory but its inputs, with its bytes.
std::map<std::string, std::string> outputsIn(const WorkDirectory& dir,
                                             const std::vector<std::string>& inputs) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), dir.path()).generic_string();
    if (std::find(inputs.begin(), inputs.end(), name) == inputs.end()) {
      files[name] = dir.readBytes(name);
    }
  }
  return files;
}

// The points fixture: steps 1, 2 and 3 at times 10, 20 and 30.
void copyPointsFixture(const WorkDirectory& dir) {
  dir.copy(fixturePath("points/PTS.DAT"), "PTS.DAT");
}

// An output-time file of these times (each in its 10-column field) and no point.
std::string outputTimeFile(const std::vector<std::string>& fields) {
  std::string text = std::string(5 - std::to_string(fields.size()).size(), ' ') +
                     std::to_string(fields.size()) + "\n";
  for (std::size_t k = 0; k < fields.size(); ++k) {
    text += std::string(10 - fields[k].size(), ' ') + fields[k];
    if (k % 8 == 7 || k + 1 == fields.size()) text += "\n";
  }
  return text + "    0    0\n";
}

// --at gives every form --times serves the files an output-time file of the same times gives,
// byte for byte, with the same lines on standard error: times in file order and out of it, a
// time between the initial state and the first stored step, one after the last.
TEST(RequestedTimes, AtIsAnOutputTimeFileOfItsTimes) {
  const std::string at = "15,30,5,12.5,45";
  const std::string file = outputTimeFile({"15.0", "30.0", "5.0", "12.5", "45.0"});
  for (const char* form : {"list", "tecplot", "femap", "avs", "interp", "vtu", "balance"}) {
    SCOPED_TRACE(form);
    WorkDirectory withFile, withAt;
    copyPointsFixture(withFile);
    copyPointsFixture(withAt);
    withFile.write("OTF.DAT", file);
    const ProgramResult fileRun = withFile.runWithArguments(
        RESCONV_PATH, std::string("PTS.DAT -q --to ") + form + " --times OTF.DAT");
    const ProgramResult atRun = withAt.runWithArguments(
        RESCONV_PATH, std::string("PTS.DAT -q --to ") + form + " --at " + at);
    EXPECT_EQ(fileRun.exitStatus, 0) << fileRun.standardError;
    EXPECT_EQ(atRun.exitStatus, 0) << atRun.standardError;
    EXPECT_EQ(atRun.standardError, fileRun.standardError);
    EXPECT_EQ(atRun.standardError,
              "resconv: no output at time 45: the last stored step is at time 30\n");
    const auto outputs = outputsIn(withAt, {"PTS.DAT"});
    EXPECT_FALSE(outputs.empty());
    EXPECT_EQ(outputs, outputsIn(withFile, {"PTS.DAT", "OTF.DAT"}));
  }
}

// A pipe where a file name is taken: the output-time file of --times and of --points, the graph
// data file and the result file, each a FIFO that a background writer fills, give the files a
// regular file gives.
TEST(RequestedTimes, InputFilesFromAPipe) {
  struct Case {
    const char* name;
    const char* program;
    std::string arguments;
    std::string piped;       // the input that is a pipe
    std::string fixture;     // what it holds
    std::string otherInput;  // a regular input beside it
    std::string otherFixture;
  };
  const std::string graph = "\n    1\n      1\n    0\n    0\n    0\n";
  const Case cases[] = {
      {"--times", RESCONV_PATH, "PTS.DAT --to tecplot --times OTF.DAT", "OTF.DAT",
       "points/OTF_15_30.DAT", "PTS.DAT", "points/PTS.DAT"},
      {"--points", RESCONV_PATH, "PTS.DAT --to interp --points OTF.DAT", "OTF.DAT",
       "points/OTF_POINTS.DAT", "PTS.DAT", "points/PTS.DAT"},
      {"--points with a sub-mesh", RESCONV_PATH,
       "PTS.DAT --to interp --points OTF.DAT --submesh tecplot", "OTF.DAT", "points/OTF_MESH.DAT",
       "PTS.DAT", "points/PTS.DAT"},
      {"resconv's result file", RESCONV_PATH, "PTS.DAT --to tecplot --times OTF.DAT", "PTS.DAT",
       "points/PTS.DAT", "OTF.DAT", "points/OTF_15_30.DAT"},
      {"--graph", TSERIES_PATH, "PTS.DAT --graph GRAPH.DAT", "GRAPH.DAT", "", "PTS.DAT",
       "points/PTS.DAT"},
      {"tseries's result file", TSERIES_PATH, "PTS.DAT --graph GRAPH.DAT", "PTS.DAT",
       "points/PTS.DAT", "GRAPH.DAT", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto contents = [&](const std::string& fixture) {
      return fixture.empty() ? graph : readFile(fixturePath(fixture));
    };
    WorkDirectory regular, piped;
    for (const WorkDirectory* dir : {&regular, &piped}) {
      dir->write(c.otherInput, contents(c.otherFixture));
    }
    regular.write(c.piped, contents(c.fixture));
    const ProgramResult expected = regular.runWithArguments(c.program, c.arguments + " -q");
    ASSERT_EQ(expected.exitStatus, 0) << expected.standardError;

    piped.write("SOURCE", contents(c.fixture));
    ASSERT_EQ(::mkfifo((piped.path() / c.piped).c_str(), 0600), 0);
    const ProgramResult run = piped.runWithArguments(
        c.program, c.arguments + " -q", "",
        "(timeout 60 cat SOURCE > '" + c.piped + "' &) && LC_ALL=C timeout 60");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    const auto outputs = outputsIn(regular, {c.piped, c.otherInput});
    EXPECT_FALSE(outputs.empty());
    EXPECT_EQ(outputsIn(piped, {c.piped, c.otherInput, "SOURCE"}), outputs);
  }
}

// The shell's process substitution, a pipe named /dev/fd/N, for --times and --points.
TEST(RequestedTimes, OutputTimeFileFromProcessSubstitution) {
  if (crlfPrograms) GTEST_SKIP() << "a name /dev/fd/N is the Linux shell's";
  if (std::system("bash -c 'exit 0' > /dev/null 2>&1") != 0) GTEST_SKIP() << "no bash";
  for (const std::string option : {"--times", "--points"}) {
    SCOPED_TRACE(option);
    const std::string form = option == "--times" ? "tecplot" : "interp";
    const std::string fixture =
        option == "--times" ? "points/OTF_15_30.DAT" : "points/OTF_POINTS.DAT";
    WorkDirectory regular, substituted;
    for (const WorkDirectory* dir : {&regular, &substituted}) {
      copyPointsFixture(*dir);
      dir->copy(fixturePath(fixture), "OTF.DAT");
    }
    const std::string arguments = "PTS.DAT -q --to " + form + " " + option + " ";
    ASSERT_EQ(regular.runWithArguments(RESCONV_PATH, arguments + "OTF.DAT").exitStatus, 0);
    const std::string command = "cd '" + substituted.path().string() +
                                "' && LC_ALL=C timeout 60 bash -c \"'" + RESCONV_PATH + "' " +
                                arguments + "<(cat OTF.DAT)\" < /dev/null 2> .stderr";
    EXPECT_EQ(std::system(command.c_str()), 0) << substituted.read(".stderr");
    fs::remove(substituted.path() / ".stderr");
    EXPECT_EQ(outputsIn(substituted, {"PTS.DAT", "OTF.DAT"}),
              outputsIn(regular, {"PTS.DAT", "OTF.DAT"}));
  }
}

// One warning line for each requested time that no output shows, at the end of the run; the
// files and the exit status are those of the run without those times. Times at 0 and within
// the stored steps get none; a time written across two fields' worth of blanks ("   25 45")
// reads as 2545 and is named so.
TEST(RequestedTimes, WarningsForTimesNoOutputShows) {
  struct Case {
    const char* name;
    std::string result;     // fixture
    std::string arguments;  // after the result file
    std::string otf;        // OTF.DAT, when not empty
    std::string warnings;
    std::string sameAs;  // the arguments of the run whose files these runs leave
  };
  const Case cases[] = {
      {"before 0 and after the last step", "points/PTS.DAT", "--to tecplot --at -5,15,0,30,2545",
       "",
       "resconv: no output at time -5: the outputs begin at time 0\n"
       "resconv: no output at time 2545: the last stored step is at time 30\n",
       "--to tecplot --at 15,30"},
      {"a time run together in its field", "points/PTS.DAT", "--to list --times OTF.DAT",
       "    2\n      25.0   25 45  \n    0    0\n",
       "resconv: no output at time 2545: the last stored step is at time 30\n",
       "--to list --at 25"},
      {"no stored step", "tseries/RESNOSTEP.DAT", "--to tecplot --at 0,5", "",
       "resconv: no output at time 5: the result file holds no stored step\n",
       "--to tecplot --at 0"},
      {"the points' times are not requested", "points/PTS.DAT", "--to interp --points OTF.DAT",
       "    1\n    2545.0\n    0    0\n", "", "--to interp --points OTF.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir, reference;
    for (const WorkDirectory* d : {&dir, &reference}) {
      d->copy(fixturePath(c.result), "RES.DAT");
      if (!c.otf.empty()) d->write("OTF.DAT", c.otf);
    }
    const ProgramResult run = dir.runWithArguments(RESCONV_PATH, "RES.DAT -q " + c.arguments);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, c.warnings);
    const ProgramResult plain = reference.runWithArguments(RESCONV_PATH, "RES.DAT -q " + c.sameAs);
    EXPECT_EQ(plain.exitStatus, 0);
    EXPECT_EQ(outputsIn(dir, {"RES.DAT", "OTF.DAT"}), outputsIn(reference, {"RES.DAT", "OTF.DAT"}));
  }
  // The dialogue says nothing of them.
  WorkDirectory dir;
  copyPointsFixture(dir);
  dir.write("OTF.DAT", "    1\n    2545.0\n    0    0\n");
  const ProgramResult dialogue = dir.run(RESCONV_PATH, "1\nPTS.DAT\n1\n1\nOTF.DAT\n");
  EXPECT_EQ(dialogue.exitStatus, 0);
  EXPECT_EQ(dialogue.standardError, "");
}

// --at is a usage error beside --times and --points, where --times is, and where its times
// are not finite numbers: status 2, the one line, nothing created.
TEST(RequestedTimes, AtUsageErrors) {
  struct Case {
    std::string arguments;
    std::string message;
  };
  const Case cases[] = {
      {"--to tecplot --at 15 --times OTF.DAT", "--at and --times cannot be given together"},
      {"--to interp --at 15 --points OTF.DAT", "--at and --points cannot be given together"},
      {"--to tecplot --at 15,x", "--at: 'x' in 15,x is not a number"},
      {"--to tecplot --at 15,,30", "--at: '' in 15,,30 is not a number"},
      {"--to tecplot --at 15,1e999", "--at: 1e999 in 15,1e999 is not a finite number"},
      {"--to tecplot --at nan", "--at: nan in nan is not a finite number"},
      {"--to restart --restart-time 5 --at 15", "--at is not allowed with --to restart"},
      {"--to tecplot --at 15 --every 2",
       "--every cannot be given with --at: it selects stored steps"},
      {"--to interp --at 15 --submesh tecplot",
       "--submesh: --at gives no sub-mesh elements (use --times or --points FILE)"},
      {"--info --at 15", "--at cannot be given with --info"},
      {"--to list",
       "--to list needs --times FILE or --at T1,T2,...: the result list is written "
       "at requested times"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    WorkDirectory dir;
    copyPointsFixture(dir);
    dir.write("OTF.DAT", outputTimeFile({"15.0"}));
    const ProgramResult run = dir.runWithArguments(RESCONV_PATH, "PTS.DAT " + c.arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.standardError, "resconv: " + c.message + "; see 'resconv --help'\n");
    EXPECT_TRUE(outputsIn(dir, {"PTS.DAT", "OTF.DAT"}).empty());
  }
}

}  // namespace
