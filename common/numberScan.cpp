// The number scanner.
#include "common/numberScan.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Room for the characters of a number: on the stack when short (nearly always).
class NumberBuffer {
 public:
  explicit NumberBuffer(std::size_t capacity) {
    if (capacity > shortText_.size()) {
      longText_ = std::make_unique_for_overwrite<char[]>(capacity);
      text_ = longText_.get();
    }
  }
  NumberBuffer(const NumberBuffer&) = delete;
  NumberBuffer& operator=(const NumberBuffer&) = delete;
  char* data() { return text_; }

 private:
  std::array<char, 64> shortText_;
  std::unique_ptr<char[]> longText_;
  char* text_ = shortText_.data();
};

bool isSign(char c) {
  return c == '+' || c == '-';
}

bool isExponentLetter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// A real from [p, last), which holds no blanks of a field: taken apart into sign, mantissa and
// exponent, written again as std::from_chars reads it ("-1.5E-120") and converted.
bool scanCompactReal(const char* p, const char* last, const NumberDialect& dialect, double& value) {
  // The sign. A '+' before a '-' is passed over, a leniency of long standing; in a fixed
  // field what follows is then read strictly as std::from_chars reads it: no implied decimals,
  // no exponent but an E one, nothing beyond the range of doubles.
  const bool doubleSign = last - p >= 2 && p[0] == '+' && p[1] == '-';
  const bool strict = doubleSign && dialect.fixedColumns;
  p += doubleSign ? 1 : 0;
  const bool negative = p != last && *p == '-';
  p += p != last && isSign(*p) ? 1 : 0;
  NumberBuffer buffer(static_cast<std::size_t>(last - p) + 24);
  char* const number = buffer.data();
  char* out = number;
  if (negative) *out++ = '-';

  // The words of infinity and NaN, as std::from_chars reads them.
  if (p != last && !isDigit(*p) && *p != '.') {
    while (p != last) *out++ = *p++;
    double result;
    const auto [end, error] = std::from_chars(number, out, result);
    if (error != std::errc() || end != out) return false;
    value = result;
    return true;
  }

  // The mantissa: digits with at most one point.
  char* const mantissa = out;
  while (p != last && isDigit(*p)) *out++ = *p++;
  const bool point = p != last && *p == '.';
  if (point) {
    *out++ = *p++;
    while (p != last && isDigit(*p)) *out++ = *p++;
  }
  if (out - mantissa == (point ? 1 : 0)) return false;

  // The exponent: a letter E or D, or a sign alone, then digits; copied as "E-ddd", or, when
  // implied decimals shift it, written anew.
  char* const exponentAt = out;
  const char* exponentDigits = last;
  bool exponentNegative = false;
  if (p != last) {
    const bool letter = isExponentLetter(*p);
    if (strict && !(letter && (*p == 'E' || *p == 'e'))) return false;
    p += letter ? 1 : 0;
    exponentNegative = p != last && *p == '-';
    p += p != last && isSign(*p) ? 1 : 0;
    *out++ = 'E';
    if (exponentNegative) *out++ = '-';
    exponentDigits = p;
    while (p != last && isDigit(*p)) *out++ = *p++;
    if (p != last || p == exponentDigits) return false;
  }
  if (const int shift = point || strict ? 0 : dialect.impliedDecimals; shift != 0) {
    long exponent = 0;  // capped: beyond it the value is infinity or zero anyway
    for (const char* d = exponentDigits; d != last; ++d) {
      if (exponent < 100000) exponent = exponent * 10 + (*d - '0');
    }
    out = exponentAt;
    *out++ = 'E';
    out = std::to_chars(out, out + 16, (exponentNegative ? -exponent : exponent) - shift).ptr;
  }

  double result;
  const auto [end, error] = std::from_chars(number, out, result);
  if (end != out) return false;
  if (error == std::errc::result_out_of_range && !strict) {
    *out = '\0';
    result = std::strtod(number, nullptr);  // infinity or zero, with its sign
  } else if (error != std::errc()) {
    return false;
  }
  value = result;
  return true;
}

// A field without its blanks; a field of blanks is zero.
[[gnu::noinline]] bool scanFieldReal(std::string_view text, const NumberDialect& dialect,
                                     double& value) {
  NumberBuffer buffer(text.size());
  char* const compact = buffer.data();
  char* end = compact;
  for (const char c : text) {
    if (c != ' ') *end++ = c;
  }
  if (end == compact) {
    value = 0.0;
    return true;
  }
  return scanCompactReal(compact, end, dialect, value);
}

}  // namespace

bool scanInteger(std::string_view text, const NumberDialect& dialect, int& value) {
  bool negative = false;
  bool signSeen = false;
  bool digitSeen = false;
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (c == ' ' && dialect.fixedColumns) continue;
    if (isSign(c) && !signSeen && !digitSeen) {
      signSeen = true;
      negative = c == '-';
    } else if (isDigit(c)) {
      digitSeen = true;
      magnitude = magnitude * 10 + (c - '0');
      if (magnitude > std::int64_t{INT_MAX} + 1) return false;
    } else {
      return false;
    }
  }
  if (!digitSeen) {
    if (signSeen || !dialect.fixedColumns) return false;
    value = 0;  // a field of blanks
    return true;
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

bool scanReal(std::string_view text, const NumberDialect& dialect, double& value) {
  if (!dialect.fixedColumns) {
    return scanCompactReal(text.data(), text.data() + text.size(), dialect, value);
  }
  return scanFieldReal(text, dialect, value);
}
