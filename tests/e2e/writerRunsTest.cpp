// Runs of the converter that end in a MicroAVS, TALVIX or restart file, checked byte for byte
// against files worked out from the record layouts.
#include <string>
#include <vector>

#include "support/programRun.h"

namespace {

struct RunCase {
  std::string name;
  std::vector<std::string> inputs;  // fixture paths, copied under their own file names
  std::string answers;
  std::string output;    // the file the run leaves
  std::string expected;  // fixture path of its expected contents
};

std::string fileName(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

}  // namespace

// RESAVS.DAT: a hexahedron with slot 7 empty and slot 8 set, a prism, a flagged element that
// alone names node 8, and node 9 named by no element; eleven stored steps (0 to 10, times 0
// to 100), so the section number grows from one digit to two.
TEST(WriterRuns, LeaveTheExpectedFile) {
  const RunCase cases[] = {
      {"MicroAVS of every stored step",
       {"avs/run/RESAVS.DAT"},
       "1\nRESAVS.DAT\n3\n0\n",
       "AVS.INP",
       "avs/run/everyStep.INP"},
      {"MicroAVS of the requested times with a MicroAVS sub-mesh too: no sub-mesh file is added",
       {"avs/run/RESAVS.DAT", "avs/run/OTFALL.DAT"},
       "1\nRESAVS.DAT\n3\n1\nOTFALL.DAT\n3\n",
       "AVS.INP",
       "avs/run/everyStep.INP"},
      {"MicroAVS sub-mesh with a triangle and a quadrilateral",
       {"avs/run/RESAVS.DAT", "avs/run/OTFAVS.DAT"},
       "1\nRESAVS.DAT\n4\n0\nOTFAVS.DAT\n3\n",
       "INTERP.TXT",
       "avs/run/subMeshEveryStep.TXT"},
      {"TALVIX plan",
       {"worked/mesh_sect/input/RES.DAT", "worked/mesh_sect/input/OTFTAL.DAT"},
       "1\nRES.DAT\n4\n0\nOTFTAL.DAT\n4\n",
       "INTERP.TXT",
       "talvix/planEveryStep.TXT"},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDirectory dir;
    for (const std::string& input : c.inputs) dir.copy(fixturePath(input), fileName(input));
    const ProgramResult result = dir.run(RESCONV_PATH, c.answers);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    ASSERT_TRUE(dir.exists(c.output));
    EXPECT_TRUE(sameText(dir.read(c.output), readFile(fixturePath(c.expected))));
  }
}

// A restart time beyond the last stored step: the run fails with a message naming both times
// and removes the RESTART.DAT it created.
TEST(WriterRuns, RestartTimeBeyondTheLastStepIsAnError) {
  WorkDirectory dir;
  dir.copy(fixturePath("avs/run/RESAVS.DAT"), "RESAVS.DAT");
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRESAVS.DAT\n9\n150\n0\n1\n");
  EXPECT_NE(result.exitStatus, 0);
  EXPECT_EQ(result.standardError,
            "RESTART.DAT not written: no stored step reaches the restart time 150 (the last "
            "stored step is at time 100)\n");
  EXPECT_FALSE(dir.exists("RESTART.DAT"));
}
