// Field editors. Digits come from a fast path that proves its own rounding, or else from
// std::to_chars, which rounds exactly; each field is laid out in place, right-justified,
// without temporaries.
#include "common/fieldEdit.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Leading blanks; runs up to 16 (nearly all of them) as two overlapping fixed-size copies.
inline void fillBlanks(char* field, int count) {
  static constexpr char blanks[] = "        ";
  if (count >= 8) {
    if (count > 16) [[unlikely]] {
      std::memset(field, ' ', static_cast<std::size_t>(count));
      return;
    }
    std::memcpy(field, blanks, 8);
    std::memcpy(field + count - 8, blanks, 8);
  } else if (count >= 4) {
    std::memcpy(field, blanks, 4);
    std::memcpy(field + count - 4, blanks, 4);
  } else {
    if (count > 0) field[0] = ' ';
    if (count > 1) field[1] = ' ';
    if (count > 2) field[2] = ' ';
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

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr std::uint64_t powersOfTen[] = {1ull,
                                         10ull,
                                         100ull,
                                         1000ull,
                                         10000ull,
                                         100000ull,
                                         1000000ull,
                                         10000000ull,
                                         100000000ull,
                                         1000000000ull,
                                         10000000000ull,
                                         100000000000ull,
                                         1000000000000ull,
                                         10000000000000ull,
                                         100000000000000ull,
                                         1000000000000000ull,
                                         10000000000000000ull,
                                         100000000000000000ull,
                                         1000000000000000000ull,
                                         10000000000000000000ull};

// Exactly `count` digits of `value` (below 10^count) at `out`, with leading zeros, for a
// count known at compile time: halves split off by one multiplication each, so the chains of
// divisions stay short.
template <int count>
inline void putFixedDigits(char* out, std::uint64_t value) {
  if constexpr (count > 8) {
    const std::uint64_t high = value / 100000000;
    putFixedDigits<count - 8>(out, high);
    putFixedDigits<8>(out + count - 8, value - high * 100000000);
  } else if constexpr (count > 4) {
    const auto small = static_cast<std::uint32_t>(value);
    const std::uint32_t high = small / 10000;
    putFixedDigits<count - 4>(out, high);
    putFixedDigits<4>(out + count - 4, small - high * 10000);
  } else if constexpr (count > 2) {
    const auto small = static_cast<std::uint32_t>(value);
    const std::uint32_t high = small / 100;
    putFixedDigits<count - 2>(out, high);
    std::memcpy(out + count - 2, digitPairs + 2 * (small - high * 100), 2);
  } else if constexpr (count == 2) {
    std::memcpy(out, digitPairs + 2 * value, 2);
  } else {
    *out = static_cast<char>('0' + value);
  }
}

// putDigits for counts 1..20, each count its own straight line.
[[gnu::always_inline]] inline void putDigitsInline(char* out, int count, std::uint64_t value) {
  switch (count) {
    case 1:
      putFixedDigits<1>(out, value);
      return;
    case 2:
      putFixedDigits<2>(out, value);
      return;
    case 3:
      putFixedDigits<3>(out, value);
      return;
    case 4:
      putFixedDigits<4>(out, value);
      return;
    case 5:
      putFixedDigits<5>(out, value);
      return;
    case 6:
      putFixedDigits<6>(out, value);
      return;
    case 7:
      putFixedDigits<7>(out, value);
      return;
    case 8:
      putFixedDigits<8>(out, value);
      return;
    case 9:
      putFixedDigits<9>(out, value);
      return;
    case 10:
      putFixedDigits<10>(out, value);
      return;
    case 11:
      putFixedDigits<11>(out, value);
      return;
    case 12:
      putFixedDigits<12>(out, value);
      return;
    case 13:
      putFixedDigits<13>(out, value);
      return;
    case 14:
      putFixedDigits<14>(out, value);
      return;
    case 15:
      putFixedDigits<15>(out, value);
      return;
    case 16:
      putFixedDigits<16>(out, value);
      return;
    case 17:
      putFixedDigits<17>(out, value);
      return;
    case 18:
      putFixedDigits<18>(out, value);
      return;
    case 19:
      putFixedDigits<19>(out, value);
      return;
    default: {
      // 20 digits: the first, then 19.
      const std::uint64_t rest = value % 10000000000000000000ull;
      *out = static_cast<char>('0' + value / 10000000000000000000ull);
      putFixedDigits<19>(out + 1, rest);
    }
  }
}

// The decimal digits of a 64-bit value (one for zero). Setting the lowest bit changes no digit
// count, and makes zero count as one.
inline int digitCount(std::uint64_t value) {
  value |= 1;
  const int guess = (std::bit_width(value) * 1233) >> 12;  // floor(log10) or one less
  return guess + (value >= powersOfTen[guess] ? 1 : 0);
}

}  // namespace

void putDigits(char* out, int count, std::uint64_t value) {
  putDigitsInline(out, count, value);
}

void editInteger(char* field, int width, std::int64_t value) {
  // Digits straight into the field from its right end, two at a time.
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const int count = digitCount(magnitude);
  const int length = count + (negative ? 1 : 0);
  if (length > width) [[unlikely]] {
    fillAsterisks(field, width);
    return;
  }
  // Blanks first (fixed-size copies over the field's start that the digits may overwrite).
  const int blanks = width - length;
  if (width >= 8) {
    std::memcpy(field, "        ", 8);
    if (blanks > 8) fillBlanks(field, blanks);
  } else if (width >= 4) {
    std::memcpy(field, "    ", 4);
    if (blanks > 4) fillBlanks(field, blanks);
  } else {
    fillBlanks(field, blanks);
  }
  char* const start = field + (width - count);
  putDigitsInline(start, count, magnitude);
  if (negative) start[-1] = '-';
}

namespace {

// 10^k for k = minPower..maxPower as a 64-bit mantissa with its leading bit set and a binary
// exponent: 10^k = (mantissa + t) * 2^exponent with 0 <= t < 1 (the mantissa is truncated;
// exact for 0 <= k <= 27). Worked out at compile time in multi-word integer arithmetic.
struct PowerOfTen {
  std::uint64_t mantissa;
  int exponent;
};
constexpr int minPower = -342;  // k = count - 1 - decade, for every finite double
constexpr int maxPower = 342;

constexpr auto powerTable = [] {
  constexpr int words = 42;              // 1344 bits: 10^342 < 2^1137
  constexpr int reciprocalShift = 1312;  // 2^1312 / 10^342 still has 176 bits
  using Number = std::array<std::uint32_t, words>;
  // The leading 64 bits of `number` and the binary exponent of their last one.
  auto leading = [](const Number& number, int scale) {
    int top = words - 1;  // the highest word in use
    while (number[static_cast<std::size_t>(top)] == 0) --top;
    auto word = [&number](int i) -> std::uint64_t {
      return i >= 0 ? number[static_cast<std::size_t>(i)] : 0;
    };
    const int lead = 31 - std::countl_zero(number[static_cast<std::size_t>(top)]);
    const int shift = 31 - lead;  // moves the leading bit of the two top words to bit 63
    const std::uint64_t high = (word(top) << 32) | word(top - 1);
    const std::uint64_t mantissa =
        shift == 0 ? high : (high << shift) | (word(top - 2) >> (32 - shift));
    return PowerOfTen{mantissa, top * 32 + lead - 63 + scale};
  };
  std::array<PowerOfTen, maxPower - minPower + 1> table{};
  Number number{};
  number[0] = 1;
  for (int k = 0; k <= maxPower; ++k) {
    table[static_cast<std::size_t>(k - minPower)] = leading(number, 0);
    std::uint64_t carry = 0;
    for (std::uint32_t& word : number) {
      const std::uint64_t product = std::uint64_t{word} * 10 + carry;
      word = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
  }
  // floor(2^shift / 10^k) for k = 1, 2, ...: the floors of successive divisions by ten.
  number = Number{};
  number[reciprocalShift / 32] = std::uint32_t{1} << (reciprocalShift % 32);
  for (int k = 1; k <= -minPower; ++k) {
    std::uint64_t remainder = 0;
    for (int i = words - 1; i >= 0; --i) {
      const std::uint64_t part = (remainder << 32) | number[static_cast<std::size_t>(i)];
      number[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(part / 10);
      remainder = part % 10;
    }
    table[static_cast<std::size_t>(-k - minPower)] = leading(number, -reciprocalShift);
  }
  return table;
}();

// The nearest doubles at or below 10^k, to settle the decade of a magnitude without a branch;
// infinity outside the normal range, where the estimate stands and a retry settles it.
constexpr auto decadeTable = [] {
  std::array<double, maxPower - minPower + 1> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const PowerOfTen power = powerTable[i];
    const int biased = power.exponent + 63 + 1023;
    table[i] =
        biased >= 1 && biased <= 2046
            ? std::bit_cast<double>((std::uint64_t(biased) << 52) |
                                    ((power.mantissa >> 11) & ((std::uint64_t{1} << 52) - 1)))
            : std::numeric_limits<double>::infinity();
  }
  return table;
}();

constexpr int maxFastDigits = 17;

// The fast path of decimalDigits; false when it cannot be sure of the rounding.
//
// The magnitude is m * 2^e exactly, with m of 53 bits. With 10^k = (P + t) * 2^q from the
// table, the product m * P (exact in 128 bits) times 2^(e+q) is the scaled value
// y = magnitude * 10^k from below, short of it by less than y * 2^-63, plus the 2^-64 that
// cutting the fraction to 64 bits drops. k is chosen so that y has `count` digits before the
// point: its integer part, rounded by the fraction, is then the digits, unless the fraction
// lies within that shortfall below one half (an exact tie included), where the exact path
// decides.
[[gnu::always_inline]] inline bool fastDecimalDigits(double magnitude, int count, char* digits,
                                                     int& exponent) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e;
  if (biased != 0) [[likely]] {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  } else {  // subnormal: shifted up to 53 bits
    const int shift = std::countl_zero(m) - 11;
    m <<= shift;
    e = -1074 - shift;
  }
  // floor(log10(2^(e+52))): the decade of the leading digit, or one less; then the table.
  int decade = ((e + 52) * 78913) >> 18;
  decade += magnitude >= decadeTable[static_cast<std::size_t>(decade + 1 - minPower)] ? 1 : 0;
  const std::uint64_t high = powersOfTen[count];
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = count - 1 - decade;
    if (k < minPower || k > maxPower) [[unlikely]]
      return false;
    const PowerOfTen& power = powerTable[static_cast<std::size_t>(k - minPower)];
    __extension__ using Wide = unsigned __int128;
    const Wide product = static_cast<Wide>(m) * power.mantissa;
    const int shift = -(e + power.exponent);  // y = product * 2^-shift
    if (shift <= 0 || shift >= 128) [[unlikely]]
      return false;
    const auto whole = static_cast<std::uint64_t>(product >> shift);
    if (whole >= high) [[unlikely]] {  // the decade was one too low
      ++decade;
      continue;
    }
    if (whole < powersOfTen[count - 1]) [[unlikely]] {  // one too high (or 10^k from below)
      --decade;
      continue;
    }
    const std::uint64_t fraction = shift >= 64
                                       ? static_cast<std::uint64_t>(product >> (shift - 64))
                                       : static_cast<std::uint64_t>(product) << (64 - shift);
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    const std::uint64_t shortfall = 2 * whole + 4;  // in units of 2^-64; whole < 2^57
    if (fraction <= half && fraction + shortfall >= half) [[unlikely]]
      return false;
    std::uint64_t rounded = whole + (fraction > half ? 1 : 0);
    if (rounded == high) {  // 9.99..96 -> 10.00..0
      rounded = powersOfTen[count - 1];
      ++decade;
    }
    putDigitsInline(digits, count, rounded);
    exponent = decade;
    return true;
  }
  return false;
}

// The fast path for at most eight digits (every E field the writers use): only the high 64
// bits of the product are kept, which for so few digits still leaves at least 35 bits of
// fraction. The shortfall below the scaled value is then less than y * 2^-63 (the truncated
// power) plus one unit of the last bit kept. Writes `count` digits and sets the decade;
// false when the rounding is not certain or the value is outside the table.
[[gnu::always_inline]] inline bool fastShortDigits(double magnitude, int count, char* digits,
                                                   int& exponent) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0) [[unlikely]]
    return false;  // subnormal (or zero): the full path
  const std::uint64_t m = (bits << 11) | (std::uint64_t{1} << 63);  // 53 bits, left-aligned
  const int e = biased - 1075 - 11;                                 // magnitude = m * 2^e
  int decade = ((e + 63) * 78913) >> 18;
  decade += magnitude >= decadeTable[static_cast<std::size_t>(decade + 1 - minPower)] ? 1 : 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = count - 1 - decade;
    if (k < minPower || k > maxPower) [[unlikely]]
      return false;
    const PowerOfTen& power = powerTable[static_cast<std::size_t>(k - minPower)];
    __extension__ using Wide = unsigned __int128;
    const auto high = static_cast<std::uint64_t>((static_cast<Wide>(m) * power.mantissa) >> 64);
    const int shift = -(e + power.exponent + 64);  // y = high * 2^-shift, 35 <= shift <= 63
    if (shift < 1 || shift > 63) [[unlikely]]
      return false;
    const std::uint64_t whole = high >> shift;
    if (whole >= powersOfTen[count]) [[unlikely]] {
      ++decade;
      continue;
    }
    if (whole < powersOfTen[count - 1]) [[unlikely]] {
      --decade;
      continue;
    }
    const std::uint64_t fraction = high << (64 - shift);
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    const std::uint64_t shortfall = 2 * whole + 2 + (std::uint64_t{1} << (64 - shift));
    if (fraction <= half && fraction + shortfall >= half) [[unlikely]]
      return false;
    std::uint32_t rounded = static_cast<std::uint32_t>(whole) + (fraction > half ? 1 : 0);
    if (rounded == powersOfTen[count]) {  // 9.99..96 -> 10.00..0
      rounded = static_cast<std::uint32_t>(powersOfTen[count - 1]);
      ++decade;
    }
    putDigitsInline(digits, count, rounded);
    exponent = decade;
    return true;
  }
  return false;
}

