#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/fieldEdit.h"
#include "common/freeForm.h"
#include "support/texts.h"

namespace {

using testSupport::withLineEnds;

struct FreeFormCase {
  const char* name;
  std::vector<Item> items;
  std::string expected;
};

const std::string digits80 =
    "1234567890123456789012345678901234567890123456789012345678901234567890123456789X";
const std::string digits79 = digits80.substr(0, 79);
const std::string text200 = std::string(79, 'a') + std::string(79, 'b') + std::string(42, 'c');

const FreeFormCase freeFormCases[] = {
    // Lines of the FEMAP neutral file.
    {"integer then text", {1, ",10,1,"}, "           1,10,1,\n"},
    // Exactly 80 columns stay one record; one more starts a second.
    {"six integers and eight characters",
     {1, 2, 3, 4, 5, 6, "abcdefgh"},
     "           1           2           3           4           5           6abcdefgh\n"},
    {"six integers and nine characters",
     {1, 2, 3, 4, 5, 6, "abcdefghi"},
     "           1           2           3           4           5           6\n abcdefghi\n"},
    {"nothing", {}, "\n"},
    {"empty text first", {"", 7}, "            7\n"},
    {"text alone", {"Pressure Head"}, " Pressure Head\n"},
    {"three singles",
     {Item::single(50.0), Item::single(56.0), Item::single(56.0)},
     "   50.00000       56.00000       56.00000    \n"},
    {"integer, comma, zero", {1, ",", 0.0}, "           1,  0.000000000000000E+000\n"},
    {"two-blank text", {"  "}, "   \n"},
    {"integers and texts",
     {1, ",124,", 1, ",25,", 8, ",1,0,0,"},
     "           1,124,           1,25,           8,1,0,0,\n"},
    {"integer, text, integer, text", {1, ",", 11, ",6,7,"}, "           1,          11,6,7,\n"},
    // Doubles: 1PG24.15E3.
    {"1.0", {1.0}, "   1.00000000000000     \n"},
    {"50.0", {50.0}, "   50.0000000000000     \n"},
    {"-1.0", {-1.0}, "  -1.00000000000000     \n"},
    {"1.0e-5", {1.0e-5}, "  1.000000000000000E-005\n"},
    {"-1.0e-5", {-1.0e-5}, " -1.000000000000000E-005\n"},
    {"zero", {0.0}, "  0.000000000000000E+000\n"},
    {"negative zero", {-0.0}, " -0.000000000000000E+000\n"},
    {"0.1", {0.1}, "  0.100000000000000     \n"},
    {"just below 0.1, rounds to it", {0.09999999999999999}, "  0.100000000000000     \n"},
    {"0.05", {0.05}, "  5.000000000000000E-002\n"},
    {"15 integer digits", {999999999999999.0}, "   999999999999999.     \n"},
    {"1e15", {1e15}, "  1.000000000000000E+015\n"},
    {"rounds to 1e15 with 15 digits, not with 16",
     {999999999999999.9},
     "  9.999999999999999E+014\n"},
    {"16 significant digits in exponent form",
     {123456789012345678.0},
     "  1.234567890123457E+017\n"},
    {"1e300", {1e300}, "  1.000000000000000E+300\n"},
    {"1e-300", {-1e-300}, " -1.000000000000000E-300\n"},
    {"infinity", {std::numeric_limits<double>::infinity()}, "                Infinity\n"},
    // Singles: 1PG15.7E2.
    {"single zero", {Item::single(0.0)}, "  0.0000000E+00\n"},
    {"single 0.1", {Item::single(0.1)}, "  0.1000000    \n"},
    {"single -2.5", {Item::single(-2.5)}, "  -2.500000    \n"},
    {"single 1234567", {Item::single(1234567.0)}, "   1234567.    \n"},
    {"single 12345678", {Item::single(12345678.0)}, "  1.2345678E+07\n"},
    {"single 1e-5", {Item::single(1.0e-5)}, "  9.9999997E-06\n"},
    {"single 1e30", {Item::single(-1.0e30)}, " -1.0000000E+30\n"},
    // Records of at most 80 characters.
    {"seven integers",
     {1, 2, 3, 4, 5, 6, 7},
     "           1           2           3           4           5           6\n"
     "           7\n"},
    {"three doubles and a fourth",
     {1.0, 2.0, 3.0, 4.0},
     "   1.00000000000000        2.00000000000000        3.00000000000000     \n"
     "   4.00000000000000     \n"},
    {"an 80-character text", {digits80}, " " + digits79 + "\n X\n"},
    {"a 200-character text",
     {text200},
     " " + std::string(79, 'a') + "\n " + std::string(79, 'b') + "\n " + std::string(42, 'c') +
         "\n"},
    {"a 79-character text", {digits79}, " " + digits79 + "\n"},
    {"text that fills the record",
     {1, 2, 3, 4, 5, 6, "abcdefgh"},
     "           1           2           3           4           5           6abcdefgh\n"},
    {"text that does not fit goes to a new record",
     {1, 2, 3, 4, 5, 6, "abcdefghi"},
     "           1           2           3           4           5           6\n"
     " abcdefghi\n"},
    {"text after text", {"ab", "cd"}, " abcd\n"},
    {"number after text", {"abc", 1}, " abc           1\n"},
    {"empty text", {""}, " \n"},
    {"no items", {}, "\n"},
};

TEST(FreeFormWrite, Table) {
  for (const FreeFormCase& c : freeFormCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(freeFormRecords(c.items), withLineEnds(c.expected));
  }
}

TEST(FreeFormWrite, WritesIntoTheUnit) {
  OutputUnit unit(6);
  unit.openMemory();
  writeFreeForm(unit, 1, ",10,1,");
  writeFreeForm(unit, "Pressure Head");
  EXPECT_EQ(unit.memory(), withLineEnds("           1,10,1,\n Pressure Head\n"));
}

// Numbered rows ("entity,value") against the general statement row by row: entity numbers at
// every digit count (and past the eight columns made at once), values at the edges of the fixed
// form, zeros, non-finite values, subnormals and values single precision rounds, as singles and
// as doubles, in more rows than one batch holds.
TEST(FreeFormWrite, NumberedRowsAreThoseOfTheStatement) {
  std::vector<int> entities;
  for (int entity :
       {1,        2,        9,        10,        11,        99,        100,        999,
        1000,     9999,     10000,    99999,     100000,    999999,    1000000,    9999999,
        10000000, 99999998, 99999999, 100000000, 100000001, 999999999, 1000000000, 2147483647}) {
    entities.push_back(entity);
  }
  for (int entity = 12345; entities.size() < 700; entity += 7) entities.push_back(entity);
  std::sort(entities.begin(), entities.end());
  const std::vector<double> edges{0.0,
                                  -0.0,
                                  0.1,
                                  0.09999999999999999,
                                  0.099999995,
                                  9999999.5,
                                  99999995.0,
                                  999999999999999.5,
                                  1e15,
                                  -1.25e-7,
                                  4.9406564584124654e-324,
                                  1.7976931348623157e308,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  0.1f,
                                  123.456,
                                  -98765.4321};
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> decade(-12.0, 12.0);
  std::vector<double> values;
  for (std::size_t row = 0; row < entities.size(); ++row) {
    values.push_back(row < edges.size() ? edges[row]
                                        : std::pow(10.0, decade(random)) * (row % 3 == 0 ? -1 : 1));
  }
  for (bool fullPrecision : {false, true}) {
    SCOPED_TRACE(fullPrecision ? "double" : "single");
    OutputUnit rows(6), statements(7);
    rows.openMemory();
    statements.openMemory();
    writeNumberedRows(rows, entities, values, fullPrecision);
    for (std::size_t row = 0; row < entities.size(); ++row) {
      writeFreeForm(statements, entities[row], ",",
                    fullPrecision ? Item(values[row]) : Item::single(values[row]));
    }
    EXPECT_TRUE(rows.memory() == statements.memory());
  }
}

// The number fields of rows against editInteger: every digit count, the widest numbers the
// eight columns hold, those that need more, and negative numbers, in fields of 8 and 12.
TEST(FreeFormWrite, RowNumbersAreThoseOfTheIntegerEditor) {
  std::vector<std::int64_t> numbers{
      0, 1, 7, 10, 42, 99, 100, 12345, 99999999, 100000000, 123456789, -1, -99999999, 2147483647};
  for (std::int64_t power = 1; power < 100000000; power *= 10) {
    numbers.push_back(power - 1);
    numbers.push_back(power);
    numbers.push_back(power + 1);
  }
  for (int width : {8, 12}) {
    for (std::int64_t number : numbers) {
      char got[12], expected[12];
      editRowNumber(got, width, number);
      editInteger(expected, width, number);
      EXPECT_EQ(std::string(got, static_cast<std::size_t>(width)),
                std::string(expected, static_cast<std::size_t>(width)))
          << number << " in I" << width;
    }
  }
}

// 1PGw.dEe from printf, slowly: fixed form when 0.1 <= rounded magnitude < 10^d.
std::string generalOracle(int width, int significant, int exponentDigits, double value) {
  char text[128];
  double magnitude = std::fabs(value);
  std::string sign = std::signbit(value) ? "-" : "";
  if (magnitude != 0) {
    std::snprintf(text, sizeof text, "%.*e", significant - 1, magnitude);
    int exponent = std::atoi(std::string(text).substr(std::string(text).find('e') + 1).c_str());
    if (exponent >= -1 && exponent < significant) {
      std::snprintf(text, sizeof text, "%#.*f", significant - 1 - exponent, magnitude);
      std::string body = sign + text;
      int fixedWidth = width - exponentDigits - 2;
      return std::string(static_cast<std::size_t>(fixedWidth) - body.size(), ' ') + body +
             std::string(static_cast<std::size_t>(exponentDigits) + 2, ' ');
    }
  }
  std::snprintf(text, sizeof text, "%.*e", significant, magnitude);
  std::string mantissa(text, std::string(text).find('e'));
  int exponent = std::atoi(std::string(text).substr(std::string(text).find('e') + 1).c_str());
  std::snprintf(text, sizeof text, "E%c%0*d", exponent < 0 ? '-' : '+', exponentDigits,
                std::abs(exponent));
  std::string body = sign + mantissa + text;
  return std::string(static_cast<std::size_t>(width) - body.size(), ' ') + body;
}

TEST(FreeFormWrite, RandomNumbersAgreeWithPrintf) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> decade(-37.0, 37.0);  // finite as singles
  for (int i = 0; i < 100000; ++i) {
    double value = std::pow(10.0, decade(random)) * ((random() & 1) ? -1 : 1);
    if (i % 3 == 0) value = std::round(value);
    std::vector<Item> items{value, Item::single(value)};
    std::string expected =
        generalOracle(24, 15, 3, items[0].real) + generalOracle(15, 7, 2, items[1].real);
    expected += platform::lineEnd;
    std::string got = freeFormRecords(items);
    if (got != expected) {
      ADD_FAILURE() << std::hexfloat << value << ": got '" << got << "', expected '" << expected
                    << "'";
      return;
    }
  }
}

