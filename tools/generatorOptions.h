#pragma once
// Command-line options of the result-file generator and their parsing.
#include <cstdint>
#include <string>
#include <vector>

struct GridShape {
  int nx = 4;
  int ny = 3;
  int nz = 2;
  double dx = 10.0;
  double dy = 10.0;
  double dz = 2.0;
};

enum class Layout { plain, mixed };

struct GeneratorOptions {
  GridShape grid;
  int materialCount = 3;
  int unusedNodeCount = 2;
  int stepCount = 3;
  double targetMegabytes = 0.0;  // > 0: add steps until the file holds this many MB (10^6 bytes)
  bool stepZero = false;         // a step 0 at time 0.0 before step 1
  Layout layout = Layout::plain;
  std::uint64_t seed = 1;
  std::string resultPath;
  std::string title;

  std::string timeFilePath;
  std::string timeList;  // "t1,t2,..." or "steps" for every stored step's time
  int pointCount = 0;
  bool meshElements = false;

  std::string graphPath;
  std::vector<int> headNodes;
  std::vector<int> pressureNodes;
  std::vector<int> dischargeNodes;
  std::vector<int> velocityElements;
  int stepCapacity = 0;  // 0: the number of steps written in this run, or 100 without a result file
};

// Fills `options` from argv. Returns an empty string on success, otherwise the complaint to show.
std::string parseGeneratorOptions(int argc, char** argv, GeneratorOptions& options);

extern const char* const generatorUsage;
// What --help prints: every option with its meaning.
extern const char* const generatorHelp;
