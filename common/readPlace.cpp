#include "common/readPlace.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::size_t shownTextLength = 40;

std::string quoted(std::string_view text) {
  std::string shown(text.substr(0, shownTextLength));
  // The text goes to a console: control characters are shown as '?'.
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return "\"" + shown + "\"";
}

std::string lineText(std::uint64_t line) {
  return line == 0 ? std::string("an earlier line") : "line " + groupedNumber(line);
}

}  // namespace

std::string groupedNumber(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<std::size_t>(i), 1, ',');
  }
  return digits;
}

std::string tokenLocation(InputUnit& unit, const char* first, const char* last) {
  const std::uint64_t line = unit.lineOf(unit.placeOf(first));
  return unit.name() + ", " + lineText(line) + ", column " + std::to_string(unit.columnOf(first)) +
         ", " + quoted(std::string_view(first, static_cast<std::size_t>(last - first)));
}

std::string pointLocation(InputUnit& unit, const char* p) {
  return unit.name() + ", " + lineText(unit.lineOf(unit.placeOf(p))) + ", column " +
         std::to_string(unit.columnOf(p));
}

std::string fieldLocation(InputUnit& unit, InputUnit::Place record, std::size_t firstColumn,
                          std::size_t width, std::string_view text) {
  std::string columns = width <= 1 ? "column " + std::to_string(firstColumn)
                                   : "columns " + std::to_string(firstColumn) + "-" +
                                         std::to_string(firstColumn + width - 1);
  return unit.name() + ", " + lineText(unit.lineOf(record)) + ", " + columns + ", " + quoted(text);
}

std::string endOfFileLocation(InputUnit& unit) {
  const std::uint64_t line = unit.lastLine();
  if (line == 0) return unit.name() + ", end of file at its start (the file is empty)";
  return unit.name() + ", end of file after line " + groupedNumber(line);
}

std::string missingValues(const ReadPlace* place, std::int64_t valuesRead) {
  if (place == nullptr || !place->block) return {};
  const std::string block = place->block();
  if (place->valueCount <= 0) return ": the record of " + block + " is missing";
  if (place->valueCount == 1) return ": " + block + " is missing";
  const std::int64_t missing = std::max(place->valueCount - valuesRead, std::int64_t{1});
  return ": " + groupedNumber(static_cast<std::uint64_t>(missing)) + " of the " +
         groupedNumber(static_cast<std::uint64_t>(place->valueCount)) + " values of " + block +
         (missing == 1 ? " was" : " were") + " still missing";
}

std::string itemWords(const ReadPlace* place, std::int64_t index) {
  if (place == nullptr || !place->item) return {};
  return ": " + place->item(index);
}
