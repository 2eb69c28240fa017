// Complete runs of the converter writing Tecplot blocks, INTERP blocks and sub-mesh Tecplot
// blocks for a small mesh: two hexahedra, a prism, a flagged hexahedron and a node no element
// names, with stored steps at times 10, 20 and 30 and no step 0. The expected files are worked
// out from the record layouts; heads are linear in the coordinates, so the values at the points
// are known in closed form.
#include <string>

#include "support/programRun.h"

namespace {

struct ConverterRun {
  const char* name;
  const char* outputTimeFile;  // copied from the fixtures under its own name
  const char* answers;
  const char* outputFile;
  const char* expected;
};

const ConverterRun runs[] = {
    // Requested 15 and 30: the initial state, 15 halfway between steps 1 and 2, 30 as step 3.
    {"tecplot at requested times", "OTF_15_30.DAT", "1\nPTS.DAT\n1\n1\nOTF_15_30.DAT\n",
     "TECPLOT.TXT", "TECPLOT_15_30.TXT"},
    // Requested times come out in time order, whatever their order in the file.
    {"tecplot, times in reverse", "OTF_30_15.DAT", "1\nPTS.DAT\n1\n1\nOTF_30_15.DAT\n",
     "TECPLOT.TXT", "TECPLOT_15_30.TXT"},
    {"tecplot of every step", "OTF_15_30.DAT", "1\nPTS.DAT\n1\n0\n", "TECPLOT.TXT",
     "TECPLOT_ALL.TXT"},
    // Every stored step and the requested 15, in the order they fall due: 10, 15, 20, 30.
    {"interp at points", "OTF_POINTS.DAT", "1\nPTS.DAT\n4\n1\nOTF_POINTS.DAT\n", "INTERP.TXT",
     "INTERP_POINTS.TXT"},
    // With sub-mesh elements the INTERP records give way to sub-mesh Tecplot blocks, the first
    // written before any step with values still 0.0.
    {"sub-mesh tecplot", "OTF_MESH.DAT", "1\nPTS.DAT\n4\n1\nOTF_MESH.DAT\n1\n", "INTERP.TXT",
     "INTERP_MESH.TXT"},
};

TEST(PointsRun, WritesTheExpectedFile) {
  for (const ConverterRun& run : runs) {
    SCOPED_TRACE(run.name);
    WorkDirectory dir;
    dir.copy(fixturePath("points/PTS.DAT"), "PTS.DAT");
    dir.copy(fixturePath(std::string("points/") + run.outputTimeFile), run.outputTimeFile);
    const ProgramResult result = dir.run(RESCONV_PATH, run.answers);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    ASSERT_TRUE(dir.exists(run.outputFile));
    EXPECT_TRUE(sameText(dir.read(run.outputFile),
                         readFile(fixturePath(std::string("points/") + run.expected))));
  }
}

}  // namespace
