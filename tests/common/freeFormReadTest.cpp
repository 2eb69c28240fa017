#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/freeForm.h"
#include "common/stop.h"
#include "support/temporaryFolder.h"
#include "support/units.h"

using testSupport::stopOf;
using testSupport::TemporaryFile;

namespace {

constexpr int unchangedInteger = -7;
constexpr double unchangedReal = -7.25;

// Reads `count` integers in one statement, then returns the record that follows it.
std::string readIntegers(std::string_view text, std::vector<int>& items, std::size_t count) {
  InputUnit unit(5);
  unit.openMemory(std::string(text));
  items.assign(count, unchangedInteger);
  FreeFormRead statement(unit);
  for (int& item : items) EXPECT_TRUE(statement.read(item));
  EXPECT_TRUE(statement.finish());
  std::string_view next;
  return unit.nextRecord(next) ? std::string(next) : "<end of file>";
}

struct IntegerCase {
  std::string_view text;
  std::vector<int> expected;
  std::string_view next;  // the record after the statement
};

const IntegerCase integerCases[] = {
    {"1 2 3\nnext", {1, 2, 3}, "next"},
    {"1,2,3\nnext", {1, 2, 3}, "next"},
    {"  1 ,2,  3  \nnext", {1, 2, 3}, "next"},
    {"1\t2\r\n3\r\nnext", {1, 2, 3}, "next"},
    {"1\n\n  \n2\n3\nnext", {1, 2, 3}, "next"},
    {"1 2 3 4 5\nnext", {1, 2, 3}, "next"},
    {"+5 -6 007\nnext", {5, -6, 7}, "next"},
    {"2147483647 -2147483648 0", {2147483647, -2147483648, 0}, "<end of file>"},
    // repeat counts
    {"3*0\nnext", {0, 0, 0}, "next"},
    {"2*5 6", {5, 5, 6}, "<end of file>"},
    {"1 5*9\nnext", {1, 9, 9}, "next"},
    {"2* 3\nnext", {unchangedInteger, unchangedInteger, 3}, "next"},
    {"2*,3\nnext", {unchangedInteger, unchangedInteger, 3}, "next"},
    // null values
    {"1,,3\nnext", {1, unchangedInteger, 3}, "next"},
    {",2,3\nnext", {unchangedInteger, 2, 3}, "next"},
    {"1, ,3\nnext", {1, unchangedInteger, 3}, "next"},
    {"1,\n,3\nnext", {1, unchangedInteger, 3}, "next"},
    {"1\n,2,3\nnext", {1, 2, 3}, "next"},
    {",,,\nnext", {unchangedInteger, unchangedInteger, unchangedInteger}, "next"},
    // the slash
    {"1 2/ 99\nnext", {1, 2, unchangedInteger}, "next"},
    {"1/\nnext", {1, unchangedInteger, unchangedInteger}, "next"},
    {"/\nnext", {unchangedInteger, unchangedInteger, unchangedInteger}, "next"},
    {"1,2,/3\nnext", {1, 2, unchangedInteger}, "next"},
    {"3*4/\nnext", {4, 4, 4}, "next"},
};

TEST(FreeFormRead, IntegerStatements) {
  for (const IntegerCase& c : integerCases) {
    SCOPED_TRACE(std::string(c.text));
    std::vector<int> items;
    std::string next = readIntegers(c.text, items, c.expected.size());
    EXPECT_EQ(items, c.expected);
    EXPECT_EQ(next, c.next);
  }
}

struct RealCase {
  std::string_view text;
  std::vector<double> expected;
};

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

const RealCase realCases[] = {
    {"1.5 -2 3. .5", {1.5, -2.0, 3.0, 0.5}},
    {"1.0D+03 2.5d-1 1.5E2 1e-3", {1000.0, 0.25, 150.0, 0.001}},
    {"1.5000-120 2.5+03 -1.0-005 7.0D3", {1.5e-120, 2500.0, -1.0e-5, 7000.0}},
    {"+1.5 +.5 -.25 +2", {1.5, 0.5, -0.25, 2.0}},
    {"NaN -Inf Infinity +inf", {nan, -inf, inf, inf}},
    {"nan INF -infinity +NAN", {nan, inf, -inf, nan}},
    {"4*2.5", {2.5, 2.5, 2.5, 2.5}},
    {"2*1.5D0 2*-3+2", {1.5, 1.5, -300.0, -300.0}},
    {"1e400 -1.0D400 1e-400 4.9-324", {inf, -inf, 0.0, 4.9e-324}},
    {"0.1,0.2 , 0.3,,", {0.1, 0.2, 0.3, unchangedReal}},
    {"6.02214076E+23 -1.7976931348623157e308 2.2250738585072014E-308 5",
     {6.02214076e23, -1.7976931348623157e308, 2.2250738585072014e-308, 5.0}},
};

bool sameReal(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

TEST(FreeFormRead, RealStatements) {
  for (const RealCase& c : realCases) {
    SCOPED_TRACE(std::string(c.text));
    InputUnit unit(5);
    unit.openMemory(std::string(c.text));
    std::vector<double> items(c.expected.size(), unchangedReal);
    FreeFormRead statement(unit);
    for (double& item : items) EXPECT_TRUE(statement.read(item));
    statement.finish();
    for (std::size_t i = 0; i < items.size(); ++i) {
      EXPECT_TRUE(sameReal(items[i], c.expected[i])) << "item " << i << ": " << items[i];
    }
  }
}

// One repeat count serves items of both kinds; the statement after it starts on its own
// record, and the unused copies are dropped.
TEST(FreeFormRead, StatementsInSequence) {
  InputUnit unit(5);
  unit.openMemory("3*7 8\n1 2.5\n\n4\n");
  int i1 = 0, i3 = 0;
  double d2 = 0.0;
  FreeFormRead first(unit);
  first.read(i1);
  first.read(d2);
  first.finish();
  EXPECT_EQ(i1, 7);
  EXPECT_EQ(d2, 7.0);

  FreeFormRead second(unit);
  second.read(i3);
  second.read(d2);
  second.finish();
  EXPECT_EQ(i3, 1);
  EXPECT_EQ(d2, 2.5);

  FreeFormRead empty(unit);  // a statement without items takes the blank record
  empty.finish();
  FreeFormRead last(unit);
  last.read(i3);
  last.finish();
  EXPECT_EQ(i3, 4);
}

struct ErrorCase {
  std::string_view text;
  bool realItems;
  int items;
  int error;
};

const ErrorCase errorCases[] = {
    {"1.5", false, 1, 59},         {"1e3", false, 1, 59},  {"abc", false, 1, 59},
    {"12a", false, 1, 59},         {"-", false, 1, 59},    {"+-5", false, 1, 59},
    {"99999999999", false, 1, 59}, {"0*5", false, 1, 59},  {"-2*5", false, 1, 59},
    {"+2*5", false, 1, 59},        {"*5", false, 1, 59},   {"2*x", false, 1, 59},
    {"2*1.5", false, 2, 59},       {"1;2", false, 1, 59},  {"1.5e", true, 1, 59},
    {"1.2.3", true, 1, 59},        {"x", true, 1, 59},     {"1+", true, 1, 59},
    {"--1", true, 1, 59},          {"1E5-3", true, 1, 59}, {"0x10", true, 1, 59},
    {"'1.0'", true, 1, 59},        {"", false, 1, 24},     {"\n\n", true, 1, 24},
    {"1 2", false, 3, 24},         {"1,\n", true, 2, 24},  {"2*", false, 3, 24},
};

// A run of signs after the digits, short and long enough to leave the converter's stack buffer.
const ErrorCase signRunCases[] = {
    {"0.3----------------------------------------", true, 1, 59},
    {"1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1", true, 1,
     59},
    {"2*1.0-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1", true, 1, 59},
};

TEST(FreeFormRead, BadValuesAndEndOfFileStop) {
  std::vector<ErrorCase> cases(std::begin(errorCases), std::end(errorCases));
  cases.insert(cases.end(), std::begin(signRunCases), std::end(signRunCases));
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    InputUnit unit(7);
    unit.openMemory(std::string(c.text), "GRAPH.DAT");
    std::string line = stopOf([&] {
      FreeFormRead statement(unit);
      int integer = 0;
      double real = 0.0;
      for (int i = 0; i < c.items; ++i)
        c.realItems ? statement.read(real) : statement.read(integer);
      statement.finish();
    });
    EXPECT_EQ(line, stopLine(c.error, 7, "GRAPH.DAT"));
  }
}

// A repeated value serves items of both kinds, each converted as its own item takes it: the
// copies a real takes are read, and the first copy an int cannot take stops the run.
TEST(FreeFormRead, RepeatedValueForBothKinds) {
  InputUnit unit(7);
  unit.openMemory("3*2.5D0 4\n", "GRAPH.DAT");
  double first = 0.0, second = 0.0;
  int third = 0;
  const std::string line = stopOf([&] {
    FreeFormRead statement(unit);
    statement.read(first);
    statement.read(second);
    statement.read(third);
    statement.finish();
  });
  EXPECT_EQ(first, 2.5);
  EXPECT_EQ(second, 2.5);
  EXPECT_EQ(third, 0);
  EXPECT_EQ(line, stopLine(59, 7, "GRAPH.DAT"));
}

TEST(FreeFormRead, EndOfFileBranch) {
  struct BranchCase {
    std::string_view text;
    int items;
    std::vector<bool> results;  // of each read(), then of finish()
  };
  const BranchCase cases[] = {
      {"", 2, {false, false, false}},
      {"\n  \n", 1, {false, false}},
      {"5\n", 2, {true, false, false}},
      {"5 6\n", 2, {true, true, true}},
      {"", 0, {false}},
      {"x\n", 0, {true}},
  };
  for (const BranchCase& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    InputUnit unit(5);
    unit.openMemory(std::string(c.text));
    FreeFormRead statement(unit, true);
    std::vector<bool> results;
    int item = 0;
    for (int i = 0; i < c.items; ++i) results.push_back(statement.read(item));
    results.push_back(statement.finish());
    EXPECT_EQ(results, c.results);
  }
}

// The scanner reads straight from the file's blocks: values straddling block boundaries, in
// several layouts, and a unit that is read to its end without a final line end.
TEST(FreeFormRead, LargeFileAcrossBlocks) {
  const int count = 300000;
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += std::to_string(i) + ".5";
    text += (i % 7 == 0) ? "\n" : (i % 5 == 0) ? " , " : "  ";
  }
  text += "\nafter";
  TemporaryFile file{text};
  InputUnit unit(5);
  unit.openOld(file.path());
  FreeFormRead statement(unit);
  bool inOrder = true;
  for (int i = 1; i <= count; ++i) {
    double value = 0.0;
    statement.read(value);
    inOrder = inOrder && value == i + 0.5;
  }
  statement.finish();
  EXPECT_TRUE(inOrder);
  std::string_view next;
  ASSERT_TRUE(unit.nextRecord(next));
  EXPECT_EQ(next, "after");
}

}  // namespace

