// Scripted runs of both programs. Every console path the other end-to-end tests check has a
// row here: the same inputs run once through the dialogue and once with the matching options
// must leave the same files, byte for byte, and the same exit status. Then the usage errors
// (status 2, one line naming the option, nothing created), -C, WORK.LST as the default source,
// --info, --help, --version and the progress line.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

// Every file a run left in the directory (inputs included), with its contents.
std::map<std::string, std::string> filesIn(const WorkDirectory& dir) {
  std::map<std::string, std::string> files;
  for (const auto& file : fs::directory_iterator(dir.path())) {
    if (file.is_regular_file()) {
      const std::string name = file.path().filename().string();
      files[name] = dir.readBytes(name);  // inputs too: compared as they lie
    }
  }
  return files;
}

void copyInputs(const WorkDirectory& dir, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    dir.copy(fixturePath(input), input.substr(input.rfind('/') + 1));
  }
}

struct ScriptedCase {
  const char* name;
  const char* program;              // RESCONV_PATH or TSERIES_PATH
  std::vector<std::string> inputs;  // fixture paths, copied under their own names
  const char* answers;              // the dialogue's answers
  const char* arguments;            // the options that stand for them
};

class ScriptedRun : public testSupport::CaseTest<ScriptedCase> {};

TEST_P(ScriptedRun, LeavesTheFilesOfTheDialogue) {
  const ScriptedCase& c = row();
  WorkDirectory dialogueDir, scriptedDir;
  copyInputs(dialogueDir, c.inputs);
  copyInputs(scriptedDir, c.inputs);
  const ProgramResult dialogue = dialogueDir.run(c.program, c.answers);
  const ProgramResult scripted =
      scriptedDir.runWithArguments(c.program, std::string(c.arguments) + " --quiet");

  EXPECT_EQ(scripted.exitStatus, dialogue.exitStatus) << scripted.standardError;
  EXPECT_EQ(scripted.standardError, dialogue.standardError);
  EXPECT_EQ(scripted.standardOutput, "");  // no prompt, no echo
  const auto expected = filesIn(dialogueDir);
  const auto actual = filesIn(scriptedDir);
  std::vector<std::string> expectedNames, actualNames;
  for (const auto& [name, text] : expected) expectedNames.push_back(name);
  for (const auto& [name, text] : actual) actualNames.push_back(name);
  ASSERT_EQ(actualNames, expectedNames);
  for (const auto& [name, text] : expected) {
    EXPECT_TRUE(sameText(actual.at(name), text)) << name;
  }
}

const std::vector<std::string> workedList = {
    "worked/list/input/RES.DAT", "worked/list/input/OTF.DAT", "worked/list/input/WORK.LST"};

