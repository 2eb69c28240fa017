// A block read in parts by several threads gives what one free-form statement gives: the same
// values (null values keeping the ones before), the same position after it, and the same stop
// (line, place, status) at the first fault in file order, whatever the layout and wherever the
// parts are cut.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/freeForm.h"
#include "common/splitBlock.h"
#include "common/stop.h"
#include "common/workPool.h"
#include "support/temporaryFolder.h"

namespace {

// Groups of a pressure head, a discharge and a node code, as in a step's node block.
constexpr int groupCount = 600;

// Everything a read of a block shows.
struct Outcome {
  std::vector<double> head, discharge;
  std::vector<int> code;
  std::string next;  // the record after the block, or the stop: line, place and status
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << outcome.next;
}

const ReadPlace place{[](std::int64_t index) {
                        static const char* names[] = {"head", "discharge", "code"};
                        return std::string(names[index % 3]) + " of node " +
                               std::to_string(index / 3 + 1);
                      },
                      [] { return std::string("the block"); }, std::int64_t{3} * groupCount};

// Node codes above this stop the read, also one a null value leaves.
constexpr int mostCode = 999999;

void codeBeyond(const FreeFormRead& statement, std::int64_t index, int code) {
  stopWithMessage("code " + std::to_string(code) + " of node " + std::to_string(index / 3 + 1),
                  statement.lastValueLocation());
}

// The arrays as a step before left them: a null value keeps these. Every other node code is
// beyond the bounds: a null value there stops the read.
Outcome previousStep() {
  Outcome outcome;
  for (int i = 0; i <= groupCount; ++i) {
    outcome.head.push_back(-i - 0.5);
    outcome.discharge.push_back(1000.0 + i);
    outcome.code.push_back(i % 2 == 0 ? -7 : mostCode + 1);
  }
  return outcome;
}

void openText(InputUnit& unit, const std::string& text,
              const testSupport::TemporaryFolder* folder) {
  if (folder == nullptr) {
    unit.openMemory(text, "RES.DAT");
    return;
  }
  folder->write("RES.DAT", text);
  unit.openOld(folder->file("RES.DAT"));
}

std::string stopText(const RunStopped& stop) {
  return "stop: " + stop.line() + " | " + stop.location() + " | " +
         std::to_string(stop.exitStatus());
}

// The block read as one statement, on the calling thread.
Outcome readWhole(const std::string& text, bool dropDischarge,
                  const testSupport::TemporaryFolder* folder = nullptr) {
  Outcome outcome = previousStep();
  InputUnit unit(5);
  openText(unit, text, folder);
  double scratch = 0.0;
  try {
    FreeFormRead statement(unit, false, &place);
    for (std::size_t i = 1; i <= groupCount; ++i) {
      statement.read(outcome.head[i]);
      statement.read(dropDischarge ? scratch : outcome.discharge[i]);
      statement.read(outcome.code[i]);
      if (outcome.code[i] > mostCode)
        codeBeyond(statement, 3 * static_cast<std::int64_t>(i - 1) + 2, outcome.code[i]);
    }
    statement.finish();
    std::string_view record;
    outcome.next = unit.nextRecord(record) ? std::string(record) : "end of file";
  } catch (const RunStopped& stop) {
    outcome.next = stopText(stop);
  }
  return outcome;
}

// The block split into parts; `split` tells whether it was.
Outcome readSplit(const std::string& text, bool dropDischarge, bool& split,
                  const testSupport::TemporaryFolder* folder = nullptr) {
  Outcome outcome = previousStep();
  InputUnit unit(5);
  openText(unit, text, folder);
  const BlockColumn columns[] = {
      realColumn(outcome.head),
      realColumn(dropDischarge ? std::span<double>() : std::span<double>(outcome.discharge)),
      {true, nullptr, outcome.code.data() + 1, 1, INT_MIN, mostCode}};
  split = false;
  try {
    split = readSplitBlock(unit, place, columns, groupCount, codeBeyond);
    std::string_view record;
    outcome.next = unit.nextRecord(record) ? std::string(record) : "end of file";
  } catch (const RunStopped& stop) {
    split = true;
    outcome.next = stopText(stop);
  }
  return outcome;
}

// How the values of a block are laid out.
struct Layout {
  int perLine = 0;  // tokens to a line; 0: one group to a line; -1: 1 to 9 at random
  const char* separator = " ";
  bool repeats = false;  // runs of equal values as r*value
  bool solverExponents = false;
  bool crlf = false;
};

// The values of the block, runs of equal ones made likely so that repeats occur.
std::vector<std::string> blockValues(unsigned seed, bool solverExponents) {
  std::mt19937 random(seed);
  std::vector<std::string> values;
  char text[64];
  for (int i = 0; i < groupCount; ++i) {
    for (int k = 0; k < 2; ++k) {
      const auto draw = random() % 10;
      double value = draw < 3 ? 0.0 : (static_cast<double>(random() % 200000) - 1e5) / 7.0;
      std::snprintf(text, sizeof text, solverExponents ? "%.6E" : "%.9g", value);
      std::string s = text;
      if (solverExponents) {
        if (value == 0.0) s = "0.0";
        for (char& c : s) c = c == 'E' ? 'D' : c;
      }
      values.push_back(s);
    }
    values.push_back(std::to_string(static_cast<int>(random() % 3) - 1));
  }
  return values;
}

std::string blockText(const std::vector<std::string>& values, const Layout& layout, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> tokens;
  std::vector<bool> groupEnds;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t run = 1;
    while (layout.repeats && i + run < values.size() && values[i + run] == values[i]) ++run;
    tokens.push_back(run > 1 ? std::to_string(run) + "*" + values[i] : values[i]);
    i += run;
    groupEnds.push_back(i % 3 == 0);
  }
  const std::string lineEnd = layout.crlf ? "\r\n" : "\n";
  std::string text;
  int onLine = 0;
  int lineLength = layout.perLine > 0 ? layout.perLine : 1 + static_cast<int>(random() % 9);
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    text += tokens[t];
    ++onLine;
    const bool end = layout.perLine == 0 ? groupEnds[t] : onLine == lineLength;
    if (end || t + 1 == tokens.size()) {
      text += lineEnd;
      onLine = 0;
      if (layout.perLine < 0) lineLength = 1 + static_cast<int>(random() % 9);
    } else {
      text += layout.separator;
    }
  }
  return text + "NEXT RECORD" + lineEnd;
}

