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
// as 1PEw.dEe: one digit, the point, d digits and E, a sign and e exponent digits.
void editGeneral(char* field, const GeneralField& shape, double value) {
  const int width = shape.width;
  if (!std::isfinite(value)) {
    editNonFinite(field, width, value);
    return;
  }
  const bool negative = std::signbit(value);  // -0.0 keeps its sign
  const double magnitude = std::fabs(value);
  char digits[maxSignificantDigits];
  if (magnitude != 0) {
    const int exponent = decimalDigits(magnitude, shape.significant, digits);
    if (exponent >= -1 && exponent < shape.significant) {
      const int trailing = shape.exponentDigits + 2;
      const int fixedWidth = width - trailing;
      const int integerDigits = exponent + 1;  // 0 below 1: "0." then the digits
      const int length = (negative ? 1 : 0) + shape.significant + 1 + (integerDigits == 0 ? 1 : 0);
      char* out = field + (fixedWidth - length);
      std::memset(field, ' ', static_cast<std::size_t>(fixedWidth - length));
      std::memset(field + fixedWidth, ' ', static_cast<std::size_t>(trailing));
      if (negative) *out++ = '-';
      if (integerDigits == 0) {
        *out++ = '0';
        *out++ = '.';
        std::memcpy(out, digits, static_cast<std::size_t>(shape.significant));
      } else {
        std::memcpy(out, digits, static_cast<std::size_t>(integerDigits));
        out += integerDigits;
        *out++ = '.';
        std::memcpy(out, digits + integerDigits,
                    static_cast<std::size_t>(shape.significant - integerDigits));
      }
      return;
    }
  }
  // Exponent form with the scale factor 1: d + 1 significant digits.
  int exponent = magnitude != 0 ? decimalDigits(magnitude, shape.significant + 1, digits) : 0;
  if (magnitude == 0) std::memset(digits, '0', static_cast<std::size_t>(shape.significant + 1));
  const int length = (negative ? 1 : 0) + shape.significant + 4 + shape.exponentDigits;
  char* out = field + (width - length);
  std::memset(field, ' ', static_cast<std::size_t>(width - length));
  if (negative) *out++ = '-';
  *out++ = digits[0];
  *out++ = '.';
  std::memcpy(out, digits + 1, static_cast<std::size_t>(shape.significant));
  out += shape.significant;
  *out++ = 'E';
  *out++ = exponent < 0 ? '-' : '+';
  unsigned rest = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  for (int i = shape.exponentDigits - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + rest % 10);
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
        editGeneral(numericField(doubleField.width), doubleField, item.real);
        return;
      case Item::Kind::single:
        editGeneral(numericField(singleField.width), singleField, item.real);
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

std::string freeFormRecords(std::span<const Item> items) {
  OutputUnit unit(0);
  unit.openMemory();
  writeFreeFormItems(unit, items);
  return unit.memory();
}
