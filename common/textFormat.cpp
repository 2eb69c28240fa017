// Compiling formats at run time: the constexpr compiler of formatLayout.h, with the editors of
// the E fields resolved and a malformed format reported.
#include "common/textFormat.h"

#include "common/programmingError.h"

namespace {

void resolveEditors(CompiledFormat& format) {
  for (FormatField& field : format.fields) {
    if (field.kind == FormatField::Kind::exponent) {
      field.exponentEditor = exponentEditor(field.digits, field.scale);
    }
  }
}

}  // namespace

CompiledFormat compileFormat(std::string_view text) {
  try {
    CompiledFormat format = layoutOf(text);
    resolveEditors(format);
    return format;
  } catch (const MalformedFormat& malformed) {
    programmingError("malformed format " + std::string(text) + " at character " +
                     std::to_string(malformed.at + 1) + ": " + malformed.why);
  }
}

bool tryCompileFormat(std::string_view text, CompiledFormat& format, std::string& why) {
  try {
    format = layoutOf(text);
  } catch (const MalformedFormat& malformed) {
    why = std::string(malformed.why) + " at character " + std::to_string(malformed.at + 1);
    format = CompiledFormat{};
    return false;
  }
  resolveEditors(format);
  return true;
}
