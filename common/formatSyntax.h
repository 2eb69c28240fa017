#pragma once
// The syntax of formats in the field notation, "(1X,3(I6,1P,3E12.4))": a scanner that walks
// the text once and reports each descriptor, in the order of the text, to a handler. It acts on
// nothing itself; the compiler of record layouts (formatLayout.h) is its one handler, at
// run time and, for the layouts of the programs, while they are compiled.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/numberScan.h"

// One descriptor as written.
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
    groupOpen,  // n( : repeat holds n
    groupClose  // )
  };
  Kind kind;
  int repeat = 1;  // repeat count of a data descriptor, slash or group
  int width = 0;   // w (0 for A without width)
  int digits = 0;  // d
  int scale = 0;   // k of kP
  std::string literal{};
};

constexpr bool isDataDescriptor(FormatStep::Kind kind) {
  return kind == FormatStep::Kind::integer || kind == FormatStep::Kind::real ||
         kind == FormatStep::Kind::exponent || kind == FormatStep::Kind::text;
}

// Groups nest at most this deep.
constexpr int maxGroupDepth = 16;

// A malformed format: where (0-based) and why. Thrown by the scanner and by the layout compiler;
// while a program is compiled, reaching the throw makes the layout fail to compile.
struct MalformedFormat {
  std::size_t at;
  const char* why;
};

// Recursive descent over the format text. Blanks outside literals are ignored. Commas separate
// the items of a list; as usual they may be left out after kP and before or after a slash.
// `handler(const FormatStep&, std::size_t at)` is called for every descriptor, with the
// position just after it; the outer parentheses are not reported.
template <class Handler>
class FormatScanner {
 public:
  constexpr FormatScanner(std::string_view text, Handler& handler)
      : text_(text), handler_(handler) {}

  constexpr void scanWhole() {
    skipBlanks();
    expect('(', "a format begins with (");
    scanList();
    expect(')', "unbalanced parentheses");
    skipBlanks();
    if (pos_ != text_.size()) fail("text after the final parenthesis");
  }

 private:
  // The items of one parenthesised list, up to (not including) its closing parenthesis.
  constexpr void scanList() {
    bool needComma = false;  // the last item requires a comma before the next one
    bool afterComma = false;
    bool first = true;
    for (;;) {
      skipBlanks();
      if (atEnd()) fail("missing )");
      const char c = text_[pos_];
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
        report(FormatStep{FormatStep::Kind::slash});
        needComma = false;
        afterComma = false;
        first = false;
        continue;
      }
      if (needComma) fail("missing comma");
      needComma = scanItem();
      afterComma = false;
      first = false;
    }
  }

  // One item other than a slash; returns whether a comma must follow it before another item.
  constexpr bool scanItem() {
    const std::size_t start = pos_;
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
    const char c = upper(text_[pos_]);
    if (negative && c != 'P') fail("a sign must precede a scale factor");
    if (hasCount && count == 0 && c != 'P') fail("a repeat count must be positive");
    ++pos_;
    FormatStep step{FormatStep::Kind::literal};
    step.repeat = hasCount ? count : 1;
    switch (c) {
      case 'P':
        if (!hasCount) fail("P needs a scale factor");
        step.kind = FormatStep::Kind::scale;
        step.repeat = 1;
        step.scale = negative ? -count : count;
        report(step);
        return false;
      case 'X':
        step.kind = FormatStep::Kind::skip;
        step.width = step.repeat;
        step.repeat = 1;
        break;
      case '/':  // n/ : n record ends, one step
        step.kind = FormatStep::Kind::slash;
        report(step);
        return false;
      case '(':
        step.kind = FormatStep::Kind::groupOpen;
        report(step);
        if (++depth_ > maxGroupDepth) fail("groups nested too deep");
        scanList();
        --depth_;
        expect(')', "missing )");
        report(FormatStep{FormatStep::Kind::groupClose});
        return true;
      case '\'':
      case '"':
        if (hasCount) fail("a literal takes no repeat count");
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
    report(step);
    return true;
  }

  // The w of a descriptor; 0 when optional and absent.
  constexpr int width(bool required) {
    skipBlanks();
    if (atEnd() || !isDigit(text_[pos_])) {
      if (required) fail("missing field width");
      return 0;
    }
    const int w = number();
    if (w == 0) fail("a field width must be positive");
    return w;
  }

  // A quoted literal after its opening quote; a doubled quote stands for one quote.
  constexpr std::string quoted(char quote) {
    std::string literal;
    for (;;) {
      if (atEnd()) fail("unterminated literal");
      const char c = text_[pos_++];
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

  constexpr int number() {
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

  static constexpr char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  constexpr void report(const FormatStep& step) { handler_(step, pos_); }
  constexpr void skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  constexpr bool atEnd() const { return pos_ >= text_.size(); }
  constexpr void expect(char c, const char* why) {
    skipBlanks();
    if (atEnd() || text_[pos_] != c) fail(why);
    ++pos_;
  }
  [[noreturn]] constexpr void fail(const char* why) { throw MalformedFormat{pos_, why}; }

  std::string_view text_;
  Handler& handler_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

// Scans `text`, reporting every descriptor to `handler`; throws MalformedFormat.
template <class Handler>
constexpr void scanFormat(std::string_view text, Handler&& handler) {
  FormatScanner<std::remove_reference_t<Handler>> scanner(text, handler);
  scanner.scanWhole();
}
