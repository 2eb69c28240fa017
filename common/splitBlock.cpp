// The split block reader. A part reads what a free-form statement would read from the same
// point: the same tokens, and the same values, since every conversion it makes rounds
// correctly as the statement's do (a short decimal exactly, any other value by the number
// scanner). But it never stops the run: anything it cannot take as the
// statement would (a slash, a bad value or repeat count, more values than its share) ends the
// part, and the statement itself, started where the parts stopped being sure, meets it again.
#include "common/splitBlock.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "common/freeForm.h"
#include "common/lineEnds.h"
#include "common/numberScan.h"
#include "common/workPool.h"

namespace {

SplitLimits limits;

// The lines looked at to tell how many values a line holds and how long they are.
constexpr int sampleLines = 32;
// Loaded beyond the bytes a block's values are expected to take, to end it on a line end.
constexpr std::size_t windowMargin = 64 * 1024;
// The windows the input buffer holds, so that the next ones load while parts read.
constexpr std::size_t windowsInBuffer = 6;
// A byte loaded costs about this fraction of a byte read by a part.
constexpr std::size_t readCostRatio = 10;

inline bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Every line of a part ends with '\n', so a token always ends inside it.
const char* tokenEnd(const char* p) {
  while (!isSeparator(*p)) ++p;
  return p;
}

// The count r of a token "r*value" before its star, or 0 when it is not one.
std::int64_t repeatCount(const char* token, const char* star) {
  int count = 0;
  if (token == star || !isDigit(*token)) return 0;
  if (!scanInteger({token, static_cast<std::size_t>(star - token)}, freeFormValue, count)) return 0;
  return std::max(count, 0);
}

// What the parts' guesses are made of: the lines of some text, and the values beyond one that
// its repeat counts stand for.
struct LineCount {
  std::int64_t lines = 0;
  std::int64_t repeated = 0;
};

LineCount countLines(const char* first, const char* last) {
  LineCount count;
  count.lines = countLineEnds(first, last);
  for (const char* star = first;; ++star) {
    star = static_cast<const char*>(std::memchr(star, '*', static_cast<std::size_t>(last - star)));
    if (star == nullptr) break;
    const char* token = star;
    while (token > first && !isSeparator(token[-1])) --token;
    count.repeated += std::max<std::int64_t>(repeatCount(token, star) - 1, 0);
  }
  return count;
}

// Whether a comma was the last thing before `lineStart` (past blanks and blank lines): so it is
// after the values before it, a comma having been read when `startAfterComma`.
bool afterComma(const char* windowStart, bool startAfterComma, const char* lineStart) {
  const char* p = lineStart;
  while (p > windowStart && isBlank(p[-1])) --p;
  return p == windowStart ? startAfterComma : p[-1] == ',';
}

// The first lines of a block: the values tokens stand for, per line, and their text's length.
struct Sample {
  std::int64_t lines = 0;
  std::int64_t tokens = 0;  // a repeat "r*value" counts one
  std::int64_t values = 0;  // and r here
  std::int64_t bytes = 0;
};

Sample sampleBlock(const char* first, const char* last) {
  Sample sample;
  const char* p = first;
  while (p < last && sample.lines < sampleLines) {
    const char c = *p;
    if (c == '\n') {
      ++sample.lines;
      ++p;
    } else if (c == '/') {
      return {};  // the block ends early: read as a statement
    } else if (isSeparator(c)) {
      ++p;
    } else {
      const char* end = tokenEnd(p);
      const auto* star =
          static_cast<const char*>(std::memchr(p, '*', static_cast<std::size_t>(end - p)));
      ++sample.tokens;
      sample.values += star != nullptr ? std::max<std::int64_t>(repeatCount(p, star), 1) : 1;
      p = end;
    }
  }
  sample.bytes = p - first;
  return sample;
}

// How a part ended.
enum class PartEnd : unsigned char {
  text,   // at the end of its text, nothing pending
  share,  // its share of values read; at the block's end, or before more values (too many)
  odd,    // at something only the statement takes (a slash, a bad value), not read
};

// One part: the text [first, last), the values it guessed it holds, and what it read.
struct Part {
  const char* first = nullptr;
  const char* last = nullptr;
  std::int64_t firstValue = 0;  // the guessed index of its first value
  std::int64_t share = 0;       // the values up to the next part's guess (or the block's end)
  bool startsAfterComma = false;
  // What reading it gave.
  PartEnd end = PartEnd::odd;
  std::int64_t values = 0;
  bool endsAfterComma = false;
  const char* stop = nullptr;  // after its last value (PartEnd::share)
  std::vector<char> saved;     // the items of its share as they were before it
};

// Where the statement stands exactly: the values read and whether a comma followed the last.
struct Exact {
  std::int64_t values = 0;
  bool afterComma = true;  // the start of a statement counts as after a comma
};

class SplitReader {
 public:
  SplitReader(InputUnit& unit, const ReadPlace& place, std::span<const BlockColumn> columns,
              const OutOfRange& outOfRange, std::int64_t valueCount, const Sample& sample)
      : unit_(unit),
        place_(place),
        columns_(columns),
        outOfRange_(outOfRange),
        perGroup_(static_cast<std::int64_t>(columns.size())),
        valueCount_(valueCount),
        sample_(sample),
        bytesPerValue_(static_cast<double>(sample.bytes) / static_cast<double>(sample.values)) {}

