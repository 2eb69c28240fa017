#pragma once
// The output-time file: requested output times and the sub-mesh of points.
//   (I5)      outputTimeCount NT
//   (8F10.0)  NT times, only when NT is not 0 (one record consumed when NT is negative)
//   (2I5)     pointCount, subMeshElementCount
//   free-form point records "number x y z", then element records "number p1 p2 p3 p4"
#include <span>
#include <vector>

#include "common/units.h"
#include "resconv/model.h"

int readOutputTimeCount(InputUnit& unit);

// Reads the records after the count into outputTimes and the sub-mesh tables, which are sized
// from the file. A point number below 1 stops the run with a message naming the file and the
// record; a point number above the point count names a slot no output uses and is skipped.
void readOutputTimesAndSubMesh(InputUnit& unit, int outputTimeCount,
                               std::vector<double>& outputTimes, SubMesh& subMesh);

// Sizes the point tables for `pointCount` points (at least one slot, as point 1 is always
// looked at for the extent) and the element table for `subMeshElementCount` elements.
void sizeSubMesh(SubMesh& subMesh, int pointCount, int subMeshElementCount);

// What an output-time file asks for, read whole before a run begins: the requested times
// (1-based, as readOutputTimesAndSubMesh leaves them) and the sub-mesh.
struct RequestedOutputs {
  int outputTimeCount = 0;
  std::vector<double> outputTimes;
  SubMesh subMesh;
};

// The whole output-time file, read once from the open unit, which is then closed; a file that
// cannot be opened again (a pipe) serves as well as any.
RequestedOutputs readOutputTimeFile(InputUnit& unit);

// What an output-time file of these times and no point or sub-mesh element asks for.
RequestedOutputs requestedTimes(std::span<const double> times);
