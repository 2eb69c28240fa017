// The formatted writer: one walk over the compiled fields of a format. Each stretch of a record
// (up to a record end or an A field of no width) is taken from the unit's buffer at once and
// every field edited straight into it; a record that ends sooner gives the rest back.
#include <cstring>
#include <string>

#include "common/programmingError.h"
#include "common/textFormat.h"

namespace {

[[noreturn]] void wrongItem(const CompiledFormat& format, const FormatField& field,
                            std::ptrdiff_t item) {
  programmingError("format " + format.source + ": item " + std::to_string(item + 1) +
                   " does not suit step " + std::to_string(field.stepIndex + 1));
}

}  // namespace

void writeRecords(OutputUnit& unit, const CompiledFormat& format, std::span<const Item> items) {
  const char* const prefixes = format.prefixes.data();
  const Item* item = items.data();
  const Item* const end = item + items.size();
  const Item* passBegin = end;  // none yet: the first pass may take no item
  char* out = unit.extend(static_cast<std::size_t>(format.firstRoom));
  for (const FormatField* next = format.fields.data();;) {
    const FormatField& field = *next++;
    // The prefix, then the field after it; or, when nothing follows in the record, the prefix
    // up to its last literal.
    char* const begin = out;
    const char* const prefix = prefixes + field.prefixAt;
    if (field.prefixLength <= prefixSlack) [[likely]] {
      std::memcpy(out, prefix, prefixSlack);
    } else {
      std::memcpy(out, prefix, static_cast<std::size_t>(field.prefixLength));
    }
    out += field.prefixLength;
    // The fields of fixed width with an item of their kind.
    switch (field.kind) {
      case FormatField::Kind::integer:
        if (item == end || item->kind != Item::Kind::integer) [[unlikely]]
          break;
        editInteger(out, field.width, item->integer);
        out += field.width;
        ++item;
        continue;
      case FormatField::Kind::exponent:
        if (item == end || (item->kind != Item::Kind::real && item->kind != Item::Kind::single))
            [[unlikely]]
          break;
        if (field.exponentEditor != nullptr) [[likely]] {
          field.exponentEditor(out, field.width, item->real);
        } else {
          editExponent(out, field.width, field.digits, field.scale, item->real);
        }
        out += field.width;
        ++item;
        continue;
      case FormatField::Kind::text:
        if (item == end || item->kind != Item::Kind::text) [[unlikely]]
          break;
        editText(out, field.width, item->text);
        out += field.width;
        ++item;
        continue;
      default:
        break;
    }
    // The ends of records and of the format, and everything rare.
    if (field.kind == FormatField::Kind::recordEnd || field.kind == FormatField::Kind::passEnd) {
      unit.shrinkTo(begin + field.literalLength);
      unit.endRecord();
      if (field.kind == FormatField::Kind::passEnd) {
        // The final parenthesis: stop, or revert on a new record while items remain.
        if (item == end) return;
        if (item == passBegin) [[unlikely]] {
          programmingError("format " + format.source +
                           " has no data descriptor for the remaining items");
        }
        passBegin = item;
        next = format.fields.data() + format.reversionField;
      }
      out = unit.extend(static_cast<std::size_t>(field.room));
      continue;
    }
    // With the list exhausted, control stops at the next data descriptor.
    if (item == end) {
      unit.shrinkTo(begin + field.literalLength);
      unit.endRecord();
      return;
    }
    if (field.kind != FormatField::Kind::anyText || item->kind != Item::Kind::text) {
      wrongItem(format, field, item - items.data());  // F is an input descriptor
    }
    unit.shrinkTo(out);
    unit.append(item->text);
    out = unit.extend(static_cast<std::size_t>(field.room));
    ++item;
  }
}

std::string formatRecords(const CompiledFormat& format, std::span<const Item> items) {
  OutputUnit unit(0);
  unit.openMemory();
  writeRecords(unit, format, items);
  return unit.memory();
}
