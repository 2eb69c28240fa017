// The converter's step loop seen through its outputs: which states are shown, in which order,
// and with which values, for each output form and choice of requested times.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.h"
#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

// The output-time file for the given times and no points.
std::string outputTimeFile(const std::vector<std::string>& times) {
  std::string text;
  char count[8];
  std::snprintf(count, sizeof count, "%5zu", times.size());
  text += std::string(count) + "\n";
  for (std::size_t i = 0; i < times.size(); ++i) {
    char field[16];
    std::snprintf(field, sizeof field, "%10s", times[i].c_str());
    text += field;
    if (i % 8 == 7 || i + 1 == times.size()) text += "\n";
  }
  return text + "    0    0\n";
}

// The times of the blocks of an output, read from the lines that begin with `prefix`.
std::vector<double> blockTimes(const std::string& text, const std::string& prefix) {
  std::vector<double> times;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) == 0)
      times.push_back(std::strtod(line.c_str() + prefix.size(), nullptr));
  }
  return times;
}

struct LoopCase {
  const char* name;
  const char* resultFile;
  const char* answers;                      // after the result-file name
  std::vector<std::string> requestedTimes;  // empty: no output-time file
  const char* output;
  const char* timePrefix;
  std::vector<double> expectedTimes;
};

const std::string tecplotTime = "TITLE = \"TIME=";
const std::string listTime = "                    TIME =";
const std::string interpTime = " TIME,";

class ConverterLoop : public testSupport::CaseTest<LoopCase> {};

TEST_P(ConverterLoop, ShowsTheStatesInOrder) {
  const LoopCase& c = row();
  WorkDirectory dir;
  dir.copy(fixturePath(std::string("loop/") + c.resultFile), c.resultFile);
  if (!c.requestedTimes.empty()) dir.write("OTF.DAT", outputTimeFile(c.requestedTimes));
  const ProgramResult result =
      dir.run(RESCONV_PATH, std::string("1\n") + c.resultFile + "\n" + c.answers);
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_EQ(blockTimes(dir.read(c.output), c.timePrefix), c.expectedTimes);
}

const LoopCase loopCases[] = {{"tecplotEveryStep",
                               "RES123.DAT",
                               "1\n0\n",
                               {},
                               "TECPLOT.TXT",
                               tecplotTime.c_str(),
                               {0, 10, 20, 30}},
                              {"tecplotRequested",
                               "RES123.DAT",
                               "1\n1\nOTF.DAT\n",
                               {"15.0", "30.0"},
                               "TECPLOT.TXT",
                               tecplotTime.c_str(),
                               {0, 15, 30}},
                              {"tecplotRequestedOutOfOrder",
                               "RES123.DAT",
                               "1\n1\nOTF.DAT\n",
                               {"30.0", "15.0"},
                               "TECPLOT.TXT",
                               tecplotTime.c_str(),
                               {0, 15, 30}},
                              {"tecplotOutsideTheSteps",
                               "RES123.DAT",
                               "1\n1\nOTF.DAT\n",
                               {"0.0", "45.0"},
                               "TECPLOT.TXT",
                               tecplotTime.c_str(),
                               {0}},
                              {"tecplotStepZeroThenRequested",
                               "RES0123.DAT",
                               "1\n1\nOTF.DAT\n",
                               {"15.0"},
                               "TECPLOT.TXT",
                               tecplotTime.c_str(),
                               {0, 0, 15}},
                              {"interpStoredAndRequested",
                               "RES123.DAT",
                               "4\n1\nOTF.DAT\n",
                               {"15.0"},
                               "INTERP.TXT",
                               interpTime.c_str(),
                               {10, 15, 20, 30}},
                              {"interpWithoutRequested",
                               "RES123.DAT",
                               "4\n0\nOTF.DAT\n",
                               {"15.0"},
                               "INTERP.TXT",
                               interpTime.c_str(),
                               {10, 20, 30}},
                              {"listStepZeroAndRequested",
                               "RES0123.DAT",
                               "0\nOTF.DAT\n",
                               {"15.0"},
                               "OUTPUT.TXT",
                               listTime.c_str(),
                               {0, 0, 15, 15}},
                              {"listRequestedOnly",
                               "RES123.DAT",
                               "0\nOTF.DAT\n",
                               {"20.0", "5.0"},
                               "OUTPUT.TXT",
                               listTime.c_str(),
                               {5, 5, 20, 20}}};

