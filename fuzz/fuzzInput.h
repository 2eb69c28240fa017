#pragma once
// Helpers shared by the fuzz targets: the fuzz input taken apart into a text and a stream of
// choices, and the input handed to an input unit as a real file, so that the block reader's
// handling of a last record without its line end is exercised too.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Bytes of the fuzz input handed out one choice at a time; zeros once they run out.
class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  template <class T>
  T value() {
    T result{};
    std::uint8_t bytes[sizeof(T)] = {};
    for (auto& b : bytes) b = byte();
    std::memcpy(&result, bytes, sizeof(T));
    return result;
  }
  std::string_view text(std::size_t length) {
    length = std::min(length, size_ - pos_);
    std::string_view part(reinterpret_cast<const char*>(data_) + pos_, length);
    pos_ += length;
    return part;
  }
  bool empty() const { return pos_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Splits the input at its first line end: the head (without the line end) and the rest.
inline std::pair<std::string_view, std::string_view> splitFirstLine(const std::uint8_t* data,
                                                                    std::size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t end = all.find('\n');
  if (end == std::string_view::npos) return {all, {}};
  return {all.substr(0, end), all.substr(end + 1)};
}

// A scratch file that holds the text for one run of the target.
class ScratchFile {
 public:
  ScratchFile() {
    const char* directory = std::getenv("TMPDIR");
    path_ = std::string(directory != nullptr ? directory : "/tmp") + "/seepage-fuzz-" +
            std::to_string(::getpid()) + ".dat";
  }
  ~ScratchFile() { ::unlink(path_.c_str()); }
  const std::string& write(std::string_view text) {
    FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size())
      std::abort();
    std::fclose(file);
    return path_;
  }

 private:
  std::string path_;
};

#include "common/units.h"

// Opens the unit on the text: mostly from memory (fast), one input in sixteen through a real file,
// which takes the block reader's path.
inline void openOnText(InputUnit& unit, std::string_view text) {
  static ScratchFile scratch;
  if (text.size() % 16 == 5) {
    unit.openOld(scratch.write(text));
  } else {
    unit.openMemory(std::string(text), "FUZZ.DAT");
  }
}
