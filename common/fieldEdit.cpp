// Field editors. Digits come from std::to_chars, which rounds exactly; each field is then laid
// out in place, right-justified, without temporaries.
#include "common/fieldEdit.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

void fillBlanks(char* field, int count) {
  if (count > 0) std::memset(field, ' ', static_cast<std::size_t>(count));
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
  char text[24];
  char* end = std::to_chars(text, text + sizeof text, value).ptr;
  int length = static_cast<int>(end - text);
  if (length > width) {
    fillAsterisks(field, width);
    return;
  }
  fillBlanks(field, width - length);
  std::memcpy(field + (width - length), text, static_cast<std::size_t>(length));
}

int decimalDigits(double magnitude, int count, char* digits) {
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

void editExponent(char* field, int width, int digits, int scale, double value) {
  if (!std::isfinite(value)) {
    editNonFinite(field, width, value);
    return;
  }
  // kP with -d < k <= 0: 0.(-k zeros)(d+k digits); with 0 < k < d+2: (k digits).(d-k+1 digits).
  const int significant = scale > 0 ? digits + 1 : digits + scale;
  const bool negative = value < 0;  // -0.0 is written without a sign
  // Characters without the optional leading zero: sign, mantissa with its point, exponent.
  const int length = (negative ? 1 : 0) + digits + 1 + (scale > 0 ? 1 : 0) + 4;
  if (scale <= -digits || scale >= digits + 2 || significant > maxSignificantDigits ||
      length > width) {
    fillAsterisks(field, width);
    return;
  }
  char decimal[maxSignificantDigits];
  int exponent = decimalDigits(std::fabs(value), significant, decimal);
  if (value != 0) exponent = exponent + 1 - scale;  // zero keeps the exponent 0

  char* out = field + (width - length);
  char* exponentField = out + (length - 4);
  if (!putExponent(exponentField, exponent)) {
    fillAsterisks(field, width);
    return;
  }
  const bool leadingZero = scale <= 0 && length < width;
  if (leadingZero) --out;
  fillBlanks(field, static_cast<int>(out - field));
  if (negative) *out++ = '-';
  if (scale <= 0) {
    if (leadingZero) *out++ = '0';
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(-scale));
    out += -scale;
    std::memcpy(out, decimal, static_cast<std::size_t>(significant));
  } else {
    std::memcpy(out, decimal, static_cast<std::size_t>(scale));
    out += scale;
    *out++ = '.';
    std::memcpy(out, decimal + scale, static_cast<std::size_t>(significant - scale));
  }
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
