#pragma once
// Free-form records: written item by item in fixed fields (integer I12, double 1PG24.15E3,
// single 1PG15.7E2, text as it stands) in records of at most 80 characters, and read as
// values separated by commas, blanks and record ends, with repeat counts, null values and
// the slash.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "common/numberScan.h"
#include "common/readPlace.h"
#include "common/textFormat.h"
#include "common/units.h"

// One free-form write statement.
void writeFreeFormItems(OutputUnit& unit, std::span<const Item> items);

template <class... Args>
void writeFreeForm(OutputUnit& unit, const Args&... args) {
  const std::array<Item, sizeof...(Args)> items{Item(args)...};
  writeFreeFormItems(unit, items);
}

// The records one free-form statement would write, each followed by '\n' (tests).
std::string freeFormRecords(std::span<const Item> items);

// Records of one free-form statement each of a number, "," and a real: "entity,value", which
// always fit one record. The real is a single (rounded to single precision, as Item::single) or
// a double, as `fullPrecision` says. The same characters and record ends as writeFreeForm(unit,
// entity, ",", value) row after row.
void writeNumberedRows(OutputUnit& unit, std::span<const int> entities,
                       std::span<const double> values, bool fullPrecision);

// The eight decimal digits of `value` (below 10^8) as the values 0..9 of the bytes of a word,
// the most significant in the lowest byte (the leftmost column once stored): four digits to
// each half, two to each quarter, one to each byte, each split by one multiplication.
inline std::uint64_t digitLanes(std::uint64_t value) {
  static_assert(std::endian::native == std::endian::little, "the digits are laid out by bytes");
  std::uint64_t lanes = (value / 10000) | ((value % 10000) << 32);
  std::uint64_t high = ((lanes * 10486) >> 20) & 0x0000007F0000007FULL;
  lanes = high | ((lanes - high * 100) << 16);
  high = ((lanes * 103) >> 10) & 0x000F000F000F000FULL;
  return high | ((lanes - high * 10) << 8);
}

// editInteger, out of line.
void editRowNumberElsewhere(char* field, int width, std::int64_t value);

// Iw with w >= 8, as editInteger, in registers for the numbers from 0 to 99999999 (the entity
// numbers of rows): the eight columns of the digits made at once, leading zeros turned blank.
inline void editRowNumber(char* field, int width, std::int64_t value) {
  if (value < 0 || value > 99999999 || width < 8) [[unlikely]] {
    editRowNumberElsewhere(field, width, value);
    return;
  }
  const std::uint64_t lanes = digitLanes(static_cast<std::uint64_t>(value));
  // Leading zeros (all but the last digit at most) become blanks: '0' - 0x10 is ' '.
  const int leading = std::min(std::countr_zero(lanes) / 8, 7);
  const std::uint64_t blanks = leading == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * leading);
  const std::uint64_t text = (lanes | 0x3030303030303030ULL) - (blanks & 0x1010101010101010ULL);
  char* digits = field + (width - 8);
  for (char* p = field; p < digits; ++p) *p = ' ';
  std::memcpy(digits, &text, 8);
}

// One free-form read statement. It begins at the next record; each read() takes the next
// value; finish() ends the statement and skips the rest of its last record. A null value or a
// value after a slash leaves the item unchanged.
//
// Without an end-of-file branch, the end of the file stops the run with error 24; with one,
// read() returns false and the caller takes the branch. A value that is not valid for its
// item stops the run with error 59. Either stop names the place: the line, the column and the
// text, and, through `place` when the caller gives one, what the value was in words or how
// many values of the block were still missing.
class FreeFormRead {
 public:
  explicit FreeFormRead(InputUnit& unit, bool endOfFileBranch = false,
                        const ReadPlace* place = nullptr);
  // Goes on with a statement (without an end-of-file branch) of which `valuesRead` values
  // were read before the unit's position, a record's start, with nothing pending;
  // `afterComma` when a comma came after the last of them.
  FreeFormRead(InputUnit& unit, const ReadPlace* place, std::int64_t valuesRead, bool afterComma);
  ~FreeFormRead();
  FreeFormRead(const FreeFormRead&) = delete;
  FreeFormRead& operator=(const FreeFormRead&) = delete;

  bool read(int& item);
  bool read(double& item);
  // Ends the statement. A statement that read no value still consumes one record; false when
  // the end of the file met there takes the end-of-file branch.
  bool finish();

  // "RES.DAT, line 13, column 12, "10"": the place of the value read last, for a caller that
  // rejects it.
  std::string lastValueLocation() const;
  // The place of the value read last, kept to name it later (a step by its header's line).
  InputUnit::Place lastValuePlace() const;

 private:
  enum class Pending : unsigned char { none, repeat, slash, endOfFile };
  // Points the cursor at the next value, handling separators, null values and slashes;
  // returns false when the item is to stay unchanged (or at the end of the file).
  bool nextValue();
  bool refill();
  template <class Number>
  bool takePending(Number& item);
  template <class Number>
  bool readNumber(Number& item);
  void startRepeat(const char* token, const char* star, const char* end);
  [[noreturn]] void syntaxError(const char* first, const char* last) const;
  [[noreturn]] void endOfFile() const;
  const char* lastValueStart() const;

  InputUnit& unit_;
  const char* cursor_;  // the unit's buffer, cached for the statement's life
  const char* limit_;
  bool endOfFileBranch_;
  const ReadPlace* place_;
  std::int64_t itemCount_ = 0;  // read() calls so far, the current one included
  bool finished_ = false;
  bool afterSeparator_ = true;  // a comma (or the statement's start) was the last thing seen
  Pending pending_ = Pending::none;
  int repeatLeft_ = 0;  // copies of the repeated value still to hand out
  // The repeated value; its text stays in the unit's buffer, where no record is loaded while
  // copies last.
  RepeatedValue repeat_;
};