  void read() {
    Exact exact;
    for (;;) {
      const std::int64_t remaining = valueCount_ - exact.values;
      const double expected = static_cast<double>(remaining) * bytesPerValue_;
      const std::size_t want = static_cast<std::size_t>(
          std::min(static_cast<double>(limits.mostWindowBytes), expected * 1.0625 + windowMargin));
      // Room to load windows ahead while parts read (see below): the buffer is moved to its
      // front only once every few windows.
      unit_.reserveBuffer(std::min(windowsInBuffer * want, 2 * limits.mostWindowBytes));
      unit_.loadAhead(want);
      const char* begin = unit_.position();
      const std::size_t loaded = static_cast<std::size_t>(unit_.limit() - begin);
      // The window: whole lines, as much as the values want.
      const char* cap = begin + std::min(want, loaded);
      const char* end = cap;
      while (end > begin && end[-1] != '\n') --end;
      const auto length = static_cast<std::size_t>(end - begin);
      const auto spread = std::min(length, static_cast<std::size_t>(expected));
      const int parts =
          partsFor(static_cast<long long>(spread),
                   static_cast<long long>(std::max<std::size_t>(limits.leastPartBytes, 1)));
      if (end == begin || parts < 2) return readRest(exact);
      // While the parts read, the file behind them is loaded into the buffer's free room, as
      // much as this window again (what the next block or window is likely to want), so that
      // the next window's loading is done. The loading is a task of its own, taken first; the
      // last part is made lighter by its cost.
      const auto ahead = static_cast<std::size_t>(unit_.limit() - end);
      const std::size_t preload = ahead >= want ? 0 : std::min(want - ahead, unit_.roomInPlace());
      const std::size_t lighter = std::min(preload / readCostRatio, spread / 2);
      cut(begin, end, spread, parts, lighter);
      guess(exact);
      const int first = preload > 0 ? 1 : 0;
      runParts(parts + first, [this, first, preload](int task) {
        if (task < first) return unit_.loadInPlace(preload);
        readPart(static_cast<std::size_t>(task - first));
      });
      if (takeParts(exact)) return;
      unit_.advanceTo(end);
    }
  }

 private:
  // Cuts [begin, end) into parts at line ends: `parts` equal shares of the first `spread`
  // bytes and `lighter` more, the last part shorter by `lighter` and running on to `end`.
  void cut(const char* begin, const char* end, std::size_t spread, int parts, std::size_t lighter) {
    parts_.resize(static_cast<std::size_t>(parts));
    const char* first = begin;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      const char* last = end;
      if (i + 1 < parts_.size()) {
        last = begin + std::min(spread, (spread + lighter) * (i + 1) / parts_.size());
        last = std::max(last, first);
        last =
            static_cast<const char*>(std::memchr(last, '\n', static_cast<std::size_t>(end - last)));
        last = last == nullptr ? end : last + 1;
      }
      Part& part = parts_[i];
      part.first = first;
      part.last = last;
      first = last;
    }
  }

