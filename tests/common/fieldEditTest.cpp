#include "common/fieldEdit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

std::string integerField(int width, std::int64_t value) {
  std::string field(static_cast<std::size_t>(width), '?');
  editInteger(field.data(), width, value);
  return field;
}

std::string exponentField(int width, int digits, int scale, double value) {
  std::string field(static_cast<std::size_t>(width), '?');
  editExponent(field.data(), width, digits, scale, value);
  return field;
}

std::string textField(int width, std::string_view text) {
  std::string field(static_cast<std::size_t>(width), '?');
  editText(field.data(), width, text);
  return field;
}

struct IntegerCase {
  int width;
  std::int64_t value;
  const char* expected;
};

const IntegerCase integerCases[] = {
    {5, 12, "   12"},
    {5, 0, "    0"},
    {5, -12, "  -12"},
    {8, 12345678, "12345678"},
    {8, 123456789, "********"},
    {8, -1234567, "-1234567"},
    {8, -12345678, "********"},
    {1, 7, "7"},
    {1, -1, "*"},
    {20, std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
    {12, 2147483647, "  2147483647"},
};

TEST(EditInteger, RightJustifiedOrAsterisks) {
  for (const IntegerCase& c : integerCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(integerField(c.width, c.value), c.expected);
  }
}

struct ExponentCase {
  int width;
  int digits;
  int scale;
  double value;
  const char* expected;
};

const ExponentCase exponentCases[] = {
    // E15.7 and 1P,E12.4 / 1P,E16.7 / 1P,E10.3 as the records use them.
    {15, 7, 0, 1234.5, "  0.1234500E+04"},
    {12, 4, 1, -0.00123, " -1.2300E-03"},
    {16, 7, 1, 0.0, "   0.0000000E+00"},
    {12, 4, 1, 1.5e-120, "  1.5000-120"},
    {10, 3, 1, -12.34, "-1.234E+01"},
    {10, 3, 1, 12.34, " 1.234E+01"},
    // Rounding carries into the exponent.
    {12, 4, 1, 9.99996, "  1.0000E+01"},
    {12, 4, 0, 9.99996, "  0.1000E+02"},
    {12, 4, 1, 9.99994, "  9.9999E+00"},
    {12, 4, 1, 9.99996e98, "  1.0000E+99"},
    {12, 4, 1, 9.99996e99, "  1.0000+100"},
    {12, 4, 0, 0.99996e99, "  0.1000+100"},
    // Zero: exponent +00; negative zero keeps its sign.
    {12, 4, 0, 0.0, "  0.0000E+00"},
    {12, 4, 1, -0.0, " -0.0000E+00"},
    {12, 4, 0, -0.0, " -0.0000E+00"},
    // The leading zero of the 0P form only when a column is free.
    {11, 4, 0, -0.5, "-0.5000E+00"},
    {10, 4, 0, -0.5, "-.5000E+00"},
    {9, 4, 0, -0.5, "*********"},
    {10, 4, 1, -0.5, "**********"},
    {9, 4, 1, 1.0, "*********"},
    // Exponents of magnitude 100 to 999 drop the letter.
    {12, 4, 1, 1e100, "  1.0000+100"},
    {12, 4, 0, 1e100, "  0.1000+101"},
    {12, 4, 0, 1e-100, "  0.1000E-99"},
    {12, 4, 1, 1e-100, "  1.0000-100"},
    {12, 4, 1, 1.7976931348623157e308, "  1.7977+308"},
    {12, 4, 0, 1.7976931348623157e308, "  0.1798+309"},
    {12, 4, 1, 4.9406564584124654e-324, "  4.9407-324"},
    {12, 4, 0, 4.9406564584124654e-324, "  0.4941-323"},
    {12, 4, 1, -1e-99, " -1.0000E-99"},
    // Other scale factors.
    {13, 4, 2, 1234.5, "   12.345E+02"},
    {12, 4, -1, 1234.5, "  0.0123E+05"},
    {12, 4, 6, 1234.5, "************"},
    {12, 4, -4, 1234.5, "************"},
    // Infinity and NaN.
    {12, 4, 1, inf, "    Infinity"},
    {12, 4, 1, -inf, "   -Infinity"},
    {8, 4, 1, inf, "Infinity"},
    {8, 4, 1, -inf, "    -Inf"},
    {4, 4, 1, -inf, "-Inf"},
    {3, 1, 1, inf, "Inf"},
    {3, 1, 1, -inf, "***"},
    {12, 4, 0, std::numeric_limits<double>::quiet_NaN(), "         NaN"},
    {2, 0, 1, std::numeric_limits<double>::quiet_NaN(), "**"},
};

TEST(EditExponent, Table) {
  for (const ExponentCase& c : exponentCases) {
    SCOPED_TRACE(testing::Message() << "E" << c.width << "." << c.digits << " " << c.scale << "P "
                                    << c.value);
    EXPECT_EQ(exponentField(c.width, c.digits, c.scale, c.value), c.expected);
  }
}

// A slow, independent rendering of kP,Ew.d from printf's correctly rounded digits.
std::string exponentOracle(int width, int digits, int scale, double value) {
  if (scale <= -digits || scale >= digits + 2) return std::string(static_cast<std::size_t>(width), '*');
  int significant = scale > 0 ? digits + 1 : digits + scale;
  char text[128];
  std::snprintf(text, sizeof text, "%.*e", significant - 1, std::fabs(value));
  std::string mantissa;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p != '.') mantissa += *p;
  }
  int exponent = std::atoi(p + 1) + 1 - scale;
  if (value == 0) exponent = 0;
  std::string body = value < 0 ? "-" : "";
  if (scale <= 0) {
    body += "0." + std::string(static_cast<std::size_t>(-scale), '0') + mantissa;
  } else {
    body += mantissa.substr(0, static_cast<std::size_t>(scale)) + "." +
            mantissa.substr(static_cast<std::size_t>(scale));
  }
  int magnitude = std::abs(exponent);
  if (magnitude > 999) return std::string(static_cast<std::size_t>(width), '*');
  char tail[8];
  if (magnitude <= 99) {
    std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', magnitude);
  } else {
    std::snprintf(tail, sizeof tail, "%c%03d", exponent < 0 ? '-' : '+', magnitude);
  }
  body += tail;
  // The leading zero goes when the field lacks a column for it.
  if (scale <= 0 && static_cast<int>(body.size()) > width) {
    std::size_t zero = body.find("0.");
    body.erase(zero, 1);
  }
  if (static_cast<int>(body.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - body.size(), ' ') + body;
}

