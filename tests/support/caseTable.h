#pragma once
// Tables of cases as parametrised tests: each row of a table is one test, named after the row's
// `name` in listings and in failures.
//
//   struct Case { const char* name; ... };
//   const Case cases[] = {{"first", ...}, {"second", ...}};
//   class Suite : public testSupport::CaseTest<Case> {};
//   TEST_P(Suite, Behaviour) { const Case& c = row(); ... }
//   INSTANTIATE_TEST_SUITE_P(Cases, Suite, testSupport::rowsOf(cases), testSupport::rowName);
//
// A test shows its row by name, not by the bytes of the row.
#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace testSupport {

// A row of a table as the parameter of a test, shown by its name.
template <class Case>
struct Row {
  const Case* row;
  friend void PrintTo(const Row& parameter, std::ostream* out) { *out << parameter.row->name; }
};

template <class Case>
class CaseTest : public ::testing::TestWithParam<Row<Case>> {
 protected:
  const Case& row() const { return *this->GetParam().row; }
};

template <class Case, std::size_t n>
auto rowsOf(const Case (&table)[n]) {
  std::vector<Row<Case>> rows;
  rows.reserve(n);
  for (const Case& row : table) rows.push_back(Row<Case>{&row});
  return ::testing::ValuesIn(rows);
}

// The name of a row's test.
struct RowName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Row<Case>>& info) const {
    return std::string(info.param.row->name);
  }
};
inline constexpr RowName rowName{};

}  // namespace testSupport
