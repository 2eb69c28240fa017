#include "common/progress.h"

#include <algorithm>
#include <cstdio>

#include "common/platform.h"
#include "common/units.h"

namespace {

constexpr auto redrawInterval = std::chrono::milliseconds(100);

std::string clockText(double seconds) {
  const auto whole = static_cast<long long>(std::max(seconds, 0.0) + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::uint64_t fileSize(const std::string& name) {
  return platform::regularFileSize(name);
}

ProgressMeter::ProgressMeter(ProgressMode mode, int fd)
    : shown_(mode == ProgressMode::always ||
             (mode == ProgressMode::automatic && platform::isTerminal(fd))),
      fd_(fd),
      start_(std::chrono::steady_clock::now()),
      lastDrawn_(start_ - redrawInterval) {}

ProgressMeter::~ProgressMeter() {
  clear();
}

void ProgressMeter::follow(const InputUnit& unit, std::uint64_t fileBytes) {
  unit_ = &unit;
  fileBytes_ = fileBytes;
  start_ = std::chrono::steady_clock::now();
  lastDrawn_ = start_ - redrawInterval;  // the first update draws
}

void ProgressMeter::stepRead() {
  ++steps_;
  update();
}

void ProgressMeter::update() {
  if (!shown_ || unit_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < redrawInterval) return;
  lastDrawn_ = now;
  draw();
}

void ProgressMeter::draw() {
  const double seconds = std::chrono::duration<double>(lastDrawn_ - start_).count();
  std::string line = lineText(unit_->bytesRead(), fileBytes_, steps_, seconds);
  const std::size_t width = line.size();
  if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');  // cover a longer old line
  drawnWidth_ = width;
  line.insert(line.begin(), '\r');
  (void)platform::writeAll(fd_, line.data(), line.size());  // never worth a stop
}

void ProgressMeter::clear() {
  if (drawnWidth_ == 0) return;
  std::string blank(drawnWidth_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  (void)platform::writeAll(fd_, blank.data(), blank.size());
  drawnWidth_ = 0;
}

std::string ProgressMeter::lineText(std::uint64_t bytesRead, std::uint64_t fileBytes, int steps,
                                    double seconds) {
  const double megabytes = static_cast<double>(bytesRead) / 1e6;
  const double rate = seconds > 0.0 ? megabytes / seconds : 0.0;
  char text[160];
  std::string line;
  if (fileBytes > 0) {
    const double share =
        std::min(1.0, static_cast<double>(bytesRead) / static_cast<double>(fileBytes));
    std::snprintf(text, sizeof text, "%5.1f%% read", 100.0 * share);
    line += text;
  } else {
    std::snprintf(text, sizeof text, "%.1f MB read", megabytes);
    line += text;
  }
  std::snprintf(text, sizeof text, ", %d %s, %.1f MB/s, %s elapsed", steps,
                steps == 1 ? "step" : "steps", rate, clockText(seconds).c_str());
  line += text;
  if (fileBytes > 0 && bytesRead > 0 && rate > 0.0) {
    const double left = static_cast<double>(fileBytes - std::min(bytesRead, fileBytes)) / 1e6;
    line += ", " + clockText(left / rate) + " left";
  }
  return line;
}
