#pragma once
// Decimal digits of doubles: a fast generator that proves its own rounding, the exact fallback
// it leaves the doubtful cases to, and the shortest text that reads back as the same double.
// The field editors lay the digits out; nothing here knows a field.
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/integerDigits.h"

// The most significant digits decimalDigits() gives.
constexpr int maxSignificantDigits = 60;
// The most the fast generator gives.
constexpr int maxFastDigits = 17;

// Rounds the finite, non-negative `magnitude` to nearest with `count` significant digits
// (1..maxSignificantDigits): writes the `count` digit characters to `digits` and returns the
// decimal exponent of the first one (magnitude ~ d.ddd * 10^exponent); zero gives zeros and 0.
// Up to maxFastDigits digits they come from fastDecimalDigits, else, and where it is not sure,
// from exactDecimalDigits. Inlined with the fast generator into its callers.
inline int decimalDigits(double magnitude, int count, char* digits);
// The same digits from std::to_chars alone: the reference the fast generator is tested against.
int exactDecimalDigits(double magnitude, int count, char* digits);

// The shortest text that reads back as the same double ("0.25", "30", "1e-07"), in `text`: the
// times of the ParaView collection, of the place lines and of the tables for programs.
std::string_view shortestDouble(double value, char (&text)[32]);
// The same as a string.
std::string shortestDoubleText(double value);
// The same with a decimal point or an exponent always, so that every reader takes it for a
// real: "30.0", "0.25", "-1.875", "2e-16". The real values of the tables for programs.
std::string_view realText(double value, char (&text)[32]);

// 10^k for k = minPower..maxPower as a 64-bit mantissa with its leading bit set and a binary
// exponent: 10^k = (mantissa + t) * 2^exponent with 0 <= t < 1 (the mantissa is truncated;
// exact for 0 <= k <= 27). Worked out at compile time in multi-word integer arithmetic.
struct PowerOfTen {
  std::uint64_t mantissa;
  int exponent;
};
constexpr int minPower = -342;  // k = count - 1 - decade, for every finite double
constexpr int maxPower = 342;
constexpr std::size_t powerCount = maxPower - minPower + 1;
extern const std::array<PowerOfTen, powerCount> powerTable;
// The nearest doubles at or below 10^k, to settle the decade of a magnitude without a branch;
// infinity outside the normal range, where the estimate stands and a retry settles it.
extern const std::array<double, powerCount> decadeTable;

// The fast generator: `count` (1..maxFastDigits) digits of the positive, finite `magnitude`
// rounded to nearest, and the decade of the first one; false when it cannot be sure of the
// rounding (or for zero), which the exact path then decides.
//
// The magnitude is m * 2^e exactly, with m of 64 bits and its leading bit set. With
// 10^k = (P + t) * 2^q from the table, the 128-bit product m * P times 2^(e+q) is the scaled
// value y = magnitude * 10^k from below, short of it by less than y * 2^-63, plus what cutting
// the fraction to 64 bits (or, for few digits, to the high word) drops. k is chosen so that y has
// `count` digits before the point: its integer part, rounded by the fraction, is then the digits,
// unless the fraction lies within that shortfall below one half (an exact tie included). Inlined
// into the editors, so that a digit count known there leaves one straight line.
[[gnu::always_inline]] inline bool fastDecimalDigits(double magnitude, int count, char* digits,
                                                     int& decade) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  std::uint64_t m;
  int e;
  if (biased != 0) [[likely]] {
    m = (bits << 11) | (std::uint64_t{1} << 63);
    e = biased - 1075 - 11;
  } else {  // subnormal, shifted up to a leading one
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (fraction == 0) return false;
    const int shift = std::countl_zero(fraction);
    m = fraction << shift;
    e = -1074 - shift;
  }
  // floor(log10(2^(e+63))): the decade of the leading digit, or one less; then the table.
  decade = ((e + 63) * 78913) >> 18;
  decade += magnitude >= decadeTable[static_cast<std::size_t>(decade + 1 - minPower)] ? 1 : 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = count - 1 - decade;
    if (k < minPower || k > maxPower) [[unlikely]]
      return false;
    const PowerOfTen& power = powerTable[static_cast<std::size_t>(k - minPower)];
    __extension__ using Wide = unsigned __int128;
    const Wide product = static_cast<Wide>(m) * power.mantissa;
    // y = product * 2^-(64 + shift): the high word holds the integer part and the top of the
    // fraction; y < 10^17 < 2^57 leaves the shift at least 5.
    const int shift = -(e + power.exponent) - 64;
    if (shift < 1 || shift > 63) [[unlikely]]
      return false;
    const auto high = static_cast<std::uint64_t>(product >> 64);
    const auto low = static_cast<std::uint64_t>(product);
    const std::uint64_t whole = high >> shift;
    if (whole >= powersOfTen[count]) [[unlikely]] {  // the decade was one too low
      ++decade;
      continue;
    }
    if (whole < powersOfTen[count - 1]) [[unlikely]] {  // one too high (or 10^k from below)
      --decade;
      continue;
    }
    // The 64 bits below the point, and how far short of the scaled value they may fall (in
    // units of 2^-64). Up to eight digits the high word alone leaves at least 35 bits of
    // fraction, and the low word is left out at the cost of one unit of its last bit.
    std::uint64_t fraction = high << (64 - shift);
    std::uint64_t shortfall = 2 * whole + 4;
    if (count <= 8) {
      shortfall += std::uint64_t{1} << (64 - shift);
    } else {
      fraction |= low >> shift;
    }
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    if (fraction <= half && fraction + shortfall >= half) [[unlikely]]
      return false;
    std::uint64_t rounded = whole + (fraction > half ? 1 : 0);
    if (rounded == powersOfTen[count]) {  // 9.99..96 -> 10.00..0
      rounded = powersOfTen[count - 1];
      ++decade;
    }
    putDigits(digits, count, rounded);
    return true;
  }
  return false;
}

[[gnu::always_inline]] inline int decimalDigits(double magnitude, int count, char* digits) {
  int decade;
  if (count <= maxFastDigits && fastDecimalDigits(magnitude, count, digits, decade)) [[likely]] {
    return decade;
  }
  return exactDecimalDigits(magnitude, count, digits);
}
