#include "resconv/outputSink.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "common/platform.h"
#include "common/stop.h"
#include "resconv/writers/pvd.h"

void OutputSink::remember(std::string_view name) {
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.emplace_back(name);
}

void OutputSink::openOutput(std::string_view name) {
  output_.open(name);
  remember(name);
}

void OutputSink::dropEmptyOutput() {
  if (!removeEmptyOutput_ || !output_.isOpen() || output_.byteCount() != 0) return;
  const std::string name = output_.name();
  output_.close();  // nothing to write: cannot fail
  std::error_code ignored;
  std::filesystem::remove(name, ignored);
  std::erase(names_, name);
}

OutputSink::~OutputSink() {
  try {
    dropEmptyOutput();
  } catch (const RunStopped&) {
    // Unwinding from the failure that is reported.
  }
  if (!scratchOpened_ || std::uncaught_exceptions() == 0) return;
  const bool writeFailed = output_.failed() || scratch_.failed();
  if (platform::interruptSignal() == 0 && !writeFailed) return;
  // Its sections are of no use without the file they were for. Both its units are closed
  // first: a file still open for reading is not removed on Windows.
  try {
    scratch_.close();
  } catch (const RunStopped&) {
    // Removed all the same.
  }
  scratchReader_.close();
  std::error_code ignored;
  std::filesystem::remove(std::string(avsScratchName), ignored);
}

void OutputSink::openSecondFile(std::string_view name) {
  secondFile_.open(name);
  remember(name);
}

OutputUnit& OutputSink::avsScratch() {
  if (!scratch_.isOpen()) {
    scratch_.open(avsScratchName);
    scratchOpened_ = true;
    remember(avsScratchName);
    // What the user asked for is the file the sections are assembled into.
    if (output_.isOpen()) {
      scratch_.reportFailuresAs(
          output_.name(), std::string(avsScratchName) + ", the scratch file of " + output_.name());
    }
  }
  return scratch_;
}

InputUnit& OutputSink::rereadAvsScratch() {
  scratch_.close();
  scratchReader_.openOld(avsScratchName);
  return scratchReader_;
}

OutputUnit& OutputSink::openFile(const std::string& name) {
  seriesFile_.close();
  seriesFile_.open(name);
  remember(name);
  return seriesFile_;
}

void OutputSink::syncFile(const std::string& name) {
  syncFileDurably(name);
}

void OutputSink::replaceFile(const std::string& from, const std::string& to) {
  replaceFileDurably(from, to);
  std::erase(names_, from);
  remember(to);
}

void OutputSink::closeAll() {
  dropEmptyOutput();
  output_.close();
  secondFile_.close();
  scratch_.close();
  scratchReader_.close();
  seriesFile_.close();
}
