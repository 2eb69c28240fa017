// Field editors. Digits come from std::to_chars, which rounds exactly; each field is then laid
// out in place, right-justified, without temporaries.
#include "common/fieldEdit.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Leading blanks; short runs (the usual one to three) without a call.
void fillBlanks(char* field, int count) {
  if (count <= 4) {
    for (int i = 0; i < count; ++i) field[i] = ' ';
  } else {
    std::memset(field, ' ', static_cast<std::size_t>(count));
  }
}

// Writes the exponent part of an E field ("E+dd", or "+ddd" for magnitudes 100 to 999) at
// `out`; returns the end, or nullptr when the exponent has more than three digits.
char* putExponent(char* out, int exponent) {
  char sign = exponent < 0 ? '-' : '+';
  unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  if (magnitude <= 99) {
    out[0] = 'E';
    out[1] = sign;
    out[2] = static_cast<char>('0' + magnitude / 10);
    out[3] = static_cast<char>('0' + magnitude % 10);
    return out + 4;
  }
  if (magnitude <= 999) {
    out[0] = sign;
    out[1] = static_cast<char>('0' + magnitude / 100);
    out[2] = static_cast<char>('0' + magnitude / 10 % 10);
    out[3] = static_cast<char>('0' + magnitude % 10);
    return out + 4;
  }
  return nullptr;
}

}  // namespace

void fillAsterisks(char* field, int width) {
  if (width > 0) std::memset(field, '*', static_cast<std::size_t>(width));
}

