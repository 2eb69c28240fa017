// The step files of a series and their ParaView collection.
#include "resconv/writers/pvd.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <system_error>

#include "common/fieldEdit.h"
#include "common/platform.h"
#include "common/programmingError.h"
#include "common/stop.h"

namespace {

constexpr std::string_view collectionHead =
    "<?xml version=\"1.0\"?>\n"
    "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
    "  <Collection>\n";
constexpr std::string_view collectionTail =
    "  </Collection>\n"
    "</VTKFile>\n";

constexpr int stepNumberDigits = 4;

void appendDouble(OutputUnit& unit, double value) {
  char text[32];
  unit.append(shortestDouble(value, text));
}

// The number of a step file name "STEM_NNNN.vtu" of this series, or -1.
int stepNumberOf(std::string_view leaf, std::string_view stem) {
  constexpr std::string_view extension = ".vtu";
  if (leaf.size() <= stem.size() + 1 + extension.size()) return -1;
  if (!leaf.starts_with(stem) || leaf[stem.size()] != '_' || !leaf.ends_with(extension)) return -1;
  const std::string_view digits =
      leaf.substr(stem.size() + 1, leaf.size() - stem.size() - 1 - extension.size());
  int number = -1;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return -1;
  // Only the names this series writes: "VTK_0012.vtu", not "VTK_12.vtu" or "VTK_+12.vtu".
  if (stepFileName(stem, number) != std::string(stem) + "/" + std::string(leaf)) return -1;
  return number;
}

}  // namespace

SeriesFiles seriesFilesIn(std::filesystem::path directory) {
  auto unit = std::make_shared<OutputUnit>(unitNumber::output);
  return SeriesFiles{
      directory,
      [directory, unit](const std::string& name) -> OutputUnit& {
        unit->open((directory / name).string());
        return *unit;
      },
      [directory](const std::string& name) { syncFileDurably((directory / name).string()); },
      [directory](const std::string& from, const std::string& to) {
        replaceFileDurably((directory / from).string(), (directory / to).string());
      }};
}

namespace {

std::string folderOf(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(name).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

}  // namespace

void syncFileDurably(const std::string& name) {
  int error = platform::syncFileNamed(name);
  if (error == 0) error = platform::syncFolder(folderOf(name));
  if (error != 0) stopWithMessage("cannot write " + name + ": " + std::strerror(error));
}

void replaceFileDurably(const std::string& from, const std::string& to) {
  if (const int error = platform::replaceFile(from, to); error != 0) {
    stopWithMessage("cannot rename " + from + " to " + to + ": " + std::strerror(error));
  }
  if (const int error = platform::syncFolder(folderOf(to)); error != 0) {
    stopWithMessage("cannot write " + to + ": " + std::strerror(error));
  }
}

std::string stepFileName(std::string_view stem, int index) {
  std::string digits = std::to_string(index);
  if (digits.size() < stepNumberDigits) digits.insert(0, stepNumberDigits - digits.size(), '0');
  std::string name(stem);
  name += '/';
  name += stem;
  name += '_';
  name += digits;
  name += ".vtu";
  return name;
}

void writeCollection(OutputUnit& unit, std::string_view stem, std::span<const double> times) {
  unit.append(collectionHead);
  for (std::size_t index = 0; index < times.size(); ++index) {
    unit.append("    <DataSet timestep=\"");
    appendDouble(unit, times[index]);
    unit.append("\" group=\"\" part=\"0\" file=\"");
    unit.append(stepFileName(stem, static_cast<int>(index)));
    unit.append("\"/>\n");  // XML of the series: LF on every system, as VTK writes it
  }
  unit.append(collectionTail);
}

void removeStaleStepFiles(const std::filesystem::path& folder, std::string_view stem,
                          int firstStale) {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) return;  // no folder: nothing stale
  std::vector<std::filesystem::path> stale;
  for (const auto& entry : entries) {
    const int number = stepNumberOf(entry.path().filename().string(), stem);
    if (number >= firstStale) stale.push_back(entry.path());
  }
  for (const auto& path : stale) {
    if (!std::filesystem::remove(path, error) && error) {
      stopWithMessage("cannot remove " + path.string() + " of an earlier run: " + error.message());
    }
  }
}

StepFileSeries::StepFileSeries(std::string stem, SeriesFiles files)
    : stem_(std::move(stem)), files_(std::move(files)) {
  const std::filesystem::path folder = files_.directory / stem_;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    stopWithMessage("cannot create folder " + folder.string() + ": " +
                    (error ? error.message() : "a file of that name is in the way"));
  }
}

StepFileSeries::~StepFileSeries() {
  if (finished_ || !begun_) return;
  try {
    reportingStops([this] { finish(); });
  } catch (const std::exception&) {
    // Unwinding from another failure, which is the one reported.
  }
}

OutputUnit& StepFileSeries::openStep() {
  if (step_ != nullptr) programmingError("a step file of " + stem_ + " is still open");
  // The collection of an earlier run names files about to be overwritten: it goes first.
  if (!begun_) {
    rewriteCollection();
    begun_ = true;
  }
  step_ = &files_.openFile(stepFileName(stem_, stepCount()));
  return *step_;
}

OutputUnit& StepFileSeries::openStepAt(double time) {
  // The first step file is put on the disk, and listed, only once the next one is closed: it
  // can still be written anew.
  if (time == 0.0 && times_.size() == 1 && times_[0] == 0.0 && synced_ == 0) times_.pop_back();
  return openStep();
}

void StepFileSeries::closeStep(double time) {
  if (step_ == nullptr) programmingError("no step file of " + stem_ + " is open");
  OutputUnit& unit = *step_;
  unit.startWriteback();  // on its way to the disk while the next output is made
  step_ = nullptr;  // a failure before this leaves it to finish(), which closes and removes it
  unit.close();
  times_.push_back(time);
  stepBytes_ += unit.byteCount();
  // The step file before this one has had the time of an output to reach its disk.
  syncStepsBefore(stepCount() - 1);
  if (listed_ < synced_ && collectionBytes_ <= stepBytes_) rewriteCollection();
}

void StepFileSeries::syncStepsBefore(int count) {
  for (; synced_ < count; ++synced_) files_.syncFile(stepFileName(stem_, synced_));
}

void StepFileSeries::rewriteCollection() {
  const std::string collection = stem_ + ".pvd";
  const std::string written = collection + ".tmp";
  OutputUnit& unit = files_.openFile(written);
  writeCollection(unit, stem_,
                  std::span<const double>(times_).first(static_cast<std::size_t>(synced_)));
  unit.syncToDisk();
  unit.close();
  files_.replaceFile(written, collection);
  listed_ = synced_;
  collectionBytes_ = unit.byteCount();
  stepBytes_ = 0;
}

void StepFileSeries::finish() {
  finished_ = true;
  if (!begun_) return;  // no step file opened: the files of an earlier run stay as they are
  if (step_ != nullptr) {
    // Begun when the run stopped: closed, then removed with the stale ones (an open file
    // cannot be removed everywhere).
    OutputUnit& unit = *step_;
    step_ = nullptr;
    unit.close();
  }
  syncStepsBefore(stepCount());
  if (listed_ < synced_) rewriteCollection();
  removeStaleStepFiles(files_.directory / stem_, stem_, stepCount());
}