  // The first value of every part, from the lines and repeat counts of the parts before it.
  void guess(const Exact& exact) {
    const std::size_t parts = parts_.size();
    // Each part before the last counted in two halves, cut at a line end.
    std::vector<LineCount> counts(2 * (parts - 1));
    runParts(static_cast<int>(counts.size()), [&](int task) {
      const Part& part = parts_[static_cast<std::size_t>(task / 2)];
      const char* middle = part.first + (part.last - part.first) / 2;
      middle = static_cast<const char*>(
          std::memchr(middle, '\n', static_cast<std::size_t>(part.last - middle)));
      middle = middle == nullptr ? part.last : middle + 1;
      counts[static_cast<std::size_t>(task)] =
          task % 2 == 0 ? countLines(part.first, middle) : countLines(middle, part.last);
    });
    std::int64_t linesBefore = 0, repeatedBefore = 0;
    for (std::size_t i = 0; i < parts; ++i) {
      Part& part = parts_[i];
      const std::int64_t tokens =
          (linesBefore * sample_.tokens + sample_.lines / 2) / sample_.lines;
      part.firstValue = std::min(exact.values + tokens + repeatedBefore, valueCount_);
      part.startsAfterComma = afterComma(parts_[0].first, exact.afterComma, part.first);
      if (i + 1 == parts) break;
      for (const LineCount& half : {counts[2 * i], counts[2 * i + 1]}) {
        linesBefore += half.lines;
        repeatedBefore += half.repeated;
      }
    }
    for (std::size_t i = 0; i < parts; ++i) {
      const std::int64_t next = i + 1 < parts ? parts_[i + 1].firstValue : valueCount_;
      parts_[i].share = next - parts_[i].firstValue;
    }
  }

  // The item of value `index`: its column and the offset of its group.
  struct Item {
    std::int64_t column;
    std::int64_t group;
  };
  Item itemOf(std::int64_t index) const { return {index % perGroup_, index / perGroup_}; }

  // Copies the items of a part's share, column by column, between the arrays and its saved
  // bytes: to `saved` before the part reads, back when it does not count.
  template <bool toSaved>
  void copyShare(Part& part) {
    std::size_t offset = 0;
    const std::int64_t first = part.firstValue;
    const std::int64_t end = first + part.share;
    for (std::int64_t c = 0; c < perGroup_; ++c) {
      const BlockColumn& column = columns_[static_cast<std::size_t>(c)];
      // The first value of column c in the share, and how many there are.
      const std::int64_t firstOfColumn = first + ((c - first % perGroup_) + perGroup_) % perGroup_;
      if (firstOfColumn >= end) continue;
      const auto count = static_cast<std::size_t>((end - 1 - firstOfColumn) / perGroup_ + 1);
      const std::ptrdiff_t at = (firstOfColumn / perGroup_) * column.stride;
      if (column.reals != nullptr) {
        offset = copyItems<toSaved>(part.saved, offset, column.reals + at, count, column.stride);
      } else if (column.integers != nullptr) {
        offset = copyItems<toSaved>(part.saved, offset, column.integers + at, count, column.stride);
      }
    }
  }

  template <bool toSaved, class T>
  static std::size_t copyItems(std::vector<char>& saved, std::size_t offset, T* items,
                               std::size_t count, std::ptrdiff_t stride) {
    const std::size_t bytes = count * sizeof(T);
    if constexpr (toSaved) saved.resize(offset + bytes);
    char* bytesAt = saved.data() + offset;
    if (stride == 1) {
      if constexpr (toSaved) {
        std::memcpy(bytesAt, items, bytes);
      } else {
        std::memcpy(items, bytesAt, bytes);
      }
      return offset + bytes;
    }
    for (std::size_t i = 0; i < count; ++i, bytesAt += sizeof(T)) {
      T* item = items + static_cast<std::ptrdiff_t>(i) * stride;
      if constexpr (toSaved) {
        std::memcpy(bytesAt, item, sizeof(T));
      } else {
        std::memcpy(item, bytesAt, sizeof(T));
      }
    }
    return offset + bytes;
  }

  void save(Part& part) { copyShare<true>(part); }
  void restore(Part& part) {
    if (!part.saved.empty()) copyShare<false>(part);
  }

  void next(Item& item) const {
    if (++item.column == perGroup_) {
      item.column = 0;
      ++item.group;
    }
  }

