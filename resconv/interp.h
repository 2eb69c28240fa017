#pragma once
// INTERP records: total and pressure head at the points, one block per output.
#include <span>

#include "common/units.h"
#include "resconv/model.h"

// One block with time `time` of the point values computed last.
void writeInterpRecords(OutputUnit& unit, const SubMesh& subMesh, double time);

// Computes the point values from `pressureHead`, then, when the sub-mesh has no elements,
// writes one block with time `time`.
void writeInterpBlock(OutputUnit& unit, SubMesh& subMesh, std::span<const double> pressureHead,
                      std::span<const double> z, double time);
