#pragma once
// Editors of single fields: each fills exactly `width` characters at `field`.
#include <cstdint>
#include <string>
#include <string_view>

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

// The most significant digits decimalDigits() gives.
constexpr int maxSignificantDigits = 60;
// Rounds the finite, non-negative `magnitude` to nearest with `count` significant digits
// (1..maxSignificantDigits): writes the `count` digit characters to `digits` and returns the
// decimal exponent of the first one (magnitude ~ d.ddd * 10^exponent); zero gives zeros and 0.
// Up to 17 digits they come from one 64 x 64-bit product with a power of ten, checked to be
// far enough from a decimal tie; otherwise, and near a tie, from exactDecimalDigits.
int decimalDigits(double magnitude, int count, char* digits);
// The same digits from std::to_chars alone: the reference the fast path is tested against.
int exactDecimalDigits(double magnitude, int count, char* digits);
// Writes exactly `count` (1..20) digits of `value`, which has no more, at `out`, with leading
// zeros.
void putDigits(char* out, int count, std::uint64_t value);
// Infinity or NaN right-justified in the field: the long word when it fits, else the short
// one, else asterisks.
void editNonFinite(char* field, int width, double value);
// `width` asterisks.
void fillAsterisks(char* field, int width);

// The shortest text that reads back as the same double ("0.25", "30", "1e-07"), in `text`: the
// times of the ParaView collection, of the place lines and of the tables for programs.
std::string_view shortestDouble(double value, char (&text)[32]);
// The same as a string.
std::string shortestDoubleText(double value);
// The same with a decimal point or an exponent always, so that every reader takes it for a
// real: "30.0", "0.25", "-1.875", "2e-16". The real values of the tables for programs.
std::string_view realText(double value, char (&text)[32]);
