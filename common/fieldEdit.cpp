// Field editors: the layouts of I, E and A fields around the digits of integerDigits.h and
// decimalDigits.h.
#include "common/fieldEdit.h"

#include <cmath>
#include <cstring>

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
  putDigits(start, count, magnitude);
  if (negative) start[-1] = '-';
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
// directly; false for anything else (non-finite, too narrow, other scales), which the general
// editor handles.
[[gnu::always_inline]] inline bool editShortExponent(char* field, int width, int digits, int scale,
                                                     double value) {
  const int significant = digits + scale;  // scale 0 or 1
  if ((scale != 0 && scale != 1) || significant < 1 || significant > 8 || !std::isfinite(value))
      [[unlikely]]
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
  // Zero (either sign) has zeros for digits and the exponent 0.
  if (scale == 0) {
    *out = '0';
    out += leadingZero ? 1 : 0;
    *out = '.';
  }
  int decade = scale - 1;
  if (value == 0) {
    std::memset(out + 1, '0', static_cast<std::size_t>(significant));
  } else if (!fastDecimalDigits(std::fabs(value), significant, out + 1, decade)) [[unlikely]] {
    return false;
  }
  if (scale == 1) {
    out[0] = out[1];
    out[1] = '.';
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
