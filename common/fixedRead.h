#pragma once
// Formatted input with the compiled field notation: Iw, F10.0, Aw, A, (100A1), with
// reversion onto further records. Short records read as if padded with blanks.
#include <span>
#include <string>

#include "common/readPlace.h"
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
// with error 64. Either stop names the line (and the columns and text of the field), and,
// through `place` when the caller gives one, what the field was in words or how many values
// were still missing.
bool readRecords(InputUnit& unit, const CompiledFormat& format,
                 std::span<const InputTarget> targets, bool endOfFileBranch = false,
                 const ReadPlace* place = nullptr);

template <class... Args>
void readFormatted(InputUnit& unit, const CompiledFormat& format, Args&&... targets) {
  const std::array<InputTarget, sizeof...(Args)> list{InputTarget(targets)...};
  readRecords(unit, format, list);
}

// The same, naming what is read for a stop.
template <class... Args>
void readFormattedAt(InputUnit& unit, const CompiledFormat& format, const ReadPlace& place,
                     Args&&... targets) {
  const std::array<InputTarget, sizeof...(Args)> list{InputTarget(targets)...};
  readRecords(unit, format, list, false, &place);
}
