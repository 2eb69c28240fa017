#pragma once
// The one way a run ends early: a failed open, read or conversion stops the program with
// one line on standard error, followed, when the stop comes from reading a file, by a second
// line that names the place: the file, the line and column, the offending text and what was
// being read. Both are carried by RunStopped, thrown here and caught once in each main, so that
// unwinding flushes and closes every open file and no written record is lost.
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
  RunStopped(std::string line, int exitStatus, std::string location = {})
      : line_(std::move(line)), location_(std::move(location)), exitStatus_(exitStatus) {}
  // The stop line, unchanged whatever the place.
  const char* what() const noexcept override { return line_.c_str(); }
  const std::string& line() const { return line_; }
  // The place of the stop, "RES.DAT, line 37, column 9, "zero": the node code of node 2 of the
  // step at line 26 (step number 2)"; empty when the stop has no place in a file.
  const std::string& location() const { return location_; }
  int exitStatus() const { return exitStatus_; }

 private:
  std::string line_;
  std::string location_;
  int exitStatus_;
};

// The run-time stop "forrtl: severe (N): message" for error N on a unit and its file.
[[noreturn]] void stopRun(int error, int unitNumber, std::string_view fileName);
// The same stop with the place in the file where it happened.
[[noreturn]] void stopRunAt(int error, int unitNumber, std::string_view fileName,
                            std::string location);
// The stop for error 41, which names no unit.
[[noreturn]] void stopNoMemory();
// A stop with a message of the program's own (bad input the run-time would not catch).
[[noreturn]] void stopWithMessage(std::string message, std::string location = {});

// Stops with error 41 when arrays of `bytes` in all would take more than half the machine's
// memory, so that absurd counts end at once instead of exhausting the machine.
void requireMemory(double bytes);
// Whether arrays of `bytes` in all stay within that bound.
bool memoryAffords(double bytes);

// The text of the stop line, without stopping (for tests and for the console).
std::string stopLine(int error, int unitNumber, std::string_view fileName);

// One line on standard error, ended by the platform's line end; standard output goes first.
void writeErrorLine(std::string_view line);

// For destructors, which may run while a stop unwinds the run: runs `finish` (a flush, a last
// rewrite) and reports a stop it meets by its line on standard error instead of throwing; the
// exit status stays that of the stop that ended the run.
void reportingStops(const std::function<void()>& finish);

// Interrupts. Called once when a program starts: Ctrl-C and termination (platform.h) are noted
// instead of ending the program at once, and stopIfInterrupted() ends the run at the next
// record boundary; a file-size limit makes a write fail, so that it stops the run like a full
// disk. `program` names the program in the interrupt's line.
void watchForInterrupts(std::string_view program);
// The stop of an interrupt, thrown once when one has come: one line, "resconv: interrupted"
// and the place the run had reached (runPlace), and the exit status 128 plus the signal's
// number (130 for Ctrl-C). Later calls return, so that the unwinding run closes its files.
// The record layer calls it at the start of each stored step, before each read of its input
// and with each full buffer of output.
void stopIfInterrupted();
// On the calling thread, stopIfInterrupted() does nothing from now on: for a thread that works
// for another, which stops the run itself and names the place it reached.
void leaveInterruptsToTheCaller();
// The exit status of an interrupt stop: 128 plus the signal's number.
int interruptExitStatus(int signalNumber);

// Where a run stands, for the line of an interrupt and the place of a failed write. The loops
// note it as they go (on the calling thread only); it is kept as numbers and worded only when a
// stop asks for it.
void noteStepRead(int stepNo, double time);
void noteOutputBegun(int stepNo, double time);
void noteOutputWritten();
// Work on a file after the steps: noteWork("assembling", "AVS.INP").
void noteWork(std::string_view doing, std::string_view fileName);
// Forgets what was noted (a run that starts anew).
void clearRunPlace();
// "after reading step 4 at time 20", "while writing the output of step 4 at time 20", "after
// the output of step 4 at time 20", "while writing HTIME.CSV"; empty while nothing was noted.
std::string runPlace();
// The same for a failed write of `fileName`: work on that file goes without saying, so the
// step the run had reached is named instead.
std::string runPlaceWriting(std::string_view fileName);

// Runs a program body and turns RunStopped (and allocation failure) into the stop line, and the
// location line when there is one, on standard error and a non-zero exit status.
int runProgram(const std::function<int()>& body);
