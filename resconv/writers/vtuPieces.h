#pragma once
// The pieces both kinds of step file are made of: the value types and fixed text of the file,
// arrays described by their section, name, type and size, encoded once or produced per step,
// and the checks that keep a producer to its byte count.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/programmingError.h"
#include "resconv/writers/vtu.h"

namespace vtuPieces {

inline constexpr std::string_view fileHead =
    "<?xml version=\"1.0\"?>\n"
    "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
    "header_type=\"UInt64\"";
inline constexpr std::string_view compressorAttribute = " compressor=\"vtkZLibDataCompressor\"";
inline constexpr std::string_view fileTail =
    "\n  </AppendedData>\n"
    "</VTKFile>\n";

inline constexpr std::string_view float64 = "Float64";
inline constexpr std::string_view int32 = "Int32";
inline constexpr std::string_view int64 = "Int64";
inline constexpr std::string_view uint8 = "UInt8";

// Counts what passes, so that a producer that writes other than its byte count is caught
// before the file is wrong.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(ByteSink& to) : to_(to) {}
  void put(const void* data, std::size_t n) override {
    to_.put(data, n);
    count_ += n;
  }
  std::uint64_t count() const { return count_; }

 private:
  ByteSink& to_;
  std::uint64_t count_ = 0;
};

inline void produceChecked(const VtuArray& array, ByteSink& sink) {
  CountingSink counted(sink);
  array.produce(counted);
  if (counted.count() != array.byteCount) {
    programmingError("array " + std::string(array.name) + " produced " +
                     std::to_string(counted.count()) + " bytes, not " +
                     std::to_string(array.byteCount));
  }
}

inline void appendNumber(std::string& text, std::uint64_t value) {
  text += std::to_string(value);
}

inline void appendDataArrays(std::string& xml, std::span<const VtuArray> arrays,
                             std::span<const std::uint64_t> offsets, VtuSection section,
                             std::string_view indent) {
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    const VtuArray& array = arrays[i];
    if (array.section != section) continue;
    xml += indent;
    xml += "<DataArray type=\"";
    xml += array.type;
    xml += "\" Name=\"";
    xml += array.name;
    xml += '"';
    if (array.components != 1) {
      xml += " NumberOfComponents=\"";
      appendNumber(xml, static_cast<std::uint64_t>(array.components));
      xml += '"';
    }
    if (section == VtuSection::field) {
      xml += " NumberOfTuples=\"";
      appendNumber(xml, array.tupleCount);
      xml += '"';
    }
    xml += " format=\"appended\" offset=\"";
    appendNumber(xml, offsets[i]);
    xml += "\"/>\n";
  }
}

inline bool hasSection(std::span<const VtuArray> arrays, VtuSection section) {
  for (const VtuArray& array : arrays) {
    if (array.section == section) return true;
  }
  return false;
}

// An array of the piece, `tuples` tuples of `components` values of type T.
template <class T>
VtuArray arrayOf(VtuSection section, std::string_view name, std::string_view type,
                 std::uint64_t tuples, int components = 1) {
  VtuArray array;
  array.section = section;
  array.name = name;
  array.type = type;
  array.components = components;
  array.tupleCount = tuples;
  array.byteCount = tuples * static_cast<std::uint64_t>(components) * sizeof(T);
  return array;
}

// Encodes a constant array once.
template <class Produce>
void encodeOnce(BlockEncoder& encoder, std::vector<char>& out, std::uint64_t byteCount,
                Produce produce) {
  encoder.begin(out, byteCount);
  CountingSink counted(encoder);
  produce(counted);
  if (counted.count() != byteCount) programmingError("constant array of the wrong size");
  encoder.finish();
}

inline std::vector<VtuArray> fieldArrays(double& time, int& stepNo) {
  std::vector<VtuArray> arrays;
  VtuArray timeValue = arrayOf<double>(VtuSection::field, "TimeValue", float64, 1);
  timeValue.produce = [&time](ByteSink& sink) { sink.put(&time, sizeof time); };
  VtuArray step = arrayOf<std::int32_t>(VtuSection::field, "StepNo", int32, 1);
  step.produce = [&stepNo](ByteSink& sink) { sink.put(&stepNo, sizeof stepNo); };
  arrays.push_back(std::move(timeValue));
  arrays.push_back(std::move(step));
  return arrays;
}

inline VtuArray constantArray(VtuSection section, std::string_view name, std::string_view type,
                              std::uint64_t byteCount, const std::vector<char>& encoded,
                              int components = 1) {
  VtuArray array;
  array.section = section;
  array.name = name;
  array.type = type;
  array.components = components;
  array.byteCount = byteCount;
  array.encoded = &encoded;
  return array;
}

// The cells of a piece: connectivity (0-based point numbers), offsets (the end of each cell)
// and types, encoded once.
struct CellArrays {
  std::uint64_t cellCount = 0;
  std::uint64_t cornerCount = 0;
};

inline void appendCellArrays(std::vector<VtuArray>& arrays, const CellArrays& cells,
                             const std::vector<char>& connectivity,
                             const std::vector<char>& offsets, const std::vector<char>& types) {
  arrays.push_back(constantArray(VtuSection::cells, "connectivity", int64,
                                 cells.cornerCount * sizeof(std::int64_t), connectivity));
  arrays.push_back(constantArray(VtuSection::cells, "offsets", int64,
                                 cells.cellCount * sizeof(std::int64_t), offsets));
  arrays.push_back(constantArray(VtuSection::cells, "types", uint8, cells.cellCount, types));
}

inline std::uint64_t count(int n) {
  return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

// The arrays handed in must hold the slots the counts promise: a short one is the caller's
// fault, caught before it is read beyond its end.
template <class T>
void requireSlots(std::span<const T> array, std::uint64_t slots, const char* name) {
  if (array.size() < slots) {
    programmingError(std::string("array ") + name + " has " + std::to_string(array.size()) +
                     " slots, not " + std::to_string(slots));
  }
}

}  // namespace vtuPieces