std::string plainText() {
  return blockText(blockValues(1, false), Layout{}, 1);
}

// `text` with `from` replaced by `to` at its first occurrence after `fraction` of it.
std::string changed(std::string text, double fraction, const std::string& from,
                    const std::string& to) {
  const std::size_t at =
      text.find(from, static_cast<std::size_t>(fraction * static_cast<double>(text.size())));
  if (at == std::string::npos) ADD_FAILURE() << "no '" << from << "' to change";
  return text.replace(at, from.size(), to);
}

// The line end at or after `fraction` of the text.
std::size_t lineEndAfter(const std::string& text, double fraction) {
  return text.find('\n', static_cast<std::size_t>(fraction * static_cast<double>(text.size())));
}

struct BlockCase {
  std::string name;
  std::string text;
};

std::vector<BlockCase> blockCases() {
  std::vector<BlockCase> cases;
  const std::vector<std::string> plainValues = blockValues(1, false);
  const std::vector<std::string> solverValues = blockValues(2, true);
  cases.push_back({"plain: one node per line", plainText()});
  // Values of every length and range: short decimals, 17 digits, tiny and huge exponents.
  {
    std::vector<std::string> values = plainValues;
    const char* forms[] = {"%.17g", "%.3E", "%.15E", "%.6e", "%.9g", "%.20E"};
    const double scales[] = {1e-300, 1e-30, 1e-22, 1e-5, 1.0, 1e15, 1e22, 1e23, 1e300};
    std::mt19937 random(11);
    char text[64];
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i % 3 == 2) {  // node codes of every length
        const char* codes[] = {"0",      "-7",         "007",         "-0",
                               "999999", "-123456789", "-1234567890", "-2147483648"};
        values[i] = codes[random() % std::size(codes)];
        continue;
      }
      const double value = (static_cast<double>(random() % 2000001) - 1e6) / 3.0 *
                           scales[random() % std::size(scales)];
      std::snprintf(text, sizeof text, forms[random() % std::size(forms)], value);
      values[i] = text;
      if (random() % 4 == 0) {
        for (char& c : values[i]) c = c == 'E' ? 'D' : c == 'e' ? 'd' : c;
      }
    }
    cases.push_back({"values of every length and range", blockText(values, Layout{}, 12)});
  }
  cases.push_back({"mixed: seven to a line, commas, repeats, D exponents",
                   blockText(solverValues, {7, ", ", true, true, false}, 3)});
  cases.push_back({"irregular lines, blanks and commas",
                   blockText(plainValues, {-1, " , ", false, false, false}, 4)});
  cases.push_back(
      {"irregular lines with repeats", blockText(solverValues, {-1, ",", true, true, false}, 5)});
  cases.push_back({"CR LF", blockText(solverValues, {7, ", ", true, true, true}, 6)});
  cases.push_back(
      {"CR LF, one node per line", blockText(plainValues, {0, " ", false, false, true}, 7)});
  cases.push_back({"one value per line", blockText(plainValues, {1, " ", false, false, false}, 8)});
  // Long repeats: their copies run over many lines' worth of values, across part boundaries.
  {
    std::string text = plainText();
    for (double fraction : {0.2, 0.45, 0.7}) {
      const std::size_t at = lineEndAfter(text, fraction) + 1;
      text.insert(at, "150*2.5 40*-1\n");
    }
    cases.push_back({"long repeats across part boundaries", text});
  }
  // Null values: a line that ends with a comma and one that begins with one, doubled commas,
  // r null values, a null at the start of the block.
  {
    std::string text = blockText(plainValues, {4, ", ", false, false, false}, 9);
    text.insert(0, ",");
    for (double fraction : {0.15, 0.35, 0.55, 0.75}) {
      const std::size_t at = lineEndAfter(text, fraction);
      text.insert(at, ",");  // the comma ends the line, and a comma begins the next
      text.insert(at + 2, ",");
    }
    text = changed(text, 0.5, ", ", ",, ");
    text = changed(text, 0.85, ", ", ", 5*, ");
    cases.push_back({"null values at boundaries", text});
  }
  // After the first lines, lines of more values than they hold: the parts' guesses fall short,
  // and a part's share of values ends inside the copies of a repeat.
  {
    std::string text;
    for (int i = 0; i < 40; ++i) text += std::to_string(i) + " " + std::to_string(-i) + " 1\n";
    for (int i = 0; i < 60; ++i) text += "1 2 7 40*8\n";
    cases.push_back({"shares ending inside repeats", text + "NEXT RECORD\n"});
  }
  // A comma ends a line and a blank line follows: the comma still counts for the next line.
  {
    std::string text = plainText();
    for (std::size_t at = text.find('\n'), line = 0; at + 40 < text.size();
         at = text.find('\n', at + 1), ++line) {
      if (line % 7 != 3) continue;
      text.replace(at, 1, " ,\n \n,");
      at += 4;
    }
    cases.push_back({"a comma, a blank line, a comma", text});
  }
  {
    std::string text = plainText();
    for (double fraction : {0.1, 0.3, 0.6, 0.9})
      text.insert(lineEndAfter(text, fraction) + 1, "\n \n");
    cases.push_back({"blank lines", text});
  }
  {
    std::string text = plainText();
    const std::size_t last = text.rfind("\nNEXT");
    text.insert(last, " 99 98 97");
    cases.push_back({"more values on the block's last line", text});
  }
  cases.push_back({"a slash in a later part", changed(plainText(), 0.7, "\n", " /\n")});
  cases.push_back({"a slash at a line start", changed(plainText(), 0.6, "\n", "\n/ 1 2 3\n")});
  cases.push_back({"a bad value in a later part", changed(plainText(), 0.8, " ", " 1.5x")});
  cases.push_back({"bad values in an earlier and a later part",
                   changed(changed(plainText(), 0.8, " ", " 1.5x"), 0.2, " ", " zero ")});
  cases.push_back(
      {"a real for a node code in a later part", changed(plainText(), 0.75, " 1\n", " 1.0\n")});
  // Null node codes, as doubled commas and as r null values: those where the step before left
  // a code beyond the bounds stop the read.
  for (const char* null : {", ,", "1*"}) {
    std::string text = plainText();
    std::size_t at = 0;
    for (int line = 0; line < 300; ++line) {
      at = text.find('\n', at) + 1;
      if (line < 40 || line % 9 != 0) continue;
      const std::size_t end = text.find('\n', at);
      const std::size_t code = text.rfind(' ', end) + 1;
      text.replace(code, end - code, null);
    }
    cases.push_back({std::string("null node codes: ") + null, text});
  }
  cases.push_back({"a node code beyond its bounds in a later part",
                   changed(plainText(), 0.8, " 1\n", " 1000000\n")});
  cases.push_back({"a bad value before a node code beyond its bounds",
                   changed(changed(plainText(), 0.7, " 1\n", " 1000000\n"), 0.3, " ", " 1.5x")});
  cases.push_back({"a node code beyond its bounds before a bad value",
                   changed(changed(plainText(), 0.7, " ", " 1.5x"), 0.3, " 1\n", " 1000000\n")});
  cases.push_back({"a node code beyond the range of ints",
                   changed(plainText(), 0.75, " 1\n", " 2147483648\n")});
  cases.push_back(
      {"a bad repeat count in a later part", changed(plainText(), 0.65, " 1\n", " 0*1\n")});
  cases.push_back(
      {"a repeat a node code cannot take", changed(plainText(), 0.55, "\n", "\n3*1.5 ")});
  {
    std::string text = plainText();
    cases.push_back({"the file cut in a later part", text.substr(0, lineEndAfter(text, 0.8) + 1)});
    cases.push_back({"the file cut inside a line", text.substr(0, lineEndAfter(text, 0.9) - 5)});
  }
  cases.push_back(
      {"a NUL byte in a later part", changed(plainText(), 0.8, " ", std::string(" \0", 2))});
  cases.push_back({"a CR inside a line", changed(plainText(), 0.7, " ", " \r1 ")});
  return cases;
}

