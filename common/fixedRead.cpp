// Formatted input: the compiled format walked over records, one field per data descriptor.
// A record shorter than its fields reads as if padded with blanks; blanks inside numeric
// fields are ignored.
#include "common/fixedRead.h"

#include <string>

#include "common/numberScan.h"
#include "common/stop.h"

namespace {

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
  void readField(const FormatField& field, const InputTarget& target) {
    if (target.kind == InputTarget::Kind::text) {
      const auto length = static_cast<std::size_t>(target.length);
      const std::size_t width = field.width == 0 ? length : static_cast<std::size_t>(field.width);
      *target.text = textField(record_, column_, width, length);
      column_ += width;
      ++fieldsRead_;
      return;
    }
    const auto width = static_cast<std::size_t>(field.width);
    const std::string_view text =
        column_ < record_.size() ? record_.substr(column_, width) : std::string_view();
    const std::size_t firstColumn = column_ + 1;
    column_ += width;
    ++fieldsRead_;
    bool valid = false;
    const NumberDialect dialect = fixedColumnField(field.digits);
    if (target.kind == InputTarget::Kind::integer) {
      valid =
          field.kind == FormatField::Kind::integer && scanInteger(text, dialect, *target.integer);
    } else {
      valid = field.kind != FormatField::Kind::text && field.kind != FormatField::Kind::anyText &&
              scanReal(text, dialect, *target.real);
    }
    if (!valid) {
      stopRunAt(errorNumber::conversion, unit_.number(), unit_.name(),
                fieldLocation(unit_, unit_.placeOf(record_.data()), firstColumn, width, text) +
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

}  // namespace

bool readRecords(InputUnit& unit, const CompiledFormat& format,
                 std::span<const InputTarget> targets, bool endOfFileBranch,
                 const ReadPlace* place) {
  RecordReader reader(unit, endOfFileBranch, place);
  if (!reader.nextRecord()) return false;
  std::size_t target = 0;
  for (std::size_t next = 0;;) {
    const FormatField& field = format.fields[next++];
    reader.skip(field.skipColumns);
    switch (field.kind) {
      case FormatField::Kind::recordEnd:
        if (!reader.nextRecord()) return false;
        break;
      case FormatField::Kind::passEnd:
        // Items left: the current record ends and the format reverts onto the next one.
        if (target == targets.size() || !format.hasDataDescriptor) return true;
        if (!reader.nextRecord()) return false;
        next = format.reversionField;
        break;
      default:
        if (target == targets.size()) return true;  // the rest of the record is not read
        reader.readField(field, targets[target++]);
        break;
    }
  }
}
