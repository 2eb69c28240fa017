#pragma once
// The arrays of nodes and elements hold node n, element e, list position k in slot n, e, k (slot
// 0 unused), as the files number them; numbers and counts are ints. at(k) is the slot of a
// number known not to be negative, as an index.
#include <cstddef>

constexpr std::size_t at(int k) {
  return static_cast<std::size_t>(k);
}
