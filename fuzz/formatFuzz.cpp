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

// Bounds on the work of one input, so that a format such as (99999999(99999999('x'))) is
// skipped rather than run for hours: steps walked and characters written.
constexpr long maxSteps = 200000;
constexpr long maxCharacters = 2000000;

// The kinds of the items the writer will take, found by walking the format as the writer
// does; false when the walk goes beyond the bounds. Stops at an F descriptor (input only) and
// where a reverted pass would take no item.
bool itemKinds(const CompiledFormat& format, std::size_t wanted,
               std::vector<FormatStep::Kind>& kinds) {
  const std::vector<FormatStep>& steps = format.steps;
  std::vector<int> repeatsLeft;
  std::size_t pos = 0;
  std::size_t atReversion = static_cast<std::size_t>(-1);
  long walked = 0;
  long characters = 0;
  for (;;) {
    if (++walked > maxSteps || characters > maxCharacters) return false;
    if (pos == steps.size()) {
      if (kinds.size() == wanted || kinds.size() == atReversion) return true;
      atReversion = kinds.size();
      pos = format.reversionIsGroup ? static_cast<std::size_t>(format.reversionStep) : 0;
      repeatsLeft.clear();
      continue;
    }
    const FormatStep& step = steps[pos];
    switch (step.kind) {
      case FormatStep::Kind::groupOpen:
        repeatsLeft.push_back(step.repeat);
        break;
      case FormatStep::Kind::groupClose:
        if (--repeatsLeft.back() > 0) {
          pos = static_cast<std::size_t>(step.partner) + 1;
          continue;
        }
        repeatsLeft.pop_back();
        break;
      case FormatStep::Kind::integer:
      case FormatStep::Kind::exponent:
      case FormatStep::Kind::text:
        for (int r = 0; r < step.repeat; ++r) {
          if (kinds.size() == wanted) return true;
          if (++walked > maxSteps) return false;
          kinds.push_back(step.kind);
          characters += step.width;
        }
        break;
      case FormatStep::Kind::real:
        return true;  // F is an input descriptor: the items end before it
      case FormatStep::Kind::literal:
        characters += static_cast<long>(step.literal.size());
        break;
      case FormatStep::Kind::skip:
        characters += step.width;
        break;
      case FormatStep::Kind::slash:
        characters += step.repeat;
        break;
      default:
        break;
    }
    ++pos;
  }
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
  std::vector<FormatStep::Kind> kinds;
  if (!itemKinds(format, wanted, kinds)) return 0;

  std::vector<std::string> texts;
  texts.reserve(kinds.size());
  std::vector<Item> items;
  for (FormatStep::Kind kind : kinds) {
    switch (kind) {
      case FormatStep::Kind::integer:
        items.emplace_back(choices.value<std::int64_t>());
        break;
      case FormatStep::Kind::exponent: {
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
