#pragma once
// Time histories at chosen nodes and elements: what the extractor keeps from a result file,
// for any number of steps and any number of listed points, without writing tables.
#include <functional>
#include <span>
#include <string>
#include <vector>

// Rows are steps in file order. Node values hold one row of nodes.size() values per step,
// velocities one row of elements.size() * 3 values (x, y, z of each listed element in turn).
struct HistoryValues {
  std::size_t stepCount = 0;
  std::vector<int> stepNo;
  std::vector<double> time;
  std::vector<double> totalHead, pressureHead, discharge;
  std::vector<double> velocity;
};

// Reads the file once, front to back, keeping only the values of the listed nodes and
// elements (numbers as in the file, from 1; repeats allowed). A number outside the file's
// range throws std::invalid_argument before any step is read; the file's faults throw as in
// ResultStream. `betweenSteps` runs before each step and may throw to abandon the reading.
HistoryValues collectHistories(const std::string& path, std::span<const int> nodes,
                               std::span<const int> elements,
                               const std::function<void()>& betweenSteps);
