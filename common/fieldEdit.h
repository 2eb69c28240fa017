#pragma once
// Editors of single fields: each fills exactly `width` characters at `field`, laid out in
// place, right-justified, without temporaries, from the digits of decimalDigits.h.
#include <cstdint>
#include <string_view>

#include "common/decimalDigits.h"

// Iw: right-justified digits with a leading minus sign when negative; asterisks when the
// number does not fit.
void editInteger(char* field, int width, std::int64_t value);
// Ew.d after kP (scale 0 or 1 in practice): rounded to nearest; exponent E+dd, or +ddd
// without the letter for exponents of magnitude 100 to 999; asterisks when too wide.
// Infinity and NaN are written as words ("Infinity", "-Infinity", short "Inf", "-Inf", "NaN").
void editExponent(char* field, int width, int digits, int scale, double value);
// An editor of kP,Ew.d with d and k fixed, as a compiled format resolves them once: the same
// characters as editExponent, with the digit count and the layout known in advance.
using ExponentEditor = void (*)(char* field, int width, double value);
// The editor for d and k when the common fields have one (k of 0 or 1, at most eight
// significant digits), else nullptr.
ExponentEditor exponentEditor(int digits, int scale);
// Aw (width > 0): right-justified when shorter than the field, else the leftmost characters.
void editText(char* field, int width, std::string_view text);

// Building blocks shared with the free-form writer.

// Infinity or NaN right-justified in the field: the long word when it fits, else the short
// one, else asterisks.
void editNonFinite(char* field, int width, double value);
// `width` asterisks.
void fillAsterisks(char* field, int width);
