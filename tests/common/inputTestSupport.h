#pragma once
// Helpers shared by the input-side tests: temporary files and the stop line a call ends with.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/stop.h"
#include "unitTestSupport.h"

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
  testSupport::TemporaryFolder folder_;
  std::string name_;
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
