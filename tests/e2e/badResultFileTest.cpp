// Bad result files through the converter: cut at every block, values that are no numbers,
// absurd counts, node numbers outside the mesh; the output written before the stop is kept.
#include <chrono>
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

// What must be left of the output file after the run.
enum class Kept {
  absent,     // the run stops before the file is opened
  empty,      // opened, nothing written before the stop
  reference,  // what the same answers write for `reference` as the result file
};

struct ResultFileCase {
  const char* name;
  std::string resultFile;
  std::string stop;  // the whole of standard error; empty for a normal end
  Kept kept;
  std::string reference = {};
};

void checkKept(const WorkDirectory& dir, const std::string& file, Kept kept,
               const std::string& reference) {
  switch (kept) {
    case Kept::absent:
      EXPECT_FALSE(dir.exists(file));
      break;
    case Kept::empty:
      ASSERT_TRUE(dir.exists(file));
      EXPECT_EQ(dir.read(file), "");
      break;
    case Kept::reference: {
      ASSERT_TRUE(dir.exists(file));
      const std::string expected = referenceList(reference);
      EXPECT_FALSE(expected.empty());
      EXPECT_TRUE(sameText(dir.read(file), expected));
      break;
    }
  }
}

class BadResultFile : public testSupport::CaseTest<ResultFileCase> {};

TEST_P(BadResultFile, StopsWithOneLineAndKeepsTheOutput) {
  const ResultFileCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", c.resultFile);
  dir.write("OTF.DAT", outputTimes);
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult result = runLimited(dir, RESCONV_PATH, listAnswers);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(result.standardError, c.stop);
  if (c.stop.empty()) {
    EXPECT_EQ(result.exitStatus, 0);
  } else {
    EXPECT_GT(result.exitStatus, 0);
  }
  checkKept(dir, "OUTPUT.TXT", c.kept, c.reference);
}

// A prism of eight numbers, its last two 0, and a hexahedron, with K node numbers each.
std::string withNodesPerElement(int k, const std::string& first, const std::string& second) {
  std::string text = withLine(countsLine, "9 2 " + std::to_string(k));
  const std::string& oldFirst = baseLines()[firstElementLine - 1];
  const std::string& oldSecond = baseLines()[firstElementLine];
  text.replace(text.find(oldFirst + "\n"), oldFirst.size(), first);
  text.replace(text.find(oldSecond + "\n"), oldSecond.size(), second);
  return text;
}

