#pragma once
// Numbers read from text: one scanner of integers and reals for both ways the files write
// them, told apart by a dialect: a free-form value (a token between separators) or a field of
// fixed columns (blanks anywhere ignored, a field of blanks zero, digits without a point
// counting units of 10^-d). Either takes a leading '+', a D exponent and an exponent written
// with its sign but without its letter ("1.5000-120"), and the words of infinity and NaN.
#include <string_view>

constexpr bool isDigit(char c) {
  return c >= '0' && c <= '9';
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
