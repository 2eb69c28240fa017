#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/numberScan.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double unchanged = -7.5;

struct IntegerCase {
  const char* text;
  bool fixedColumns;
  bool valid;
  int value;
};

const IntegerCase integerCases[] = {
    {"12", false, true, 12},
    {"+5", false, true, 5},
    {"-5", false, true, -5},
    {"007", false, true, 7},
    {"2147483647", false, true, 2147483647},
    {"-2147483648", false, true, -2147483647 - 1},
    {"2147483648", false, false, 0},
    {"-2147483649", false, false, 0},
    {"+", false, false, 0},
    {"-", false, false, 0},
    {"+-5", false, false, 0},
    {"1.5", false, false, 0},
    {"5-", false, false, 0},
    {"", false, false, 0},
    {"1 2", false, false, 0},
    // In a field blanks go anywhere, and a field of them is zero.
    {" 1 2 ", true, true, 12},
    {"-  3", true, true, -3},
    {"     ", true, true, 0},
    {"", true, true, 0},
    {" + ", true, false, 0},
    {"\t5", true, false, 0},
    {"99999999999", true, false, 0},
};

TEST(ScanInteger, BothDialects) {
  for (const IntegerCase& c : integerCases) {
    SCOPED_TRACE(testing::Message()
                 << '"' << c.text << "\" " << (c.fixedColumns ? "fixed" : "free"));
    int value = -7;
    const NumberDialect dialect = c.fixedColumns ? fixedColumnField(0) : freeFormValue;
    EXPECT_EQ(scanInteger(c.text, dialect, value), c.valid);
    EXPECT_EQ(value, c.valid ? c.value : -7);
  }
}

struct RealCase {
  const char* text;
  int impliedDecimals;  // -1: a free-form value
  bool valid;
  double value;
};

const RealCase realCases[] = {
    // Free-form values: the odd forms the files carry.
    {"1.5", -1, true, 1.5},
    {"+1.5E+3", -1, true, 1500},
    {"1.5D3", -1, true, 1500},
    {"1.5d-3", -1, true, 1.5e-3},
    {"1.5-120", -1, true, 1.5e-120},
    {"2.5+3", -1, true, 2500},
    {".5", -1, true, 0.5},
    {"5.", -1, true, 5},
    {"inf", -1, true, inf},
    {"-Infinity", -1, true, -inf},
    {"1e400", -1, true, inf},
    {"-1e-400", -1, true, -0.0},
    {"+-5", -1, true, -5},
    {"+-1-5", -1, true, -1e-5},
    {"+-1D5", -1, true, -1e5},
    {"--5", -1, false, 0},
    {"-+5", -1, false, 0},
    {".", -1, false, 0},
    {"1.5.3", -1, false, 0},
    {"1e5e", -1, false, 0},
    {"1+", -1, false, 0},
    {"1.5D", -1, false, 0},
    {"e5", -1, false, 0},
    {"0x1p3", -1, false, 0},
    {"infd", -1, false, 0},
    {"1 5", -1, false, 0},
    {"", -1, false, 0},
    // Fields: blanks ignored, d implied decimals when there is no point.
    {" 1 5 ", 0, true, 15},
    {"15", 1, true, 1.5},
    {"15E3", 1, true, 1500},
    {"15-3", 2, true, 1.5e-4},
    {"1.5", 2, true, 1.5},
    {"     ", 2, true, 0},
    {" - inf", 0, true, -inf},
    {"1e400", 0, true, inf},
    {"-", 0, false, 0},
    {"1.5 x", 0, false, 0},
    // After "+-" a field is read as std::from_chars reads it.
    {"+-15", 1, true, -15},
    {"+-1e3", 0, true, -1000},
    {"+-1D5", 0, false, 0},
    {"+-1-5", 0, false, 0},
    {"+-1e400", 0, false, 0},
};

TEST(ScanReal, BothDialects) {
  for (const RealCase& c : realCases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" d=" << c.impliedDecimals);
    double value = unchanged;
    const NumberDialect dialect =
        c.impliedDecimals < 0 ? freeFormValue : fixedColumnField(c.impliedDecimals);
    EXPECT_EQ(scanReal(c.text, dialect, value), c.valid);
    if (!c.valid) {
      EXPECT_EQ(value, unchanged);
    } else {
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    }
  }
  double value = unchanged;
  EXPECT_TRUE(scanReal("nan", freeFormValue, value));
  EXPECT_TRUE(std::isnan(value));
  EXPECT_TRUE(scanReal(" N a N ", fixedColumnField(0), value));
  EXPECT_TRUE(std::isnan(value));
}

// Long mantissas round once, from all their digits, whatever the dialect.
TEST(ScanReal, LongMantissasRoundOnce) {
  const std::string digits = "0." + std::string(300, '0') + "17976931348623157";
  double free = 0, fixed = 0;
  ASSERT_TRUE(scanReal(digits + "D+609", freeFormValue, free));
  ASSERT_TRUE(scanReal(digits + "+609", fixedColumnField(3), fixed));
  EXPECT_EQ(free, 1.7976931348623157e308);
  EXPECT_EQ(fixed, free);
  ASSERT_TRUE(scanReal("9007199254740993", freeFormValue, free));  // a tie: to even
  EXPECT_EQ(free, 9007199254740992.0);
}

}  // namespace