const ResultFileCase resultFileCases[] = {
    // Cut at every block.
    {"emptyFile", "",
     at(endOfResult,
        "RES.DAT, end of file at its start (the file is empty): the title is "
        "missing"),
     Kept::absent},
    {"cutAfterTitle", firstLines(titleLine),
     at(endOfResult,
        "RES.DAT, end of file after line 1: 3 of the 3 values of the counts in "
        "the header were still missing"),
     Kept::absent},
    {"cutInCounts", firstLines(titleLine) + "9 2",
     at(endOfResult,
        "RES.DAT, end of file after line 2: 1 of the 3 values of the counts in "
        "the header was still missing"),
     Kept::absent},
    {"cutInNodeBlock", firstLines(firstNodeLine + 3),
     at(endOfResult,
        "RES.DAT, end of file after line 6: 30 of the 54 values of the initial "
        "node block were still missing"),
     Kept::empty},
    {"cutInElementBlock", firstLines(firstElementLine),
     at(endOfResult,
        "RES.DAT, end of file after line 12: 9 of the 18 values of the element "
        "block were still missing"),
     Kept::empty},
    {"cutAtStepHeaderIsTheEnd", throughStep1, "", Kept::reference, throughStep1},
    {"cutAfterStepHeader", firstLines(step2Header),
     at(endOfResult,
        "RES.DAT, end of file after line 26: 27 of the 27 values of the node "
        "block of the step at line 26 (step number 2) were still missing"),
     Kept::reference, throughStep1},
    {"cutInStepNodeBlock", firstLines(step2Header + 4),
     at(endOfResult,
        "RES.DAT, end of file after line 30: 15 of the 27 values of the node "
        "block of the step at line 26 (step number 2) were still missing"),
     Kept::reference, throughStep1},
    {"cutInStepElementBlock", firstLines(step2FirstElement),
     at(endOfResult,
        "RES.DAT, end of file after line 36: 3 of the 6 values of the element "
        "block of the step at line 26 (step number 2) were still missing"),
     Kept::reference, throughStep1},
    {"cutInStepValue", firstLines(step2FirstElement) + "3.0 4.",
     at(endOfResult,
        "RES.DAT, end of file after line 37: 1 of the 6 values of the element "
        "block of the step at line 26 (step number 2) was still missing"),
     Kept::reference, throughStep1},
    {"noElementRecord", "one node\n1 0 8\n0 0 0 1 0 0\n",
     at(endOfResult,
        "RES.DAT, end of file after line 3: the record of the element block is "
        "missing"),
     Kept::empty},
    // A value that is not a number, in each block.
    {"lettersInCounts", withLine(countsLine, "9 two 8"),
     at(syntaxInResult, "RES.DAT, line 2, column 3, \"two\": the element count in the header"),
     Kept::absent},
    {"lettersInNodeBlock", withLine(firstNodeLine + 1, "1.0 0.0 O.0 1.0 -1.0 0"),
     at(syntaxInResult,
        "RES.DAT, line 4, column 9, \"O.0\": the z coordinate of node 2 in the "
        "initial node block"),
     Kept::empty},
    {"realNodeCode", withLine(firstNodeLine + 1, "1.0 0.0 0.0 1.0 -1.0 0.5"),
     at(syntaxInResult,
        "RES.DAT, line 4, column 22, \"0.5\": the node code of node 2 in the "
        "initial node block"),
     Kept::empty},
    {"lettersInElementBlock", withLine(firstElementLine, "1 2 3 4 5 6 7 B 1"),
     at(syntaxInResult,
        "RES.DAT, line 12, column 15, \"B\": node number 8 of element 1 in the "
        "element block"),
     Kept::empty},
    {"lettersInMaterialNumber", withLine(firstElementLine + 1, "1 2 3 5 6 7 0 0 minus"),
     at(syntaxInResult,
        "RES.DAT, line 13, column 17, \"minus\": the material number of "
        "element 2 in the element block"),
     Kept::empty},
    {"lettersInStepNumber", withLine(step2Header, "two 20.0"),
     at(syntaxInResult, "RES.DAT, line 26, column 1, \"two\": the step number of a step header"),
     Kept::reference, throughStep1},
    {"lettersInStepHeader", withLine(step2Header, "2 twenty"),
     at(syntaxInResult,
        "RES.DAT, line 26, column 3, \"twenty\": the time of the step at line "
        "26 (step number 2)"),
     Kept::reference, throughStep1},
    {"lettersInStepNodeBlock", withLine(step2Header + 2, "20.0 3.0 zero"),
     at(syntaxInResult,
        "RES.DAT, line 28, column 10, \"zero\": the node code of node 2 of the "
        "step at line 26 (step number 2)"),
     Kept::reference, throughStep1},
    {"lettersInStepElementBlock", withLine(step2FirstElement, "3.0 4.0 5.0e"),
     at(syntaxInResult,
        "RES.DAT, line 36, column 9, \"5.0e\": the z velocity of element 1 of "
        "the step at line 26 (step number 2)"),
     Kept::reference, throughStep1},
    // A repeated value that is not a number is named by its repeat token; a long token is
    // shown cut to 40 characters.
    {"badRepeatedValue", withLine(step2Header + 3, "2*x 0"),
     at(syntaxInResult,
        "RES.DAT, line 29, column 1, \"2*x\": the pressure head of node 3 of "
        "the step at line 26 (step number 2)"),
     Kept::reference, throughStep1},
    {"badRepeatedCode", withLine(step2Header + 3, "3*1.5"),
     at(syntaxInResult,
        "RES.DAT, line 29, column 1, \"3*1.5\": the node code of node 3 of the "
        "step at line 26 (step number 2)"),
     Kept::reference, throughStep1},
    {"longBadToken", withLine(step2Header + 9, "1.0 2.0 " + std::string(60, '7') + "x"),
     at(syntaxInResult, "RES.DAT, line 35, column 9, \"" + std::string(40, '7') +
                            "\": the node code of node 9 of the step at line 26 (step number "
                            "2)"),
     Kept::reference, throughStep1},
    {"lettersInLastStep", withLine(lineCount, "1.0 2.0 q"),
     at(syntaxInResult,
        "RES.DAT, line 49, column 9, \"q\": the z velocity of element 2 of the "
        "step at line 38 (step number 3)"),
     Kept::reference, firstLines(step3Header - 1)},
    // Counts: negative, zero, absurd.
    {"negativeNodeCount", withLine(countsLine, "-9 2 8"),
     at("RES.DAT: negative count (nodes -9, elements 2, nodes per element 8)\n",
        "RES.DAT, line 2: the counts in the header"),
     Kept::absent},
    {"negativeNodesPerElement", withLine(countsLine, "9 2 -8"),
     at("RES.DAT: negative count (nodes 9, elements 2, nodes per element -8)\n",
        "RES.DAT, line 2: the counts in the header"),
     Kept::absent},
    {"zeroCounts", "empty mesh\n0 0 0\n\n\n1 10.0\n\n\n", "", Kept::reference,
     "empty mesh\n0 0 0\n\n\n1 10.0\n\n\n"},
    {"twoBillionNodes", withLine(countsLine, "2000000000 2 8"), noMemory, Kept::empty},
    {"twoBillionElements", withLine(countsLine, "9 2000000000 8"), noMemory, Kept::empty},
    {"twoBillionNodesPerElement", withLine(countsLine, "9 2 2000000000"), noMemory, Kept::empty},
    {"countBeyondInteger", withLine(countsLine, "9 2 99999999999"),
     at(syntaxInResult,
        "RES.DAT, line 2, column 5, \"99999999999\": the count of node numbers "
        "per element in the header"),
     Kept::absent},
    // Node numbers outside 0 to N.
    {"nodeNumberAboveCount", withLine(firstElementLine + 1, "1 2 3 5 6 10 0 0 -1"),
     at("RES.DAT: element 2 names node 10, outside 0 to 9\n",
        "RES.DAT, line 13, column 11, \"10\": node number 6 of element 2 in the "
        "element block"),
     Kept::empty},
    {"negativeNodeNumber", withLine(firstElementLine, "1 2 3 4 5 6 7 -8 1"),
     at("RES.DAT: element 1 names node -8, outside 0 to 9\n",
        "RES.DAT, line 12, column 15, \"-8\": node number 8 of element 1 in the "
        "element block"),
     Kept::empty},
    // K of 0, 1 and 20: the list does not depend on the slots, only on which nodes are used.
    {"noNodesPerElement", withNodesPerElement(0, "1", "-1"), "", Kept::reference,
     withNodesPerElement(0, "1", "-1")},
    {"oneNodePerElement", withNodesPerElement(1, "9 1", "1 -1"), "", Kept::reference,
     withNodesPerElement(1, "9 1", "1 -1")},
    {"twentyNodesPerElement",
     withNodesPerElement(20, "1 2 3 4 5 6 7 8 12*0 1", "1 2 3 5 6 7 14*0 -1"), "", Kept::reference,
     wholeFile}};

INSTANTIATE_TEST_SUITE_P(Cases, BadResultFile, testSupport::rowsOf(resultFileCases),
                         testSupport::rowName);

}  // namespace
