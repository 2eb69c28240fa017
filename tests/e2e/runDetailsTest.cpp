// Details of a run that a user meets: a mistyped option named with the one meant, the title of
// --info on a UTF-8 terminal, the ParaView series of a run with a stored step at time 0, and
// the restart file of a run that never reaches the restart time.
#include <filesystem>
#include <string>
#include <vector>

#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// An unknown option is what the line names, with the closest option when one is close, even
// where something else is also wrong (--graph missing); a value after an option is no option.
TEST(RunDetails, UnknownOptionNamesTheOneMeant) {
  struct Case {
    const char* program;
    std::string arguments;
    std::string line;
  };
  const Case cases[] = {
      {TSERIES_PATH, "--grpah GRAPH.DAT RES.DAT",
       "tseries: unknown option --grpah; did you mean --graph? See 'tseries --help'"},
      {RESCONV_PATH, "RES.DAT --ot tecplot",
       "resconv: unknown option --ot; did you mean --to? See 'resconv --help'"},
      {RESCONV_PATH, "RES.DAT --to tecplot --form 10",
       "resconv: unknown option --form; did you mean --from? See 'resconv --help'"},
      {RESCONV_PATH, "RES.DAT --tme=OTF.DAT --to tecplot",
       "resconv: unknown option --tme; did you mean --times? See 'resconv --help'"},
      {RESCONV_PATH, "RES.DAT --to tecplot --at -5,10 --evrey 2",
       "resconv: unknown option --evrey; did you mean --every? See 'resconv --help'"},
      {RESCONV_PATH, "RES.DAT --to tecplot --colour",
       "resconv: unknown option --colour; see 'resconv --help'"},
      {TSERIES_PATH, "RES.DAT --graph GRAPH.DAT -x",
       "tseries: unknown option -x; see 'tseries --help'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    WorkDirectory dir;
    const ProgramResult run = dir.runWithArguments(c.program, c.arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.standardError, c.line + "\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
  }
}

// The result fixture with another title record.
std::string resultWithTitle(const std::string& title) {
  const std::string text = readFile(fixturePath("result/RES.DAT"));
  return title + text.substr(text.find('\n'));
}

// --info shows a title in code page 932 in UTF-8 when the locale says UTF-8, as the dialogue
// shows its prompts, and as its bytes stand otherwise; a UTF-8 title stays as it is. The
// title is cut at 80 bytes: a character cut there is shown as '?'.
TEST(RunDetails, InfoTitleOnAUtf8Terminal) {
  if (crlfPrograms) GTEST_SKIP() << "the Windows console's code page is not the locale's";
  if (std::system("locale -a 2>/dev/null | grep -qi '^C.utf-*8$'") != 0) {
    GTEST_SKIP() << "no C.UTF-8 locale";
  }
  // "地下水解析 ｶﾅ" (ground-water analysis, and two half-width letters).
  const std::string codePage932 = "\x92\x6E\x89\xBA\x90\x85\x89\xF0\x90\xCD \xB6\xC5";
  const std::string utf8 =
      "\xE5\x9C\xB0\xE4\xB8\x8B\xE6\xB0\xB4\xE8\xA7\xA3\xE6\x9E\x90 \xEF\xBD\xB6\xEF\xBE\x85";
  struct Case {
    const char* name;
    std::string title;  // the first record
    std::string locale;
    std::string shown;
  };
  const Case cases[] = {
      {"code page 932 on a UTF-8 terminal", codePage932, "C.UTF-8", utf8},
      {"code page 932 elsewhere", codePage932, "C", codePage932},
      {"UTF-8 on a UTF-8 terminal", utf8, "C.UTF-8", utf8},
      {"a character cut at 80 bytes", std::string(79, 'A') + codePage932, "C.UTF-8",
       std::string(79, 'A') + "?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir;
    dir.write("RES.DAT", resultWithTitle(c.title));
    const ProgramResult run =
        dir.runWithArguments(RESCONV_PATH, "RES.DAT --info", "", "LC_ALL=" + c.locale);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    const std::string& out = run.standardOutput;
    const std::size_t line = out.find("\ntitle:             ");
    ASSERT_NE(line, std::string::npos) << out;
    const std::size_t start = line + 20;
    EXPECT_EQ(out.substr(start, out.find('\n', start) - start), c.shown);
  }
}

// The series of a run whose result file stores step 0 at time 0.0: the collection lists time 0
// once, with the stored step's values (the file is the same whatever the header's initial
// pressure heads), in the solid series and in the sub-mesh's. The legacy forms still show both.
TEST(RunDetails, StoredStepAtTimeZeroTakesTheInitialStatesPlace) {
  const std::string original = readFile(fixturePath("result/RES.DAT"));
  // The pressure head 50.0 of node 1 in the header becomes 99.0.
  std::string changed = original;
  const std::size_t node1 = changed.find("\n0.0 0.0 0.0 50.0 ") + 13;
  ASSERT_EQ(changed.substr(node1, 4), "50.0");
  changed.replace(node1, 4, "99.0");
  const auto collection = [](const std::string& stem) {
    std::string text =
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
        "  <Collection>\n";
    const char* times[] = {"0", "10", "20", "30"};
    for (int k = 0; k < 4; ++k) {
      text += "    <DataSet timestep=\"" + std::string(times[k]) +
              "\" group=\"\" part=\"0\" file=\"" + stem + "/" + stem + "_000" + std::to_string(k) +
              ".vtu\"/>\n";
    }
    return text + "  </Collection>\n</VTKFile>\n";
  };
  struct Case {
    const char* arguments;
    std::string stem;
  };
  const Case cases[] = {
      {"--to vtu", "VTK"},
      {"--to interp --points OTF.DAT --submesh vtu", "VTKMESH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::string firstFiles[2];
    for (int run = 0; run < 2; ++run) {
      WorkDirectory dir;
      dir.write("RES.DAT", run == 0 ? original : changed);
      dir.copy(fixturePath("points/OTF_MESH.DAT"), "OTF.DAT");
      const ProgramResult result =
          dir.runWithArguments(RESCONV_PATH, std::string("RES.DAT -q ") + c.arguments);
      ASSERT_EQ(result.exitStatus, 0) << result.standardError;
      EXPECT_EQ(dir.readBytes(c.stem + ".pvd"), collection(c.stem));
      EXPECT_FALSE(dir.exists(c.stem + "/" + c.stem + "_0004.vtu"));
      firstFiles[run] = dir.readBytes(c.stem + "/" + c.stem + "_0000.vtu");
    }
    EXPECT_EQ(firstFiles[0], firstFiles[1]);
  }
  // Tecplot: the initial state's block, then stored step 0's, both at time 0.
  WorkDirectory dir;
  dir.write("RES.DAT", changed);
  ASSERT_EQ(dir.runWithArguments(RESCONV_PATH, "RES.DAT -q --to tecplot").exitStatus, 0);
  const std::string tecplot = dir.read("TECPLOT.TXT");
  std::size_t blocks = 0;
  for (std::size_t at = tecplot.find("TITLE"); at != std::string::npos;
       at = tecplot.find("TITLE", at + 1)) {
    ++blocks;
  }
  EXPECT_EQ(blocks, 5u);
}

// A restart run that ends without writing RESTART.DAT, after its last stored step or stopped
// on bad input before the restart time, removes the empty file it made (an earlier run's file
// of that name included, which it had emptied), and still stops with its message and status.
TEST(RunDetails, RestartFileNotWrittenIsRemoved) {
  const std::string notReached =
      "RESTART.DAT not written: no stored step reaches the restart time 100 (the last stored "
      "step is at time 30)\n";
  const std::string result = readFile(fixturePath("result/RES.DAT"));
  // Cut inside the node block of the step at time 20.
  const std::string cut = result.substr(0, result.find("\n2 20.0\n") + 20);
  struct Case {
    const char* name;
    std::string result;
    const char* arguments;  // empty: the dialogue
    const char* answers;
    std::string error;  // its first line, or all of it
  };
  const Case cases[] = {
      {"command line", result, "RES.DAT --to restart --restart-time 100", "", notReached},
      {"dialogue", result, "", "1\nRES.DAT\n9\n100\n0\n0\n", notReached},
      {"bad input before the restart time", cut, "RES.DAT --to restart --restart-time 25", "",
       "forrtl: severe (24): end-of-file during read, unit 5, file RES.DAT\n"},
  };
  for (const Case& c : cases) {
    for (const bool earlierFile : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (earlierFile ? ", over an earlier file" : ""));
      WorkDirectory dir;
      dir.write("RES.DAT", c.result);
      if (earlierFile) dir.write("RESTART.DAT", "an earlier run's restart file\n");
      const ProgramResult run = dir.runWithArguments(RESCONV_PATH, c.arguments, c.answers);
      EXPECT_EQ(run.exitStatus, 1);
      EXPECT_TRUE(run.standardError.starts_with(c.error)) << run.standardError;
      EXPECT_FALSE(dir.exists("RESTART.DAT"));
    }
  }
  // A restart time that is reached writes the file as ever.
  WorkDirectory dir;
  dir.write("RES.DAT", result);
  const ProgramResult reached =
      dir.runWithArguments(RESCONV_PATH, "RES.DAT -q --to restart --restart-time 25");
  EXPECT_EQ(reached.exitStatus, 0) << reached.standardError;
  EXPECT_TRUE(dir.read("RESTART.DAT").find(" TIME=") != std::string::npos);
}

}  // namespace
