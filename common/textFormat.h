#pragma once
// Formats in the field notation, compiled once and applied to item lists many times.
//
//   static const CompiledFormat nodeLine = compileFormat("(1X,3(I6,1P,3E12.4))");
//   writeFormatted(unit, nodeLine, node, head, pressure, discharge, ...);
//
// The same compiled form serves formatted input (fixedRead.h).
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/fieldEdit.h"
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

// One step of a compiled format.
struct FormatStep {
  enum class Kind : std::uint8_t {
    integer,    // Iw
    real,       // Fw.d (input)
    exponent,   // Ew.d
    text,       // Aw, or A when width is 0
    skip,       // nX: width holds n
    slash,      // / (n/ : repeat holds n)
    literal,    // 'text' (or "text"): literal holds the text, a doubled quote undoubled
    scale,      // kP: scale holds k
    groupOpen,  // n( : repeat holds n, partner the index of the matching close
    groupClose  // )  : partner the index of the matching open
  };
  Kind kind;
  int repeat = 1;   // repeat count of a data descriptor, slash or group
  int width = 0;    // w (0 for A without width)
  int digits = 0;   // d
  int scale = 0;    // k of kP
  int partner = 0;  // matching group index
  std::string literal;
};

// Groups nest at most this deep (the compiler rejects deeper formats).
constexpr int maxGroupDepth = 16;

// One step of a format written out in a straight line: every group and repeat count
// expanded, so that a write statement walks it without counters. Never a group step.
struct FlatStep {
  FormatStep::Kind kind;
  int width = 0;      // w, or n of nX
  int digits = 0;     // d
  int scale = 0;      // k of kP
  int literalAt = 0;  // a literal: its text in CompiledFormat::literals
  int literalLength = 0;
};

// One field of a record of fixed width, with the literals and blanks before it and the scale
// factor in force; the last one may be a prefix alone (kind literal, width 0).
struct FixedField {
  FormatStep::Kind kind;  // integer, exponent, text or literal
  bool wideCopy = false;  // the prefix may be copied as eight characters (the record has room)
  int width = 0;
  int digits = 0;
  int scale = 0;
  int prefixAt = 0;  // in CompiledFormat::fixedPrefixes
  int prefixLength = 0;
  int flatIndex = 0;                        // its step in the straight line (messages)
  ExponentEditor exponentEditor = nullptr;  // for E: the editor of its d and k, if any
};

// Formats whose straight-line form would be longer are walked step by step instead.
constexpr std::size_t maxFlatSteps = 4096;

struct CompiledFormat {
  std::string source;
  std::vector<FormatStep> steps;  // without the outer parentheses
  int reversionStep = 0;          // where control reverts when items remain at the end
  int reversionRepeat = 1;        // repeat count of the group reverted to
  bool reversionIsGroup = false;  // false: reverts to the whole format
  bool hasDataDescriptor = false;
  // The straight-line form of one pass (empty when too long) and the step where a reverted
  // pass begins in it: the group reverted to, with its repeats, and all that follows it.
  std::vector<FlatStep> flat;
  std::size_t flatReversion = 0;
  std::string literals;
  // When one pass of the straight line writes a single record of fixed width (no slash, no A
  // without width): its characters without the line end and the data descriptors it takes.
  // Otherwise width -1. A statement with exactly that many items is then written into one
  // stretch of the buffer, field by field from fixedFields.
  int fixedRecordWidth = -1;
  std::size_t fixedDataCount = 0;
  std::vector<FixedField> fixedFields;
  std::string fixedPrefixes;  // the prefixes' text, then eight blanks of slack
};

// Compiles a format such as "(1X,3(I6,1P,3E12.4))". A malformed format is a programming
// error and aborts.
CompiledFormat compileFormat(std::string_view text);

// A record layout of the programs, written as its text where it is used. Every layout enters
// one list as the program starts, so that all of them can be checked together.
class RecordLayout {
 public:
  RecordLayout(const char* text);  // NOLINT: a layout is written as its text
  operator std::string_view() const { return text_; }

 private:
  std::string_view text_;
};
// Every record layout of the files linked into the program.
std::span<const std::string_view> recordLayouts();
// Compiles a format that may be malformed: false, with the reason in `why`, instead of the abort.
bool tryCompileFormat(std::string_view text, CompiledFormat& format, std::string& why);

// One formatted write statement: writes one or more whole records to the unit.
void writeRecords(OutputUnit& unit, const CompiledFormat& format, std::span<const Item> items);

template <class... Args>
void writeFormatted(OutputUnit& unit, const CompiledFormat& format, const Args&... args) {
  const std::array<Item, sizeof...(Args)> items{Item(args)...};
  writeRecords(unit, format, items);
}

// The records a statement would write, each followed by '\n' (tests, benchmarks).
std::string formatRecords(const CompiledFormat& format, std::span<const Item> items);