// How the parts are cut: the window of text loaded at a time, the least text of a part.
struct Cut {
  const char* name;
  std::size_t windowBytes;
  std::size_t partBytes;
};
const Cut cuts[] = {
    {"whole block, four parts", std::size_t{1} << 20, 512},
    {"many windows", 3000, 256},
    {"tiny parts", 700, 16},
};

class SplitBlock : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = splitLimits();
    threads_ = runThreads();
  }
  void TearDown() override {
    setSplitLimits(saved_);
    setRunThreads(threads_);
  }

 private:
  SplitLimits saved_;
  int threads_ = 1;
};

TEST_F(SplitBlock, GivesWhatOneStatementGives) {
  const testSupport::TemporaryFolder folder;
  for (const BlockCase& c : blockCases()) {
    for (bool dropDischarge : {false, true}) {
      for (bool fromFile : {false, true}) {
        const testSupport::TemporaryFolder* where = fromFile ? &folder : nullptr;
        setRunThreads(1);
        const Outcome expected = readWhole(c.text, dropDischarge, where);
        for (const Cut& cut : cuts) {
          SCOPED_TRACE(c.name + ", " + cut.name + (dropDischarge ? ", discharge dropped" : "") +
                       (fromFile ? ", from a file" : ""));
          setSplitLimits({1, cut.partBytes, cut.windowBytes});
          setRunThreads(4);
          bool split = false;
          EXPECT_EQ(readSplit(c.text, dropDischarge, split, where), expected);
          EXPECT_TRUE(split);
        }
      }
    }
  }
}

