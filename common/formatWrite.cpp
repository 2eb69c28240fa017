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
  const FormatField* const fields = format.fields.data();
  const char* const prefixes = format.prefixes.data();
  const Item* item = items.data();
  const Item* const end = item + items.size();
  const Item* passBegin = end;  // none yet: the first pass may take no item
  char* out = unit.extend(static_cast<std::size_t>(format.firstRoom));
  std::size_t next = 0;
  for (;;) {
    const FormatField& field = fields[next++];
    // The prefix, then the field after it; or, when nothing follows in the record, the prefix
    // up to its last literal.
    char* const begin = out;
    const char* const prefix = prefixes + field.prefixAt;
    if (field.wideCopy) {
      std::memcpy(out, prefix, 8);
    } else {
      std::memcpy(out, prefix, static_cast<std::size_t>(field.prefixLength));
    }
    out += field.prefixLength;
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
        next = format.reversionField;
      }
      out = unit.extend(static_cast<std::size_t>(field.room));
      continue;
    }
    // With the list exhausted, control stops at the next data descriptor.
    if (item == end) [[unlikely]] {
      unit.shrinkTo(begin + field.literalLength);
      unit.endRecord();
      return;
    }
    switch (field.kind) {
      case FormatField::Kind::integer:
        if (item->kind != Item::Kind::integer) [[unlikely]]
          wrongItem(format, field, item - items.data());
        editInteger(out, field.width, item->integer);
        break;
      case FormatField::Kind::exponent:
        if (item->kind != Item::Kind::real && item->kind != Item::Kind::single) [[unlikely]]
          wrongItem(format, field, item - items.data());
        if (field.exponentEditor != nullptr) [[likely]] {
          field.exponentEditor(out, field.width, item->real);
        } else {
          editExponent(out, field.width, field.digits, field.scale, item->real);
        }
        break;
      case FormatField::Kind::text:
        if (item->kind != Item::Kind::text) [[unlikely]]
          wrongItem(format, field, item - items.data());
        editText(out, field.width, item->text);
        break;
      case FormatField::Kind::anyText:
        if (item->kind != Item::Kind::text) [[unlikely]]
          wrongItem(format, field, item - items.data());
        unit.shrinkTo(out);
        unit.append(item->text);
        out = unit.extend(static_cast<std::size_t>(field.room));
        break;
      default:  // F is an input descriptor
        wrongItem(format, field, item - items.data());
    }
    out += field.width;
    ++item;
  }
}

std::string formatRecords(const CompiledFormat& format, std::span<const Item> items) {
  OutputUnit unit(0);
  unit.openMemory();
  writeRecords(unit, format, items);
  return unit.memory();
}
