#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/fixedRead.h"
#include "common/stop.h"
#include "support/units.h"

using testSupport::stopOf;

namespace {

constexpr int unchangedInteger = -7;

// Reads `count` integers with one statement; returns the record after it.
std::string readIntegers(std::string_view format, std::string_view text, std::vector<int>& items,
                         std::size_t count) {
  const CompiledFormat compiled = compileFormat(format);
  InputUnit unit(5);
  unit.openMemory(std::string(text));
  items.assign(count, unchangedInteger);
  std::vector<InputTarget> targets;
  for (int& item : items) targets.emplace_back(item);
  EXPECT_TRUE(readRecords(unit, compiled, targets));
  std::string_view next;
  return unit.nextRecord(next) ? std::string(next) : "<end of file>";
}

struct IntegerCase {
  std::string_view format;
  std::string_view text;
  std::vector<int> expected;
  std::string_view next;
};

const IntegerCase integerCases[] = {
    {"(I5)", "   12\nnext", {12}, "next"},
    {"(I5)", "1 2  \nnext", {12}, "next"},
    {"(I5)", "\nnext", {0}, "next"},
    {"(I5)", "     ", {0}, "<end of file>"},
    {"(I5)", "-  3 99999", {-3}, "<end of file>"},
    {"(I5)", " +42", {42}, "<end of file>"},
    {"(I5)", "7\r\nnext", {7}, "next"},
    {"(2I5)", "    1    2    3\nnext", {1, 2}, "next"},
    {"(2I5)", "    1", {1, 0}, "<end of file>"},
    {"(6I5)", "    1    2    3    4    5  999\nnext", {1, 2, 3, 4, 5}, "next"},
    {"(I12)", " -2147483648", {-2147483648}, "<end of file>"},
    // reversion: ten values per record until the items are filled
    {"(10I7)",
     "      1      2      3      4      5      6      7      8      9     10\n"
     "     11     12\nnext",
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
     "next"},
    {"(10I7)", "      1      2\n      3\nnext", {1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3}, "next"},
    {"(I3,2(I2))", "  1 2 3\n 4 5\nnext", {1, 2, 3, 4, 5}, "next"},
    {"(I2,2X,I2)", " 1xx 2", {1, 2}, "<end of file>"},
    {"(I2/I2)", " 1 9\n 2\nnext", {1, 2}, "next"},
    {"(I2,2/I2)", " 1 9\nskipped\n 2\nnext", {1, 2}, "next"},
};

TEST(FixedRead, IntegerFields) {
  for (const IntegerCase& c : integerCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + std::string(c.text));
    std::vector<int> items;
    std::string next = readIntegers(c.format, c.text, items, c.expected.size());
    EXPECT_EQ(items, c.expected);
    EXPECT_EQ(next, c.next);
  }
}

struct RealCase {
  std::string_view format;
  std::string_view text;
  std::vector<double> expected;
};

const RealCase realCases[] = {
    {"(8F10.0)", "      1.25       125    1.5E-3", {1.25, 125.0, 0.0015}},
    {"(8F10.0)", "    -2.5D2 1 2 5    +.5e+1", {-250.0, 125.0, 5.0}},
    {"(8F10.0)", "  1.5+03     2.0-2          ", {1500.0, 0.02, 0.0}},
    {"(8F10.0)", "\n", {0.0, 0.0}},
    {"(8F10.0)",
     "       1.0       2.0       3.0       4.0       5.0       6.0       7.0       8.0\n"
     "       9.0",
     {1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"(F10.2)", "       125", {1.25}},
    {"(F10.2)", "     1.2E1", {12.0}},
    {"(F10.2)", "     125E1", {12.5}},
    {"(F10.0)", "       NaN", {NAN}},
    {"(F10.0)", " -Infinity", {-INFINITY}},
    {"(F10.0)", "    1E9999", {INFINITY}},
};

TEST(FixedRead, RealFields) {
  for (const RealCase& c : realCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + std::string(c.text));
    const CompiledFormat compiled = compileFormat(c.format);
    InputUnit unit(17);
    unit.openMemory(std::string(c.text));
    std::vector<double> items(c.expected.size(), -7.0);
    std::vector<InputTarget> targets;
    for (double& item : items) targets.emplace_back(item);
    EXPECT_EQ(stopOf([&] { readRecords(unit, compiled, targets); }), "no stop");
    for (std::size_t i = 0; i < items.size(); ++i) {
      const bool same =
          std::isnan(c.expected[i]) ? std::isnan(items[i]) : items[i] == c.expected[i];
      EXPECT_TRUE(same) << "item " << i << ": " << items[i];
    }
  }
}

struct TextCase {
  std::string_view format;
  int length;
  std::string_view text;
  std::string_view expected;
};

const TextCase textCases[] = {
    {"(A20)", 20, "RES.DAT", "RES.DAT             "},
    {"(A20)", 20, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "ABCDEFGHIJKLMNOPQRST"},
    {"(A20)", 20, "\n", "                    "},
    {"(A20)", 5, "ABCDEFGHIJKLMNOPQRST", "PQRST"},
    {"(A5)", 8, "ABCDEFG", "ABCDE   "},
    {"(A)", 80, "title\r",
     std::string_view(
         "title                                                                           ")},
    {"(A)", 3, "title", "tit"},
};

