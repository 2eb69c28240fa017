#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/textFormat.h"
#include "support/texts.h"

namespace {

using testSupport::withLineEnds;

using Kind = FormatStep::Kind;

// A compiled step in one short word: I6, E12.4, F10.0, A80, A, 3X, /, 'x', 1P, 3(, ).
std::string describe(const FormatStep& step) {
  std::string count = step.repeat != 1 ? std::to_string(step.repeat) : "";
  switch (step.kind) {
    case Kind::integer:
      return count + "I" + std::to_string(step.width);
    case Kind::real:
      return count + "F" + std::to_string(step.width) + "." + std::to_string(step.digits);
    case Kind::exponent:
      return count + "E" + std::to_string(step.width) + "." + std::to_string(step.digits);
    case Kind::text:
      return count + "A" + (step.width ? std::to_string(step.width) : "");
    case Kind::skip:
      return std::to_string(step.width) + "X";
    case Kind::slash:
      return step.repeat == 1 ? "/" : std::to_string(step.repeat) + "/";
    case Kind::literal:
      return "'" + step.literal + "'";
    case Kind::scale:
      return std::to_string(step.scale) + "P";
    case Kind::groupOpen:
      return std::to_string(step.repeat) + "(";
    case Kind::groupClose:
      return ")";
  }
  return "?";
}

// What the scanner reports of a format, in words.
std::string scanned(std::string_view format) {
  std::string text;
  scanFormat(format, [&text](const FormatStep& step, std::size_t) {
    text += (text.empty() ? "" : " ") + describe(step);
  });
  return text;
}

struct ScanCase {
  const char* format;
  const char* steps;
};

const ScanCase scanCases[] = {
    {"(I5)", "I5"},
    {"(2I5)", "2I5"},
    {"(10I7)", "10I7"},
    {"(8F10.0)", "8F10.0"},
    {"(A20)", "A20"},
    {"(A)", "A"},
    {"(100A1)", "100A1"},
    {"(1X,3(I6,1P,3E12.4))", "1X 3( I6 1P 3E12.4 )"},
    {"(1PE12.4)", "1P E12.4"},
    {"(1P,E16.7,132(',',1P,E16.7))", "1P E16.7 132( ',' 1P E16.7 )"},
    {"(132(',',I8))", "132( ',' I8 )"},
    {"('NODE ',I7,I3,5(1P,E10.3))", "'NODE ' I7 I3 5( 1P E10.3 )"},
    {"('TITLE = ','\"TIME=',E15.7,1X,A80,'\"')", "'TITLE = ' '\"TIME=' E15.7 1X A80 '\"'"},
    {"('it''s')", "'it's'"},
    {"('a'/'b')", "'a' / 'b'"},
    {"(/,'a',/,/)", "/ 'a' / /"},
    {"(//'a'//)", "/ / 'a' / /"},
    {"(3/'a',99999999/)", "3/ 'a' 99999999/"},
    {"(99999999(99999999()))", "99999999( 99999999( ) )"},
    {"(2(I3,2(A2)),I4,(E9.2))", "2( I3 2( A2 ) ) I4 1( E9.2 )"},
    {"( 1x , 2 ( i4 ) , e12.4 )", "1X 2( I4 ) E12.4"},
    {"(-1P,E12.4)", "-1P E12.4"},
    {"()", ""},
};

TEST(ScanFormat, ReportsEveryDescriptorInTheOrderOfTheText) {
  for (const ScanCase& c : scanCases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(scanned(c.format), c.steps);
  }
}

TEST(CompileFormat, DataDescriptorFlag) {
  EXPECT_TRUE(compileFormat("(I5)").hasDataDescriptor);
  EXPECT_TRUE(compileFormat("('x',3(A))").hasDataDescriptor);
  EXPECT_FALSE(compileFormat("('x',/,3X,1P)").hasDataDescriptor);
}

TEST(CompileFormatDeathTest, MalformedFormatAborts) {
  for (const char* bad : {"I5", "(I5", "(I5))", "(I)", "(E12)", "(E12.)", "(Q5)", "(I5 I6)",
                          "(,I5)", "(I5,)", "(I5,,I6)", "('abc)", "(0I5)", "(3'x')", "(-I5)"}) {
    SCOPED_TRACE(bad);
    EXPECT_DEATH(compileFormat(bad), "malformed format");
  }
}

// The checked compiler refuses the same formats with a reason, and also formats too long for
// the compiled form: a straight line of more than maxFlatSteps descriptors, a stretch of a
// record wider than maxRoom columns.
TEST(TryCompileFormat, RefusesMalformedAndTooLongFormats) {
  struct Refusal {
    std::string format;
    std::string why;
  };
  const Refusal refusals[] = {
      {"I5", "a format begins with ( at character 1"},
      {"(I5", "missing ) at character 4"},
      {"(I5))", "text after the final parenthesis at character 5"},
      {"(E12.)", "missing d at character 6"},
      {"(Q5)", "unknown edit descriptor at character 2"},
      {"(0I5)", "a repeat count must be positive at character 3"},
      {"('abc)", "unterminated literal at character 7"},
      {"", "a format begins with ( at character 1"},
      {"((((((((((((((((((I5))))))))))))))))))", "groups nested too deep at character 19"},
      {"(999999999I5)", "number too large at character 10"},
      {"(4097I1)", "format too long at character 8"},
      {"(I1,2048(I1,'x'))", "format too long at character 17"},
      {"('<',5000(I2,','),'>')", "format too long at character 18"},
      {"(3/'a',99999999/)", "format too long at character 17"},
      {"(I1048577)", "record too long at character 11"},
      {"(I524288,'x',I524288)", "record too long at character 22"},
      {"('" + std::string(1048577, 'x') + "')", "record too long at character 1048582"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.format.substr(0, 40));
    CompiledFormat format;
    std::string why;
    EXPECT_FALSE(tryCompileFormat(refusal.format, format, why));
    EXPECT_EQ(why, refusal.why);
    EXPECT_TRUE(format.fields.empty());
  }
  // Just within the bounds, and a format of many repeats with nothing to write out.
  struct Bound {
    const char* format;
    std::vector<Item> items;
    std::string expected;
  };
  const Bound bounds[] = {
      {"(4096I1)", std::vector<Item>(4097, Item(1)), std::string(4096, '1') + "\n1\n"},
      {"(2048(I1,'x'))", {1, 2}, "1x2x\n"},
      {"(I1048576)", {7}, std::string(1048575, ' ') + "7\n"},
      {"(I524288,/,I524288)",
       {1, 2},
       std::string(524287, ' ') + "1\n" + std::string(524287, ' ') + "2\n"},
      {"(99999999(99999999()))", {}, "\n"},
  };
  for (const Bound& bound : bounds) {
    SCOPED_TRACE(bound.format);
    CompiledFormat format;
    std::string why;
    ASSERT_TRUE(tryCompileFormat(bound.format, format, why)) << why;
    EXPECT_EQ(formatRecords(format, bound.items), withLineEnds(bound.expected));
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

struct WriteCase {
  const char* format;
  std::vector<Item> items;
  std::string expected;
};

const std::string title80 = "two hexahedra and one prism" + std::string(53, ' ');

const WriteCase writeCases[] = {
    // Single fields.
    {"(I5)", {12}, "   12\n"},
    {"(I8)", {123456789}, "********\n"},
    {"(E15.7)", {1234.5}, "  0.1234500E+04\n"},
    {"(1P,E12.4)", {-0.00123}, " -1.2300E-03\n"},
    {"(1P,E16.7)", {0.0}, "   0.0000000E+00\n"},
    {"(1P,E12.4)", {9.99996}, "  1.0000E+01\n"},
    {"(1P,E12.4)", {1.5e-120}, "  1.5000-120\n"},
    {"(1P,E10.3)", {-12.34}, "-1.234E+01\n"},
    {"(1PE12.4)", {-0.00123}, " -1.2300E-03\n"},
    {"(1P,E12.4)", {Item::single(0.1)}, "  1.0000E-01\n"},
    {"(1P,E12.4)", {std::numeric_limits<double>::infinity()}, "    Infinity\n"},
    {"(A5)", {"ab"}, "   ab\n"},
    {"(A5)", {"abcdefg"}, "abcde\n"},
    {"(A,'|')", {"ab "}, "ab |\n"},
    // Records of the programs.
    {"('NODE ',I7,I3,5(1P,E10.3))",
     {12, 1, 1.0, -2.5, 0.0, 3.25e-5, 1e10},
     "NODE      12  1 1.000E+00-2.500E+00 0.000E+00 3.250E-05 1.000E+10\n"},
    {"('TITLE = ','\"TIME=',E15.7,1X,A80,'\"')",
     {1234.5, title80},
     "TITLE = \"TIME=  0.1234500E+04 " + title80 + "\"\n"},
    {"('TITLE = ','\"TIME=',E15.7,1X,A80,'\"')",
     {0.0, "abc"},
     "TITLE = \"TIME=  0.0000000E+00 " + std::string(77, ' ') + "abc\"\n"},
    {"(1X,3(I6,1P,3E12.4))",
     {1, 1.0, 2.0, 3.0, 2, -1.0, -2.0, -3.0},
     "      1  1.0000E+00  2.0000E+00  3.0000E+00     2 -1.0000E+00 -2.0000E+00 -3.0000E+00\n"},
    {"(I4,' T=',1P,E12.4)", {0, 0.0}, "   0 T=  0.0000E+00\n"},
    {"(/,20X,A80,/,20X,'TIME =',1P,E13.5,5X,'TIME STEP =',I4,/)",
     {title80, 10.0, 3},
     "\n" + std::string(20, ' ') + title80 + "\n" + std::string(20, ' ') +
         "TIME =  1.00000E+01     TIME STEP =   3\n\n"},
    {"(/,/,/,/,1X,3(' NODE'),/,/)", {}, "\n\n\n\n  NODE NODE NODE\n\n\n"},
    // The list ends: control goes on to the next data descriptor or the final parenthesis.
    {"(132(',',I8))", {1, 2, 3}, ",       1,       2,       3,\n"},
    {"(10(I7,','))", {1, 2}, "      1,      2,\n"},
    {"('x',I5,'y')", {}, "x\n"},
    {"(I5)", {}, "\n"},
    {"(1X,3(I6,1P,3E12.4))", {1, 1.0}, "      1  1.0000E+00\n"},
    {"(3I4)", {1, 2}, "   1   2\n"},
    {"(I3,'a',/,'b',I3)", {1}, "  1a\nb\n"},
    // Slashes.
    {"('a',/)", {}, "a\n\n"},
    {"('a',/,/,/)", {}, "a\n\n\n\n"},
    {"(/,'a')", {}, "\na\n"},
    {"('a',3/,'b',2(2/))", {}, "a\n\n\nb\n\n\n\n\n"},
    {"(//'a'//)", {}, "\n\na\n\n\n"},
    {"(/)", {}, "\n\n"},
    {"('Pressure,',/,'Total Head,')", {}, "Pressure,\nTotal Head,\n"},
    // X: blank columns only when something follows in the record.
    {"(3X,I2)", {5}, "    5\n"},
    {"(I2,3X)", {5}, " 5\n"},
    {"(I2,3X,/,I2)", {1, 2}, " 1\n 2\n"},
    {"(I2,2X,3X,'a')", {1}, " 1     a\n"},
    // Reversion: to the last top-level group with its repeat count, or the whole format.
    {"(I3,I3)", {1, 2, 3, 4, 5}, "  1  2\n  3  4\n  5\n"},
    {"('<',I2,2('[',I1,']'),'>')", {1, 2, 3, 4}, "< 1[2][3]>\n[4][\n"},
    {"(I1,2(I1,2(I1)),I1)", {1, 2, 3, 4, 5, 6, 7, 8, 9}, "12345678\n9\n"},
    {"('NODE ',I7,I3,5(1P,E10.3))",
     {1, 2, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0},
     "NODE       1  2 1.000E+00 2.000E+00 3.000E+00 4.000E+00 5.000E+00\n 6.000E+00 7.000E+00\n"},
    // The scale factor holds across groups and reversion until the next kP.
    {"(1P,E10.3,2(E11.3))",
     {1.0, 2.0, 3.0, 4.0, 5.0},
     " 1.000E+00  2.000E+00  3.000E+00\n  4.000E+00  5.000E+00\n"},
    {"(1P,E10.3,0P,E10.3)", {1.0, 1.0}, " 1.000E+00 0.100E+01\n"},
    {"(E10.3,1P,E10.3)", {1.0, 1.0, 1.0, 1.0}, " 0.100E+01 1.000E+00\n 1.000E+00 1.000E+00\n"},
};

TEST(WriteRecords, Table) {
  for (const WriteCase& c : writeCases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(formatRecords(compileFormat(c.format), c.items), withLineEnds(c.expected));
  }
}

// Comma-separated records of the programs against printf, with random values and every count
// of items from none to more than three records' worth: records filled, records ended early
// (the comma before the next field is written) and further records by reversion to the group.
TEST(WriteRecords, CommaSeparatedRecordsAgreeWithPrintf) {
  struct CommaRecord {
    const char* format;
    const char* field;       // printf's form of one value
    bool integers;           // of integers, else of reals with two-digit exponents
    bool commaFirst;         // the first record's first value has a comma before it
    std::size_t firstCount;  // values in the first record
    std::size_t laterCount;  // in each record after it
  };
  const CommaRecord records[] = {
      {"(1P,E10.3,7(',',1P,E10.3))", "%10.3E", false, false, 8, 7},
      {"(1P,E16.7,132(',',1P,E16.7))", "%16.7E", false, false, 133, 132},
      {"(I7,7(',',I7))", "%7d", true, false, 8, 7},
      {"(132(',',I8))", "%8d", true, true, 132, 132},
  };
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> decade(-60.0, 60.0);
  for (const CommaRecord& record : records) {
    SCOPED_TRACE(record.format);
    const CompiledFormat format = compileFormat(record.format);
    for (std::size_t count = 0; count <= record.firstCount + 2 * record.laterCount + 1; ++count) {
      std::vector<Item> items;
      std::vector<std::string> texts;
      char text[32];
      for (std::size_t i = 0; i < count; ++i) {
        if (record.integers) {
          const int value = static_cast<int>(random() % 1999999) - 999999;
          items.emplace_back(value);
          std::snprintf(text, sizeof text, record.field, value);
        } else {
          const double value =
              random() % 8 == 0 ? 0.0 : std::pow(10.0, decade(random)) * (random() % 2 ? 1 : -1);
          items.emplace_back(value);
          std::snprintf(text, sizeof text, record.field, value);
        }
        texts.emplace_back(text);
      }
      std::string expected;
      std::size_t next = 0;
      for (bool first = true;; first = false) {
        const std::size_t slots = first ? record.firstCount : record.laterCount;
        for (std::size_t slot = 0; slot < slots; ++slot) {
          const char* comma = slot == 0 && first && !record.commaFirst ? "" : ",";
          expected += comma;
          if (next == count) break;
          expected += texts[next++];
        }
        expected += "\n";
        if (next == count) break;
      }
      ASSERT_EQ(formatRecords(format, items), withLineEnds(expected)) << count << " items";
    }
  }
}

std::vector<Item> integers(int count) {
  std::vector<Item> items;
  for (int i = 1; i <= count; ++i) items.emplace_back(i);
  return items;
}

std::string commaFields(int first, int last) {
  std::string text;
  char field[16];
  for (int i = first; i <= last; ++i) {
    std::snprintf(field, sizeof field, ",%8d", i);
    text += field;
  }
  return text;
}

TEST(WriteRecords, HeaderOf132Columns) {
  const CompiledFormat format = compileFormat("(132(',',I8))");
  EXPECT_EQ(formatRecords(format, integers(3)), withLineEnds(commaFields(1, 3) + ",\n"));
  EXPECT_EQ(formatRecords(format, integers(131)), withLineEnds(commaFields(1, 131) + ",\n"));
  EXPECT_EQ(formatRecords(format, integers(132)), withLineEnds(commaFields(1, 132) + "\n"));
  EXPECT_EQ(formatRecords(format, integers(133)),
            withLineEnds(commaFields(1, 132) + "\n" + commaFields(133, 133) + ",\n"));
  EXPECT_EQ(formatRecords(format, integers(264)),
            withLineEnds(commaFields(1, 132) + "\n" + commaFields(133, 264) + "\n"));
}

TEST(WriteRecords, DataRowOf300ValuesReverts) {
  const CompiledFormat format = compileFormat("(1P,E16.7,132(',',1P,E16.7))");
  std::vector<Item> items;
  for (int i = 1; i <= 300; ++i) items.emplace_back(static_cast<double>(i));
  auto value = [](int i) {  // as 1P,E16.7 for two-digit exponents
    char field[32];
    std::snprintf(field, sizeof field, "%16.7E", static_cast<double>(i));
    return std::string(field);
  };
  std::string expected = value(1);
  for (int i = 2; i <= 133; ++i) expected += "," + value(i);
  expected += "\n";
  for (int i = 134; i <= 265; ++i) expected += "," + value(i);
  expected += "\n";
  for (int i = 266; i <= 300; ++i) expected += "," + value(i);
  expected += ",\n";
  EXPECT_EQ(formatRecords(format, items), withLineEnds(expected));
}

TEST(WriteRecords, AppendsToTheUnit) {
  static const CompiledFormat nodeLine = compileFormat("(I4,' T=',1P,E12.4)");
  OutputUnit unit(6);
  unit.openMemory();
  writeFormatted(unit, nodeLine, 1, 0.5);
  writeFormatted(unit, nodeLine, 2, 1.5);
  EXPECT_EQ(unit.memory(), withLineEnds("   1 T=  5.0000E-01\n   2 T=  1.5000E+00\n"));
}

TEST(WriteRecordsDeathTest, ItemOfTheWrongKindAborts) {
  const WriteCase bad[] = {
      {"(I5)", {1.0}, ""},    {"(E12.4)", {1}, ""}, {"(A5)", {1}, ""},           {"(A)", {2.0}, ""},
      {"(F10.0)", {1.0}, ""}, {"('x')", {1}, ""},   {"(I3,2('x'))", {1, 2}, ""},
  };
  for (const WriteCase& c : bad) {
    SCOPED_TRACE(c.format);
    EXPECT_DEATH(formatRecords(compileFormat(c.format), c.items), "format");
  }
}

}  // namespace
