#include "common/stop.h"

#include <cstdio>
#include <new>

#include "common/platform.h"

namespace {

std::string_view messageText(int error) {
  switch (error) {
    case errorNumber::endOfFile:
      return "end-of-file during read";
    case errorNumber::fileNotFound:
      return "file not found";
    case errorNumber::noMemory:
      return "insufficient virtual memory";
    case errorNumber::listSyntax:
      return "list-directed I/O syntax error";
    case errorNumber::conversion:
      return "input conversion error";
    default:
      return "run-time error";
  }
}

}  // namespace

std::string stopLine(int error, int unitNumber, std::string_view fileName) {
  std::string line = "forrtl: severe (" + std::to_string(error) + "): ";
  line += messageText(error);
  if (error != errorNumber::noMemory) {
    line += ", unit " + std::to_string(unitNumber) + ", file ";
    line += fileName;
  }
  return line;
}

void stopRun(int error, int unitNumber, std::string_view fileName) {
  throw RunStopped(stopLine(error, unitNumber, fileName), 1);
}

void stopRunAt(int error, int unitNumber, std::string_view fileName, std::string location) {
  throw RunStopped(stopLine(error, unitNumber, fileName), 1, std::move(location));
}

void stopNoMemory() {
  throw RunStopped(stopLine(errorNumber::noMemory, 0, ""), 1);
}

void stopWithMessage(std::string message, std::string location) {
  throw RunStopped(std::move(message), 1, std::move(location));
}

void requireMemory(double bytes) {
  const std::uint64_t memory = platform::physicalMemory();
  if (memory == 0) return;
  // Half the machine at most: a file that really held that much would take most of the
  // memory, so a larger request stops at once.
  const double budget = static_cast<double>(memory) / 2;
  if (bytes > budget) stopNoMemory();
}

void writeErrorLine(std::string_view line) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::string text(line);
  text += platform::lineEnd;
  (void)platform::writeAll(2, text.data(), text.size());
}

int runProgram(const std::function<int()>& body) {
  try {
    return body();
  } catch (const RunStopped& stop) {
    writeErrorLine(stop.line());
    if (!stop.location().empty()) writeErrorLine(stop.location());
    return stop.exitStatus();
  } catch (const std::bad_alloc&) {
    writeErrorLine(stopLine(errorNumber::noMemory, 0, ""));
    return 1;
  }
}