const ScriptedCase scriptedCases[] = {
    {"tecplotAtRequestedTimes",
     RESCONV_PATH,
     {"worked/tec_times/input/RES.DAT", "worked/tec_times/input/OTFT.DAT"},
     "2\nRES.DAT\n1\n1\nOTFT.DAT\n",
     "RES.DAT --to tecplot --times OTFT.DAT"},
    {"tecplotEveryStep",
     RESCONV_PATH,
     {"points/PTS.DAT"},
     "1\nPTS.DAT\n1\n0\n",
     "PTS.DAT --to tecplot"},
    {"resultListFromWorkList",
     RESCONV_PATH,
     {"worked/list/input/RES.DAT", "worked/list/input/WORK.LST", "points/OTF_15_30.DAT"},
     "0\n0\nOTF_15_30.DAT\n",
     "--to list --times OTF_15_30.DAT"},
    {"femapEveryStep",
     RESCONV_PATH,
     {"femap/solid/input/RES.DAT"},
     "1\nRES.DAT\n2\n0\n",
     "RES.DAT --to femap"},
    {"microAvsEveryStep",
     RESCONV_PATH,
     {"worked/avs/input/RES.DAT", "worked/avs/input/WORK.LST"},
     "0\n3\n0\n",
     "--to avs"},
    {"microAvsAtRequestedTimes",
     RESCONV_PATH,
     {"avs/run/RESAVS.DAT", "avs/run/OTFALL.DAT"},
     "1\nRESAVS.DAT\n3\n1\nOTFALL.DAT\n0\n",
     "RESAVS.DAT --to avs --times OTFALL.DAT"},
    {"interpAtPointsAndTimes",
     RESCONV_PATH,
     {"points/PTS.DAT", "points/OTF_POINTS.DAT"},
     "1\nPTS.DAT\n4\n1\nOTF_POINTS.DAT\n",
     "PTS.DAT --to interp --times OTF_POINTS.DAT"},
    {"interpSubMeshTecplot",
     RESCONV_PATH,
     {"points/PTS.DAT", "points/OTF_MESH.DAT"},
     "1\nPTS.DAT\n4\n1\nOTF_MESH.DAT\n1\n",
     "PTS.DAT --to interp --times OTF_MESH.DAT --submesh tecplot"},
    {"interpSubMeshFemap",
     RESCONV_PATH,
     {"femap/submesh/input/RES.DAT", "femap/submesh/input/OTF.DAT"},
     "1\nRES.DAT\n4\n0\nOTF.DAT\n2\n",
     "RES.DAT --to interp --points OTF.DAT --submesh femap"},
    {"interpSubMeshMicroAvs",
     RESCONV_PATH,
     {"avs/run/RESAVS.DAT", "avs/run/OTFAVS.DAT"},
     "1\nRESAVS.DAT\n4\n0\nOTFAVS.DAT\n3\n",
     "RESAVS.DAT --to interp --points OTFAVS.DAT --submesh avs"},
    {"interpSubMeshPlan",
     RESCONV_PATH,
     {"worked/mesh_sect/input/RES.DAT", "worked/mesh_sect/input/OTFTAL.DAT"},
     "1\nRES.DAT\n4\n0\nOTFTAL.DAT\n4\n",
     "RES.DAT --to interp --points OTFTAL.DAT --submesh plan"},
    {"interpSubMeshSection",
     RESCONV_PATH,
     {"worked/mesh_sect/input/RES.DAT", "worked/mesh_sect/input/OTFTAL.DAT",
      "worked/mesh_sect/input/WORK.LST"},
     "0\n4\n0\nOTFTAL.DAT\n5\n",
     "--to interp --points OTFTAL.DAT --submesh section"},
    {"interpSubMeshGetsNoOutputWithoutTheOption",
     RESCONV_PATH,
     {"points/PTS.DAT", "points/OTF_MESH.DAT"},
     "1\nPTS.DAT\n4\n1\nOTF_MESH.DAT\n0\n",
     "PTS.DAT --to interp --times OTF_MESH.DAT"},
    {"restartTotalHeadInitialDischarge",
     RESCONV_PATH,
     {"worked/restart/input/RES.DAT", "worked/restart/input/WORK.LST"},
     "0\n9\n15\n1\n0\n",
     "--to restart --restart-time 15 --restart-head total"},
    {"restartPressureHeadComputedDischarge",
     RESCONV_PATH,
     {"worked/restart/input/RES.DAT"},
     "1\nRES.DAT\n9\n15\n0\n1\n",
     "RES.DAT --to restart --restart-time 15 --restart-discharge computed"},
    {"restartTimeNeverReached",
     RESCONV_PATH,
     {"avs/run/RESAVS.DAT"},
     "1\nRESAVS.DAT\n9\n150\n0\n1\n",
     "RESAVS.DAT --to restart --restart-time 150 --restart-head pressure "
     "--restart-discharge computed"},
    {"resultFileCutInsideAStep",
     RESCONV_PATH,
     {"worked/err_trunc/input/RESTRUNC.DAT"},
     "1\nRESTRUNC.DAT\n1\n0\n",
     "RESTRUNC.DAT --to tecplot"},
    {"missingResultFile", RESCONV_PATH, {}, "1\nRES.DAT\n", "RES.DAT --to tecplot"},
    {"tseriesDischargeTable",
     TSERIES_PATH,
     {"worked/ts133/input/RES.DAT", "worked/ts133/input/GRAPH133.DAT"},
     "1\nRES.DAT\nGRAPH133.DAT\n",
     "RES.DAT --graph GRAPH133.DAT"},
    {"tseriesFromWorkList",
     TSERIES_PATH,
     {"worked/list/input/RES.DAT", "worked/list/input/WORK.LST", "worked/ts133/input/GRAPH133.DAT"},
     "0\nGRAPH133.DAT\n",
     "--graph GRAPH133.DAT"},
    {"tseriesCutResultFile",
     TSERIES_PATH,
     // Lists of nodes 1 and above: a scripted run stops on a node 0.
     {"worked/err_trunc/input/RESTRUNC.DAT", "tseries/GRAPHCUT.DAT"},
     "1\nRESTRUNC.DAT\nGRAPHCUT.DAT\n",
     "RESTRUNC.DAT --graph GRAPHCUT.DAT"}};

