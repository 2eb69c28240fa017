#include "tools/companionFiles.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/recordSink.h"

namespace {

constexpr int countWidth = 5;  // (I5), (2I5), (6I5) fields
constexpr int timeWidth = 10;  // (8F10.0) fields
constexpr int timesPerRecord = 8;
constexpr int listWidth = 7;  // (10I7) fields
constexpr int listPerRecord = 10;
constexpr int tableCapacity = 4444;

void appendRight(std::string& line, std::string_view text, std::size_t width) {
  if (text.size() < width) line.append(width - text.size(), ' ');
  line.append(text);
}

// Right-justified integer; false when it does not fit the field.
bool appendInteger(std::string& line, long long value, int width) {
  char text[24];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  std::string_view digits(text, static_cast<std::size_t>(end - text));
  if (digits.size() > static_cast<std::size_t>(width)) return false;
  appendRight(line, digits, static_cast<std::size_t>(width));
  return true;
}

// Shortest text that reads back as `value`, always with a point or an exponent.
std::string shortestText(double value) {
  char text[64];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  std::string result(text, end);
  if (result.find_first_of(".e") == std::string::npos) result += ".0";
  return result;
}

// A time in a 10-column F field: the shortest exact text, or fewer exponent digits if that is
// too wide.
bool appendTime(std::string& line, double value) {
  std::string text = shortestText(value);
  for (int digits = 6; text.size() > timeWidth && digits >= 0; --digits) {
    char buffer[48];
    text = scientificText(buffer, sizeof buffer, value, digits);
  }
  if (text.size() > timeWidth) return false;
  appendRight(line, text, timeWidth);
  return true;
}

bool parseTimes(std::string_view list, std::vector<double>& times) {
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    double value = 0.0;
    auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc() || end != item.data() + item.size()) return false;
    times.push_back(value);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return true;
}

// A uniform number in [0, 1) from a running state (xorshift64*).
double nextUniform(std::uint64_t& state) {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return static_cast<double>((state * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53;
}

double roundTo4(double value) {
  return std::round(value * 1.0e4) / 1.0e4;
}

struct SubMesh {
  std::vector<Point3> points{Point3{}};  // slot 0 unused
  std::vector<std::array<int, 4>> elements;
};

// Points scattered inside the grid, or, for a sub-mesh, a regular plan grid at mid height
// whose last column of cells is cut into triangles.
SubMesh makeSubMesh(const GeneratorOptions& options, const SyntheticModel& model) {
  const GridShape& grid = model.grid;
  double xExtent = grid.nx * grid.dx;
  double yExtent = grid.ny * grid.dy;
  SubMesh mesh;
  if (!options.meshElements) {
    std::uint64_t state = options.seed * 0x9E3779B97F4A7C15ull + 0x1234567ull;
    if (state == 0) state = 1;
    for (int point = 1; point <= options.pointCount; ++point) {
      double u = nextUniform(state), v = nextUniform(state), w = nextUniform(state);
      mesh.points.push_back({roundTo4((0.05 + 0.9 * u) * xExtent),
                             roundTo4((0.05 + 0.9 * v) * yExtent),
                             roundTo4((0.05 + 0.9 * w) * model.height)});
    }
    return mesh;
  }
  int columns = std::max(2, static_cast<int>(std::sqrt(static_cast<double>(options.pointCount))));
  int rows = options.pointCount / columns;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      mesh.points.push_back({roundTo4((0.05 + 0.9 * column / (columns - 1)) * xExtent),
                             roundTo4((0.05 + 0.9 * row / (rows - 1)) * yExtent),
                             roundTo4(0.5 * model.height)});
    }
  }
  for (int row = 0; row + 1 < rows; ++row) {
    for (int column = 0; column + 1 < columns; ++column) {
      int a = row * columns + column + 1;
      int b = a + 1, c = a + columns + 1, d = a + columns;
      if (column + 2 == columns) {
        mesh.elements.push_back({a, b, c, c});
        mesh.elements.push_back({a, c, d, d});
      } else {
        mesh.elements.push_back({a, b, c, d});
      }
    }
  }
  return mesh;
}

void writeLine(RecordSink& sink, std::string& line) {
  sink.append(line);
  sink.endRecord();
  line.clear();
}

}  // namespace

