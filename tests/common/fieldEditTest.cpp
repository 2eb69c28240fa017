#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/fieldEdit.h"

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
    // Digit counts either side of each power of ten, the sign taking the last column.
    {1, 0, "0"},
    {2, -9, "-9"},
    {2, 10, "10"},
    {9, -99999999, "-99999999"},
    {9, 100000000, "100000000"},
    {9, -100000000, "*********"},
    {12, 123456789, "   123456789"},
    {12, -999999999, "  -999999999"},
    {10, 1000000000, "1000000000"},
    {19, std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
    {18, std::numeric_limits<std::int64_t>::max(), "******************"},
    {12, 0, "           0"},
};

TEST(EditInteger, RightJustifiedOrAsterisks) {
  for (const IntegerCase& c : integerCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(integerField(c.width, c.value), c.expected);
  }
}

TEST(EditInteger, RandomValuesAgreeWithPrintf) {
  std::mt19937_64 random(99);
  for (int i = 0; i < 100000; ++i) {
    // Every digit count equally often, both signs.
    const int digits = 1 + static_cast<int>(random() % 19);
    std::int64_t value = static_cast<std::int64_t>(random() % 9000000000000000000ULL);
    for (int d = 19; d > digits; --d) value /= 10;
    if (random() & 1) value = -value;
    for (int width : {1, 5, 7, 8, 12, 20}) {
      char text[32];
      std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(value));
      std::string expected = text;
      if (static_cast<int>(expected.size()) > width) {
        expected = std::string(static_cast<std::size_t>(width), '*');
      }
      ASSERT_EQ(integerField(width, value), expected) << value << " in I" << width;
    }
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
    SCOPED_TRACE(testing::Message()
                 << "E" << c.width << "." << c.digits << " " << c.scale << "P " << c.value);
    EXPECT_EQ(exponentField(c.width, c.digits, c.scale, c.value), c.expected);
    // The editor a compiled format takes for the common d and k writes the same.
    if (const ExponentEditor edit = exponentEditor(c.digits, c.scale)) {
      std::string field(static_cast<std::size_t>(c.width), '?');
      edit(field.data(), c.width, c.value);
      EXPECT_EQ(field, c.expected);
    }
  }
}

// A slow, independent rendering of kP,Ew.d from printf's correctly rounded digits.
std::string exponentOracle(int width, int digits, int scale, double value) {
  if (scale <= -digits || scale >= digits + 2)
    return std::string(static_cast<std::size_t>(width), '*');
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
  if (static_cast<int>(body.size()) > width)
    return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - body.size(), ' ') + body;
}

TEST(EditExponent, RandomDoublesAgreeWithPrintf) {
  struct Shape {
    int width, digits, scale;
  };
  const Shape shapes[] = {{12, 4, 1},  {12, 4, 0}, {16, 7, 1}, {15, 7, 0}, {10, 3, 1},
                          {13, 5, 1},  {14, 5, 0}, {9, 2, 0},  {9, 3, 1},  {24, 15, 1},
                          {26, 17, 0}, {8, 1, 1},  {11, 4, 0}, {7, 1, 0}};
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
        value =
            (smallDigits(random) * 10 + 5) * std::pow(10.0, static_cast<int>(random() % 20) - 10);
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

// The fast digit path against the exact one, for every digit count it serves and beyond, on
// values chosen where a fast rounding goes wrong first: decimal ties and their neighbours,
// powers of ten and their neighbours, runs of nines that carry into the next decade,
// subnormals, the ends of the range and arbitrary bit patterns.
std::vector<double> hardValues() {
  std::vector<double> values;
  auto withNeighbours = [&values](double value) {
    for (double v : {value, std::nextafter(value, 0.0), std::nextafter(value, inf)}) {
      if (std::isfinite(v) && v > 0) values.push_back(v);
    }
  };
  for (int k = -324; k <= 308; ++k)
    withNeighbours(std::strtod(("1e" + std::to_string(k)).c_str(), nullptr));
  // Exact ties: short binary fractions (d.5, d.25, d.125 ...) and integers ending in 5.
  for (int n = 1; n < 4000; n += 2) {
    for (int shift = 1; shift <= 12; ++shift) withNeighbours(std::ldexp(n, -shift));
    withNeighbours(n * 5.0);
    withNeighbours(n * 5e10);
  }
  for (std::int64_t tie : {12345678901234565LL, 1234567890123456LL * 10 + 5, 9007199254740993LL}) {
    withNeighbours(static_cast<double>(tie));
  }
  // 0.99..95 and 9.99..95 patterns in every decade and digit count.
  for (int digits = 1; digits <= 17; ++digits) {
    const double nines = 1.0 - 0.5 * std::pow(10.0, -digits);
    for (int k = -30; k <= 30; ++k) withNeighbours(nines * std::pow(10.0, k));
  }
  // Subnormals, the smallest normal and the largest double.
  withNeighbours(std::numeric_limits<double>::denorm_min());
  withNeighbours(std::numeric_limits<double>::min());
  withNeighbours(std::numeric_limits<double>::max());
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t bits = random() & ((std::uint64_t{1} << 52) - 1);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    withNeighbours(value);
  }
  // Arbitrary finite bit patterns and values spread over the decades the files carry.
  std::uniform_real_distribution<double> decade(-12.0, 6.0);
  for (int i = 0; i < 40000; ++i) {
    std::uint64_t bits = random() & ~(std::uint64_t{1} << 63);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    withNeighbours(value);
    values.push_back(std::pow(10.0, decade(random)));
  }
  return values;
}

