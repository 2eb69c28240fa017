// Neutral-file runs of the converter on a small mesh: output form 2 writes the solid model and
// an output set per output, and sub-mesh form 2 under output form 4 writes the sub-mesh model
// and its sets into INTERP.TXT. Expected files are worked out from the record layouts.
#include <filesystem>
#include <string>

#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

namespace fs = std::filesystem;

struct NeutralRun {
  const char* name;
  const char* outputFile;
};

// solid: a hexahedron, a prism, a hexahedron with only slot 7 of its upper face set, an element
//   with a negative material number whose node 15 no other element names, node 9 named by no
//   element, materials 1 and 4 only (properties 1 to 4), ties in the largest and smallest
//   heads, a coordinate that single precision rounds differently, and a step number too wide
//   for its title field.
// submesh: the same mesh with five points (inside, on faces, at a node, outside) and a
//   triangle, a quadrilateral and a quadrilateral with a 0 point number.
constexpr NeutralRun neutralRuns[] = {
    {"solid", "FEMAP.NEU"},
    {"submesh", "INTERP.TXT"},
};

class NeutralFileRun : public testSupport::CaseTest<NeutralRun> {};

TEST_P(NeutralFileRun, WritesTheExpectedFile) {
  const NeutralRun& run = row();
  const fs::path caseDir = fs::path(FIXTURE_DIR) / "femap" / run.name;
  WorkDirectory dir;
  for (const auto& input : fs::directory_iterator(caseDir / "input")) {
    dir.copy(input.path(), input.path().filename().string());
  }
  const ProgramResult result = dir.run(RESCONV_PATH, readFile(caseDir / "answers.txt"));

  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  ASSERT_TRUE(dir.exists(run.outputFile));
  EXPECT_TRUE(sameText(dir.read(run.outputFile), readFile(caseDir / "expected" / run.outputFile)));
}

INSTANTIATE_TEST_SUITE_P(Runs, NeutralFileRun, testSupport::rowsOf(neutralRuns),
                         testSupport::rowName);

}  // namespace
