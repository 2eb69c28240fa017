#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/textFormat.h"
#include "resconv/outputForms.h"
#include "resconv/outputTimeFile.h"
#include "support/texts.h"
#include "tseries/dialogue.h"
#include "tseries/tables.h"

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

std::string describe(const CompiledFormat& format) {
  std::string text;
  for (const FormatStep& step : format.steps) text += (text.empty() ? "" : " ") + describe(step);
  return text;
}

struct CompileCase {
  const char* format;
  const char* steps;
  int reversionStep;  // -1: the whole format
  int reversionRepeat;
};

const CompileCase compileCases[] = {
    {"(I5)", "I5", -1, 1},
    {"(2I5)", "2I5", -1, 1},
    {"(10I7)", "10I7", -1, 1},
    {"(8F10.0)", "8F10.0", -1, 1},
    {"(A20)", "A20", -1, 1},
    {"(A)", "A", -1, 1},
    {"(100A1)", "100A1", -1, 1},
    {"(1X,3(I6,1P,3E12.4))", "1X 3( I6 1P 3E12.4 )", 1, 3},
    {"(1PE12.4)", "1P E12.4", -1, 1},
    {"(1P,E16.7,132(',',1P,E16.7))", "1P E16.7 132( ',' 1P E16.7 )", 2, 132},
    {"(132(',',I8))", "132( ',' I8 )", 0, 132},
    {"('NODE ',I7,I3,5(1P,E10.3))", "'NODE ' I7 I3 5( 1P E10.3 )", 3, 5},
    {"('TITLE = ','\"TIME=',E15.7,1X,A80,'\"')", "'TITLE = ' '\"TIME=' E15.7 1X A80 '\"'", -1, 1},
    {"('it''s')", "'it's'", -1, 1},
    {"('a'/'b')", "'a' / 'b'", -1, 1},
    {"(/,'a',/,/)", "/ 'a' / /", -1, 1},
    {"(//'a'//)", "/ / 'a' / /", -1, 1},
    {"(3/'a',99999999/)", "3/ 'a' 99999999/", -1, 1},
    {"(99999999(99999999()))", "99999999( 99999999( ) )", 0, 99999999},
    {"(2(I3,2(A2)),I4,(E9.2))", "2( I3 2( A2 ) ) I4 1( E9.2 )", 7, 1},
    {"( 1x , 2 ( i4 ) , e12.4 )", "1X 2( I4 ) E12.4", 1, 2},
    {"(-1P,E12.4)", "-1P E12.4", -1, 1},
    {"()", "", -1, 1},
};

TEST(CompileFormat, StepsAndReversionPoint) {
  for (const CompileCase& c : compileCases) {
    SCOPED_TRACE(c.format);
    CompiledFormat format = compileFormat(c.format);
    EXPECT_EQ(format.source, c.format);
    EXPECT_EQ(describe(format), c.steps);
    EXPECT_EQ(format.reversionIsGroup, c.reversionStep >= 0);
    EXPECT_EQ(format.reversionStep, c.reversionStep >= 0 ? c.reversionStep : 0);
    EXPECT_EQ(format.reversionRepeat, c.reversionRepeat);
  }
}