// Where the fixed and exponent forms meet (0.1 and 10^d, before and after rounding), rounding
// carries, ties, zeros, three-digit and subnormal exponents, each value with its neighbours
// and both signs, as doubles and as singles.
TEST(FreeFormWrite, FormBoundariesAgreeWithPrintf) {
  std::vector<double> values{0.0,
                             0.1,
                             1.0,
                             0.5,
                             0.125,
                             2.5,
                             1e-5,
                             1e14,
                             1e15,
                             1e7,
                             1e6,
                             0.09999999999999999,
                             0.0999999999999999995,
                             999999999999999.5,
                             99999995.0,
                             9999999.5,
                             0.09999999,
                             0.099999995,
                             1e-100,
                             1e200,
                             1e-310,
                             4.9406564584124654e-324,
                             1.7976931348623157e308,
                             3.4028234663852886e38,
                             1.1754943508222875e-38,
                             123456789012345.67};
  for (int k = -40; k <= 40; ++k) values.push_back(std::pow(10.0, k));
  for (int digits = 1; digits <= 16; ++digits) {
    values.push_back(1.0 - 0.5 * std::pow(10.0, -digits));
    values.push_back(std::pow(10.0, digits) - 0.5);
  }
  int mismatches = 0;
  for (double base : values) {
    for (double value : {base, std::nextafter(base, 0.0), std::nextafter(base, 1e300)}) {
      for (double signed_value : {value, -value}) {
        std::vector<Item> items{signed_value};
        if (std::fabs(signed_value) < 3.4e38) items.push_back(Item::single(signed_value));
        std::string expected = generalOracle(24, 15, 3, items[0].real);
        if (items.size() > 1) expected += generalOracle(15, 7, 2, items[1].real);
        expected += platform::lineEnd;
        const std::string got = freeFormRecords(items);
        if (got != expected && ++mismatches <= 10) {
          ADD_FAILURE() << std::hexfloat << signed_value << ": got '" << got << "', expected '"
                        << expected << "'";
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
