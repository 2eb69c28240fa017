#pragma once
// A plausible seepage model computed on the fly: a structured grid of hexahedra with some cells
// split into two prisms, a few flagged elements, a few nodes that no element names, and
// nodal and element values that depend only on (seed, node or element, step), so that any part
// of any step can be produced without keeping earlier ones.
#include <array>
#include <cstdint>

#include "tools/generatorOptions.h"

struct SyntheticModel {
  GridShape grid;
  int materialCount = 1;
  std::uint64_t seed = 1;
  int gridNodeCount = 0;  // nodes of the grid, numbered first
  int nodeCount = 0;      // grid nodes plus the unused ones after them
  int cellCount = 0;
  int elementCount = 0;
  double height = 0.0;
};

struct Point3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

struct NodeState {
  double pressureHead = 0.0;
  double discharge = 0.0;
  int nodeCode = 0;
};

struct Velocity {
  double vx = 0.0;
  double vy = 0.0;
  double vz = 0.0;
};

// Node numbers of one element in slots 1..8 (slot 0 unused); a prism has 0 in slots 7 and 8.
using ElementNodes = std::array<int, 9>;

inline constexpr int nodesPerElement = 8;
// Every cell whose 0-based index leaves this remainder is split into two prisms.
inline constexpr int prismCellPeriod = 5;
inline constexpr int prismCellRemainder = 2;
// Elements whose number leaves this remainder get a negative material number.
inline constexpr int flaggedElementPeriod = 101;
inline constexpr int flaggedElementRemainder = 3;

SyntheticModel makeSyntheticModel(const GeneratorOptions& options);

Point3 nodePosition(const SyntheticModel& model, int node);
bool isSplitCell(int cell);
bool isFlaggedElement(int element);

// Calls visit(element, nodes, materialNo) for elements 1..E in order.
template <typename Visit>
void forEachElement(const SyntheticModel& model, Visit&& visit);

NodeState nodeState(const SyntheticModel& model, int node, int stepNo, double time);
Velocity elementVelocity(const SyntheticModel& model, int element, int stepNo, double time);

// Stored step times grow by 10, 15, 20, 10, 15, ... from 0.0 (steps 1, 2, 3, ...).
double nextStepTime(double previousTime, int stepNo);

// Implementation of the element walk.
int gridNode(const SyntheticModel& model, int i, int j, int k);
int cellMaterial(const SyntheticModel& model, int k);

template <typename Visit>
void forEachElement(const SyntheticModel& model, Visit&& visit) {
  const GridShape& grid = model.grid;
  int element = 0;
  int cell = 0;
  for (int k = 0; k < grid.nz; ++k) {
    for (int j = 0; j < grid.ny; ++j) {
      for (int i = 0; i < grid.nx; ++i, ++cell) {
        // Bottom face 1-4 turning clockwise seen from above, top face 5-8 above it: the order
        // in which every split tetrahedron has a positive signed volume.
        const int bottom[4] = {gridNode(model, i, j, k), gridNode(model, i, j + 1, k),
                               gridNode(model, i + 1, j + 1, k), gridNode(model, i + 1, j, k)};
        const int top[4] = {gridNode(model, i, j, k + 1), gridNode(model, i, j + 1, k + 1),
                            gridNode(model, i + 1, j + 1, k + 1), gridNode(model, i + 1, j, k + 1)};
        int material = cellMaterial(model, k);
        auto emit = [&](const int* corners, int cornerCount) {
          ElementNodes nodes{};
          for (int c = 0; c < cornerCount; ++c) {
            nodes[static_cast<std::size_t>(c + 1)] = bottom[corners[c]];
            nodes[static_cast<std::size_t>(c + 1 + cornerCount)] = top[corners[c]];
          }
          ++element;
          visit(element, nodes, isFlaggedElement(element) ? -material : material);
        };
        if (isSplitCell(cell)) {
          static constexpr int firstPrism[3] = {0, 1, 2};
          static constexpr int secondPrism[3] = {0, 2, 3};
          emit(firstPrism, 3);
          emit(secondPrism, 3);
        } else {
          static constexpr int hexahedron[4] = {0, 1, 2, 3};
          emit(hexahedron, 4);
        }
      }
    }
  }
}
