#include "resconv/outputSink.h"

#include <algorithm>

namespace {

constexpr std::string_view avsScratchName = "AVS.tmp";

}  // namespace

void OutputSink::remember(std::string_view name) {
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.emplace_back(name);
}

void OutputSink::openOutput(std::string_view name) {
  output_.open(name);
  remember(name);
}

void OutputSink::openSecondFile(std::string_view name) {
  secondFile_.open(name);
  remember(name);
}

AvsScratch& OutputSink::avsScratch() {
  if (!scratch_.out.isOpen() && !scratch_.inMemory) {
    scratch_.out.open(avsScratchName);
    remember(avsScratchName);
  }
  return scratch_;
}

OutputUnit& OutputSink::openFile(const std::string& name) {
  seriesFile_.close();
  seriesFile_.open(name);
  remember(name);
  return seriesFile_;
}

void OutputSink::closeAll() {
  output_.close();
  secondFile_.close();
  scratch_.out.close();
  seriesFile_.close();
}
