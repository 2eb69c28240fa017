// Fuzz target: the format compiler, the formatted writer, the field editors and the free-form
// writer. The first line of the input is a format; the rest chooses the items. A malformed
// format is refused by tryCompileFormat; a well-formed one is written with items that suit its
// data descriptors (a mismatch is a programming error that aborts by design, so the target
// never hands one over), and the same items go through the free-form writer.
#include <cmath>
#include <vector>

#include "common/fieldEdit.h"
#include "common/freeForm.h"
#include "common/stop.h"
#include "common/textFormat.h"
#include "fuzzInput.h"

namespace {

// A bound on the characters one input writes, so that a format such as (I1000000) with many
// items is skipped rather than run for minutes.
constexpr long maxCharacters = 2000000;

// The kinds of the items the writer will take, found by walking the compiled fields as the
// writer does; false when it would write more than maxCharacters. Stops at an F descriptor
// (input only) and where a reverted pass would take no item.
bool itemKinds(const CompiledFormat& format, std::size_t wanted,
               std::vector<FormatField::Kind>& kinds) {
  std::size_t atPassBegin = static_cast<std::size_t>(-1);
  long characters = 0;
  for (std::size_t next = 0; kinds.size() < wanted;) {
    const FormatField& field = format.fields[next++];
    characters += field.prefixLength + field.width;
    if (characters > maxCharacters) return false;
    switch (field.kind) {
      case FormatField::Kind::recordEnd:
        break;
      case FormatField::Kind::passEnd:
        if (kinds.size() == atPassBegin) return true;
        atPassBegin = kinds.size();
        next = format.reversionField;
        break;
      case FormatField::Kind::real:
        return true;  // F is an input descriptor: the items end before it
      default:
        kinds.push_back(field.kind);
        break;
    }
  }
  return true;
}

double realValue(Choices& choices) {
  switch (choices.byte() % 4) {
    case 0:
      return choices.value<double>();  // any bit pattern: NaN, infinities, subnormals
    case 1:
      return static_cast<double>(choices.value<std::int16_t>()) / 8.0;
    case 2:
      return std::ldexp(1.0, choices.value<std::int16_t>() % 1100) * (choices.byte() & 1 ? -1 : 1);
    default:
      return std::pow(10.0, choices.value<std::int8_t>() * 3) * (1 - 5e-16 * choices.byte());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto [formatText, rest] = splitFirstLine(data, size);
  CompiledFormat format;
  std::string why;
  if (!tryCompileFormat(formatText, format, why)) return 0;

  Choices choices(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
  const std::size_t wanted = choices.byte();
  std::vector<FormatField::Kind> kinds;
  if (!itemKinds(format, wanted, kinds)) return 0;

  std::vector<std::string> texts;
  texts.reserve(kinds.size());
  std::vector<Item> items;
  for (FormatField::Kind kind : kinds) {
    switch (kind) {
      case FormatField::Kind::integer:
        items.emplace_back(choices.value<std::int64_t>());
        break;
      case FormatField::Kind::exponent: {
        const double value = realValue(choices);
        items.push_back(choices.byte() & 1 ? Item::single(value) : Item(value));
        break;
      }
      default:
        texts.emplace_back(choices.text(choices.byte()));
        items.emplace_back(std::string_view(texts.back()));
        break;
    }
  }
  try {
    OutputUnit unit(6);
    unit.openMemory();
    writeRecords(unit, format, items);
    writeFreeFormItems(unit, items);
  } catch (const RunStopped&) {
  }
  return 0;
}
