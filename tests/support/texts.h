#pragma once
// Expected texts of the tests: the fixtures, the records' line end of the system the tests run
// on, and texts compared line by line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform.h"

namespace testSupport {

inline std::string fixturePath(const std::string& name) {
  return std::string(FIXTURE_DIR) + "/" + name;
}

// `text` with each "\n" made the line end the programs end their records with here: the
// expected records of a test are written with "\n" and checked against CR LF on Windows.
inline std::string withLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') {
      out += platform::lineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

// The records of `text` without their line ends, which are the platform's: on Windows a record
// ended by a bare "\n" runs on into the next. A last record without a line end counts too.
inline std::vector<std::string> recordsOf(std::string_view text) {
  std::vector<std::string> records;
  while (!text.empty()) {
    const std::size_t end = text.find(platform::lineEnd);
    records.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size()
                                                     : end + platform::lineEnd.size());
  }
  return records;
}

// Compares two texts line by line and reports the first differing line under a column ruler.
inline ::testing::AssertionResult sameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::istringstream a(actual), e(expected);
  std::string lineA, lineE;
  int number = 0;
  while (true) {
    ++number;
    bool hasA = static_cast<bool>(std::getline(a, lineA));
    bool hasE = static_cast<bool>(std::getline(e, lineE));
    if (!hasA && !hasE) break;
    if (hasA != hasE || lineA != lineE) {
      std::string ruler;
      for (int c = 1; c <= 13; ++c) ruler += "123456789" + std::to_string(c % 10);
      return ::testing::AssertionFailure()
             << "first difference at line " << number << "\n        " << ruler
             << "\nactual:  " << (hasA ? lineA : "<end of text>")
             << "\nexpected:" << (hasE ? lineE : "<end of text>");
    }
  }
  return ::testing::AssertionFailure() << "texts differ in their line ends";
}

}  // namespace testSupport
