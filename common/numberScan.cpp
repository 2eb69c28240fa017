// The number scanner: the text is taken apart into sign, mantissa and exponent, then rewritten
// as std::from_chars reads it ("-1.5E-120") and converted.
#include "common/numberScan.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Characters of a number in a buffer of its own: on the stack when short (nearly always).
class NumberText {
 public:
  explicit NumberText(std::size_t capacity) {
    if (capacity > shortText_.size()) {
      longText_.resize(capacity);
      text_ = longText_.data();
    }
  }
  NumberText(const NumberText&) = delete;
  NumberText& operator=(const NumberText&) = delete;
  void push(char c) { text_[size_++] = c; }
  void append(const char* first, const char* last) {
    while (first != last) push(*first++);
  }
  const char* begin() const { return text_; }
  const char* end() const { return text_ + size_; }
  bool empty() const { return size_ == 0; }
  // For std::strtod, which reads up to a NUL.
  const char* terminated() {
    text_[size_] = '\0';
    return text_;
  }

 private:
  std::array<char, 64> shortText_;
  std::string longText_;
  char* text_ = shortText_.data();
  std::size_t size_ = 0;
};

bool isSign(char c) {
  return c == '+' || c == '-';
}

bool isExponentLetter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
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
  // A fixed field without its blanks.
  NumberText compact(dialect.fixedColumns ? text.size() : 0);
  const char* p = text.data();
  const char* last = p + text.size();
  if (dialect.fixedColumns) {
    for (const char c : text) {
      if (c != ' ') compact.push(c);
    }
    if (compact.empty()) {
      value = 0.0;
      return true;
    }
    p = compact.begin();
    last = compact.end();
  }
  // The sign. A '+' before a '-' is passed over, a leniency of long standing; in a fixed
  // field what follows is then read strictly as std::from_chars reads it: no implied decimals,
  // no exponent but an E one, nothing beyond the range of doubles.
  const bool doubleSign = last - p >= 2 && p[0] == '+' && p[1] == '-';
  const bool strict = doubleSign && dialect.fixedColumns;
  p += doubleSign ? 1 : 0;
  const bool negative = p != last && *p == '-';
  p += p != last && isSign(*p) ? 1 : 0;
  NumberText number(static_cast<std::size_t>(last - p) + 24);
  if (negative) number.push('-');

  // The words of infinity and NaN, as std::from_chars reads them.
  if (p != last && !isDigit(*p) && *p != '.') {
    number.append(p, last);
    double result;
    const auto [end, error] = std::from_chars(number.begin(), number.end(), result);
    if (error != std::errc() || end != number.end()) return false;
    value = result;
    return true;
  }

  // The mantissa: digits with at most one point.
  bool point = false;
  bool digit = false;
  const char* const mantissa = p;
  for (; p != last && (isDigit(*p) || (*p == '.' && !point)); ++p) {
    point = point || *p == '.';
    digit = digit || *p != '.';
  }
  if (!digit) return false;
  number.append(mantissa, p);

  // The exponent: a letter E or D, or a sign alone, then digits.
  const char* exponentDigits = p;
  bool exponentNegative = false;
  if (p != last) {
    const bool letter = isExponentLetter(*p);
    if (strict && !(letter && (*p == 'E' || *p == 'e'))) return false;
    p += letter ? 1 : 0;
    if (p != last && isSign(*p)) exponentNegative = *p++ == '-';
    if (p == last) return false;
    exponentDigits = p;
    for (; p != last; ++p) {
      if (!isDigit(*p)) return false;
    }
  }
  number.push('E');
  const int shift = point || strict ? 0 : dialect.impliedDecimals;
  if (shift == 0) {
    if (exponentNegative) number.push('-');
    number.append(exponentDigits, last);
    if (exponentDigits == last) number.push('0');
  } else {
    long exponent = 0;
    for (const char* d = exponentDigits; d != last; ++d) {
      if (exponent < 100000) exponent = exponent * 10 + (*d - '0');
    }
    const std::string shifted = std::to_string((exponentNegative ? -exponent : exponent) - shift);
    number.append(shifted.data(), shifted.data() + shifted.size());
  }

  double result;
  const auto [end, error] = std::from_chars(number.begin(), number.end(), result);
  if (end != number.end()) return false;
  if (error == std::errc::result_out_of_range && !strict) {
    result = std::strtod(number.terminated(), nullptr);  // infinity or zero, with its sign
  } else if (error != std::errc()) {
    return false;
  }
  value = result;
  return true;
}