  // One part, read into the arrays at its guessed place; the first part's place is known.
  void readPart(std::size_t index) {
    Part& part = parts_[index];
    part.saved.clear();
    part.values = 0;
    part.end = PartEnd::odd;
    if (part.share == 0 && part.firstValue == valueCount_) return;  // beyond the block
    if (index > 0) save(part);
    const char* p = part.first;
    const char* const last = part.last;
    bool comma = part.startsAfterComma;
    Item item = itemOf(part.firstValue);
    std::int64_t values = 0;
    const std::int64_t share = part.share;
    const auto finish = [&](PartEnd end) {
      part.end = end;
      part.values = values;
      part.endsAfterComma = comma;
      part.stop = p;
    };
    while (values < share) {
      // The next value, past blanks and a comma; a second comma is a null value.
      bool null = false;
      for (;;) {
        if (p == last) return finish(PartEnd::text);
        const char c = *p;
        if (isBlank(c)) {
          ++p;
        } else if (c == ',') {
          ++p;
          if (comma) {
            null = true;
            break;
          }
          comma = true;
        } else if (c == '/') {
          return finish(PartEnd::odd);
        } else {
          break;
        }
      }
      if (null) {
        if (!nullFits(item)) return finish(PartEnd::odd);
        ++values;
        next(item);
        continue;
      }
      comma = false;
      const BlockColumn& column = columns_[static_cast<std::size_t>(item.column)];
      const std::ptrdiff_t at = item.group * column.stride;
      if (column.integer) {
        int value;
        if (const char* tokenEnd = shortInteger(p, value)) {
          if (!fits(column, value)) return finish(PartEnd::odd);
          if (column.integers != nullptr) column.integers[at] = value;
          p = tokenEnd;
          ++values;
          next(item);
          continue;
        }
      } else {
        double value;
        if (const char* tokenEnd = shortReal(p, value)) {
          if (column.reals != nullptr) column.reals[at] = value;
          p = tokenEnd;
          ++values;
          next(item);
          continue;
        }
      }
      // A long or odd value, or a repeat count.
      const char* token = p;
      const char* end = tokenEnd(p);
      const auto* star =
          static_cast<const char*>(std::memchr(token, '*', static_cast<std::size_t>(end - token)));
      if (star == nullptr) {
        if (!store(item, token, end)) return finish(PartEnd::odd);
        p = end;
        ++values;
        next(item);
        continue;
      }
      std::int64_t copies = repeatCount(token, star);
      if (copies == 0) return finish(PartEnd::odd);
      RepeatedValue repeated(star + 1, end);
      p = end;
      for (; copies > 0; --copies) {
        if (values == share) return finishShare(part, values, comma, p, true);
        if (repeated.isNull() ? !nullFits(item) : !storeRepeated(item, repeated)) {
          // The statement stops at this copy: read again from the part's start.
          return finish(PartEnd::odd);
        }
        ++values;
        next(item);
      }
    }
    finishShare(part, values, comma, p, false);
  }

  // The part has read its share: at the block's end it stops there; before another part,
  // what follows up to its end must be blanks (and one comma), or it held more values, as it
  // does when copies of a repeated value are `left`.
  void finishShare(Part& part, std::int64_t values, bool comma, const char* p, bool left) {
    part.values = values;
    part.stop = p;
    part.end = PartEnd::share;
    if (part.firstValue + values == valueCount_ || left) return;
    for (; p != part.last; ++p) {
      if (isBlank(*p)) continue;
      if (*p == ',' && !comma) {
        comma = true;
        continue;
      }
      return;  // more values than its share
    }
    part.end = PartEnd::text;
    part.endsAfterComma = comma;
  }

  static bool fits(const BlockColumn& column, int value) {
    return value >= column.least && value <= column.most;
  }

  // Whether the value a null value leaves in its item is within its column's bounds.
  bool nullFits(const Item& item) const {
    const BlockColumn& column = columns_[static_cast<std::size_t>(item.column)];
    if (!column.integer) return true;
    return fits(column,
                column.integers != nullptr ? column.integers[item.group * column.stride] : 0);
  }

  // A copy of a repeated value into its item, as the statement converts it (once for each type
  // of item, when first needed).
  bool storeRepeated(const Item& item, RepeatedValue& repeated) {
    const BlockColumn& column = columns_[static_cast<std::size_t>(item.column)];
    const std::ptrdiff_t at = item.group * column.stride;
    if (column.integer) {
      int value = 0;
      if (!repeated.take(value) || !fits(column, value)) return false;
      if (column.integers != nullptr) column.integers[at] = value;
    } else {
      double value = 0.0;
      if (!repeated.take(value)) return false;
      if (column.reals != nullptr) column.reals[at] = value;
    }
    return true;
  }

