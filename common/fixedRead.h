#pragma once
// Formatted input with the compiled field notation: Iw, F10.0, Aw, A, (100A1), with
// reversion onto further records. Short records read as if padded with blanks.
#include <span>
#include <string>

#include "common/textFormat.h"
#include "common/units.h"

// One target of an input list.
struct InputTarget {
  enum class Kind { integer, real, text };
  Kind kind;
  int* integer = nullptr;
  double* real = nullptr;
  std::string* text = nullptr;  // a text item of fixed declared length `length`
  int length = 0;

  InputTarget(int& value) : kind(Kind::integer), integer(&value) {}
  InputTarget(double& value) : kind(Kind::real), real(&value) {}
  InputTarget(std::string& value, int declaredLength)
      : kind(Kind::text), text(&value), length(declaredLength) {}
};

// One formatted read statement. Without an end-of-file branch the end of the file stops the
// run with error 24; with one, it returns false. A field that is not a number stops the run
// with error 64.
bool readRecords(InputUnit& unit, const CompiledFormat& format,
                 std::span<const InputTarget> targets, bool endOfFileBranch = false);

template <class... Args>
void readFormatted(InputUnit& unit, const CompiledFormat& format, Args&&... targets) {
  const std::array<InputTarget, sizeof...(Args)> list{InputTarget(targets)...};
  readRecords(unit, format, list);
}
