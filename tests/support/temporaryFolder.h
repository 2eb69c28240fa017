#pragma once
// Temporary folders and files of the tests: each made fresh under the system's temporary
// folder and removed with everything in it, and files read back byte for byte.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace testSupport {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(std::string_view prefix = "seepage-test-") {
    static std::atomic<unsigned> made{0};
    std::random_device seed;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name =
          std::string(prefix) + std::to_string(seed()) + "-" + std::to_string(made.fetch_add(1));
      std::error_code error;
      if (std::filesystem::create_directory(base / name, error)) {
        path_ = base / name;
        return;
      }
    }
    std::abort();  // no name was free: nothing of the tests can go on
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
  void write(const std::string& name, const std::string& contents) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << contents;
  }

 private:
  std::filesystem::path path_;
};

// A file in a fresh temporary folder, removed with the folder.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& contents, const std::string& name = "INPUT.DAT")
      : folder_("seepage-input-"), name_(name) {
    folder_.write(name, contents);
  }

  std::string path() const { return folder_.file(name_); }
  std::string missingPath() const { return folder_.file("MISSING.DAT"); }

 private:
  TemporaryFolder folder_;
  std::string name_;
};

// The working folder changed to `folder` while the guard lives (for code that opens files by
// name), and changed back after.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

// A file's bytes as they are.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace testSupport
