// Bad output-time files through the converter: each run stops with its stop line and the line
// naming the place.
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

// The output-time file: cut short, letters in numeric columns, counts above what follows.
struct OutputTimeCase {
  const char* name;
  std::string outputTimeFile;
  std::string answers;
  std::string stop;
};

class BadOutputTimeFile : public testSupport::CaseTest<OutputTimeCase> {};

TEST_P(BadOutputTimeFile, StopsWithOneLine) {
  const OutputTimeCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("OTF.DAT", c.outputTimeFile);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, c.answers);
  EXPECT_EQ(result.standardError, c.stop);
  EXPECT_GT(result.exitStatus, 0);
  // An output-time file that is missing is not created.
  EXPECT_FALSE(dir.exists("NONE.DAT"));
}

const std::string endOfTimes = runTimeStop(24, 17, "OTF.DAT");
const std::string conversionInTimes = runTimeStop(64, 17, "OTF.DAT");
const std::string interpAnswers = "1\nRES.DAT\n4\n0\nOTF.DAT\n";

const OutputTimeCase outputTimeCases[] = {
    {"empty", "", listAnswers,
     at(endOfTimes,
        "OTF.DAT, end of file at its start (the file is empty): the output-time "
        "count of the output-time file is missing")},
    {"withoutSubMeshRecord", "    1\n      15.0\n", listAnswers,
     at(endOfTimes,
        "OTF.DAT, end of file after line 2: 2 of the 2 values of the record of "
        "the point and sub-mesh element counts of the output-time file were "
        "still missing")},
    // Eight fields to a record, blank ones read as 0.0: 16 of the 20 times are there.
    {"moreTimesThanFollow", "   20\n      15.0\n    0    0\n", listAnswers,
     at(endOfTimes,
        "OTF.DAT, end of file after line 3: 4 of the 20 values of the requested "
        "times of the output-time file were still missing")},
    {"lettersInCount", "   1x\n", listAnswers,
     at(conversionInTimes,
        "OTF.DAT, line 1, columns 1-5, \"   1x\": the output-time count of the "
        "output-time file")},
    {"lettersInTime", "    2\n      15.0      1a.0\n    0    0\n", listAnswers,
     at(conversionInTimes,
        "OTF.DAT, line 2, columns 11-20, \"      1a.0\": requested time 2 of "
        "the output-time file")},
    {"lettersInSubMeshCounts", "    0\n    2    x\n", listAnswers,
     at(conversionInTimes,
        "OTF.DAT, line 2, columns 6-10, \"    x\": the sub-mesh element count of "
        "the output-time file")},
    {"morePointsThanFollow", "    0\n    3    0\n1 0.5 0.5 0.5\n", interpAnswers,
     at(endOfTimes,
        "OTF.DAT, end of file after line 3: 4 of the 4 values of point record 2 "
        "of the output-time file were still missing")},
    {"lettersInPoint", "    0\n    1    0\n1 0.5 half 0.5\n", interpAnswers,
     at(runTimeStop(59, 17, "OTF.DAT"),
        "OTF.DAT, line 3, column 7, \"half\": the y coordinate in point record 1 "
        "of the output-time file")},
    {"lettersInElement", "    0\n    3    1\n1 0 0 0\n2 1 0 0\n3 0 1 0\n1 1 2 three 3\n",
     interpAnswers,
     at(runTimeStop(59, 17, "OTF.DAT"),
        "OTF.DAT, line 6, column 7, \"three\": point 3 in sub-mesh element "
        "record 1 of the output-time file")},
    {"pointNumberZero", "    0\n    1    0\n0 0.5 0.5 0.5\n", interpAnswers,
     at("OTF.DAT: point record 1 has point number 0, below 1\n",
        "OTF.DAT, line 3, column 1, \"0\": the point number in point record 1 "
        "of the output-time file")},
    {"pointNumberZeroInALaterRecord",
     "    1\n      15.0\n    2    0\n1 0.5 0.5 0.5\n0 0.2 0.2 0.2\n", interpAnswers,
     at("OTF.DAT: point record 2 has point number 0, below 1\n",
        "OTF.DAT, line 5, column 1, \"0\": the point number in point record 2 of the "
        "output-time file")},
    {"negativePointCount", "    0\n   -2    0\n", interpAnswers,
     at("OTF.DAT: record 2 has the point count -2, below 0\n",
        "OTF.DAT, line 2, columns 1-5, \"-2\": the point count of the "
        "output-time file")},
    {"negativeSubMeshElementCount", "    1\n      15.0\n    1   -3\n1 0.5 0.5 0.5\n", interpAnswers,
     at("OTF.DAT: record 3 has the sub-mesh element count -3, below 0\n",
        "OTF.DAT, line 3, columns 6-10, \"-3\": the sub-mesh element count of "
        "the output-time file")},
    {"missing", "", "1\nRES.DAT\n0\nNONE.DAT\n", runTimeStop(29, 17, "NONE.DAT")}};

INSTANTIATE_TEST_SUITE_P(Cases, BadOutputTimeFile, testSupport::rowsOf(outputTimeCases),
                         testSupport::rowName);

// Negative counts in the output-time file stop before the sub-mesh question and before any
// zone is written.
TEST(NegativeSubMeshCounts, StopBeforeAnyOutput) {
  for (const char* counts : {"   -2    0", "    1   -3", "   -1   -1"}) {
    SCOPED_TRACE(counts);
    WorkDirectory dir;
    dir.write("RES.DAT", wholeFile);
    dir.write("OTF.DAT", "    1\n      15.0\n" + std::string(counts) + "\n1 0.5 0.5 0.5\n");
    const ProgramResult result = runLimited(dir, RESCONV_PATH, "1\nRES.DAT\n4\n1\nOTF.DAT\n1\n");
    EXPECT_GT(result.exitStatus, 0);
    EXPECT_EQ(result.standardError.rfind("OTF.DAT: record 3 has the ", 0), 0u)
        << result.standardError;
    // The sub-mesh menu is the only one that offers TALVIX.
    EXPECT_EQ(result.standardOutput.find("TALVIX"), std::string::npos);
    ASSERT_TRUE(dir.exists("INTERP.TXT"));
    EXPECT_EQ(dir.read("INTERP.TXT"), "");
  }
}

}  // namespace
