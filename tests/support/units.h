#pragma once
// Units of the tests kept in memory: an output unit open on memory, and the stop a call ends
// with.
#include <functional>
#include <string>

#include "common/stop.h"
#include "common/units.h"

namespace testSupport {

// An output unit that keeps its records in memory (memory()).
class MemoryUnit : public OutputUnit {
 public:
  explicit MemoryUnit(int number = unitNumber::output) : OutputUnit(number) { openMemory(); }
};

// An input unit that reads `text` as the file `name`.
class MemoryInput : public InputUnit {
 public:
  MemoryInput(std::string text, std::string_view name, int number) : InputUnit(number) {
    openMemory(std::move(text), name);
  }
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

}  // namespace testSupport