// decimalDigits, inlined into the editors.
[[gnu::always_inline]] inline int roundedDigits(double magnitude, int count, char* digits) {
  int exponent;
  if (count <= 8 && magnitude != 0 && fastShortDigits(magnitude, count, digits, exponent)) {
    return exponent;
  }
  if (count <= maxFastDigits && magnitude != 0 &&
      fastDecimalDigits(magnitude, count, digits, exponent)) [[likely]] {
    return exponent;
  }
  return exactDecimalDigits(magnitude, count, digits);
}

}  // namespace

int decimalDigits(double magnitude, int count, char* digits) {
  return roundedDigits(magnitude, count, digits);
}

int exactDecimalDigits(double magnitude, int count, char* digits) {
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
  int exponent = 0;
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

namespace {

// 1P,Ew.d and Ew.d with at most eight significant digits and a two-digit exponent, laid out
// directly; false for anything else (zero, non-finite, too narrow, other scales), which the
// general editor handles.
[[gnu::always_inline]] inline bool editShortExponent(char* field, int width, int digits, int scale,
                                                     double value) {
  const int significant = digits + scale;  // scale 0 or 1
  if ((scale != 0 && scale != 1) || significant < 1 || significant > 8 || value == 0 ||
      !std::isfinite(value)) [[unlikely]]
    return false;
  const bool negative = std::signbit(value);
  const int length = (negative ? 1 : 0) + digits + 1 + scale + 4;
  if (length > width) [[unlikely]]
    return false;
  const bool leadingZero = scale == 0 && length < width;
  char* out = field + (width - length - (leadingZero ? 1 : 0));
  std::memcpy(field, "    ", 4);  // at least six columns: the surplus is overwritten
  if (out - field > 4) [[unlikely]]
    fillBlanks(field, static_cast<int>(out - field));
  *out = '-';
  out += negative ? 1 : 0;
  // The digits go straight into the field (a copy through a scratch would read back stores
  // of other sizes, which the processor cannot forward): with 1P after the first place, whose
  // digit then moves before the point; else after "0." or ".".
  int decade;
  if (scale == 1) {
    if (!fastShortDigits(std::fabs(value), significant, out + 1, decade)) [[unlikely]]
      return false;
    out[0] = out[1];
    out[1] = '.';
  } else {
    *out = '0';
    out += leadingZero ? 1 : 0;
    *out = '.';
    if (!fastShortDigits(std::fabs(value), significant, out + 1, decade)) [[unlikely]]
      return false;
  }
  out += significant + 1;
  const int exponent = decade + 1 - scale;
  if (exponent < -99 || exponent > 99) [[unlikely]]
    return false;
  const unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  out[0] = 'E';
  out[1] = exponent < 0 ? '-' : '+';
  std::memcpy(out + 2, digitPairs + 2 * magnitude, 2);
  return true;
}

// Every other E field: zero, non-finite values, asterisks, three-digit exponents, more digits,
// other scale factors. Kept out of line so that the short path stays small.
[[gnu::noinline]] void editExponentInFull(char* field, int width, int digits, int scale,
                                          double value) {
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
  // The field has at least seven columns here: four blanks at its start go in unconditionally
  // (what follows them overwrites the surplus), and the sign without a branch.
  std::memcpy(field, "    ", 4);
  if (out - field > 4) [[unlikely]]
    fillBlanks(field, static_cast<int>(out - field));
  *out = '-';
  out += negative ? 1 : 0;
  const double magnitude = std::fabs(value);
  int exponent;
  if (scale == 1) {
    // The digits go in place, then the first one moves before the point.
    exponent = roundedDigits(magnitude, significant, out + 1);
    out[0] = out[1];
    out[1] = '.';
    out += significant + 1;
  } else if (scale <= 0) {
    if (leadingZero) *out++ = '0';
    *out++ = '.';
    for (int i = 0; i < -scale; ++i) *out++ = '0';
    exponent = roundedDigits(magnitude, significant, out);
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

}  // namespace

void editExponent(char* field, int width, int digits, int scale, double value) {
  if (editShortExponent(field, width, digits, scale, value)) [[likely]]
    return;
  editExponentInFull(field, width, digits, scale, value);
}

namespace {

template <int digits, int scale>
void editExponentOf(char* field, int width, double value) {
  if (editShortExponent(field, width, digits, scale, value)) [[likely]]
    return;
  editExponentInFull(field, width, digits, scale, value);
}

}  // namespace

ExponentEditor exponentEditor(int digits, int scale) {
  static constexpr ExponentEditor scaled[] = {
      editExponentOf<0, 1>, editExponentOf<1, 1>, editExponentOf<2, 1>, editExponentOf<3, 1>,
      editExponentOf<4, 1>, editExponentOf<5, 1>, editExponentOf<6, 1>, editExponentOf<7, 1>};
  static constexpr ExponentEditor plain[] = {
      editExponentOf<1, 0>, editExponentOf<2, 0>, editExponentOf<3, 0>, editExponentOf<4, 0>,
      editExponentOf<5, 0>, editExponentOf<6, 0>, editExponentOf<7, 0>, editExponentOf<8, 0>};
  if (scale == 1 && digits >= 0 && digits <= 7) return scaled[digits];
  if (scale == 0 && digits >= 1 && digits <= 8) return plain[digits - 1];
  return nullptr;
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

std::string_view shortestDouble(double value, char (&text)[32]) {
  const auto result = std::to_chars(text, text + sizeof text, value);
  return {text, static_cast<std::size_t>(result.ptr - text)};
}

std::string shortestDoubleText(double value) {
  char text[32];
  return std::string(shortestDouble(value, text));
}

std::string_view realText(double value, char (&text)[32]) {
  const std::string_view shortest = shortestDouble(value, text);
  // "30" would read as an integer; "1e+20", "inf" and "nan" read as reals as they stand.
  if (shortest.find_first_of(".en") != std::string_view::npos) return shortest;
  char* end = text + shortest.size();
  std::memcpy(end, ".0", 2);
  return {text, shortest.size() + 2};
}
