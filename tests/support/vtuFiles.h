#pragma once
// ParaView series of the tests: the appended arrays of a .vtu file decoded back (raw or
// compressed blocks), and the files of a series kept in memory by name.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/units.h"
#include "resconv/writers/pvd.h"
#include "support/temporaryFolder.h"

namespace testSupport {

// The 8-byte word at `at` (a header word of a block); throws beyond the bytes.
std::uint64_t wordAt(std::string_view bytes, std::size_t at);

// The array bytes of the block at `at`; `used` is the block's encoded size.
std::string decodeBlock(std::string_view data, std::size_t at, bool compressed,
                        std::size_t* used = nullptr);

struct VtuArrayRead {
  std::string type;
  int components = 1;
  std::string bytes;
  template <class T>
  std::vector<T> values() const {
    std::vector<T> v(bytes.size() / sizeof(T));
    std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
    return v;
  }
};

struct VtuFileRead {
  std::string head;  // the XML before the appended data
  bool compressed = false;
  std::map<std::string, VtuArrayRead> arrays;  // "PointData/Velocity", "Cells/types", ...
  std::string tail;
  // The array of that key; throws when the file has none.
  const VtuArrayRead& operator[](const std::string& key) const;
};

// Decodes every appended array of a .vtu file; throws on a file it cannot read.
VtuFileRead readVtu(std::string_view file);

// Files of a series kept in memory, by name; the folder of the series in a fresh directory.
struct MemorySeriesFiles {
  TemporaryFolder directory{"seriesTest-"};
  std::map<std::string, std::unique_ptr<OutputUnit>> units;
  SeriesFiles files();
  const std::string& text(const std::string& name) const { return units.at(name)->memory(); }
};

}  // namespace testSupport