TEST(EditExponent, RandomDoublesAgreeWithPrintf) {
  struct Shape {
    int width, digits, scale;
  };
  const Shape shapes[] = {{12, 4, 1}, {12, 4, 0}, {16, 7, 1}, {15, 7, 0}, {10, 3, 1},
                          {13, 5, 1}, {14, 5, 0}, {9, 2, 0},  {9, 3, 1},  {24, 15, 1},
                          {26, 17, 0}, {8, 1, 1}, {11, 4, 0}, {7, 1, 0}};
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> decade(-320.0, 308.0);
  std::uniform_int_distribution<int> smallDigits(0, 99999);
  for (int i = 0; i < 60000; ++i) {
    double value;
    switch (i % 4) {
      case 0: {  // any finite bit pattern
        std::uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        break;
      }
      case 1:  // spread over the exponent range
        value = std::pow(10.0, decade(random)) * ((random() & 1) ? -1 : 1);
        break;
      case 2:  // short decimals near rounding boundaries: d.dddd5 and neighbours
        value = (smallDigits(random) * 10 + 5) * std::pow(10.0, static_cast<int>(random() % 20) - 10);
        value = std::nextafter(value, (random() & 1) ? inf : -inf);
        break;
      default:  // values that round up into the next power of ten
        value = (1.0 - std::pow(10.0, -static_cast<double>(random() % 18))) *
                std::pow(10.0, static_cast<int>(random() % 40) - 20);
        break;
    }
    for (const Shape& s : shapes) {
      std::string expected = exponentOracle(s.width, s.digits, s.scale, value);
      std::string got = exponentField(s.width, s.digits, s.scale, value);
      if (got != expected) {
        ADD_FAILURE() << "E" << s.width << "." << s.digits << " " << s.scale << "P of "
                      << std::hexfloat << value << ": got '" << got << "', expected '" << expected
                      << "'";
        return;
      }
    }
  }
}

TEST(EditText, RightJustifiedOrLeftmost) {
  EXPECT_EQ(textField(5, "ab"), "   ab");
  EXPECT_EQ(textField(3, "abc"), "abc");
  EXPECT_EQ(textField(2, "abcd"), "ab");
  EXPECT_EQ(textField(3, ""), "   ");
}

TEST(DecimalDigits, RoundedDigitsAndExponent) {
  char digits[maxSignificantDigits];
  EXPECT_EQ(decimalDigits(1234.5, 4, digits), 3);
  EXPECT_EQ(std::string(digits, 4), "1234");  // the tie goes to even
  EXPECT_EQ(decimalDigits(9.99996, 5, digits), 1);
  EXPECT_EQ(std::string(digits, 5), "10000");
  EXPECT_EQ(decimalDigits(0.0, 3, digits), 0);
  EXPECT_EQ(std::string(digits, 3), "000");
  EXPECT_EQ(decimalDigits(2.5, 1, digits), 0);
  EXPECT_EQ(std::string(digits, 1), "2");
  EXPECT_EQ(decimalDigits(1.6e-120, 1, digits), -120);
  EXPECT_EQ(std::string(digits, 1), "2");
}

}  // namespace