INSTANTIATE_TEST_SUITE_P(Paths, ScriptedRun, testSupport::rowsOf(scriptedCases),
                         testSupport::rowName);

struct UsageCase {
  const char* name;
  const char* program;
  const char* arguments;
  const char* message;  // the part of the one-line message that names the option
};

class UsageErrors : public testSupport::CaseTest<UsageCase> {};

TEST_P(UsageErrors, EndWithStatusTwoAndCreateNothing) {
  const UsageCase& c = row();
  WorkDirectory dir;
  copyInputs(dir, {"worked/tec_times/input/RES.DAT", "worked/tec_times/input/OTFT.DAT",
                   "worked/mesh_sect/input/OTFTAL.DAT"});
  dir.write("TECPLOT.TXT", "an old output\n");
  const auto before = filesIn(dir);
  const ProgramResult result = dir.runWithArguments(c.program, c.arguments);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.standardError.find(c.message), std::string::npos) << result.standardError;
  EXPECT_NE(result.standardError.find("--help"), std::string::npos) << result.standardError;
  EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1)
      << result.standardError;
  EXPECT_EQ(filesIn(dir), before);
}

const UsageCase usageCases[] = {
    {"unknownOption", RESCONV_PATH, "RES.DAT --to tecplot --colour", "--colour"},
    {"formMissing", RESCONV_PATH, "RES.DAT", "--to is required"},
    {"formNotInItsList", RESCONV_PATH, "RES.DAT --to vtk", "--to: 'vtk' is not one"},
    {"listWithoutTimes", RESCONV_PATH, "RES.DAT --to list", "--to list needs --times"},
    {"restartWithTimes", RESCONV_PATH, "RES.DAT --to restart --restart-time 1 --times OTFT.DAT",
     "--times"},
    {"restartWithoutTime", RESCONV_PATH, "RES.DAT --to restart", "--restart-time"},
    {"restartTimeNotANumber", RESCONV_PATH, "RES.DAT --to restart --restart-time soon",
     "--restart-time"},
    {"restartTimeNaN", RESCONV_PATH, "RES.DAT --to restart --restart-time nan",
     "--restart-time: nan is not a finite number"},
    {"restartHeadNotInItsList", RESCONV_PATH,
     "RES.DAT --to restart --restart-time 1 --restart-head piezometric", "--restart-head"},
    {"restartAnswerWithAnotherForm", RESCONV_PATH, "RES.DAT --to tecplot --restart-head total",
     "--restart-head"},
    {"pointsWithAnotherForm", RESCONV_PATH, "RES.DAT --to tecplot --points OTFT.DAT", "--points"},
    {"interpWithoutTimesOrPoints", RESCONV_PATH, "RES.DAT --to interp", "--to interp needs"},
    {"timesAndPointsTogether", RESCONV_PATH,
     "RES.DAT --to interp --times OTFT.DAT --points OTFT.DAT", "--points"},
    {"subMeshWithAnotherForm", RESCONV_PATH,
     "RES.DAT --to tecplot --times OTFTAL.DAT --submesh avs", "--submesh"},
    {"subMeshNotInItsList", RESCONV_PATH,
     "RES.DAT --to interp --points OTFTAL.DAT --submesh contour", "--submesh"},
    {"subMeshWhereTheFileHasNone", RESCONV_PATH,
     "RES.DAT --to interp --times OTFT.DAT --submesh tecplot",
     "--submesh: the output-time file OTFT.DAT defines no sub-mesh elements"},
    {"infoWithAForm", RESCONV_PATH, "RES.DAT --info --to tecplot", "--to"},
    {"compressionWithoutASeries", RESCONV_PATH, "RES.DAT --to tecplot --vtu-compress",
     "--vtu-compress"},
    {"seriesWithPoints", RESCONV_PATH, "RES.DAT --to vtu --points OTFT.DAT", "--points"},
    {"progressBothWays", RESCONV_PATH, "RES.DAT --to tecplot --progress --no-progress",
     "--progress"},
    {"directoryMissing", RESCONV_PATH, "RES.DAT --to tecplot -C no/such/folder",
     "-C: cannot enter the directory no/such/folder"},
    {"graphMissing", TSERIES_PATH, "RES.DAT", "--graph"},
    {"tseriesUnknownOption", TSERIES_PATH, "RES.DAT --graph G.DAT --to tecplot", "--to"},
    {"tseriesDirectoryMissing", TSERIES_PATH, "RES.DAT --graph G.DAT -C nowhere",
     "-C: cannot enter the directory nowhere"}};