TEST_F(SplitBlock, OneThreadOrASmallBlockIsLeftToTheStatement) {
  const std::string text = plainText();
  Outcome untouched = previousStep();
  untouched.next = text.substr(0, text.find('\n'));
  bool split = true;
  setRunThreads(1);
  setSplitLimits({1, 16, 1 << 20});
  EXPECT_EQ(readSplit(text, false, split), untouched);
  EXPECT_FALSE(split);
  setRunThreads(4);
  setSplitLimits({3 * groupCount + 1, 16, 1 << 20});
  EXPECT_EQ(readSplit(text, false, split), untouched);
  EXPECT_FALSE(split);
}

// A block of several megabytes from a file: loaded ahead past the unit's usual reads, in
// windows smaller than the block.
TEST_F(SplitBlock, LargeBlockFromAFile) {
  constexpr int groups = 240000;  // ten to a line: about 5 MB
  std::string text;
  char item[64];
  for (int i = 0; i < groups; ++i) {
    std::snprintf(item, sizeof item, "%d.25 %d %d%s", i, -i, i % 5, i % 10 == 9 ? "\n" : " ");
    text += item;
  }
  text += "NEXT RECORD\n";
  const testSupport::TemporaryFolder folder;
  folder.write("BIG.DAT", text);
  std::vector<double> heads(groups + 1), discharges(groups + 1);
  std::vector<int> codes(groups + 1);
  const BlockColumn columns[] = {realColumn(heads), realColumn(discharges), integerColumn(codes)};
  setRunThreads(4);
  setSplitLimits({1, 64 * 1024, 1 << 20});
  InputUnit unit(5);
  unit.openOld(folder.file("BIG.DAT"));
  ASSERT_TRUE(readSplitBlock(unit, place, columns, groups));
  std::string_view record;
  ASSERT_TRUE(unit.nextRecord(record));
  EXPECT_EQ(record, "NEXT RECORD");
  for (int i = 0; i < groups; i += 997) {
    const auto slot = static_cast<std::size_t>(i + 1);
    EXPECT_EQ(heads[slot], i + 0.25);
    EXPECT_EQ(discharges[slot], -i);
    EXPECT_EQ(codes[slot], i % 5);
  }
}

}  // namespace
