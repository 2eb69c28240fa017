#pragma once
// INTERP records: total and pressure head at the points, one block per output.
#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// One block of the values at the points as they stand, with the shown state's time.
void writeInterpRecords(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state);
