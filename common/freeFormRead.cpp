// The free-form scanner. Values are read straight from the unit's buffer: the common value (a
// short decimal, with an E or D exponent) is converted exactly in place, a longer one by
// std::from_chars, with no copy. Only odd tokens take the slow path: a leading '+', an exponent
// written without its letter ("1.5000-120"), or a value out of the double range. A repeated
// value is converted once for its copies.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/freeForm.h"
#include "common/numberScan.h"
#include "common/stop.h"

namespace {

// Every record in the unit's buffer ends with '\n', so a token always ends inside the buffer.
const char* tokenEnd(const char* p) {
  while (!isSeparator(*p)) ++p;
  return p;
}

// The whole of [first, last) as a value of the item's type, odd forms included (numberScan.h).
[[gnu::noinline]] bool parseNumber(const char* first, const char* last, int& value) {
  return scanInteger({first, static_cast<std::size_t>(last - first)}, freeFormValue, value);
}
[[gnu::noinline]] bool parseNumber(const char* first, const char* last, double& value) {
  return scanReal({first, static_cast<std::size_t>(last - first)}, freeFormValue, value);
}

// The usual value, converted exactly without std::from_chars (numberScan.h).
inline const char* shortNumber(const char* p, int& value) {
  return shortInteger(p, value);
}
inline const char* shortNumber(const char* p, double& value) {
  return shortReal(p, value);
}

}  // namespace

FreeFormRead::FreeFormRead(InputUnit& unit, bool endOfFileBranch, const ReadPlace* place)
    : unit_(unit),
      cursor_(unit.position()),
      limit_(unit.limit()),
      endOfFileBranch_(endOfFileBranch),
      place_(place) {}

FreeFormRead::FreeFormRead(InputUnit& unit, const ReadPlace* place, std::int64_t valuesRead,
                           bool afterComma)
    : unit_(unit),
      cursor_(unit.position()),
      limit_(unit.limit()),
      endOfFileBranch_(false),
      place_(place),
      itemCount_(valuesRead),
      afterSeparator_(afterComma) {}

FreeFormRead::~FreeFormRead() {
  if (finished_) return;
  // Not finished (a stop is unwinding, or a caller forgot): leave the unit at a record boundary
  // without reading anything more.
  if (cursor_ < limit_ && cursor_ != unit_.position()) {
    cursor_ = static_cast<const char*>(
                  std::memchr(cursor_, '\n', static_cast<std::size_t>(limit_ - cursor_))) +
              1;
  }
  unit_.advanceTo(cursor_);
}

bool FreeFormRead::refill() {
  unit_.advanceTo(cursor_);
  bool loaded = unit_.refill();
  cursor_ = unit_.position();
  limit_ = unit_.limit();
  return loaded;
}

void FreeFormRead::syntaxError(const char* first, const char* last) const {
  stopRunAt(errorNumber::listSyntax, unit_.number(), unit_.name(),
            tokenLocation(unit_, first, last) + itemWords(place_, itemCount_ - 1));
}

void FreeFormRead::endOfFile() const {
  stopRunAt(
      errorNumber::endOfFile, unit_.number(), unit_.name(),
      endOfFileLocation(unit_) + missingValues(place_, std::max(itemCount_ - 1, std::int64_t{0})));
}

const char* FreeFormRead::lastValueStart() const {
  const char* first = cursor_;
  while (first > unit_.position() && !isSeparator(first[-1])) --first;
  return first;
}

std::string FreeFormRead::lastValueLocation() const {
  const char* first = lastValueStart();
  return tokenLocation(unit_, first, tokenEnd(first));
}

InputUnit::Place FreeFormRead::lastValuePlace() const {
  return unit_.placeOf(lastValueStart());
}

inline bool FreeFormRead::nextValue() {
  for (;;) {
    if (cursor_ == limit_ && !refill()) {
      if (!endOfFileBranch_) endOfFile();
      pending_ = Pending::endOfFile;
      return false;
    }
    switch (*cursor_) {
      case ' ':
      case '\t':
      case '\r':
      case '\n':
        ++cursor_;
        continue;
      case ',':
        ++cursor_;
        if (afterSeparator_) return false;  // a null value
        afterSeparator_ = true;
        continue;
      case '/':
        ++cursor_;
        pending_ = Pending::slash;
        return false;
      default:
        afterSeparator_ = false;
        return true;
    }
  }
}

void FreeFormRead::startRepeat(const char* token, const char* star, const char* end) {
  int count = 0;
  if (!isDigit(*token) || !parseNumber(token, star, count) || count <= 0) syntaxError(token, end);
  pending_ = Pending::repeat;
  repeatLeft_ = count;
  repeat_ = RepeatedValue(star + 1, end);
}

template <class Number>
bool FreeFormRead::takePending(Number& item) {
  switch (pending_) {
    case Pending::slash:
      return true;
    case Pending::endOfFile:
      return false;
    default:
      break;
  }
  if (--repeatLeft_ == 0) pending_ = Pending::none;
  if (repeat_.isNull()) return true;  // r null values
  if (!repeat_.take(item)) {
    // The repeat token stands just before the cursor: no record is loaded while copies last.
    const char* token = cursor_;
    while (token > unit_.position() && !isSeparator(token[-1])) --token;
    syntaxError(token, cursor_);
  }
  return true;
}

template <class Number>
bool FreeFormRead::readNumber(Number& item) {
  if (pending_ != Pending::none) return takePending(item);
  if (!nextValue()) return pending_ != Pending::endOfFile;
  // The usual value: straight from the buffer, ended by a separator.
  Number value;
  if (const char* end = shortNumber(cursor_, value)) {
    item = value;
    cursor_ = end;
    return true;
  }
  auto [ptr, ec] = std::from_chars(cursor_, limit_, value);
  if (ec == std::errc() && isSeparator(*ptr)) {
    item = value;
    cursor_ = ptr;
    return true;
  }
  const char* end = tokenEnd(cursor_);
  const char* token = cursor_;
  cursor_ = end;
  if (auto star = static_cast<const char*>(
          std::memchr(token, '*', static_cast<std::size_t>(end - token)))) {
    startRepeat(token, star, end);
    return takePending(item);
  }
  if (!parseNumber(token, end, item)) syntaxError(token, end);
  return true;
}

bool FreeFormRead::read(int& item) {
  ++itemCount_;
  return readNumber(item);
}

bool FreeFormRead::read(double& item) {
  ++itemCount_;
  return readNumber(item);
}

bool FreeFormRead::finish() {
  if (finished_) return pending_ != Pending::endOfFile;
  finished_ = true;
  if (pending_ == Pending::endOfFile) return false;
  // The rest of the statement's last record; a statement that read nothing takes one record.
  if (cursor_ == limit_ && !refill()) {
    if (!endOfFileBranch_) endOfFile();
    pending_ = Pending::endOfFile;
    return false;
  }
  cursor_ = static_cast<const char*>(
                std::memchr(cursor_, '\n', static_cast<std::size_t>(limit_ - cursor_))) +
            1;
  unit_.advanceTo(cursor_);
  return true;
}