namespace {

// Random texts of the characters that matter to the scanner: every statement either fills
// its items or stops with a run-time stop; nothing else escapes and nothing reads outside
// the buffer (run under the sanitizers to see the latter).
TEST(FreeFormRead, RandomTextsStopCleanly) {
  constexpr std::string_view alphabet = "0123456789 ..,,//**++--eEdDnaifNAIF\n\n\r\tx'";
  unsigned state = 2024u;
  auto next = [&state](unsigned bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % bound;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const unsigned length = next(24);
    for (unsigned i = 0; i < length; ++i)
      text += alphabet[next(static_cast<unsigned>(alphabet.size()))];
    InputUnit unit(5);
    unit.openMemory(text);
    const bool branch = next(2) == 1;
    std::string line = stopOf([&] {
      for (int statementNo = 0; statementNo < 3; ++statementNo) {
        FreeFormRead statement(unit, branch);
        int integer = 0;
        double real = 0.0;
        for (unsigned item = next(5); item > 0; --item) {
          if (!(next(2) == 1 ? statement.read(integer) : statement.read(real))) break;
        }
        statement.finish();
      }
    });
    if (line != "no stop") {
      ASSERT_TRUE(line == stopLine(59, 5, "memory") || line == stopLine(24, 5, "memory"))
          << line << " on " << text;
    }
  }
}

}  // namespace
