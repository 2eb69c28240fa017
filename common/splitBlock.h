#pragma once
// A large free-form block (the node or element block of a result file) read in parts by the
// run's threads. The block's text is cut at line ends; each part guesses the index of its first
// value from the lines before it and reads its values into the arrays at once. The parts are
// then taken in file order: a part counts only when the one before it ended exactly where the
// part began, with the value index it guessed and nothing pending. From the first part that
// does not, the rest of the block is read again on the calling thread as one free-form
// statement. So the arrays, the unit's position and any stop (message, place, status) are
// those of the statement read on one thread.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "common/freeForm.h"
#include "common/readPlace.h"
#include "common/units.h"

// One value of each group (a node's or an element's values) of a block: an int or a double,
// stored at `integers` or `reals` for the first group and `stride` items further for each
// next one; with neither, read and dropped. An int outside [least, most] ends the read (see
// readSplitBlock); a null value leaves a dropped int 0.
struct BlockColumn {
  bool integer = false;
  double* reals = nullptr;
  int* integers = nullptr;
  std::ptrdiff_t stride = 1;
  int least = INT_MIN;
  int most = INT_MAX;
};

// The column of a 1-based array (slot 0 unused); an empty one is dropped.
BlockColumn realColumn(std::span<double> array);
BlockColumn integerColumn(std::span<int> array);

// Called with the statement that has just read value `index`, an int outside its column's
// bounds (also one that a null value left unchanged); stops the run as the caller's own read
// of the block would at that value.
using OutOfRange =
    std::function<void(const FreeFormRead& statement, std::int64_t index, int value)>;

// Reads a block of `groups` groups of columns.size() values as one free-form statement (no
// end-of-file branch), split into parts, when the run has more than one thread, the unit's
// reads never wait (a file, not a pipe) and the block is large enough (splitLimits);
// otherwise returns false without reading, and the caller reads the block as ever.
bool readSplitBlock(InputUnit& unit, const ReadPlace& place, std::span<const BlockColumn> columns,
                    std::int64_t groups, const OutOfRange& outOfRange = {});

// How large a block must be to be split, and how much of it is loaded at a time. Tests lower
// them to split small files.
struct SplitLimits {
  std::int64_t leastValues = 16384;        // a block of fewer values is read whole
  std::size_t leastPartBytes = 64 * 1024;  // the least text a part is given
  std::size_t mostWindowBytes = 32 << 20;  // the most text loaded and split at once
};
SplitLimits splitLimits();
// Not while a block is read.
void setSplitLimits(const SplitLimits& limits);