std::string writeOutputTimeFile(const GeneratorOptions& options, const SyntheticModel& model,
                                const WrittenResult& written) {
  std::vector<double> times;
  if (options.timeList == "steps") {
    // Time 0.0 is never output, so only the steps after it are requested.
    for (double time : written.stepTimes) {
      if (time > 0.0) times.push_back(time);
    }
  } else if (!parseTimes(options.timeList, times)) {
    return "bad --times list '" + options.timeList + "'";
  }
  SubMesh mesh = makeSubMesh(options, model);
  int pointCount = static_cast<int>(mesh.points.size()) - 1;
  int subMeshElementCount = static_cast<int>(mesh.elements.size());
  if (subMeshElementCount > tableCapacity) return "too many sub-mesh elements";

  RecordSink sink(options.timeFilePath);
  if (!sink.isOpen()) return "cannot create " + options.timeFilePath;
  std::string line;
  if (!appendInteger(line, static_cast<long long>(times.size()), countWidth))
    return "too many output times for an (I5) count";
  writeLine(sink, line);
  for (std::size_t at = 0; at < times.size(); ++at) {
    if (!appendTime(line, times[at])) return "time " + shortestText(times[at]) + " is too wide";
    if ((at + 1) % timesPerRecord == 0 || at + 1 == times.size()) writeLine(sink, line);
  }
  appendInteger(line, pointCount, countWidth);
  appendInteger(line, subMeshElementCount, countWidth);
  writeLine(sink, line);
  for (int point = 1; point <= pointCount; ++point) {
    const Point3& at = mesh.points[static_cast<std::size_t>(point)];
    line = std::to_string(point) + ' ' + shortestText(at.x) + ' ' + shortestText(at.y) + ' ' +
           shortestText(at.z);
    writeLine(sink, line);
  }
  for (int element = 1; element <= subMeshElementCount; ++element) {
    line = std::to_string(element);
    for (int corner : mesh.elements[static_cast<std::size_t>(element - 1)])
      line += ' ' + std::to_string(corner);
    writeLine(sink, line);
  }
  if (!sink.close()) return "write to " + options.timeFilePath + " failed";
  return {};
}

std::string writeGraphFile(const GeneratorOptions& options, const SyntheticModel& model,
                           const WrittenResult& written) {
  struct NumberList {
    const std::vector<int>& numbers;
    int floor;
    int limit;
    const char* what;
  };
  const NumberList lists[] = {{options.headNodes, 50, model.nodeCount, "--heads"},
                              {options.pressureNodes, 50, model.nodeCount, "--pressures"},
                              {options.dischargeNodes, 100, model.nodeCount, "--discharges"},
                              {options.velocityElements, 50, model.elementCount, "--velocities"}};
  for (const NumberList& list : lists) {
    for (int number : list.numbers) {
      if (number > list.limit)
        return std::string(list.what) + ": " + std::to_string(number) + " is above " +
               std::to_string(list.limit);
    }
  }
  long long stepCapacity = options.stepCapacity;
  if (stepCapacity == 0) {
    stepCapacity =
        written.stepTimes.empty() ? 100 : static_cast<long long>(written.stepTimes.size());
  }

  RecordSink sink(options.graphPath);
  if (!sink.isOpen()) return "cannot create " + options.graphPath;
  std::string line;
  bool fits = appendInteger(line, stepCapacity, countWidth);
  for (const NumberList& list : lists) {
    long long capacity =
        std::max<long long>(list.floor, static_cast<long long>(list.numbers.size()));
    fits = appendInteger(line, capacity, countWidth) && fits;
  }
  if (!fits) return "a capacity does not fit its (I5) field";
  writeLine(sink, line);
  for (const NumberList& list : lists) {
    if (!appendInteger(line, static_cast<long long>(list.numbers.size()), countWidth))
      return std::string(list.what) + ": too many numbers for an (I5) count";
    writeLine(sink, line);
    for (std::size_t at = 0; at < list.numbers.size(); ++at) {
      if (!appendInteger(line, list.numbers[at], listWidth))
        return std::string(list.what) + ": " + std::to_string(list.numbers[at]) + " is too wide";
      if ((at + 1) % listPerRecord == 0 || at + 1 == list.numbers.size()) writeLine(sink, line);
    }
  }
  if (!sink.close()) return "write to " + options.graphPath + " failed";
  return {};
}