INSTANTIATE_TEST_SUITE_P(Cases, ConverterLoop, testSupport::rowsOf(loopCases),
                         testSupport::rowName);

// Builds the result list of the loop fixture by hand from its record layouts.
std::string listHeading(const std::string& time, const std::string& step) {
  return "\n                    loop test mesh" + std::string(66, ' ') +
         "\n                    TIME =" + time + "     TIME STEP =" + step + "\n\n";
}
const std::string nodeCaptions =
    "\n\n\n\n  NODE    HEAD       PRESS HEAD   DISCHARGE  NODE    HEAD       PRESS HEAD   "
    "DISCHARGE  NODE    HEAD       PRESS HEAD   DISCHARGE \n\n\n";
const std::string elementCaptions =
    "\n\n\n\n  ELEM     VX          VY          VZ        ELEM     VX          VY          VZ    "
    "    ELEM     VX          VY          VZ       \n\n\n";
const std::string emptyEntry = "     0  0.0000E+00  0.0000E+00  0.0000E+00";

TEST(ResultList, StepZeroAndARequestedTimeByHand) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES0123.DAT"), "RES0123.DAT");
  dir.write("OTF.DAT", outputTimeFile({"15.0"}));
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES0123.DAT\n0\nOTF.DAT\n");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;

  const std::string expected =
      // Step 0 as stored: four heads of 2 on the bottom face, 3 on the top; node 9 is unused;
      // the last line is filled with an empty entry.
      listHeading("  0.00000E+00", "   0") + nodeCaptions +
      "      1  2.0000E+00  2.0000E+00  2.5000E+00     2  2.0000E+00  2.0000E+00 -1.0000E+00"
      "     3  2.0000E+00  2.0000E+00  0.0000E+00\n"
      "      4  2.0000E+00  2.0000E+00 -5.0000E-01     5  3.0000E+00  2.0000E+00  0.0000E+00"
      "     6  3.0000E+00  2.0000E+00  0.0000E+00\n"
      "      7  3.0000E+00  2.0000E+00  0.0000E+00     8  3.0000E+00  2.0000E+00  0.0000E+00" +
      emptyEntry + "\n\n\n***   QP( +  ) =  2.50000E+00\n***   QM( -  ) = -1.50000E+00\n" +
      // Element 2 has a negative material number and is left out.
      listHeading("  0.00000E+00", "   0") + elementCaptions +
      "      1  1.0000E-03 -2.0000E-03  5.0000E-01" + emptyEntry + emptyEntry + "\n" +
      // Time 15, halfway between steps 1 and 2, under step 2's number.
      listHeading("  1.50000E+01", "   2") + nodeCaptions +
      "      1  1.5000E+01  1.5000E+01  2.0000E+00     2  1.5000E+01  1.5000E+01  2.0000E+00"
      "     3  1.5000E+01  1.5000E+01  2.0000E+00\n"
      "      4  1.5000E+01  1.5000E+01  2.0000E+00     5  1.6000E+01  1.5000E+01  2.0000E+00"
      "     6  1.6000E+01  1.5000E+01  2.0000E+00\n"
      "      7  1.6000E+01  1.5000E+01  2.0000E+00     8  1.6000E+01  1.5000E+01  2.0000E+00" +
      emptyEntry + "\n\n\n***   QP( +  ) =  1.60000E+01\n***   QM( -  ) =  0.00000E+00\n" +
      listHeading("  1.50000E+01", "   2") + elementCaptions +
      "      1  2.0000E+00  3.0000E+00  4.0000E+00" + emptyEntry + emptyEntry + "\n";
  EXPECT_TRUE(sameText(dir.read("OUTPUT.TXT"), expected));
}

TEST(ResultList, RequestedTimeBeforeTheFirstStepStartsFromTheInitialState) {
  WorkDirectory dir;
  dir.copy(fixturePath("loop/RES123.DAT"), "RES123.DAT");
  dir.write("OTF.DAT", outputTimeFile({"5.0"}));
  const ProgramResult result = dir.run(RESCONV_PATH, "1\nRES123.DAT\n0\nOTF.DAT\n");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  // Pressure head 1.0 initially and 10.0 at time 10; velocities 0 initially and (1, 2, 3).
  const std::string list = dir.read("OUTPUT.TXT");
  EXPECT_NE(list.find("      1  5.5000E+00  5.5000E+00"), std::string::npos) << list;
  EXPECT_NE(list.find("      1  5.0000E-01  1.0000E+00  1.5000E+00"), std::string::npos) << list;
}

}  // namespace
