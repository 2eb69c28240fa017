#pragma once
// Numbers read from text: one scanner of integers and reals for both ways the files write
// them, told apart by a dialect: a free-form value (a token between separators) or a field of
// fixed columns (blanks anywhere ignored, a field of blanks zero, digits without a point
// counting units of 10^-d). Either takes a leading '+', a D exponent and an exponent written
// with its sign but without its letter ("1.5000-120"), and the words of infinity and NaN.
#include <array>
#include <cstdint>
#include <string_view>

constexpr bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Characters that end a value of a free-form read: blanks (tab and CR count as blanks), the
// line end, the comma and the slash.
inline constexpr std::array<bool, 256> freeFormSeparators = [] {
  std::array<bool, 256> table{};
  for (char c : {' ', '\t', '\r', '\n', ',', '/'}) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

inline bool isSeparator(char c) {
  return freeFormSeparators[static_cast<unsigned char>(c)];
}

struct NumberDialect {
  bool fixedColumns = false;  // blanks are ignored, and a field of blanks reads as zero
  int impliedDecimals = 0;    // d of Fw.d: a mantissa without a point counts units of 10^-d
};

constexpr NumberDialect freeFormValue{};
constexpr NumberDialect fixedColumnField(int impliedDecimals) {
  return {true, impliedDecimals};
}

// The whole of `text` as an int: an optional sign and digits. False when it is not one or is
// out of range; `value` is then unchanged.
bool scanInteger(std::string_view text, const NumberDialect& dialect, int& value);
// The whole of `text` as a double, rounded to nearest; a value beyond the range of doubles is
// infinity or zero with its sign. False when it is not a number; `value` is then unchanged.
bool scanReal(std::string_view text, const NumberDialect& dialect, double& value);

// Exact fast paths for the usual free-form value, read in place from text in which a
// separator ends every token (so no end pointer is needed). Each returns the end of the token,
// or null for any other token, which the caller then converts the long way (std::from_chars,
// then scanInteger or scanReal). What they give is exactly what those give.

// Powers of ten that doubles hold exactly: 10^0 to 10^22.
inline constexpr std::array<double, 23> exactPowersOfTen = [] {
  std::array<double, 23> powers{};
  double power = 1.0;
  for (double& p : powers) {
    p = power;
    power *= 10.0;
  }
  return powers;
}();

// A decimal real at p ("-12.5", "1.", "1.0E-3", "3.199973D+01"): an optional '-', at least
// one digit before an optional point, and an optional exponent of an E or D letter, an
// optional sign and one to three digits, ended by a separator. Taken only when its mantissa,
// read as an integer, has at most 19 digits and is at most 2^53, and its power of ten is within
// 10^-22 to 10^22: both are then exact doubles, and the one rounding of their product or
// quotient is the correctly rounded value of the decimal, the one std::from_chars and scanReal
// give. Anything else (a '+', ".5", a fourth exponent digit, more digits) is left to them.
inline const char* shortReal(const char* p, double& value) {
  const bool negative = *p == '-';
  p += negative ? 1 : 0;
  std::uint64_t digits = 0;  // wraps past 19 digits, which are then refused
  const char* first = p;
  for (; isDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  if (p == first) return nullptr;
  int count = static_cast<int>(p - first);
  int scale = 0;
  if (*p == '.') {
    const char* fraction = ++p;
    for (; isDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
    scale = -static_cast<int>(p - fraction);
    count -= scale;
  }
  if (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd') {
    ++p;
    const bool negativeExponent = *p == '-';
    p += *p == '-' || *p == '+' ? 1 : 0;
    const char* exponentDigits = p;
    int exponent = 0;
    for (; isDigit(*p) && p - exponentDigits < 3; ++p) exponent = exponent * 10 + (*p - '0');
    if (p == exponentDigits || isDigit(*p)) return nullptr;
    scale += negativeExponent ? -exponent : exponent;
  }
  if (!isSeparator(*p) || count > 19 || digits > (std::uint64_t{1} << 53) || scale < -22 ||
      scale > 22) {
    return nullptr;
  }
  const auto exact = static_cast<double>(digits);
  const double magnitude = scale < 0 ? exact / exactPowersOfTen[static_cast<std::size_t>(-scale)]
                                     : exact * exactPowersOfTen[static_cast<std::size_t>(scale)];
  value = negative ? -magnitude : magnitude;
  return p;
}

// An integer of at most nine digits at p, after an optional '-', ended by a separator: the
// value std::from_chars gives (nine digits never leave the range of int).
inline const char* shortInteger(const char* p, int& value) {
  const bool negative = *p == '-';
  p += negative ? 1 : 0;
  const char* first = p;
  int magnitude = 0;
  for (; isDigit(*p) && p - first < 9; ++p) magnitude = magnitude * 10 + (*p - '0');
  if (p == first || !isSeparator(*p)) return nullptr;
  value = negative ? -magnitude : magnitude;
  return p;
}

// The token [first, last), which a separator ends, as a free-form value: by the fast path when
// it takes it, else by the scanner.
inline bool scanToken(const char* first, const char* last, int& value) {
  if (shortInteger(first, value) == last) return true;
  return scanInteger({first, static_cast<std::size_t>(last - first)}, freeFormValue, value);
}
inline bool scanToken(const char* first, const char* last, double& value) {
  if (shortReal(first, value) == last) return true;
  return scanReal({first, static_cast<std::size_t>(last - first)}, freeFormValue, value);
}

// The value of a repeat "r*value": its text [first, last), which a separator ends, converted
// once for each type of item, at the first copy of that type. An empty text stands for r null
// values.
class RepeatedValue {
 public:
  RepeatedValue() = default;
  RepeatedValue(const char* first, const char* last) : first_(first), last_(last) {}

  bool isNull() const { return first_ == last_; }
  // The value as an item of `value`'s type, which it is given; false (and `value` unchanged)
  // when the text is not one.
  bool take(int& value) { return takeAs(integer_, value); }
  bool take(double& value) { return takeAs(real_, value); }

 private:
  template <class Number>
  struct Converted {
    signed char valid = -1;  // -1: not converted yet
    Number value{};
  };
  template <class Number>
  bool takeAs(Converted<Number>& converted, Number& value) {
    if (converted.valid < 0) converted.valid = scanToken(first_, last_, converted.value) ? 1 : 0;
    if (converted.valid == 1) value = converted.value;
    return converted.valid == 1;
  }

  const char* first_ = nullptr;
  const char* last_ = nullptr;
  Converted<int> integer_;
  Converted<double> real_;
};
