#pragma once
// The solver's result file: title, counts, initial node block, element block, then stored
// steps (header, node block, element block) until the end of the file. Every block but the
// title is one free-form read statement.
//
// Arrays are 1-based: slot 0 is unused, so a node array has nodeCount + 1 entries.
// connectivity is flat, nodesPerElement entries per element, element e's slot k at
// (e - 1) * nodesPerElement + (k - 1).
#include <cstdint>
#include <span>
#include <string>

#include "common/units.h"

struct ResultCounts {
  int nodeCount = 0;
  int elementCount = 0;
  int nodesPerElement = 0;
  std::uint64_t line = 0;  // the line the counts end on, to name them in a stop
};

// Destination arrays of the mesh and initial state. An empty span means "read and drop".
struct MeshArrays {
  std::span<double> x, y, z, pressureHead, discharge;
  std::span<int> nodeCode;
  std::span<int> connectivity;
  std::span<int> materialNo;
};

// Destination arrays of one stored step. An empty span means "read and drop".
struct StepArrays {
  std::span<double> pressureHead, discharge;
  std::span<int> nodeCode;
  std::span<double> vx, vy, vz;
};

// Copies the values of `from` into `to`, array by array; an empty array of `to` is left out.
void copyStep(const StepArrays& from, const StepArrays& to);

// The total head at a node: its pressure head plus its elevation z.
inline double totalHead(double pressureHead, double z) {
  return pressureHead + z;
}

void openResultFile(InputUnit& unit, std::string_view fileName);
// The first record into an 80-character title (padded with blanks, cut at 80).
std::string readResultTitle(InputUnit& unit);
ResultCounts readResultCounts(InputUnit& unit);
// Blocks 3 and 4. A node number outside 0..nodeCount in the element block stops the run with
// a message naming the file and the element.
void readResultMesh(InputUnit& unit, const ResultCounts& counts, const MeshArrays& arrays);
// One stored step; false when the file ends at the step header (the end of the data).
bool readResultStep(InputUnit& unit, const ResultCounts& counts, int& stepNo, double& time,
                    const StepArrays& arrays);