TEST(DecimalDigits, FastPathAgreesWithTheExactPath) {
  const std::vector<double> values = hardValues();
  char fast[maxSignificantDigits];
  char exact[maxSignificantDigits];
  int mismatches = 0;
  for (double value : values) {
    for (int count = 1; count <= 20; ++count) {
      const int fastExponent = decimalDigits(value, count, fast);
      const int exactExponent = exactDecimalDigits(value, count, exact);
      if (fastExponent != exactExponent ||
          std::memcmp(fast, exact, static_cast<std::size_t>(count)) != 0) {
        if (++mismatches <= 10) {
          ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << " (" << value << ") with "
                        << count
                        << " digits: " << std::string(fast, static_cast<std::size_t>(count)) << "e"
                        << fastExponent << ", exact "
                        << std::string(exact, static_cast<std::size_t>(count)) << "e"
                        << exactExponent;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// The E fields of up to eight significant digits have a path of their own: the same values,
// both signs, through every such shape, against printf's digits.
TEST(EditExponent, ShortFieldsAgreeWithPrintfOnHardValues) {
  const std::vector<double> values = hardValues();
  struct Shape {
    int width, digits, scale;
  };
  const Shape shapes[] = {{8, 0, 1},  {9, 1, 1},  {10, 2, 1}, {10, 3, 1}, {12, 4, 1},
                          {12, 5, 1}, {13, 6, 1}, {14, 7, 1}, {7, 1, 0},  {11, 4, 0},
                          {14, 5, 0}, {15, 7, 0}, {16, 8, 0}, {6, 1, 0},  {9, 3, 1}};
  int mismatches = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double value = i % 2 == 0 ? values[i] : -values[i];
    for (const Shape& s : shapes) {
      const std::string expected = exponentOracle(s.width, s.digits, s.scale, value);
      const std::string got = exponentField(s.width, s.digits, s.scale, value);
      if (got != expected && ++mismatches <= 10) {
        ADD_FAILURE() << "E" << s.width << "." << s.digits << " " << s.scale << "P of "
                      << std::hexfloat << value << ": got '" << got << "', expected '" << expected
                      << "'";
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(PutDigits, LeadingZerosAndEveryLength) {
  char out[20];
  putDigits(out, 5, 42);
  EXPECT_EQ(std::string(out, 5), "00042");
  putDigits(out, 1, 0);
  EXPECT_EQ(std::string(out, 1), "0");
  putDigits(out, 17, 12345678901234567ULL);
  EXPECT_EQ(std::string(out, 17), "12345678901234567");
  putDigits(out, 20, 18446744073709551615ULL);
  EXPECT_EQ(std::string(out, 20), "18446744073709551615");
  putDigits(out, 9, 100000000);
  EXPECT_EQ(std::string(out, 9), "100000000");
}

}  // namespace
