// NaN and Infinity in the result file, through every output form.
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

// NaN and Infinity read from the result file and written as the words the run-time uses.
TEST(NonFiniteValues, AreReadAndWrittenAsWords) {
  WorkDirectory dir;
  dir.write("RES.DAT", withLine(step1Header + 1, "NaN Infinity 0") + "");
  dir.write("OTF.DAT", outputTimes);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  const std::string list = dir.read("OUTPUT.TXT");
  // Time 5 lies halfway between the initial state and step 1: NaN and Infinity carry through.
  EXPECT_NE(list.find("      1         NaN         NaN    Infinity     2  5.5000E+00"),
            std::string::npos)
      << list;
  EXPECT_NE(list.find("***   QP( +  ) =     Infinity\n"), std::string::npos) << list;
}

// Non-finite coordinates, values and points through every output form and sub-mesh form: the
// run ends normally, whatever the numbers written.
TEST(NonFiniteValues, PassThroughEveryOutputForm) {
  const std::string nonFiniteMesh = [] {
    // Node 1 of the mesh, element 1 of step 1.
    std::string text = withLine(step1Header + 10, "NaN Inf -Inf");
    const std::string& firstNode = baseLines()[firstNodeLine - 1];
    text.replace(text.find(firstNode), firstNode.size(), "NaN 0.0 -Infinity NaN Infinity 0");
    return text;
  }();
  const std::string subMesh =
      "    1\n      15.0\n    3    1\n1 0.5 0.5 0.5\n2 NaN 0.5 0.5\n3 1e308 -1e308 0.5\n"
      "1 1 2 3 3\n";
  for (const char* answers :
       {"1\n0\n", "2\n0\n", "3\n0\n", "9\n15.0\n0\n0\n", "4\n1\nOTF.DAT\n1\n", "4\n1\nOTF.DAT\n2\n",
        "4\n1\nOTF.DAT\n3\n", "4\n1\nOTF.DAT\n4\n", "4\n1\nOTF.DAT\n5\n"}) {
    SCOPED_TRACE(answers);
    WorkDirectory dir;
    dir.write("RES.DAT", nonFiniteMesh);
    dir.write("OTF.DAT", subMesh);
    const ProgramResult result =
        runLimited(dir, RESCONV_PATH, std::string("1\nRES.DAT\n") + answers);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardError, "");
  }
}

}  // namespace