TEST(FixedRead, TextFields) {
  for (const TextCase& c : textCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + std::string(c.text));
    const CompiledFormat compiled = compileFormat(c.format);
    InputUnit unit(98);
    unit.openMemory(std::string(c.text));
    std::string item = "old";
    const InputTarget targets[] = {InputTarget(item, c.length)};
    EXPECT_TRUE(readRecords(unit, compiled, targets));
    EXPECT_EQ(item, c.expected);
  }
}

TEST(FixedRead, OneCharacterPerItem) {
  const CompiledFormat compiled = compileFormat("(100A1)");
  InputUnit unit(7);
  unit.openMemory("ab c\nnext\n");
  std::vector<std::string> items(100);
  std::vector<InputTarget> targets;
  for (std::string& item : items) targets.emplace_back(item, 1);
  EXPECT_TRUE(readRecords(unit, compiled, targets));
  EXPECT_EQ(items[0] + items[1] + items[2] + items[3] + items[4] + items[99], "ab c  ");
  std::string_view next;
  ASSERT_TRUE(unit.nextRecord(next));
  EXPECT_EQ(next, "next");
}

struct StopCase {
  std::string_view format;
  std::string_view text;
  bool real;
  int items;
  int error;
};

const StopCase stopCases[] = {
    {"(I5)", "  1.5", false, 1, 64},
    {"(I5)", "  12a", false, 1, 64},
    {"(I5)", "- 1- ", false, 1, 64},
    {"(I5)", "    -", false, 1, 64},
    {"(I12)", " 99999999999", false, 1, 64},
    {"(8F10.0)", "      abc", true, 1, 64},
    {"(8F10.0)", "   1.2.3", true, 1, 64},
    {"(8F10.0)", "    1.5E", true, 1, 64},
    {"(8F10.0)", "     1E2.5", true, 1, 64},
    {"(8F10.0)", "         .", true, 1, 64},
    {"(I5)", "", false, 1, 24},
    {"(10I7)", "      1\n", false, 11, 24},
    {"(8F10.0)", "", true, 1, 24},
};

TEST(FixedRead, BadFieldsAndEndOfFileStop) {
  for (const StopCase& c : stopCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + std::string(c.text));
    const CompiledFormat compiled = compileFormat(c.format);
    InputUnit unit(17);
    unit.openMemory(std::string(c.text), "OTF.DAT");
    std::vector<int> integers(static_cast<std::size_t>(c.items));
    std::vector<double> reals(static_cast<std::size_t>(c.items));
    std::vector<InputTarget> targets;
    for (int i = 0; i < c.items; ++i) {
      if (c.real) {
        targets.emplace_back(reals[static_cast<std::size_t>(i)]);
      } else {
        targets.emplace_back(integers[static_cast<std::size_t>(i)]);
      }
    }
    EXPECT_EQ(stopOf([&] { readRecords(unit, compiled, targets); }),
              stopLine(c.error, 17, "OTF.DAT"));
  }
}

TEST(FixedRead, EndOfFileBranch) {
  const CompiledFormat compiled = compileFormat("(2I5)");
  InputUnit unit(7);
  unit.openMemory("    1    2\n");
  int a = 0, b = 0;
  const InputTarget targets[] = {InputTarget(a), InputTarget(b)};
  EXPECT_TRUE(readRecords(unit, compiled, targets, true));
  EXPECT_EQ(a + b, 3);
  EXPECT_FALSE(readRecords(unit, compiled, targets, true));
}

}  // namespace

namespace {

// Random records through the numeric fields: a value or a run-time stop, nothing else.
TEST(FixedRead, RandomFieldsStopCleanly) {
  constexpr std::string_view alphabet = "0123456789   ..++--eEdD\n\rxN";
  const CompiledFormat formats[] = {compileFormat("(I5)"), compileFormat("(10I7)"),
                                    compileFormat("(8F10.0)"), compileFormat("(F10.2)")};
  unsigned state = 7u;
  auto next = [&state](unsigned bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % bound;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const unsigned length = next(40);
    for (unsigned i = 0; i < length; ++i)
      text += alphabet[next(static_cast<unsigned>(alphabet.size()))];
    const std::size_t which = next(4);
    InputUnit unit(17);
    unit.openMemory(text);
    std::vector<int> integers(12);
    std::vector<double> reals(12);
    std::vector<InputTarget> targets;
    for (unsigned i = next(12) + 1; i > 0; --i) {
      if (which < 2) {
        targets.emplace_back(integers[i - 1]);
      } else {
        targets.emplace_back(reals[i - 1]);
      }
    }
    std::string line = stopOf([&] { readRecords(unit, formats[which], targets); });
    if (line != "no stop") {
      ASSERT_TRUE(line == stopLine(64, 17, "memory") || line == stopLine(24, 17, "memory"))
          << line << " on " << text;
    }
  }
}

}  // namespace
