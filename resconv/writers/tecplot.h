#pragma once
// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// The most bytes of each kind of repeated text a run keeps.
constexpr std::size_t tecplotRepeatBytes = std::size_t{32} << 20;

// Text of the solid mesh's blocks that is the same in every block of a run: the coordinate
// fields of the nodes and the records of the shown elements. The first block formats it, as
// far as a bounded buffer holds it; the later blocks copy it and format only the rest.
struct TecplotRepeats {
  std::size_t limitBytes = tecplotRepeatBytes;  // the most bytes of each kind kept
  bool made = false;
  int keptNodes = 0;        // nodes 1 to keptNodes: a record of their coordinates each
  std::string coordinates;  // each record the three fields and the comma after them
  int keptElements = 0;     // elements 1 to keptElements: the records of the shown ones
  std::string elements;
};

// One block of the solid mesh: every node with the shown state and its nodal velocities, then
// every shown element. `repeats` carries the repeated text from block to block; a block
// written without it formats everything.
void writeTecplotBlock(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state, const NodalVelocities& nodal,
                       TecplotRepeats* repeats = nullptr);

// One block of the sub-mesh: every point with the values at it (0.0 before they are first
// computed), then every element, at the shown state's time.
void writeTecplotSubMeshBlock(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state);
