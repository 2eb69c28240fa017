#include "python/resultStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <span>

namespace {

std::size_t slots(int count) {
  return static_cast<std::size_t>(count) + 1;
}

template <class T>
std::span<T> writable(const std::shared_ptr<std::vector<T>>& array) {
  return {array->data(), array->size()};
}

// The bytes the stream holds at most: the mesh, the initial state, and two steps (the one
// handed out last and the one being read). Absurd counts stop before anything is allocated.
void requireStreamMemory(const ResultCounts& counts) {
  const double nodes = static_cast<double>(slots(counts.nodeCount));
  const double elements = static_cast<double>(slots(counts.elementCount));
  const double slotsPerElement = static_cast<double>(counts.nodesPerElement);
  const double mesh = nodes * 3 * sizeof(double) + (elements - 1) * slotsPerElement * sizeof(int) +
                      elements * sizeof(int);
  const double state = nodes * (2 * sizeof(double) + sizeof(int));
  const double velocity = 3 * elements * sizeof(double);
  requireMemory(mesh + 3 * state + 2 * velocity);
}

}  // namespace

void openResultForReading(InputUnit& unit, const std::string& path) {
  try {
    openResultFile(unit, path);
  } catch (const RunStopped& stop) {
    // The stop names the file; the system's reason is asked again, since building the stop
    // may have changed errno.
    const int error = ::access(path.c_str(), R_OK) != 0 ? errno : EIO;
    throw OpenFailed(stop, error, path);
  }
}

std::string readTitleForReading(InputUnit& unit, const std::string& path) {
  try {
    return readResultTitle(unit);
  } catch (const RunStopped& stop) {
    // A folder opens but cannot be read: its first read's stop, told apart as an error of the
    // open.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
      throw OpenFailed(stop, EISDIR, path);
    }
    throw;
  }
}

ResultStream::ResultStream(const std::string& path) : unit_(unitNumber::resultFile) {
  openResultForReading(unit_, path);
  title_ = readTitleForReading(unit_, path);
  counts_ = readResultCounts(unit_);
  requireStreamMemory(counts_);

  const std::size_t nodeSlots = slots(counts_.nodeCount);
  const std::size_t elementSlots = slots(counts_.elementCount);
  auto x = std::make_shared<std::vector<double>>(nodeSlots);
  auto y = std::make_shared<std::vector<double>>(nodeSlots);
  auto z = std::make_shared<std::vector<double>>(nodeSlots);
  auto pressureHead = std::make_shared<std::vector<double>>(nodeSlots);
  auto discharge = std::make_shared<std::vector<double>>(nodeSlots);
  auto nodeCode = std::make_shared<std::vector<int>>(nodeSlots);
  auto connectivity = std::make_shared<std::vector<int>>(
      (elementSlots - 1) * static_cast<std::size_t>(counts_.nodesPerElement));
  auto materialNo = std::make_shared<std::vector<int>>(elementSlots);
  readResultMesh(
      unit_, counts_,
      {writable(x), writable(y), writable(z), writable(pressureHead), writable(discharge),
       writable(nodeCode), writable(connectivity), writable(materialNo)});
  mesh_ = {x, y, z, connectivity, materialNo};
  initial_ = {pressureHead, discharge, nodeCode};
  previous_ = initial_;
  previousVelocity_ = std::make_shared<const std::vector<double>>(3 * (elementSlots - 1) + 1, 0.0);
}

std::optional<StepValues> ResultStream::nextStep() {
  const std::lock_guard<std::mutex> lock(mutex_);
  switch (state_) {
    case State::reading:
      break;
    case State::ended:
      return std::nullopt;
    case State::failed:
      std::rethrow_exception(failure_);
    case State::closed:
      throw StreamClosed();
  }
  try {
    auto pressureHead = std::make_shared<std::vector<double>>(*previous_.pressureHead);
    auto discharge = std::make_shared<std::vector<double>>(*previous_.discharge);
    auto nodeCode = std::make_shared<std::vector<int>>(*previous_.nodeCode);
    auto velocity = std::make_shared<std::vector<double>>(*previousVelocity_);
    // vy's and vz's slot 0 is the last element's vx and vy: the reader never writes slot 0.
    const auto elements = static_cast<std::size_t>(counts_.elementCount);
    const std::span<double> components = writable(velocity);
    StepArrays arrays{writable(pressureHead),
                      writable(discharge),
                      writable(nodeCode),
                      components.subspan(0, elements + 1),
                      components.subspan(elements, elements + 1),
                      components.subspan(2 * elements, elements + 1)};
    StepValues step;
    if (!readResultStep(unit_, counts_, step.stepNo, step.time, arrays)) {
      state_ = State::ended;
      unit_.close();
      return std::nullopt;
    }
    step.nodes = {pressureHead, discharge, nodeCode};
    step.velocity = velocity;
    previous_ = step.nodes;
    previousVelocity_ = velocity;
    return step;
  } catch (...) {
    state_ = State::failed;
    failure_ = std::current_exception();
    unit_.close();
    throw;
  }
}

void ResultStream::close() {
  const std::lock_guard<std::mutex> lock(mutex_);
  unit_.close();
  state_ = State::closed;
}
