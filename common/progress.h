#pragma once
// The progress line of a long read: share of the result file read, stored steps read, speed,
// time spent and time left, on standard error. It is drawn only where someone watches (standard
// error is a terminal) unless forced, redrawn at most ten times a second, and cleared at the
// end, so no file or pipe ever receives it unasked. Plain carriage returns and blanks only.
#include <chrono>
#include <cstdint>
#include <string>

class InputUnit;

// The size of a file in bytes, 0 when it cannot be told.
std::uint64_t fileSize(const std::string& name);

enum class ProgressMode { automatic, always, never };

class ProgressMeter {
 public:
  // Draws only when mode is always, or automatic with standard error a terminal.
  explicit ProgressMeter(ProgressMode mode = ProgressMode::automatic, int fd = 2);
  ~ProgressMeter();
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  bool shown() const { return shown_; }
  // Follows this unit, whose file holds `fileBytes` bytes (0 when unknown). Nothing is drawn
  // before the first update, which the reader's caller makes once the mesh has been read.
  void follow(const InputUnit& unit, std::uint64_t fileBytes);
  // One more stored step read; redraws when the last drawing is old enough.
  void stepRead();
  // Redraws when the last drawing is old enough.
  void update();
  // Removes the line (before a question on the console, and at the end).
  void clear();

  // The text of one progress line (without the carriage return), for tests.
  static std::string lineText(std::uint64_t bytesRead, std::uint64_t fileBytes, int steps,
                              double seconds);

 private:
  void draw();

  bool shown_ = false;
  int fd_ = 2;
  const InputUnit* unit_ = nullptr;
  std::uint64_t fileBytes_ = 0;
  int steps_ = 0;
  std::size_t drawnWidth_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};
