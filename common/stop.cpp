#include "common/stop.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <new>

#include "common/decimalDigits.h"
#include "common/platform.h"

namespace {

std::string programName = "program";
// Set when the interrupt's stop has been thrown: the unwinding run is not stopped again. The
// step reader's thread asks too.
std::atomic<bool> interruptStopped{false};
// False on a thread that leaves interrupts to the thread it works for.
thread_local bool interruptsStopThisThread = true;

// What the run was last noted doing.
enum class Stage { none, stepRead, outputBegun, outputWritten };
struct RunPlace {
  Stage stage = Stage::none;  // of the steps
  int stepNo = 0;
  double time = 0.0;
  std::string doing, fileName;  // work after the steps; empty while none
};
thread_local RunPlace place;

std::string stepText(int stepNo, double time) {
  return "step " + std::to_string(stepNo) + " at time " + shortestDoubleText(time);
}

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

bool memoryAffords(double bytes) {
  const std::uint64_t memory = platform::physicalMemory();
  if (memory == 0) return true;
  // Half the machine at most: a file that really held that much would take most of the
  // memory, so a larger request stops at once.
  return bytes <= static_cast<double>(memory) / 2;
}

void requireMemory(double bytes) {
  if (!memoryAffords(bytes)) stopNoMemory();
}

void writeErrorLine(std::string_view line) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::string text(line);
  text += platform::lineEnd;
  (void)platform::writeAll(2, text.data(), text.size());
}

void watchForInterrupts(std::string_view program) {
  programName = std::string(program);
  platform::catchInterrupts();
  platform::ignoreFileSizeLimitSignal();
}

int interruptExitStatus(int signalNumber) {
  return 128 + signalNumber;
}

void stopIfInterrupted() {
  const int signalNumber = platform::interruptSignal();
  if (signalNumber == 0 || !interruptsStopThisThread || interruptStopped.exchange(true)) return;
  std::string line = programName + ": interrupted";
  if (const std::string where = runPlace(); !where.empty()) line += " " + where;
  throw RunStopped(std::move(line), interruptExitStatus(signalNumber));
}

void leaveInterruptsToTheCaller() {
  interruptsStopThisThread = false;
}

void noteStepRead(int stepNo, double time) {
  place = RunPlace{Stage::stepRead, stepNo, time, {}, {}};
}

void noteOutputBegun(int stepNo, double time) {
  place = RunPlace{Stage::outputBegun, stepNo, time, {}, {}};
}

void noteOutputWritten() {
  if (place.stage == Stage::outputBegun) place.stage = Stage::outputWritten;
}

void noteWork(std::string_view doing, std::string_view fileName) {
  place.doing = std::string(doing);
  place.fileName = std::string(fileName);
}

void clearRunPlace() {
  place = RunPlace{};
}

std::string runPlaceWriting(std::string_view fileName) {
  if (!place.doing.empty() && place.fileName != fileName) {
    return "while " + place.doing + " " + place.fileName;
  }
  switch (place.stage) {
    case Stage::none:
      return {};
    case Stage::stepRead:
      return "after reading " + stepText(place.stepNo, place.time);
    case Stage::outputBegun:
      return "while writing the output of " + stepText(place.stepNo, place.time);
    case Stage::outputWritten:
      return "after the output of " + stepText(place.stepNo, place.time);
  }
  return {};
}

std::string runPlace() {
  return runPlaceWriting({});
}

void reportingStops(const std::function<void()>& finish) {
  try {
    finish();
  } catch (const RunStopped& stop) {
    writeErrorLine(stop.line());
  }
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
