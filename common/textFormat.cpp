// The format compiler and the formatted writer.
#include "common/textFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/fieldEdit.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Compiling

// A malformed format, reported by the parser and turned into an abort (formats of the program)
// or a false return (tryCompileFormat).
struct MalformedFormat {
  std::size_t at;
  const char* why;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

FormatStep stepOf(FormatStep::Kind kind) {
  FormatStep step;
  step.kind = kind;
  return step;
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Recursive descent over the format text. Blanks outside literals are ignored. Commas separate
// the items of a list; as usual they may be left out after kP and before or after a slash.
class FormatParser {
 public:
  FormatParser(std::string_view text, CompiledFormat& format) : text_(text), format_(format) {}

  void parseWhole() {
    skipBlanks();
    expect('(', "a format begins with (");
    parseList();
    expect(')', "unbalanced parentheses");
    skipBlanks();
    if (pos_ != text_.size()) fail("text after the final parenthesis");
  }

 private:
  // The items of one parenthesised list, up to (not including) its closing parenthesis.
  void parseList() {
    bool needComma = false;  // the last item requires a comma before the next one
    bool afterComma = false;
    bool first = true;
    for (;;) {
      skipBlanks();
      if (atEnd()) fail("missing )");
      char c = text_[pos_];
      if (c == ')') {
        if (afterComma) fail("comma before )");
        return;
      }
      if (c == ',') {
        if (afterComma || first) fail("misplaced comma");
        ++pos_;
        needComma = false;
        afterComma = true;
        continue;
      }
      if (c == '/') {
        ++pos_;
        push(stepOf(FormatStep::Kind::slash));
        needComma = false;
        afterComma = false;
        first = false;
        continue;
      }
      if (needComma) fail("missing comma");
      needComma = parseItem();
      afterComma = false;
      first = false;
    }
  }

  // One item other than a slash; returns whether a comma must follow it before another item.
  bool parseItem() {
    std::size_t start = pos_;
    int count = 0;
    bool hasCount = false;
    bool negative = false;
    if (text_[pos_] == '-' || text_[pos_] == '+') {
      negative = text_[pos_] == '-';
      ++pos_;
      skipBlanks();
      if (atEnd() || !isDigit(text_[pos_])) fail("a sign must precede a scale factor");
    }
    if (isDigit(text_[pos_])) {
      count = number();
      hasCount = true;
      skipBlanks();
      if (atEnd()) fail("missing )");
    }
    char c = upper(text_[pos_]);
    if (negative && c != 'P') fail("a sign must precede a scale factor");
    if (hasCount && count == 0 && c != 'P') fail("a repeat count must be positive");
    ++pos_;
    FormatStep step = stepOf(FormatStep::Kind::literal);
    switch (c) {
      case 'P':
        if (!hasCount) fail("P needs a scale factor");
        step.kind = FormatStep::Kind::scale;
        step.scale = negative ? -count : count;
        push(std::move(step));
        return false;
      case 'X':
        step.kind = FormatStep::Kind::skip;
        step.width = hasCount ? count : 1;
        break;
      case '/':
        // n/ : n record ends, one step.
        step.kind = FormatStep::Kind::slash;
        step.repeat = hasCount ? count : 1;
        push(std::move(step));
        return false;
      case '(': {
        step.kind = FormatStep::Kind::groupOpen;
        step.repeat = hasCount ? count : 1;
        int open = static_cast<int>(format_.steps.size());
        push(std::move(step));
        if (++depth_ > maxGroupDepth) fail("groups nested too deep");
        parseList();
        --depth_;
        expect(')', "missing )");
        FormatStep close = stepOf(FormatStep::Kind::groupClose);
        close.partner = open;
        format_.steps[static_cast<std::size_t>(open)].partner =
            static_cast<int>(format_.steps.size());
        push(std::move(close));
        return true;
      }
      case '\'':
      case '"':
        if (hasCount) fail("a literal takes no repeat count");
        step.kind = FormatStep::Kind::literal;
        step.literal = quoted(c);
        break;
      case 'I':
        step.kind = FormatStep::Kind::integer;
        step.width = width(true);
        break;
      case 'F':
      case 'E':
        step.kind = c == 'F' ? FormatStep::Kind::real : FormatStep::Kind::exponent;
        step.width = width(true);
        skipBlanks();
        if (atEnd() || text_[pos_] != '.') fail("missing .d");
        ++pos_;
        skipBlanks();
        if (atEnd() || !isDigit(text_[pos_])) fail("missing d");
        step.digits = number();
        break;
      case 'A':
        step.kind = FormatStep::Kind::text;
        step.width = width(false);
        break;
      default:
        pos_ = start;
        fail("unknown edit descriptor");
    }
    if (step.kind == FormatStep::Kind::integer || step.kind == FormatStep::Kind::real ||
        step.kind == FormatStep::Kind::exponent || step.kind == FormatStep::Kind::text) {
      step.repeat = hasCount ? count : 1;
      format_.hasDataDescriptor = true;
    }
    push(std::move(step));
    return true;
  }

  // The w of a descriptor; 0 when optional and absent.
  int width(bool required) {
    skipBlanks();
    if (atEnd() || !isDigit(text_[pos_])) {
      if (required) fail("missing field width");
      return 0;
    }
    int w = number();
    if (w == 0) fail("a field width must be positive");
    return w;
  }

  // A quoted literal after its opening quote; a doubled quote stands for one quote.
  std::string quoted(char quote) {
    std::string literal;
    for (;;) {
      if (atEnd()) fail("unterminated literal");
      char c = text_[pos_++];
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          literal.push_back(quote);
          ++pos_;
          continue;
        }
        return literal;
      }
      literal.push_back(c);
    }
  }

