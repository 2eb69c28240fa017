#pragma once
// Compiled formats: a format written out in a straight line (every group and repeat count
// expanded) and cut into fields, each with the literals and blanks before it and the scale
// factor in force, so that a statement walks it without counters or pending state. Formats
// whose straight line or records would be too long for that are refused.
//
// The compiler is constexpr: the record layouts of the programs are compiled once more while
// the programs are, so that a malformed one does not compile (textFormat.h, RecordLayout).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/fieldEdit.h"
#include "common/formatSyntax.h"

// One place of a pass over a compiled format where something happens: a data descriptor, a
// record end or the end of the pass; with the literals, skipped columns and scale factors of
// the descriptors before it.
struct FormatField {
  enum class Kind : std::uint8_t {
    integer,    // Iw
    real,       // Fw.d (input only)
    exponent,   // Ew.d
    text,       // Aw
    anyText,    // A: as long as the item
    recordEnd,  // a slash
    passEnd     // the final parenthesis: the statement ends, or reverts onto a new record
  };
  Kind kind;
  int width = 0;          // w
  int digits = 0;         // d
  int scale = 0;          // k of the kP in force
  int prefixAt = 0;       // the prefix: the literals and skipped columns before the field, as
  int prefixLength = 0;   // written when something follows them, in CompiledFormat::prefixes
  int literalLength = 0;  // the prefix up to the end of its last literal: what is written when
                          // nothing follows in the record (skipped columns at its end are not)
  int skipColumns = 0;    // the columns the prefix's X descriptors skip (input, where a literal
                          // takes none)
  int room = 0;       // recordEnd, passEnd, anyText: the columns that the stretch after it takes up
                      // to the next of these, its prefix included, and prefixSlack more
  int stepIndex = 0;  // the descriptor in the straight line (messages)
  ExponentEditor exponentEditor = nullptr;  // E: the editor of its d and k, when there is one
};

// Longest straight line of one pass, and widest stretch of a record between record ends and
// A fields of no width (also the most characters of all prefixes together).
constexpr std::size_t maxFlatSteps = 4096;
constexpr std::int64_t maxRoom = std::int64_t{1} << 20;
// Room taken beyond each stretch, and blanks after the prefixes' text: a prefix of up to this
// many characters is copied as this many, the field after it overwriting the surplus.
constexpr int prefixSlack = 8;

struct CompiledFormat {
  std::string source;
  // One pass, ended by passEnd; when a reverted pass does not begin at a field of the first
  // one with the same scale factor in force, the reverted pass follows, ended by passEnd too.
  std::vector<FormatField> fields;
  std::size_t reversionField = 0;  // where a reverted pass begins
  int firstRoom = 0;               // the room of the first stretch
  bool hasDataDescriptor = false;
  std::string prefixes;  // the prefixes' text, then prefixSlack blanks
};

// The scanner's handler that writes the format out and then cuts it into fields.
class LayoutCompiler {
 public:
  constexpr explicit LayoutCompiler(CompiledFormat& format) : format_(format) {}

  constexpr void operator()(const FormatStep& step, std::size_t at) {
    using Kind = FormatStep::Kind;
    switch (step.kind) {
      case Kind::groupOpen:
        // Reversion point: the last group opened at the top level, else the whole format.
        if (groups_.empty()) reversionStep_ = flat_.size();
        groups_.push_back({flat_.size(), step.repeat});
        return;
      case Kind::groupClose: {
        const OpenGroup group = groups_.back();
        groups_.pop_back();
        const std::size_t length = flat_.size() - group.begin;
        if (length == 0 || group.repeat == 1) return;
        grow(length * static_cast<std::uint64_t>(group.repeat - 1), at);
        for (int r = 1; r < group.repeat; ++r) {
          for (std::size_t i = 0; i < length; ++i) {
            const FlatStep copy = flat_[group.begin + i];
            flat_.push_back(copy);
          }
        }
        return;
      }
      case Kind::literal:
        literals_.push_back(step.literal);
        grow(1, at);
        flat_.push_back({step.kind, literals_.size() - 1, 0, 0, 0});
        return;
      case Kind::skip:
      case Kind::scale:
        grow(1, at);
        flat_.push_back({step.kind, 0, step.width, 0, step.scale});
        return;
      default:  // data descriptors and slashes, with their repeat counts
        format_.hasDataDescriptor = format_.hasDataDescriptor || isDataDescriptor(step.kind);
        grow(static_cast<std::uint64_t>(step.repeat), at);
        for (int r = 0; r < step.repeat; ++r) {
          flat_.push_back({step.kind, 0, step.width, step.digits, 0});
        }
        return;
    }
  }

  // Cuts the straight line into fields: the first pass from a scale factor of 0, and where
  // needed the reverted pass from the scale factor every pass ends with (the last kP, if any).
  constexpr void finish(std::size_t textLength) {
    int endScale = 0;
    for (const FlatStep& step : flat_) {
      if (step.kind == FormatStep::Kind::scale) endScale = step.scale;
    }
    const std::size_t reverted = cutPass(0, 0, endScale);
    if (reverted != noField) {
      format_.reversionField = reverted;
    } else {
      format_.reversionField = format_.fields.size();
      cutPass(reversionStep_, endScale, endScale);
    }
    measureRooms(textLength);
    format_.prefixes.append(prefixSlack, ' ');
  }

