#pragma once
// TALVIX blocks of the sub-mesh, in plan or in cross-section.
#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// Plan: the points at (x, y); cross-section: at (distance from the XY minimum, z).
enum class TalvixView { plan, section };

// One block at the shown state's time: the points with the values at them, then the elements
// with their centres.
void writeTalvixBlock(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state,
                      TalvixView view);