INSTANTIATE_TEST_SUITE_P(Options, UsageErrors, testSupport::rowsOf(usageCases),
                         testSupport::rowName);

// Bad input in scripted mode: one clear line on standard error, a non-zero status, no crash,
// and an old output left as it was when the input is found bad before any output is opened.
TEST(ScriptedBadInput, NamesTheFileAndKeepsOldOutputs) {
  struct Case {
    const char* name;
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"result file missing", "NONE.DAT --to tecplot",
       "forrtl: severe (29): file not found, unit 5, file NONE.DAT"},
      {"result file a directory", "SUB --to tecplot", "cannot read SUB: Is a directory"},
      {"output-time file missing", "RES.DAT --to tecplot --times NONE.DAT",
       "forrtl: severe (29): file not found, unit 17, file NONE.DAT"},
      {"output-time file a directory", "RES.DAT --to tecplot --times SUB",
       "cannot read SUB: Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir;
    copyInputs(dir, {"worked/tec_times/input/RES.DAT"});
    fs::create_directory(dir.path() / "SUB");
    dir.write("TECPLOT.TXT", "an old output\n");
    const ProgramResult result = dir.runWithArguments(RESCONV_PATH, c.arguments);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError.rfind(c.message, 0), 0u) << result.standardError;
    EXPECT_EQ(dir.readBytes("TECPLOT.TXT"), "an old output\n");  // as the test wrote it
  }
  WorkDirectory dir;
  fs::create_directory(dir.path() / "SUB");
  const ProgramResult tseries = dir.runWithArguments(TSERIES_PATH, "SUB --graph G.DAT");
  EXPECT_EQ(tseries.exitStatus, 1);
  EXPECT_EQ(tseries.standardError.rfind("cannot read SUB: Is a directory", 0), 0u)
      << tseries.standardError;
}

TEST(ScriptedRun, DirectoryOptionRunsThereWithTheWorkList) {
  WorkDirectory dir;
  fs::create_directory(dir.path() / "case");
  copyInputs(dir, {});
  for (const char* input : {"RES.DAT", "WORK.LST"}) {
    fs::copy_file(fixturePath(std::string("worked/avs/input/") + input),
                  dir.path() / "case" / input);
  }
  const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "--to avs -C case");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_TRUE(
      sameText(dir.read("case/AVS.INP"), readFile(fixturePath("worked/avs/expected/AVS.INP"))));
  EXPECT_FALSE(dir.exists("AVS.INP"));
  // Without -q the files written are listed with their sizes.
  const auto size = fs::file_size(dir.path() / "case" / "AVS.INP");
  EXPECT_NE(result.standardError.find("wrote AVS.INP (" + std::to_string(size) + " bytes)\n"),
            std::string::npos)
      << result.standardError;
  EXPECT_NE(result.standardError.find("wrote AVS.tmp ("), std::string::npos);
}

