// Formatted input: the compiled format walked over records, one field per data descriptor.
// A record shorter than its fields reads as if padded with blanks; blanks inside numeric
// fields are ignored.
#include "common/fixedRead.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/stop.h"

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Iw: blanks ignored anywhere, an optional sign, digits; a field of blanks is 0.
bool parseIntegerField(std::string_view field, int& value) {
  bool negative = false;
  bool signSeen = false;
  bool digitSeen = false;
  long long magnitude = 0;
  for (char c : field) {
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !signSeen && !digitSeen) {
      signSeen = true;
      negative = c == '-';
    } else if (isDigit(c)) {
      digitSeen = true;
      magnitude = magnitude * 10 + (c - '0');
      if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    } else {
      return false;
    }
  }
  if (signSeen && !digitSeen) return false;
  long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

// Fw.d: blanks ignored; a point is taken as written, without one the digits count units of
// 10^-d; an exponent (E, D or a bare sign, then digits) may follow; a blank field is 0.0.
bool parseRealField(std::string_view field, int digits, double& value) {
  std::string compact;
  compact.reserve(field.size());
  for (char c : field) {
    if (c != ' ') compact.push_back(c);
  }
  if (compact.empty()) {
    value = 0.0;
    return true;
  }
  const char* first = compact.data();
  const char* last = first + compact.size();
  // NaN and Infinity, in any case, signed.
  const char* afterSign = (*first == '+' || *first == '-') ? first + 1 : first;
  if (afterSign != last && !isDigit(*afterSign) && *afterSign != '.') {
    if (*first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
  }

  std::string number(*first == '-' ? "-" : "");
  const char* p = afterSign;
  bool point = false;
  bool mantissaDigit = false;
  for (; p != last && (isDigit(*p) || (*p == '.' && !point)); ++p) {
    point = point || *p == '.';
    mantissaDigit = mantissaDigit || isDigit(*p);
    number.push_back(*p);
  }
  if (!mantissaDigit) return false;
  long exponent = 0;
  if (p != last) {
    if (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd') ++p;
    bool negativeExponent = false;
    if (p != last && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
    if (p == last) return false;
    for (; p != last; ++p) {
      if (!isDigit(*p)) return false;
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (!point) exponent -= digits;
  number += 'E';
  number += std::to_string(exponent);
  auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    value = std::strtod(number.c_str(), nullptr);  // infinity or zero, with its sign
    return true;
  }
  return ec == std::errc() && ptr == number.data() + number.size();
}

// Aw into an item of length len: the rightmost len characters of a wider field, or the w
// characters and blanks after them.
std::string textField(std::string_view record, std::size_t column, std::size_t width,
                      std::size_t length) {
  std::string field(width, ' ');
  if (column < record.size()) {
    std::string_view present = record.substr(column, width);
    field.replace(0, present.size(), present);
  }
  if (width >= length) return field.substr(width - length);
  field.resize(length, ' ');
  return field;
}

class RecordReader {
 public:
  RecordReader(InputUnit& unit, bool endOfFileBranch, const ReadPlace* place)
      : unit_(unit), endOfFileBranch_(endOfFileBranch), place_(place) {}

  // Moves to the next record; false at the end of the file when the branch is taken.
  bool nextRecord() {
    column_ = 0;
    if (unit_.nextRecord(record_)) return true;
    if (!endOfFileBranch_) {
      stopRunAt(errorNumber::endOfFile, unit_.number(), unit_.name(),
                endOfFileLocation(unit_) + missingValues(place_, fieldsRead_));
    }
    return false;
  }

  void skip(int columns) { column_ += static_cast<std::size_t>(columns); }

  // One data descriptor into one target.
  void readField(const FormatStep& step, const InputTarget& target) {
    if (target.kind == InputTarget::Kind::text) {
      const auto length = static_cast<std::size_t>(target.length);
      const std::size_t width = step.width == 0 ? length : static_cast<std::size_t>(step.width);
      *target.text = textField(record_, column_, width, length);
      column_ += width;
      ++fieldsRead_;
      return;
    }
    const auto width = static_cast<std::size_t>(step.width);
    std::string_view field =
        column_ < record_.size() ? record_.substr(column_, width) : std::string_view();
    const std::size_t firstColumn = column_ + 1;
    column_ += width;
    ++fieldsRead_;
    bool valid = false;
    if (target.kind == InputTarget::Kind::integer) {
      valid = step.kind == FormatStep::Kind::integer && parseIntegerField(field, *target.integer);
    } else {
      valid =
          step.kind != FormatStep::Kind::text && parseRealField(field, step.digits, *target.real);
    }
    if (!valid) {
      stopRunAt(errorNumber::conversion, unit_.number(), unit_.name(),
                fieldLocation(unit_, unit_.placeOf(record_.data()), firstColumn, width, field) +
                    itemWords(place_, fieldsRead_ - 1));
    }
  }

 private:
  InputUnit& unit_;
  bool endOfFileBranch_;
  const ReadPlace* place_;
  long fieldsRead_ = 0;
  std::string_view record_;
  std::size_t column_ = 0;
};

bool isDataDescriptor(FormatStep::Kind kind) {
  return kind == FormatStep::Kind::integer || kind == FormatStep::Kind::real ||
         kind == FormatStep::Kind::exponent || kind == FormatStep::Kind::text;
}

}  // namespace

bool readRecords(InputUnit& unit, const CompiledFormat& format,
                 std::span<const InputTarget> targets, bool endOfFileBranch,
                 const ReadPlace* place) {
  RecordReader reader(unit, endOfFileBranch, place);
  if (!reader.nextRecord()) return false;
  struct OpenGroup {
    std::size_t open;
    int left;
  };
  std::array<OpenGroup, maxGroupDepth> groups;
  int depth = 0;
  const std::vector<FormatStep>& steps = format.steps;
  std::size_t next = 0;  // the next target
  std::size_t i = 0;
  for (;;) {
    if (i == steps.size()) {
      // Items left: the current record ends and the format reverts onto the next one.
      if (next == targets.size() || !format.hasDataDescriptor) return true;
      if (!reader.nextRecord()) return false;
      i = static_cast<std::size_t>(format.reversionStep);
      depth = 0;
      continue;
    }
    const FormatStep& step = steps[i];
    if (isDataDescriptor(step.kind)) {
      for (int r = 0; r < step.repeat; ++r) {
        if (next == targets.size()) return true;  // the rest of the record is not read
        reader.readField(step, targets[next++]);
      }
      ++i;
      continue;
    }
    switch (step.kind) {
      case FormatStep::Kind::skip:
        reader.skip(step.width);
        break;
      case FormatStep::Kind::slash:
        for (int r = 0; r < step.repeat; ++r) {
          if (!reader.nextRecord()) return false;
        }
        break;
      case FormatStep::Kind::groupOpen:
        groups[static_cast<std::size_t>(depth++)] = {i, step.repeat};
        break;
      case FormatStep::Kind::groupClose:
        if (OpenGroup& group = groups[static_cast<std::size_t>(depth - 1)]; --group.left > 0) {
          i = group.open + 1;
          continue;
        }
        --depth;
        break;
      default:  // literals and scale factors do nothing on input
        break;
    }
    ++i;
  }
}
