#pragma once
// Records of many rows (the nodes or elements of a state) formatted across the run's threads:
// the rows are cut into contiguous ranges, the first formatted straight into the unit on the
// calling thread, each other one into a buffer of its own on a thread of the work pool, and
// the buffers appended to the unit in order, on the calling thread, in rounds of a bounded
// size. The unit receives the very bytes, in the very writes, of the
// rows formatted into it one after another; with one thread, or too few rows to share, that
// is what happens.
#include <cstddef>
#include <functional>

#include "common/units.h"

// Formats the records of rows [first, last) into `unit`. It must write nothing but to the unit
// it is given, and read nothing that another range writes.
using RowFormatter = std::function<void(OutputUnit& unit, long long first, long long last)>;

// Formats rows [first, last) with `format`; `rowBytes` is about the text of one row, which
// keeps each part of a round to about RowSplit::partBytes of text.
void writeRowsInParts(OutputUnit& unit, long long first, long long last, std::size_t rowBytes,
                      const RowFormatter& format);

// How rows are cut: the fewest rows worth a part of their own, and about the text one part
// formats in one round.
struct RowSplit {
  long long leastRows = 2048;
  std::size_t partBytes = std::size_t{1} << 19;
};
RowSplit rowSplit();
// A split of its own (tests: small meshes cut into many parts and rounds).
void setRowSplit(RowSplit split);
