#pragma once
// Editors of single fields: each fills exactly `width` characters at `field`.
#include <cstdint>
#include <string_view>

// Iw: right-justified digits with a leading minus sign when negative; asterisks when the
// number does not fit.
void editInteger(char* field, int width, std::int64_t value);
// Ew.d after kP (scale 0 or 1 in practice): rounded to nearest; exponent E+dd, or +ddd
// without the letter for exponents of magnitude 100 to 999; asterisks when too wide.
void editExponent(char* field, int width, int digits, int scale, double value);
// Aw (width > 0): right-justified when shorter than the field, else the leftmost characters.
void editText(char* field, int width, std::string_view text);
