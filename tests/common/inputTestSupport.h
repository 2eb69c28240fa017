#pragma once
// Helpers shared by the input-side tests: temporary files and the stop line a call ends with.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "common/stop.h"

// A file in a fresh temporary directory, removed with the directory.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& contents, const std::string& name = "INPUT.DAT") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "seepage-input-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    directory_ = pattern;
    path_ = directory_ / name;
    std::ofstream out(path_, std::ios::binary);
    out << contents;
  }
  ~TemporaryFile() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  std::string path() const { return path_.string(); }
  std::string missingPath() const { return (directory_ / "MISSING.DAT").string(); }

 private:
  std::filesystem::path directory_;
  std::filesystem::path path_;
};

// The stop line that `body` ends with, or "no stop".
inline std::string stopOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const RunStopped& stop) {
    return stop.line();
  }
  return "no stop";
}
