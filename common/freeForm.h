#pragma once
// Free-form records: written item by item in fixed fields (integer I12, double 1PG24.15E3,
// single 1PG15.7E2, text as it stands) in records of at most 80 characters, and read as
// values separated by commas, blanks and record ends, with repeat counts, null values and
// the slash.
#include <array>
#include <span>

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

// One free-form read statement. It begins at the next record; each read() takes the next
// value; finish() ends the statement and skips the rest of its last record. A null value or a
// value after a slash leaves the item unchanged.
//
// Without an end-of-file branch, the end of the file stops the run with error 24; with one,
// read() returns false and the caller takes the branch. A value that is not valid for its
// item stops the run with error 59.
class FreeFormRead {
 public:
  explicit FreeFormRead(InputUnit& unit, bool endOfFileBranch = false);
  ~FreeFormRead();
  FreeFormRead(const FreeFormRead&) = delete;
  FreeFormRead& operator=(const FreeFormRead&) = delete;

  bool read(int& item);
  bool read(double& item);
  void finish();

 private:
  // Scanner state; see freeForm.cpp.
  InputUnit& unit_;
  bool endOfFileBranch_;
  bool finished_ = false;
  bool slashSeen_ = false;
  bool started_ = false;
  int repeatLeft_ = 0;        // copies of the pending repeated value still to hand out
  bool repeatIsNull_ = false;
  const char* repeatText_ = nullptr;  // the repeated value's characters
  int repeatLength_ = 0;
  std::array<char, 64> repeatValue_{};
  bool commaPending_ = false;  // a comma was the last separator seen
};