  int number() {
    int value = 0;
    while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == ' ')) {
      if (text_[pos_] != ' ') {
        value = value * 10 + (text_[pos_] - '0');
        if (value > 100000000) fail("number too large");
      }
      ++pos_;
    }
    return value;
  }

  void push(FormatStep step) { format_.steps.push_back(std::move(step)); }
  void skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool atEnd() const { return pos_ >= text_.size(); }
  void expect(char c, const char* why) {
    skipBlanks();
    if (atEnd() || text_[pos_] != c) fail(why);
    ++pos_;
  }
  [[noreturn]] void fail(const char* why) { throw MalformedFormat{pos_, why}; }

  std::string_view text_;
  CompiledFormat& format_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

namespace {

// Appends steps [begin, end) to the straight-line form, groups expanded; false when it grows
// beyond maxFlatSteps. At the top level, notes where the group reverted to begins.
bool flatten(CompiledFormat& format, std::size_t begin, std::size_t end, bool topLevel) {
  for (std::size_t i = begin; i < end; ++i) {
    const FormatStep& step = format.steps[i];
    if (step.kind == FormatStep::Kind::groupOpen) {
      const auto close = static_cast<std::size_t>(step.partner);
      if (topLevel && format.reversionIsGroup && static_cast<int>(i) == format.reversionStep) {
        format.flatReversion = format.flat.size();
      }
      // One pass through the group, then copies of what it gave.
      const std::size_t first = format.flat.size();
      if (!flatten(format, i + 1, close, false)) return false;
      const std::size_t length = format.flat.size() - first;
      if (length > 0 && static_cast<double>(length) * step.repeat > maxFlatSteps) return false;
      if (length > 0 && step.repeat > 1) {
        const std::vector<FlatStep> pass(format.flat.begin() + static_cast<std::ptrdiff_t>(first),
                                         format.flat.end());
        for (int r = 1; r < step.repeat; ++r) {
          format.flat.insert(format.flat.end(), pass.begin(), pass.end());
        }
      }
      i = close;
      continue;
    }
    FlatStep flat{step.kind};
    flat.width = step.width;
    flat.digits = step.digits;
    flat.scale = step.scale;
    if (step.kind == FormatStep::Kind::literal) {
      flat.literalAt = static_cast<int>(format.literals.size());
      flat.literalLength = static_cast<int>(step.literal.size());
      format.literals += step.literal;
    }
    const bool data =
        step.kind == FormatStep::Kind::integer || step.kind == FormatStep::Kind::real ||
        step.kind == FormatStep::Kind::exponent || step.kind == FormatStep::Kind::text;
    const int copies = data || step.kind == FormatStep::Kind::slash ? step.repeat : 1;
    if (format.flat.size() + static_cast<std::size_t>(copies) > maxFlatSteps) return false;
    format.flat.insert(format.flat.end(), static_cast<std::size_t>(copies), flat);
  }
  return true;
}

// Whether one pass of the straight line is a single record of fixed width: if so its fields,
// each with the literals and blanks before it and the scale factor of a pass begun afresh.
void noteFixedRecord(CompiledFormat& format) {
  std::vector<FixedField> fields;
  std::string prefixes;
  std::string prefix;          // literals and skipped columns since the last field
  std::size_t literalEnd = 0;  // where the last literal of the prefix ends
  long width = 0;
  std::size_t dataCount = 0;
  int scale = 0;
  for (std::size_t i = 0; i < format.flat.size(); ++i) {
    const FlatStep& step = format.flat[i];
    FixedField field{step.kind};
    field.flatIndex = static_cast<int>(i);
    switch (step.kind) {
      case FormatStep::Kind::slash:
      case FormatStep::Kind::real:
      case FormatStep::Kind::groupOpen:
      case FormatStep::Kind::groupClose:
        return;
      case FormatStep::Kind::scale:
        scale = step.scale;
        continue;
      case FormatStep::Kind::skip:
        prefix.append(static_cast<std::size_t>(step.width), ' ');
        continue;
      case FormatStep::Kind::literal:
        prefix.append(format.literals, static_cast<std::size_t>(step.literalAt),
                      static_cast<std::size_t>(step.literalLength));
        literalEnd = prefix.size();
        continue;
      case FormatStep::Kind::text:
        if (step.width == 0) return;
        [[fallthrough]];
      case FormatStep::Kind::integer:
      case FormatStep::Kind::exponent:
        field.width = step.width;
        field.digits = step.digits;
        field.scale = scale;
        if (step.kind == FormatStep::Kind::exponent) {
          field.exponentEditor = exponentEditor(step.digits, scale);
        }
        ++dataCount;
        break;
    }
    field.prefixAt = static_cast<int>(prefixes.size());
    field.prefixLength = static_cast<int>(prefix.size());
    prefixes += prefix;
    width += static_cast<long>(prefix.size()) + field.width;
    prefix.clear();
    literalEnd = 0;
    fields.push_back(field);
    if (width > (1L << 20)) return;
  }
  // After the last field, the literals are written and the blanks of skips after them are not.
  if (literalEnd > 0) {
    FixedField tail{FormatStep::Kind::literal};
    tail.prefixAt = static_cast<int>(prefixes.size());
    tail.prefixLength = static_cast<int>(literalEnd);
    prefixes.append(prefix, 0, literalEnd);
    width += static_cast<long>(literalEnd);
    fields.push_back(tail);
  }
  // A prefix of up to eight characters may be copied as eight when the record has that many
  // columns from the prefix on: the field after it overwrites the surplus.
  long at = 0;
  for (FixedField& field : fields) {
    field.wideCopy = field.prefixLength <= 8 && width - at >= 8;
    at += field.prefixLength + field.width;
  }
  prefixes.append(8, ' ');
  format.fixedRecordWidth = static_cast<int>(width);
  format.fixedDataCount = dataCount;
  format.fixedFields = std::move(fields);
  format.fixedPrefixes = std::move(prefixes);
}

void parseFormat(std::string_view text, CompiledFormat& format) {
  format.source = std::string(text);
  FormatParser(text, format).parseWhole();
  // Reversion point: the last group opened at the top level, else the whole format.
  int depth = 0;
  for (std::size_t i = 0; i < format.steps.size(); ++i) {
    const FormatStep& step = format.steps[i];
    if (step.kind == FormatStep::Kind::groupOpen) {
      if (depth == 0) {
        format.reversionStep = static_cast<int>(i);
        format.reversionRepeat = step.repeat;
        format.reversionIsGroup = true;
      }
      ++depth;
    } else if (step.kind == FormatStep::Kind::groupClose) {
      --depth;
    }
  }
  if (!flatten(format, 0, format.steps.size(), true)) {
    format.flat.clear();
    format.flat.shrink_to_fit();
    format.literals.clear();
    format.flatReversion = 0;
    return;
  }
  noteFixedRecord(format);
}

}  // namespace

