#include "tseries/numberList.h"

#include <charconv>
#include <cstddef>
#include <system_error>

#include "common/commandLine.h"
#include "common/numberScan.h"

namespace {

// Lists longer than this are surely not typed: a range "1-2000000000" would otherwise take
// gigabytes before any check of the node count could refuse it.
constexpr std::size_t mostNumbers = 10'000'000;

[[noreturn]] void refuse(std::string_view option, std::string_view text, std::string_view why) {
  throw UsageError(std::string(option) + ": \"" + std::string(text) + "\" " + std::string(why));
}

int numberOf(std::string_view item, std::string_view option, std::string_view list) {
  int value = 0;
  const char* end = item.data() + item.size();
  const auto result = std::from_chars(item.data(), end, value);
  if (item.empty() || !isDigit(item.front()) || result.ptr != end) {
    refuse(option, list,
           "is not a list of numbers and ranges such as 5,12-14,40 (\"" + std::string(item) +
               "\" is not a whole number)");
  }
  if (result.ec != std::errc()) {
    refuse(option, list, "holds the number " + std::string(item) + ", too large to be a number");
  }
  return value;
}

}  // namespace

std::vector<int> parseNumberList(std::string_view text, std::string_view option) {
  std::vector<int> numbers;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const std::size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
      numbers.push_back(numberOf(item, option, text));
    } else {
      const int first = numberOf(item.substr(0, dash), option, text);
      const int last = numberOf(item.substr(dash + 1), option, text);
      if (last < first) {
        refuse(option, text, "holds the range " + std::string(item) + ", which runs backwards");
      }
      if (static_cast<std::size_t>(last - first) >= mostNumbers - numbers.size()) {
        refuse(option, text, "lists more than " + std::to_string(mostNumbers) + " numbers");
      }
      for (int n = first;; ++n) {
        numbers.push_back(n);
        if (n == last) break;
      }
    }
    if (numbers.size() > mostNumbers) {
      refuse(option, text, "lists more than " + std::to_string(mostNumbers) + " numbers");
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return numbers;
}

void checkNumberRange(const std::vector<int>& numbers, int limit, std::string_view option,
                      std::string_view what) {
  for (int n : numbers) {
    if (n < 1 || n > limit) {
      throw UsageError(std::string(option) + ": " + std::to_string(n) + " is outside 1.." +
                       std::to_string(limit) + " (" + std::string(what) + ")");
    }
  }
}
