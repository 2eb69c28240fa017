// Bad answers on the console and in the work list, through the converter.
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

// The console and the work list: answers that end early, too few work-list records, long
// names. Nothing loops waiting for input that never comes.
struct DialogueCase {
  const char* name;
  std::string workList;  // empty: no WORK.LST
  std::string answers;
  std::string stop;  // empty: a normal end
};

class BadDialogue : public testSupport::CaseTest<DialogueCase> {};

TEST_P(BadDialogue, EndsWithOneLine) {
  const DialogueCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", wholeFile);
  dir.write("ABCDEFGHIJKLMNOPQRST", wholeFile);
  dir.write("OTF.DAT", outputTimes);
  if (!c.workList.empty()) dir.write("WORK.LST", c.workList);
  const ProgramResult result = runLimited(dir, RESCONV_PATH, c.answers);
  EXPECT_EQ(result.standardError, c.stop);
  if (c.stop.empty()) {
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(sameText(dir.read("OUTPUT.TXT"), referenceList(wholeFile)));
  } else {
    EXPECT_GT(result.exitStatus, 0);
  }
}

const std::string endOfConsole = runTimeStop(24, -4, "stdin");

const DialogueCase dialogueCases[] = {
    {"noAnswerAtAll", "", "",
     at(endOfConsole, "stdin, end of file at its start (the file is empty)")},
    {"onlyBlankLines", "", "\n\n\n", at(endOfConsole, "stdin, end of file after line 3")},
    {"endsBeforeTheName", "", "1\n", at(endOfConsole, "stdin, end of file after line 1")},
    {"endsBeforeTheOutputForm", "", "1\nRES.DAT\n",
     at(endOfConsole, "stdin, end of file after line 2")},
    {"endsBeforeTheDataFileName", "", "1\nRES.DAT\n0\n",
     at(endOfConsole, "stdin, end of file after line 3")},
    {"answerNotANumber", "", "one\n",
     at(runTimeStop(59, -4, "stdin"), "stdin, line 1, column 1, \"one\"")},
    {"laterAnswerNotANumber", "", "1\nRES.DAT\n\n  zero\n",
     at(runTimeStop(59, -4, "stdin"), "stdin, line 4, column 3, \"zero\"")},
    {"workListOfFiveLines", "1\n2\n3\n4\nRES.DAT\n", "0\n",
     at(runTimeStop(24, 98, "WORK.LST"), "WORK.LST, end of file after line 5")},
    {"workListMissing", "", "0\n", runTimeStop(29, 98, "WORK.LST")},
    {"typedNameCutAt20", "", "1\nABCDEFGHIJKLMNOPQRSTUVWXYZ\n0\nOTF.DAT\n", ""},
    {"workListNameCutAt20", "1\n2\n3\n4\n5\nABCDEFGHIJKLMNOPQRSTUVWXYZ.DAT\n", "0\n0\nOTF.DAT\n",
     ""},
    {"longNameOfNoFile", "", "1\nRES.DAT.WITH.A.LONG.SUFFIX\n",
     runTimeStop(29, 5, "RES.DAT.WITH.A.LONG.")}};

INSTANTIATE_TEST_SUITE_P(Cases, BadDialogue, testSupport::rowsOf(dialogueCases),
                         testSupport::rowName);

}  // namespace
