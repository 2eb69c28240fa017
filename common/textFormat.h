#pragma once
// Formats in the field notation, compiled once and applied to item lists many times.
//
//   static const CompiledFormat nodeLine = compileFormat("(1X,3(I6,1P,3E12.4))");
//   writeFormatted(unit, nodeLine, node, head, pressure, discharge, ...);
//
// The same compiled form serves formatted input (fixedRead.h). The syntax is formatSyntax.h,
// the compiled form formatLayout.h, the writer formatWrite.cpp.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/formatLayout.h"
#include "common/units.h"

// One item of an output list.
// Only the member of its kind holds a value (they share their storage, so that the lists
// that writers build for every record stay small).
struct Item {
  enum class Kind : std::uint8_t { integer, real, single, text };
  Kind kind;
  union {
    std::int64_t integer;
    double real;  // for single: the value already rounded to single precision
    std::string_view text;
  };

  Item(int value) : kind(Kind::integer), integer(value) {}
  Item(std::int64_t value) : kind(Kind::integer), integer(value) {}
  Item(double value) : kind(Kind::real), real(value) {}
  Item(std::string_view value) : kind(Kind::text), text(value) {}
  Item(const char* value) : kind(Kind::text), text(value) {}
  Item(const std::string& value) : kind(Kind::text), text(value) {}
  // A double rounded to single precision, edited from that value.
  static Item single(double value) {
    Item item(static_cast<double>(static_cast<float>(value)));
    item.kind = Kind::single;
    return item;
  }
};

// Compiles a format such as "(1X,3(I6,1P,3E12.4))". A malformed format is a programming error.
CompiledFormat compileFormat(std::string_view text);
// Compiles a format that may be malformed or too long: false, with the reason in `why`.
bool tryCompileFormat(std::string_view text, CompiledFormat& format, std::string& why);

// A record layout of the programs, written as its text where it is used and compiled once
// more while the program is: a malformed layout does not compile.
//
//   const RecordLayout nodeLine{"(1X,3(I6,1P,3E12.4))"};
//   static const CompiledFormat format = compileFormat(nodeLine);
class RecordLayout {
 public:
  consteval RecordLayout(const char* text)  // NOLINT: a layout is written as its text
      : text_(text) {
    layoutOf(text_);  // throws, and so fails to compile, when malformed or too long
  }
  operator std::string_view() const { return text_; }

 private:
  std::string_view text_;
};

// One formatted write statement: writes one or more whole records to the unit.
void writeRecords(OutputUnit& unit, const CompiledFormat& format, std::span<const Item> items);

template <class... Args>
void writeFormatted(OutputUnit& unit, const CompiledFormat& format, const Args&... args) {
  const std::array<Item, sizeof...(Args)> items{Item(args)...};
  writeRecords(unit, format, items);
}

// The records a statement would write, each followed by '\n' (tests, benchmarks).
std::string formatRecords(const CompiledFormat& format, std::span<const Item> items);
