#pragma once
// TALVIX plan (form 4) and cross-section (form 5) blocks of the sub-mesh.
#include "common/units.h"
#include "resconv/model.h"

void writeTalvixBlock(OutputUnit& unit, const SubMesh& subMesh, double time, int stepNo,
                      int meshOutputForm);
