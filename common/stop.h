#pragma once
// The one way a run ends early: a failed open, read or conversion stops the program with
// one line on standard error. The line is carried by RunStopped, thrown here and caught once
// in each main, so that unwinding flushes and closes every open file and no written record
// is lost.
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace errorNumber {
constexpr int endOfFile = 24;
constexpr int fileNotFound = 29;
constexpr int noMemory = 41;
constexpr int listSyntax = 59;
constexpr int conversion = 64;
}  // namespace errorNumber

class RunStopped : public std::exception {
 public:
  RunStopped(std::string line, int exitStatus) : line_(std::move(line)), exitStatus_(exitStatus) {}
  const char* what() const noexcept override { return line_.c_str(); }
  const std::string& line() const { return line_; }
  int exitStatus() const { return exitStatus_; }

 private:
  std::string line_;
  int exitStatus_;
};

// The run-time stop "forrtl: severe (N): message" for error N on a unit and its file.
[[noreturn]] void stopRun(int error, int unitNumber, std::string_view fileName);
// The stop for error 41, which names no unit.
[[noreturn]] void stopNoMemory();
// A stop with a message of the program's own (bad input the run-time would not catch).
[[noreturn]] void stopWithMessage(std::string message);

// Stops with error 41 when arrays of `bytes` in all would take more than half the machine's
// memory, so that absurd counts end at once instead of exhausting the machine.
void requireMemory(double bytes);

// The text of the stop line, without stopping (for tests and for the console).
std::string stopLine(int error, int unitNumber, std::string_view fileName);

// Runs a program body and turns RunStopped (and allocation failure) into the stop line on
// standard error and a non-zero exit status.
int runProgram(const std::function<int()>& body);