CompiledFormat compileFormat(std::string_view text) {
  CompiledFormat format;
  try {
    parseFormat(text, format);
  } catch (const MalformedFormat& malformed) {
    std::fprintf(stderr, "malformed format %.*s at character %zu: %s\n",
                 static_cast<int>(text.size()), text.data(), malformed.at + 1, malformed.why);
    std::abort();
  }
  return format;
}

bool tryCompileFormat(std::string_view text, CompiledFormat& format, std::string& why) {
  format = CompiledFormat{};
  try {
    parseFormat(text, format);
  } catch (const MalformedFormat& malformed) {
    why = std::string(malformed.why) + " at character " + std::to_string(malformed.at + 1);
    format = CompiledFormat{};
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

[[noreturn]] void wrongItem(const CompiledFormat& format, std::size_t stepIndex, std::size_t item) {
  std::fprintf(stderr, "format %s: item %zu does not suit step %zu\n", format.source.c_str(),
               item + 1, stepIndex + 1);
  std::abort();
}

// The cursor of one write statement over the compiled format.
class RecordWriter {
 public:
  RecordWriter(OutputUnit& unit, const CompiledFormat& format, std::span<const Item> items)
      : unit_(unit), format_(format), items_(items) {}

  void run() {
    if (format_.fixedRecordWidth >= 0 && items_.size() == format_.fixedDataCount) {
      runFixedRecord();
      return;
    }
    if (format_.flat.empty() && !format_.steps.empty()) {
      runStepwise();
      return;
    }
    // The straight line: one switch per field, no group counters.
    const FlatStep* const steps = format_.flat.data();
    const std::size_t end = format_.flat.size();
    std::size_t pos = 0;
    std::size_t itemsAtReversion = items_.size();  // none yet
    for (;;) {
      if (pos == end) {
        if (next_ == items_.size()) break;
        if (next_ == itemsAtReversion) noDataDescriptor();
        itemsAtReversion = next_;
        endRecord();
        pos = format_.flatReversion;
        continue;
      }
      const FlatStep& step = steps[pos];
      switch (step.kind) {
        case FormatStep::Kind::slash:
          endRecord();
          break;
        case FormatStep::Kind::literal:
          put({format_.literals.data() + step.literalAt,
               static_cast<std::size_t>(step.literalLength)});
          break;
        case FormatStep::Kind::skip:
          pendingBlanks_ += step.width;
          break;
        case FormatStep::Kind::scale:
          scale_ = step.scale;
          break;
        case FormatStep::Kind::groupOpen:
        case FormatStep::Kind::groupClose:
          break;  // never in the straight line
        case FormatStep::Kind::integer:
        case FormatStep::Kind::real:
        case FormatStep::Kind::exponent:
        case FormatStep::Kind::text:
          // With the list exhausted, control stops at the next data descriptor.
          if (next_ == items_.size()) {
            endRecord();
            return;
          }
          edit(pos, step, items_[next_]);
          ++next_;
          break;
      }
      ++pos;
    }
    endRecord();
  }

 private:
  // One record of known width whose items fill it exactly: the whole record is taken from the
  // buffer at once and every field edited straight into it, with no checks of the buffer, of
  // pending blanks or of the items left.
  void runFixedRecord() {
    const char* const prefixes = format_.fixedPrefixes.data();
    char* out = unit_.extend(static_cast<std::size_t>(format_.fixedRecordWidth));
    const Item* item = items_.data();
    for (const FixedField& field : format_.fixedFields) {
      const char* prefix = prefixes + field.prefixAt;
      if (field.wideCopy) {
        std::memcpy(out, prefix, 8);
      } else {
        std::memcpy(out, prefix, static_cast<std::size_t>(field.prefixLength));
      }
      out += field.prefixLength;
      switch (field.kind) {
        case FormatStep::Kind::integer:
          if (item->kind != Item::Kind::integer) [[unlikely]]
            wrongItem(format_, static_cast<std::size_t>(field.flatIndex), next_);
          editInteger(out, field.width, item->integer);
          break;
        case FormatStep::Kind::exponent:
          if (item->kind != Item::Kind::real && item->kind != Item::Kind::single) [[unlikely]]
            wrongItem(format_, static_cast<std::size_t>(field.flatIndex), next_);
          if (field.exponentEditor != nullptr) [[likely]] {
            field.exponentEditor(out, field.width, item->real);
          } else {
            editExponent(out, field.width, field.digits, field.scale, item->real);
          }
          break;
        case FormatStep::Kind::text:
          if (item->kind != Item::Kind::text) [[unlikely]]
            wrongItem(format_, static_cast<std::size_t>(field.flatIndex), next_);
          editText(out, field.width, item->text);
          break;
        default:  // the literals after the last field
          continue;
      }
      out += field.width;
      ++item;
      ++next_;
    }
    unit_.endRecord();
  }

  // Formats too long for the straight line: the compiled steps with group counters.
  void runStepwise() {
    const std::vector<FormatStep>& steps = format_.steps;
    const std::size_t end = steps.size();
    std::array<int, maxGroupDepth> repeatsLeft{};
    int depth = 0;
    std::size_t pos = 0;
    std::size_t itemsAtReversion = items_.size();  // none yet
    for (;;) {
      if (pos == end) {
        // The final parenthesis: stop, or revert on a new record while items remain.
        if (next_ == items_.size()) break;
        if (next_ == itemsAtReversion) noDataDescriptor();  // a whole pass took no item
        itemsAtReversion = next_;
        endRecord();
        pos = format_.reversionIsGroup ? static_cast<std::size_t>(format_.reversionStep) : 0;
        depth = 0;
        continue;
      }
      const FormatStep& step = steps[pos];
      switch (step.kind) {
        case FormatStep::Kind::groupOpen:
          repeatsLeft[static_cast<std::size_t>(depth++)] = step.repeat;
          ++pos;
          break;
        case FormatStep::Kind::groupClose:
          if (--repeatsLeft[static_cast<std::size_t>(depth - 1)] > 0) {
            pos = static_cast<std::size_t>(step.partner) + 1;
          } else {
            --depth;
            ++pos;
          }
          break;
        case FormatStep::Kind::slash:
          for (int i = 0; i < step.repeat; ++i) endRecord();
          ++pos;
          break;
        case FormatStep::Kind::literal:
          put(step.literal);
          ++pos;
          break;
        case FormatStep::Kind::skip:
          pendingBlanks_ += step.width;
          ++pos;
          break;
        case FormatStep::Kind::scale:
          scale_ = step.scale;
          ++pos;
          break;
        case FormatStep::Kind::integer:
        case FormatStep::Kind::real:
        case FormatStep::Kind::exponent:
        case FormatStep::Kind::text:
          for (int i = 0; i < step.repeat; ++i) {
            // With the list exhausted, control stops at the next data descriptor.
            if (next_ == items_.size()) {
              endRecord();
              return;
            }
            edit(pos, step, items_[next_]);
            ++next_;
          }
          ++pos;
          break;
      }
    }
    endRecord();
  }

  [[noreturn]] void noDataDescriptor() const {
    std::fprintf(stderr, "format %s has no data descriptor for the remaining items\n",
                 format_.source.c_str());
    std::abort();
  }

  template <class Step>
  void edit(std::size_t stepIndex, const Step& step, const Item& item) {
    switch (step.kind) {
      case FormatStep::Kind::integer:
        if (item.kind != Item::Kind::integer) wrongItem(format_, stepIndex, next_);
        editInteger(field(step.width), step.width, item.integer);
        return;
      case FormatStep::Kind::exponent:
        if (item.kind != Item::Kind::real && item.kind != Item::Kind::single) {
          wrongItem(format_, stepIndex, next_);
        }
        editExponent(field(step.width), step.width, step.digits, scale_, item.real);
        return;
      case FormatStep::Kind::text:
        if (item.kind != Item::Kind::text) wrongItem(format_, stepIndex, next_);
        if (step.width == 0) {
          put(item.text);
        } else {
          editText(field(step.width), step.width, item.text);
        }
        return;
      default:  // F is an input descriptor
        wrongItem(format_, stepIndex, next_);
    }
  }

  // Columns skipped by X become blanks only when something is written after them.
  void flushBlanks() {
    if (pendingBlanks_ == 0) return;
    std::memset(unit_.extend(static_cast<std::size_t>(pendingBlanks_)), ' ',
                static_cast<std::size_t>(pendingBlanks_));
    pendingBlanks_ = 0;
  }
  char* field(int width) {
    flushBlanks();
    return unit_.extend(static_cast<std::size_t>(width));
  }
  void put(std::string_view text) {
    flushBlanks();
    unit_.append(text);
  }
  void endRecord() {
    pendingBlanks_ = 0;
    unit_.endRecord();
  }

  OutputUnit& unit_;
  const CompiledFormat& format_;
  std::span<const Item> items_;
  std::size_t next_ = 0;
  int scale_ = 0;
  int pendingBlanks_ = 0;
};

}  // namespace

void writeRecords(OutputUnit& unit, const CompiledFormat& format, std::span<const Item> items) {
  RecordWriter(unit, format, items).run();
}

std::string formatRecords(const CompiledFormat& format, std::span<const Item> items) {
  OutputUnit unit(0);
  unit.openMemory();
  writeRecords(unit, format, items);
  return unit.memory();
}

namespace {

std::vector<std::string_view>& layoutList() {
  static std::vector<std::string_view> layouts;
  return layouts;
}

}  // namespace

RecordLayout::RecordLayout(const char* text) : text_(text) {
  layoutList().push_back(text_);
}

std::span<const std::string_view> recordLayouts() {
  return layoutList();
}
