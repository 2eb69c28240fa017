// Free-form writing: items in fixed fields, records of at most 80 characters.
#include "common/freeForm.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/fieldEdit.h"

namespace {

constexpr int recordLength = 80;

// The field of each numeric item type: 1PGw.dEe.
struct GeneralField {
  int width;
  int significant;     // d
  int exponentDigits;  // e
};
constexpr int integerWidth = 12;                // I12
constexpr GeneralField doubleField{24, 15, 3};  // 1PG24.15E3
constexpr GeneralField singleField{15, 7, 2};   // 1PG15.7E2

// 1PGw.dEe: a value that rounds to at least 0.1 and below 10^d in fixed form with d significant
// digits in the first w-e-2 columns and e+2 blanks after them; any other value (zero included)
// as 1PEw.dEe: one digit, the point, d digits and E, a sign and e exponent digits. The shape is
// a template argument, so that every length but the fixed form's split is a constant.
template <const GeneralField& shape>
void editGeneral(char* field, double value) {
  constexpr int width = shape.width;
  constexpr int significant = shape.significant;
  if (!std::isfinite(value)) [[unlikely]] {
    editNonFinite(field, width, value);
    return;
  }
  const bool negative = std::signbit(value);  // -0.0 keeps its sign
  const double magnitude = std::fabs(value);
  // The digits go straight into the field (a copy through a scratch would read back stores of
  // other sizes, which the processor cannot forward). Only magnitudes from about 0.1 up to
  // 10^d can round into the fixed form's range.
  constexpr double fixedCeiling = [] {
    double power = 2;
    for (int i = 0; i < significant; ++i) power *= 10;
    return power;
  }();
  if (magnitude >= 0.09 && magnitude < fixedCeiling) {
    // Fixed form: the digits end where the trailing blanks begin.
    constexpr int fixedWidth = width - (shape.exponentDigits + 2);
    char* const digits = field + (fixedWidth - significant);
    const int exponent = decimalDigits(magnitude, significant, digits);
    if (exponent >= -1 && exponent < significant) {
      char* start;
      if (exponent == -1) {  // below 1: "0." then the digits
        start = digits - 2;
        start[0] = '0';
        start[1] = '.';
      } else {  // the integer digits one column left, then the point
        start = digits - 1;
        for (int i = 0; i <= exponent; ++i) start[i] = digits[i];
        start[exponent + 1] = '.';
      }
      if (negative) *--start = '-';
      for (char* p = field; p < start; ++p) *p = ' ';
      std::memset(field + fixedWidth, ' ', width - fixedWidth);
      return;
    }
  }
  // Exponent form with the scale factor 1: d + 1 significant digits, the first one moved
  // before the point.
  constexpr int unsignedLength = significant + 4 + shape.exponentDigits;
  char* const out = field + (width - unsignedLength);
  int exponent = 0;
  if (magnitude != 0) {
    exponent = decimalDigits(magnitude, significant + 1, out + 1);
  } else {
    std::memset(out + 1, '0', significant + 1);
  }
  out[0] = out[1];
  out[1] = '.';
  for (char* p = field; p < out; ++p) *p = ' ';
  if (negative) out[-1] = '-';
  char* tail = out + significant + 2;
  *tail++ = 'E';
  *tail++ = exponent < 0 ? '-' : '+';
  unsigned rest = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  for (int i = shape.exponentDigits - 1; i >= 0; --i) {
    tail[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  if (rest != 0) fillAsterisks(field, width);  // more exponent digits than the field has
}

// The current record of a statement and its column.
class FreeFormWriter {
 public:
  explicit FreeFormWriter(OutputUnit& unit) : unit_(unit) {}

  void write(const Item& item) {
    switch (item.kind) {
      case Item::Kind::integer:
        editInteger(numericField(integerWidth), integerWidth, item.integer);
        return;
      case Item::Kind::real:
        editGeneral<doubleField>(numericField(doubleField.width), item.real);
        return;
      case Item::Kind::single:
        editGeneral<singleField>(numericField(singleField.width), item.real);
        return;
      case Item::Kind::text:
        writeText(item.text);
        return;
    }
  }

  void finish() { unit_.endRecord(); }

 private:
  // A numeric field is never split: when it does not fit, it starts the next record.
  char* numericField(int width) {
    if (column_ > 0 && column_ + width > recordLength) newRecord();
    column_ += width;
    return unit_.extend(static_cast<std::size_t>(width));
  }

  // Text directly after another item when it fits; otherwise it begins a record, after one
  // blank, and continues on further records (each after one blank) as long as it needs.
  void writeText(std::string_view text) {
    const int length = static_cast<int>(text.size());
    if (column_ > 0) {
      if (column_ + length <= recordLength) {
        unit_.append(text);
        column_ += length;
        return;
      }
      newRecord();
    }
    for (;;) {
      const std::size_t part = std::min(text.size(), static_cast<std::size_t>(recordLength - 1));
      char* out = unit_.extend(part + 1);
      out[0] = ' ';
      std::memcpy(out + 1, text.data(), part);
      column_ = static_cast<int>(part) + 1;
      text.remove_prefix(part);
      if (text.empty()) return;
      newRecord();
    }
  }

  void newRecord() {
    unit_.endRecord();
    column_ = 0;
  }

  OutputUnit& unit_;
  int column_ = 0;
};

}  // namespace

void writeFreeFormItems(OutputUnit& unit, std::span<const Item> items) {
  FreeFormWriter writer(unit);
  for (const Item& item : items) writer.write(item);
  writer.finish();
}

namespace {

// The rows of writeNumberedRows in one field shape, each edited straight into the unit's buffer.
template <const GeneralField& shape, bool single>
[[gnu::flatten]] void writeNumberedRowsIn(OutputUnit& unit, std::span<const int> entities,
                                          std::span<const double> values) {
  constexpr std::size_t prefixLength = integerWidth + 1;
  for (std::size_t row = 0; row < entities.size(); ++row) {
    char* const out = unit.extend(prefixLength + shape.width);
    editRowNumber(out, integerWidth, entities[row]);
    out[integerWidth] = ',';
    const double value =
        single ? static_cast<double>(static_cast<float>(values[row])) : values[row];
    editGeneral<shape>(out + prefixLength, value);
    unit.endRecord();
  }
}

}  // namespace

void writeNumberedRows(OutputUnit& unit, std::span<const int> entities,
                       std::span<const double> values, bool fullPrecision) {
  if (fullPrecision) {
    writeNumberedRowsIn<doubleField, false>(unit, entities, values);
  } else {
    writeNumberedRowsIn<singleField, true>(unit, entities, values);
  }
}

void editRowNumberElsewhere(char* field, int width, std::int64_t value) {
  editInteger(field, width, value);
}

std::string freeFormRecords(std::span<const Item> items) {
  OutputUnit unit(0);
  unit.openMemory();
  writeFreeFormItems(unit, items);
  return unit.memory();
}