  // An odd value [first, last) into its item, as the statement converts it.
  bool store(const Item& item, const char* first, const char* last) {
    const BlockColumn& column = columns_[static_cast<std::size_t>(item.column)];
    const std::ptrdiff_t at = item.group * column.stride;
    const std::string_view text(first, static_cast<std::size_t>(last - first));
    if (column.integer) {
      int value = 0;
      if (!scanInteger(text, freeFormValue, value) || !fits(column, value)) return false;
      if (column.integers != nullptr) column.integers[at] = value;
    } else {
      double value = 0.0;
      if (!scanReal(text, freeFormValue, value)) return false;
      if (column.reals != nullptr) column.reals[at] = value;
    }
    return true;
  }

  // Takes the parts in order from `exact`, the place of the first part. True when the block
  // has been read (by the parts or by the statement after them); false when every part ended
  // at its text's end as guessed, `exact` then standing at the end of the window.
  bool takeParts(Exact& exact) {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      const Part& part = parts_[i];
      const bool placed =
          part.firstValue == exact.values && part.startsAfterComma == exact.afterComma;
      if (placed && part.end == PartEnd::share && part.firstValue + part.values == valueCount_) {
        // The block's end: the rest of its last record is passed over.
        unit_.advanceTo(static_cast<const char*>(std::memchr(
                            part.stop, '\n', static_cast<std::size_t>(part.last - part.stop))) +
                        1);
        return true;
      }
      if (!placed || part.end != PartEnd::text) {
        // Read again from the part's start: the parts from here on did not count.
        for (std::size_t j = std::max<std::size_t>(i, 1); j < parts_.size(); ++j) {
          restore(parts_[j]);
        }
        unit_.advanceTo(part.first);
        readRest(exact);
        return true;
      }
      exact.values = part.firstValue + part.values;
      exact.afterComma = part.endsAfterComma;
    }
    return false;
  }

  // The rest of the block as a statement from the unit's position, where `exact` stands.
  void readRest(const Exact& exact) {
    FreeFormRead statement(unit_, &place_, exact.values, exact.afterComma);
    Item item = itemOf(exact.values);
    double realScratch = 0.0;
    for (std::int64_t index = exact.values; index < valueCount_; ++index) {
      const BlockColumn& column = columns_[static_cast<std::size_t>(item.column)];
      const std::ptrdiff_t at = item.group * column.stride;
      if (column.integer) {
        int dropped = 0;
        int& value = column.integers != nullptr ? column.integers[at] : dropped;
        statement.read(value);
        if (!fits(column, value) && outOfRange_) outOfRange_(statement, index, value);
      } else {
        statement.read(column.reals != nullptr ? column.reals[at] : realScratch);
      }
      next(item);
    }
    statement.finish();
  }

  InputUnit& unit_;
  const ReadPlace& place_;
  std::span<const BlockColumn> columns_;
  const OutOfRange& outOfRange_;
  std::int64_t perGroup_;
  std::int64_t valueCount_;
  Sample sample_;
  double bytesPerValue_;
  std::vector<Part> parts_;
};

}  // namespace

BlockColumn realColumn(std::span<double> array) {
  return {false, array.empty() ? nullptr : array.data() + 1, nullptr, 1, INT_MIN, INT_MAX};
}

BlockColumn integerColumn(std::span<int> array) {
  return {true, nullptr, array.empty() ? nullptr : array.data() + 1, 1, INT_MIN, INT_MAX};
}

bool readSplitBlock(InputUnit& unit, const ReadPlace& place, std::span<const BlockColumn> columns,
                    std::int64_t groups, const OutOfRange& outOfRange) {
  const auto perGroup = static_cast<std::int64_t>(columns.size());
  const std::int64_t valueCount = groups * perGroup;
  // Loading ahead must not wait for input (a pipe, a terminal) that the statement would not
  // wait for yet.
  if (runThreads() < 2 || perGroup == 0 || !unit.neverWaits() ||
      valueCount < std::max<std::int64_t>(limits.leastValues, 1)) {
    return false;
  }
  // The first lines tell how the values are laid out.
  unit.loadAhead(windowMargin);
  const Sample sample = sampleBlock(unit.position(), unit.limit());
  if (sample.lines == 0 || sample.tokens == 0 || sample.values == 0) return false;
  const double bytes = static_cast<double>(valueCount) * static_cast<double>(sample.bytes) /
                       static_cast<double>(sample.values);
  if (bytes < 2.0 * static_cast<double>(limits.leastPartBytes)) return false;
  SplitReader(unit, place, columns, outOfRange, valueCount, sample).read();
  return true;
}

SplitLimits splitLimits() {
  return limits;
}

void setSplitLimits(const SplitLimits& newLimits) {
  limits = newLimits;
}
