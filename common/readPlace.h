#pragma once
// Where a read stopped, in words: the second line of a stop on bad input. A reader names the
// file, the line and column and the offending text; the caller of the reader says, through a
// ReadPlace, what the statement was reading ("the discharge of node 17 of the step at line
// 88,120 (step number 4012)"). The words are only built when a stop happens, so a ReadPlace
// costs a reader nothing while the input is good.
#include <cstdint>
#include <functional>
#include <string>

#include "common/units.h"

struct ReadPlace {
  std::function<std::string(std::int64_t index)> item;  // the value of 0-based index `index`
  std::function<std::string()> block;                   // the statement as a whole
  std::int64_t valueCount = 0;                          // the values the statement needs
};

// 88120 as "88,120".
std::string groupedNumber(std::uint64_t value);

// "RES.DAT, line 37, column 9, "zero"": the token [first, last) of the unit's buffer, its text
// cut to 40 characters.
std::string tokenLocation(InputUnit& unit, const char* first, const char* last);

// "RES.DAT, line 37, column 9": the place of p, a pointer into the unit's records.
std::string pointLocation(InputUnit& unit, const char* p);

// "OTF.DAT, line 3, columns 6-10, "   -3"": a fixed-column field of the record at `record`.
std::string fieldLocation(InputUnit& unit, InputUnit::Place record, std::size_t firstColumn,
                          std::size_t width, std::string_view text);

// "RES.DAT, end of file after line 49" ("RES.DAT, end of file: the file is empty" for none).
std::string endOfFileLocation(InputUnit& unit);

// ": 3 of the 6 values of the element block of the step at line 38 (step number 3) were still
// missing" after `valuesRead` values; empty without a place.
std::string missingValues(const ReadPlace* place, std::int64_t valuesRead);

// ": " and the item in words; empty without a place.
std::string itemWords(const ReadPlace* place, std::int64_t index);