 private:
  struct FlatStep {
    FormatStep::Kind kind;
    std::size_t literal;  // in literals_
    int width;
    int digits;
    int scale;
  };
  struct OpenGroup {
    std::size_t begin;
    int repeat;
  };
  static constexpr std::size_t noField = static_cast<std::size_t>(-1);

  constexpr void grow(std::uint64_t more, std::size_t at) const {
    if (flat_.size() + more > maxFlatSteps) throw MalformedFormat{at, "format too long"};
  }

  // Fields of one pass from straight-line step `begin`, `scale` in force. Returns the field
  // that a reverted pass could begin at: the one where the reversion step starts afresh (no
  // prefix) with `revertedScale` in force; noField when there is none.
  constexpr std::size_t cutPass(std::size_t begin, int scale, int revertedScale) {
    using Kind = FormatStep::Kind;
    std::string prefix;
    std::size_t literalEnd = 0;
    int skipped = 0;
    std::size_t reversionAt = noField;
    for (std::size_t i = begin;; ++i) {
      if (i == reversionStep_ && prefix.empty() && scale == revertedScale) {
        reversionAt = format_.fields.size();
      }
      FormatField field{FormatField::Kind::passEnd};
      if (i < flat_.size()) {
        const FlatStep& step = flat_[i];
        switch (step.kind) {
          case Kind::scale:
            scale = step.scale;
            continue;
          case Kind::skip:
            prefix.append(static_cast<std::size_t>(step.width), ' ');
            skipped += step.width;
            continue;
          case Kind::literal:
            prefix += literals_[step.literal];
            literalEnd = prefix.size();
            continue;
          case Kind::slash:
            field.kind = FormatField::Kind::recordEnd;
            break;
          case Kind::integer:
            field.kind = FormatField::Kind::integer;
            break;
          case Kind::real:
            field.kind = FormatField::Kind::real;
            break;
          case Kind::exponent:
            field.kind = FormatField::Kind::exponent;
            break;
          default:  // text
            field.kind = step.width == 0 ? FormatField::Kind::anyText : FormatField::Kind::text;
            break;
        }
        field.width = step.width;
        field.digits = step.digits;
      }
      field.scale = scale;
      field.prefixAt = static_cast<int>(format_.prefixes.size());
      field.prefixLength = static_cast<int>(prefix.size());
      field.literalLength = static_cast<int>(literalEnd);
      field.skipColumns = skipped;
      field.stepIndex = static_cast<int>(i);
      format_.prefixes += prefix;
      format_.fields.push_back(field);
      if (field.kind == FormatField::Kind::passEnd) return reversionAt;
      prefix.clear();
      literalEnd = 0;
      skipped = 0;
    }
  }

  static constexpr bool endsStretch(FormatField::Kind kind) {
    return kind == FormatField::Kind::recordEnd || kind == FormatField::Kind::passEnd ||
           kind == FormatField::Kind::anyText;
  }

  // The room of every stretch.
  constexpr void measureRooms(std::size_t textLength) {
    std::vector<FormatField>& fields = format_.fields;
    std::int64_t toStretchEnd = 0;  // from the current field's prefix on
    for (std::size_t i = fields.size(); i-- > 0;) {
      if (endsStretch(fields[i].kind)) toStretchEnd = 0;
      toStretchEnd += fields[i].prefixLength + fields[i].width;
      if (toStretchEnd > maxRoom) throw MalformedFormat{textLength, "record too long"};
    }
    if (static_cast<std::int64_t>(format_.prefixes.size()) > maxRoom) {
      throw MalformedFormat{textLength, "format too long"};
    }
    auto roomFrom = [&fields](std::size_t begin) {
      std::int64_t room = 0;
      for (std::size_t i = begin;; ++i) {
        room += fields[i].prefixLength;
        if (endsStretch(fields[i].kind)) return static_cast<int>(room) + prefixSlack;
        room += fields[i].width;
      }
    };
    format_.firstRoom = roomFrom(0);
    const int revertedRoom = roomFrom(format_.reversionField);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].kind == FormatField::Kind::passEnd) {
        fields[i].room = revertedRoom;
      } else if (endsStretch(fields[i].kind)) {
        fields[i].room = roomFrom(i + 1);
      }
    }
  }

  CompiledFormat& format_;
  std::vector<FlatStep> flat_;
  std::vector<std::string> literals_;
  std::vector<OpenGroup> groups_;
  std::size_t reversionStep_ = 0;
};

// Compiles `text` without editors (constexpr); throws MalformedFormat.
constexpr CompiledFormat layoutOf(std::string_view text) {
  CompiledFormat format;
  format.source = std::string(text);
  LayoutCompiler compiler(format);
  scanFormat(text, compiler);
  compiler.finish(text.size());
  return format;
}