TEST(CompileFormat, GroupPartnersPointAtEachOther) {
  CompiledFormat format = compileFormat("(2(I3,2(A2)),I4,(E9.2))");
  for (std::size_t i = 0; i < format.steps.size(); ++i) {
    const FormatStep& step = format.steps[i];
    if (step.kind != Kind::groupOpen && step.kind != Kind::groupClose) continue;
    const FormatStep& partner = format.steps[static_cast<std::size_t>(step.partner)];
    EXPECT_EQ(partner.kind, step.kind == Kind::groupOpen ? Kind::groupClose : Kind::groupOpen);
    EXPECT_EQ(static_cast<std::size_t>(partner.partner), i);
  }
  EXPECT_EQ(format.steps[0].partner, 5);
  EXPECT_EQ(format.steps[2].partner, 4);
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

// The checked compiler refuses the same formats with a reason, and leaves no partial steps.
TEST(TryCompileFormat, RefusesMalformedAndCompilesWellFormed) {
  for (const char* bad : {"I5", "(I5", "(I5))", "(E12.)", "(Q5)", "(0I5)", "('abc)", "",
                          "((((((((((((((((((I5))))))))))))))))))", "(999999999I5)"}) {
    SCOPED_TRACE(bad);
    CompiledFormat format;
    std::string why;
    EXPECT_FALSE(tryCompileFormat(bad, format, why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(format.steps.empty());
  }
  CompiledFormat format;
  std::string why;
  ASSERT_TRUE(tryCompileFormat("(1X,3(I6,1P,3E12.4))", format, why)) << why;
  EXPECT_EQ(format.steps.size(), compileFormat("(1X,3(I6,1P,3E12.4))").steps.size());
  EXPECT_EQ(format.reversionStep, 1);
}

// The files that hold the programs' record layouts, each linked in through one of its
// functions, so that every layout has entered the list before the test runs.
const void* const layoutFiles[] = {
    reinterpret_cast<const void*>(&outputForms),          // every writer of the converter
    reinterpret_cast<const void*>(&readOutputTimeCount),  // the output-time file
    reinterpret_cast<const void*>(&writeTimeSeries),      // the extractor's tables
    reinterpret_cast<const void*>(&readGraphCapacities),  // the graph data file
    reinterpret_cast<const void*>(&chooseResultFile),     // the console's file names
};

// Every layout the programs use compiles.
TEST(CompileFormat, EveryFormatOfThePrograms) {
  for (const void* file : layoutFiles) ASSERT_NE(file, nullptr);
  const std::set<std::string_view> layouts(recordLayouts().begin(), recordLayouts().end());
  // A sample of each kind, so that a file left out of the list above is noticed.
  for (const char* known : {"(1P,E10.3,7(',',1P,E10.3))", "('step',I5,E15.7)", "(8F10.0)",
                            "(1P,E16.7,132(',',1P,E16.7))", "(6I5)", "(A20)"}) {
    EXPECT_EQ(layouts.count(known), 1u) << known;
  }
  for (std::string_view text : layouts) {
    SCOPED_TRACE(text);
    CompiledFormat format;
    std::string why;
    ASSERT_TRUE(tryCompileFormat(text, format, why)) << why;
    EXPECT_FALSE(format.steps.empty());
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

// Formats too long for the straight line are walked step by step: both walkers write the same.
TEST(WriteRecords, StepwiseWalkAgreesWithTheStraightLine) {
  for (const WriteCase& c : writeCases) {
    SCOPED_TRACE(c.format);
    CompiledFormat stepwise = compileFormat(c.format);
    ASSERT_FALSE(stepwise.flat.empty());
    stepwise.flat.clear();
    EXPECT_EQ(formatRecords(stepwise, c.items), withLineEnds(c.expected));
  }
  const CompiledFormat longFormat = compileFormat("('<',5000(I2,','),'>')");
  EXPECT_TRUE(longFormat.flat.empty());
  EXPECT_EQ(formatRecords(longFormat, std::vector<Item>{1, 2, 3}), withLineEnds("< 1, 2, 3,\n"));
}

// A statement whose items fill one record of fixed width exactly is written in one stretch:
// the same records as the straight-line walk, which every other statement takes.
TEST(WriteRecords, FixedRecordAgreesWithTheStraightLine) {
  for (const WriteCase& c : writeCases) {
    SCOPED_TRACE(c.format);
    CompiledFormat walked = compileFormat(c.format);
    walked.fixedRecordWidth = -1;
    EXPECT_EQ(formatRecords(walked, c.items), withLineEnds(c.expected));
  }
  struct Width {
    const char* format;
    int width;  // -1: not a fixed record
    std::size_t dataCount;
  };
  const Width widths[] = {
      {"(1P,E10.3,7(',',1P,E10.3))", 87, 8},
      {"(1X,3(I6,1P,3E12.4))", 127, 12},
      {"(I8,1X,5(1P,E12.5,' '))", 74, 6},
      {"('step',I3,E15.7)", 22, 2},
      {"(I5,A14)", 19, 2},
      {"('A',2X)", 1, 0},  // blanks at the end are never written
      {"(2X,I3,3X)", 5, 1},
      {"(I5,/,I5)", -1, 0},
      {"(A)", -1, 0},
  };
  std::mt19937_64 random(5);
  for (const Width& w : widths) {
    SCOPED_TRACE(w.format);
    const CompiledFormat format = compileFormat(w.format);
    EXPECT_EQ(format.fixedRecordWidth, w.width);
    if (w.width < 0) continue;
    EXPECT_EQ(format.fixedDataCount, w.dataCount);
    CompiledFormat walked = format;
    walked.fixedRecordWidth = -1;
    // Random items of the kinds the format takes, through both paths.
    for (int round = 0; round < 2000; ++round) {
      std::vector<Item> items;
      for (const FlatStep& step : format.flat) {
        if (step.kind == FormatStep::Kind::integer) {
          items.emplace_back(static_cast<std::int64_t>(random() % 2000000) - 1000000);
        } else if (step.kind == FormatStep::Kind::exponent) {
          items.emplace_back(std::ldexp(static_cast<double>(random() % 1000000) - 500000.0,
                                        static_cast<int>(random() % 80) - 60));
        } else if (step.kind == FormatStep::Kind::text) {
          items.emplace_back("text");
        }
      }
      const std::string fixed = formatRecords(format, items);
      ASSERT_EQ(fixed.size(), static_cast<std::size_t>(w.width) + platform::lineEnd.size());
      ASSERT_EQ(fixed, formatRecords(walked, items));
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