namespace {

constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int maxExactPower = 22;
constexpr int maxFastDigits = 15;  // scaled values stay below 2^53

// 10^i for i = minTabledDecade..maxTabledDecade (the nearest doubles), to settle a decade.
constexpr int minTabledDecade = -24;
constexpr int maxTabledDecade = 38;
constexpr auto decadeTable = [] {
  std::array<double, maxTabledDecade - minTabledDecade + 1> table{};
  for (int i = minTabledDecade; i <= maxTabledDecade; ++i) {
    double power = 1;
    for (int j = 0; j < (i < 0 ? -i : i); ++j) power *= 10;  // exact up to 1e22
    table[static_cast<std::size_t>(i - minTabledDecade)] = i < 0 ? 1 / power : power;
  }
  return table;
}();

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` digits of `value` (which has no more) at `out`, with leading zeros.
void putDigits(char* out, int count, std::uint64_t value) {
  char* p = out + count;
  while (p - out >= 2) {
    const std::uint64_t rest = value / 100;
    p -= 2;
    std::memcpy(p, digitPairs + 2 * (value - rest * 100), 2);
    value = rest;
  }
  if (p > out) *--p = static_cast<char>('0' + value);
}

}  // namespace

void editInteger(char* field, int width, std::int64_t value) {
  // Digits from the right, two at a time, into a scratch that holds any 64-bit value.
  const bool negative = value < 0;
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char text[24];
  char* const end = text + sizeof text;
  char* p = end;
  while (magnitude >= 100) {
    const std::uint64_t rest = magnitude / 100;
    p -= 2;
    std::memcpy(p, digitPairs + 2 * (magnitude - rest * 100), 2);
    magnitude = rest;
  }
  if (magnitude >= 10) {
    p -= 2;
    std::memcpy(p, digitPairs + 2 * magnitude, 2);
  } else {
    *--p = static_cast<char>('0' + magnitude);
  }
  if (negative) *--p = '-';
  const int length = static_cast<int>(end - p);
  if (length > width) {
    fillAsterisks(field, width);
    return;
  }
  fillBlanks(field, width - length);
  std::memcpy(field + (width - length), p, static_cast<std::size_t>(length));
}

namespace {

// The common case without std::to_chars: magnitude * 10^k (or / 10^-k) with an exactly
// representable power is one correctly rounded operation, so the scaled value is off by at
// most half an ulp. Its nearest integer is the rounded digits unless the value lies that close
// to a half, where the slow path decides. Returns false to ask for the slow path.
bool fastDecimalDigits(double magnitude, int count, char* digits, int& exponent) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  const int binaryExponent = static_cast<int>(bits >> 52) - 1023;
  // floor(log10(2^binaryExponent)): the decade, or one less.
  int decimal = (binaryExponent * 78913) >> 18;
  if (decimal < minTabledDecade || decimal >= maxTabledDecade) return false;
  decimal += magnitude >= decadeTable[static_cast<std::size_t>(decimal + 1 - minTabledDecade)];
  const double low = exactPowersOfTen[count - 1];
  const double high = exactPowersOfTen[count];
  // The tabled powers below 1 are inexact: near them the decade may still be off by one.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int k = count - 1 - decimal;
    if (k > maxExactPower || k < -maxExactPower) return false;
    const double scaled =
        k >= 0 ? magnitude * exactPowersOfTen[k] : magnitude / exactPowersOfTen[-k];
    if (scaled >= high) [[unlikely]] {
      ++decimal;
      continue;
    }
    if (scaled < low) [[unlikely]] {
      --decimal;
      continue;
    }
    const std::int64_t whole = static_cast<std::int64_t>(scaled);  // floor: positive, < 2^53
    const double fraction = scaled - static_cast<double>(whole);   // exact
    if (std::fabs(fraction - 0.5) <= scaled * 0x1p-52) [[unlikely]]
      return false;
    std::uint64_t rounded = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    if (static_cast<double>(rounded) == high) [[unlikely]] {  // 9.99..96 -> 10.00..0
      rounded /= 10;
      ++decimal;
    }
    putDigits(digits, count, rounded);
    exponent = decimal;
    return true;
  }
  return false;
}

}  // namespace

int decimalDigits(double magnitude, int count, char* digits) {
  int exponent;
  if (count <= maxFastDigits && magnitude != 0 &&
      fastDecimalDigits(magnitude, count, digits, exponent)) [[likely]] {
    return exponent;
  }
  if (magnitude == 0) {
    std::memset(digits, '0', static_cast<std::size_t>(count));
    return 0;
  }
  // "d.ddde+XX" (no point when count is 1).
  char text[maxSignificantDigits + 16];
  char* end =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, count - 1)
          .ptr;
  digits[0] = text[0];
  const char* e = text + 1;
  if (count > 1) {
    std::memcpy(digits + 1, text + 2, static_cast<std::size_t>(count - 1));
    e = text + 1 + count;
  }
  // e points at 'e', then the sign and at least two digits.
  exponent = 0;
  for (const char* p = e + 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
  return e[1] == '-' ? -exponent : exponent;
}

void editNonFinite(char* field, int width, double value) {
  std::string_view longWord = "NaN", shortWord = "NaN";
  if (std::isinf(value)) {
    longWord = value < 0 ? "-Infinity" : "Infinity";
    shortWord = value < 0 ? "-Inf" : "Inf";
  }
  std::string_view word = static_cast<int>(longWord.size()) <= width ? longWord : shortWord;
  if (static_cast<int>(word.size()) > width) {
    fillAsterisks(field, width);
    return;
  }
  editText(field, width, word);
}

void editExponent(char* field, int width, int digits, int scale, double value) {
  if (!std::isfinite(value)) [[unlikely]] {
    editNonFinite(field, width, value);
    return;
  }
  // kP with -d < k <= 0: 0.(-k zeros)(d+k digits); with 0 < k < d+2: (k digits).(d-k+1 digits).
  const int significant = scale > 0 ? digits + 1 : digits + scale;
  const bool negative = std::signbit(value);  // -0.0 keeps its sign
  // Characters without the optional leading zero: sign, mantissa with its point, exponent.
  const int length = (negative ? 1 : 0) + digits + 1 + (scale > 0 ? 1 : 0) + 4;
  if (scale <= -digits || scale >= digits + 2 || significant > maxSignificantDigits ||
      length > width) [[unlikely]] {
    fillAsterisks(field, width);
    return;
  }
  const bool leadingZero = scale <= 0 && length < width;
  char* out = field + (width - length - (leadingZero ? 1 : 0));
  fillBlanks(field, static_cast<int>(out - field));
  if (negative) *out++ = '-';
  const double magnitude = std::fabs(value);
  int exponent;
  if (scale == 1) {
    // The digits go in place, then the first one moves before the point.
    exponent = decimalDigits(magnitude, significant, out + 1);
    out[0] = out[1];
    out[1] = '.';
    out += significant + 1;
  } else if (scale <= 0) {
    if (leadingZero) *out++ = '0';
    *out++ = '.';
    for (int i = 0; i < -scale; ++i) *out++ = '0';
    exponent = decimalDigits(magnitude, significant, out);
    out += significant;
  } else {
    char decimal[maxSignificantDigits];
    exponent = decimalDigits(magnitude, significant, decimal);
    std::memcpy(out, decimal, static_cast<std::size_t>(scale));
    out += scale;
    *out++ = '.';
    std::memcpy(out, decimal + scale, static_cast<std::size_t>(significant - scale));
    out += significant - scale;
  }
  if (value != 0) exponent = exponent + 1 - scale;  // zero keeps the exponent 0
  if (!putExponent(out, exponent)) [[unlikely]]
    fillAsterisks(field, width);
}

void editText(char* field, int width, std::string_view text) {
  if (static_cast<int>(text.size()) >= width) {
    std::memcpy(field, text.data(), static_cast<std::size_t>(width));
    return;
  }
  int length = static_cast<int>(text.size());
  fillBlanks(field, width - length);
  std::memcpy(field + (width - length), text.data(), static_cast<std::size_t>(length));
}
