#include "common/textFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = FormatStep::Kind;

// A compiled step in one short word: I6, E12.4, F10.0, A80, A, 3X, /, 'x', 1P, 3(, ).
std::string describe(const FormatStep& step) {
  std::string count = step.repeat != 1 ? std::to_string(step.repeat) : "";
  switch (step.kind) {
    case Kind::integer: return count + "I" + std::to_string(step.width);
    case Kind::real:
      return count + "F" + std::to_string(step.width) + "." + std::to_string(step.digits);
    case Kind::exponent:
      return count + "E" + std::to_string(step.width) + "." + std::to_string(step.digits);
    case Kind::text: return count + "A" + (step.width ? std::to_string(step.width) : "");
    case Kind::skip: return std::to_string(step.width) + "X";
    case Kind::slash: return "/";
    case Kind::literal: return "'" + step.literal + "'";
    case Kind::scale: return std::to_string(step.scale) + "P";
    case Kind::groupOpen: return std::to_string(step.repeat) + "(";
    case Kind::groupClose: return ")";
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

}  // namespace
