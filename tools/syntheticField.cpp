#include "tools/syntheticField.h"

#include <cmath>

namespace {

// splitmix64: a cheap, well-mixed hash that makes every value a pure function of its place.
std::uint64_t mix(std::uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

// A uniform number in [0, 1) for (seed, kind, index, step).
double uniform(std::uint64_t seed, std::uint64_t kind, int index, int stepNo) {
  std::uint64_t key =
      mix(seed ^ mix(kind * std::uint64_t{0x100000001B3} + static_cast<std::uint64_t>(index)));
  key = mix(key ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(stepNo)));
  return static_cast<double>(key >> 11) * 0x1.0p-53;
}

enum Kind : std::uint64_t { headNoise = 1, sourceRate, velocityX, velocityY, velocityZ };

constexpr int sourcePeriod = 37;
constexpr int sourceRemainder = 5;
constexpr int stagnantPeriod = 11;

// Water table lowered slowly by pumping: total head over the grid at a time.
double totalHead(const SyntheticModel& model, const Point3& at, double time) {
  double drawdown = 0.3 * model.height * (1.0 - std::exp(-time / 2000.0));
  return 0.8 * model.height - 0.002 * at.x + 0.001 * at.y - drawdown;
}

}  // namespace

SyntheticModel makeSyntheticModel(const GeneratorOptions& options) {
  SyntheticModel model;
  model.grid = options.grid;
  model.materialCount = options.materialCount;
  model.seed = options.seed;
  const GridShape& grid = options.grid;
  model.gridNodeCount = (grid.nx + 1) * (grid.ny + 1) * (grid.nz + 1);
  model.nodeCount = model.gridNodeCount + options.unusedNodeCount;
  model.cellCount = grid.nx * grid.ny * grid.nz;
  int splitCells = (model.cellCount + prismCellPeriod - 1 - prismCellRemainder) / prismCellPeriod;
  model.elementCount = model.cellCount + splitCells;
  model.height = grid.nz * grid.dz;
  return model;
}

int gridNode(const SyntheticModel& model, int i, int j, int k) {
  return 1 + i + (model.grid.nx + 1) * (j + (model.grid.ny + 1) * k);
}

int cellMaterial(const SyntheticModel& model, int k) {
  return 1 + k * model.materialCount / model.grid.nz;
}

bool isSplitCell(int cell) {
  return cell % prismCellPeriod == prismCellRemainder;
}

bool isFlaggedElement(int element) {
  return element % flaggedElementPeriod == flaggedElementRemainder;
}

Point3 nodePosition(const SyntheticModel& model, int node) {
  const GridShape& grid = model.grid;
  if (node > model.gridNodeCount) {
    // Unused nodes stand in a row beside the grid.
    int extra = node - model.gridNodeCount;
    return {(grid.nx + 2) * grid.dx, extra * grid.dy, 0.5 * model.height};
  }
  int index = node - 1;
  int i = index % (grid.nx + 1);
  int j = index / (grid.nx + 1) % (grid.ny + 1);
  int k = index / ((grid.nx + 1) * (grid.ny + 1));
  return {i * grid.dx, j * grid.dy, k * grid.dz};
}

NodeState nodeState(const SyntheticModel& model, int node, int stepNo, double time) {
  Point3 at = nodePosition(model, node);
  NodeState state;
  double noise = 0.001 * (uniform(model.seed, headNoise, node, stepNo) - 0.5);
  state.pressureHead = totalHead(model, at, time) - at.z + noise;
  if (node > model.gridNodeCount) {
    state.nodeCode = -3;
    return state;
  }
  int i = (node - 1) % (model.grid.nx + 1);
  if (node % sourcePeriod == sourceRemainder) {
    // Wells: sources and sinks alternate, with a slow periodic rate.
    bool sink = (node / sourcePeriod) % 2 == 1;
    double rate = 0.01 + 0.09 * uniform(model.seed, sourceRate, node, 0);
    state.discharge = (sink ? -rate : rate) * (1.0 + 0.2 * std::sin(time / 500.0));
    state.nodeCode = sink ? -2 : 2;
  } else if (i == 0) {
    state.nodeCode = 1;  // fixed head upstream
  } else if (i == model.grid.nx) {
    // Downstream: fixed head below the water table, a possible seepage face above it.
    state.nodeCode = state.pressureHead >= 0.0 ? -1 : 3;
  }
  return state;
}

Velocity elementVelocity(const SyntheticModel& model, int element, int stepNo, double time) {
  if (isFlaggedElement(element) || element % stagnantPeriod == 0) return {};
  double scale = 1.0e-5 * (1.0 + 0.1 * std::cos(time / 700.0));
  return {scale * (1.0 + 0.5 * uniform(model.seed, velocityX, element, stepNo)),
          scale * (uniform(model.seed, velocityY, element, stepNo) - 0.5),
          scale * (0.2 * uniform(model.seed, velocityZ, element, stepNo) - 0.15)};
}

double nextStepTime(double previousTime, int stepNo) {
  return previousTime + 10.0 + 5.0 * ((stepNo + 2) % 3);
}