TEST(ScriptedRun, InfoDescribesTheBundledExample) {
  WorkDirectory dir;
  dir.copy(std::string(EXAMPLES_DIR) + "/RES.DAT", "RES.DAT");
  const ProgramResult result = dir.runWithArguments(RESCONV_PATH, "RES.DAT --info");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_EQ(result.standardOutput,
            "result file:       RES.DAT\n"
            "title:             example: four cells, one split into two prisms\n"
            "nodes:             19\n"
            "elements:          5 (3 hexahedra, 2 prisms; 1 left out)\n"
            "nodes per element: 8\n"
            "unused nodes:      1\n"
            "stored steps:      4 (first: step 0 at time 0; last: step 3 at time 45)\n"
            "initial discharge: positive 0.01466332, negative 0\n"
            "last discharge:    positive 0.0149269, negative 0\n");
  EXPECT_EQ(result.standardError, "");
  EXPECT_EQ(filesIn(dir).size(), 1u);  // nothing written
}

TEST(ScriptedRun, HelpAndVersion) {
  WorkDirectory dir;
  for (const char* program : {RESCONV_PATH, TSERIES_PATH}) {
    const ProgramResult help = dir.runWithArguments(program, "--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.standardOutput.find("Examples:"), std::string::npos);
    EXPECT_NE(help.standardOutput.find("--directory"), std::string::npos);
    const ProgramResult version = dir.runWithArguments(program, "--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.standardOutput, std::string(PROJECT_VERSION) + "\n");
  }
  const ProgramResult help = dir.runWithArguments(RESCONV_PATH, "-h");
  for (const char* option :
       {"--to", "--times", "--points", "--submesh", "--restart-time", "--restart-head",
        "--restart-discharge", "--info", "--progress", "--no-progress", "--quiet", "--every",
        "--from", "--until", "resconv RES.DAT --to balance\n",
        "resconv RES.DAT --to vtu --every 10\n"}) {
    EXPECT_NE(help.standardOutput.find(option), std::string::npos) << option;
  }
  const ProgramResult tseriesHelp = dir.runWithArguments(TSERIES_PATH, "-h");
  for (const char* option : {"--graph", "--every", "--from", "--until"}) {
    EXPECT_NE(tseriesHelp.standardOutput.find(option), std::string::npos) << option;
  }
  EXPECT_TRUE(filesIn(dir).empty());
}

// The progress line goes to standard error only when forced there (a file is no terminal),
// made of carriage returns and blanks, and cleared before the list of files written.
TEST(ScriptedRun, ProgressLineOnlyWhenForced) {
  WorkDirectory dir;
  copyInputs(dir, {"worked/tec_times/input/RES.DAT", "worked/ts133/input/GRAPH133.DAT"});
  const ProgramResult plain = dir.runWithArguments(RESCONV_PATH, "RES.DAT --to tecplot");
  EXPECT_EQ(plain.standardError.find('\r'), std::string::npos) << plain.standardError;

  for (const char* program : {RESCONV_PATH, TSERIES_PATH}) {
    const std::string arguments = program == std::string(RESCONV_PATH)
                                      ? "RES.DAT --to tecplot --progress"
                                      : "RES.DAT --graph GRAPH133.DAT --progress";
    const ProgramResult forced = dir.runWithArguments(program, arguments);
    ASSERT_EQ(forced.exitStatus, 0) << forced.standardError;
    const std::string& err = forced.standardError;
    EXPECT_EQ(err.rfind("\r", 0), 0u) << err;
    EXPECT_NE(err.find("% read, "), std::string::npos) << err;
    EXPECT_NE(err.find(" elapsed"), std::string::npos) << err;
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    const std::size_t cleared = err.rfind('\r');
    EXPECT_EQ(err.find_first_not_of(' ', err.rfind('\r', cleared - 1) + 1), cleared) << err;
    EXPECT_NE(err.find("wrote ", cleared), std::string::npos) << err;
  }
  // The dialogue never draws it into a file either.
  const ProgramResult dialogue = dir.run(RESCONV_PATH, "1\nRES.DAT\n1\n0\n");
  EXPECT_EQ(dialogue.standardError, "");
}

}  // namespace
