#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
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

// The exact fast paths take a short decimal, ended by a separator, and give the double the
// number scanner gives; any other token is theirs to refuse, never to convert differently.
struct ShortRealCase {
  const char* text;  // a separator follows it
  bool taken;
};

const ShortRealCase shortRealCases[] = {
    {"1.5", true},
    {"-1.5", true},
    {"-0.0", true},
    {"0", true},
    {"1.", true},
    {"1.E5", true},
    {"3.199973D+01", true},
    {"1.466332d-02", true},
    {"2.5e+3", true},
    {"7E0", true},
    {"0.1", true},
    {"0000000000000000001", true},     // 19 digits
    {"-0.000000000000000001", true},   // 19 digits with a point
    {"000000000000000000.1", true},    // 19 digits, a scale of 10^-1
    {"0000000000000000000.1", false},  // 20 digits
    {"1234567890123456789", false},    // 19 digits, a mantissa above 2^53
    {"12345678901234567890", false},   // 20 digits
    {"99999999999999999999", false},   // 20 digits past the 64 bits
    {"0.0000000000000000000001", false},
    {"9007199254740991", true},   // 2^53 - 1
    {"9007199254740992", true},   // 2^53
    {"9007199254740993", false},  // 2^53 + 1: the long way
    {"900719925474099.3", false},
    {"1E22", true},
    {"1E-22", true},
    {"-4.5D22", true},
    {"1E23", false},
    {"1E-23", false},
    {"1.5E-21", true},  // a scale of 10^-22
    {"1.55E-21", false},
    {"12.5E23", true},  // a scale of 10^22
    {"12.5E24", false},
    {"1E022", true},
    {"1E0001", false},  // a fourth exponent digit
    {"1E400", false},
    {"+1.5", false},
    {".5", false},
    {"-.5", false},
    {"-", false},
    {".", false},
    {"1E", false},
    {"1E+", false},
    {"1D-", false},
    {"1.5-3", false},
    {"1.5+3", false},
    {"2*1.5", false},
    {"1.5.3", false},
    {"inf", false},
    {"1x", false},
};

// The value the long way gives (scanReal), or nothing.
bool longWay(std::string_view text, double& value) {
  return scanReal(text, freeFormValue, value);
}

TEST(ShortReal, TakesShortDecimalsExactly) {
  for (const ShortRealCase& c : shortRealCases) {
    for (const char* separator : {" ", ",", "\n", "/", "\t", "\r"}) {
      SCOPED_TRACE(testing::Message() << '"' << c.text << "\" then " << int(*separator));
      const std::string text = std::string(c.text) + separator + "9";
      double value = unchanged;
      const char* end = shortReal(text.c_str(), value);
      if (!c.taken) {
        EXPECT_EQ(end, nullptr);
        EXPECT_EQ(value, unchanged);
        continue;
      }
      ASSERT_EQ(end, text.c_str() + std::strlen(c.text));
      double expected = 0;
      ASSERT_TRUE(longWay(c.text, expected));
      EXPECT_EQ(value, expected);
      EXPECT_EQ(std::signbit(value), std::signbit(expected));
    }
  }
  // Not ended by a separator: refused.
  double value = unchanged;
  EXPECT_EQ(shortReal("1.5x", value), nullptr);
  EXPECT_EQ(shortReal("1.5", value), nullptr);  // the string's NUL ends nothing
  EXPECT_EQ(value, unchanged);
}

// Random short decimals of every length and scale: what the fast path takes, it gives as
// std::from_chars does.
TEST(ShortReal, AgreesWithFromChars) {
  std::mt19937_64 random(20261211);
  int taken = 0;
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 19);
    std::string text = random() % 2 == 0 ? "-" : "";
    std::string mantissa;
    for (int d = 0; d < digits; ++d) mantissa += static_cast<char>('0' + random() % 10);
    const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
    text += mantissa.substr(0, static_cast<std::size_t>(std::max(point, 1)));
    if (point > 0 && point < digits) text += "." + mantissa.substr(static_cast<std::size_t>(point));
    if (random() % 2 == 0) {
      text += "DEe"[random() % 3];
      text += std::to_string(static_cast<int>(random() % 61) - 30);
    }
    SCOPED_TRACE(text);
    double fast = 0;
    const std::string separated = text + " ";
    if (shortReal(separated.c_str(), fast) == nullptr) continue;
    ++taken;
    std::string plain = text;
    for (char& c : plain) c = c == 'D' ? 'E' : c;
    double expected = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), expected);
    ASSERT_EQ(error, std::errc());
    ASSERT_EQ(end, plain.data() + plain.size());
    ASSERT_EQ(fast, expected);
    ASSERT_EQ(std::signbit(fast), std::signbit(expected));
  }
  EXPECT_GT(taken, 10000);  // the paths were taken, not only refused
}

TEST(ShortInteger, TakesNineDigitsAtMost) {
  const struct {
    const char* text;
    bool taken;
    int value;
  } cases[] = {
      {"0", true, 0},
      {"-0", true, 0},
      {"123456789", true, 123456789},
      {"-999999999", true, -999999999},
      {"007", true, 7},
      {"1234567890", false, 0},  // ten digits: the long way
      {"+5", false, 0},
      {"-", false, 0},
      {"5x", false, 0},
      {"1.0", false, 0},
      {"2*3", false, 0},
      {"1E3", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = std::string(c.text) + ",";
    int value = -7;
    const char* end = shortInteger(text.c_str(), value);
    EXPECT_EQ(end != nullptr, c.taken);
    EXPECT_EQ(value, c.taken ? c.value : -7);
    if (c.taken) {
      EXPECT_EQ(*end, ',');
    }
  }
}

}  // namespace
