#pragma once
// MicroAVS UCD time series: sections into the scratch file during the loop, the final file
// assembled after it.
#include <span>

#include "common/units.h"
#include "resconv/model.h"

// The scratch file "AVS.tmp": written during the loop, read back by the assemblers.
struct AvsScratch {
  OutputUnit out{unitNumber::avsScratch};
  int solidSections = 0;  // sections written by writeAvsStep
  int meshSections = 0;   // sections written by writeAvsMeshStep
};

void writeAvsStep(OutputUnit& scratch, WriterCounters& counters, std::span<const double> z,
                  std::span<const double> pressureHead, std::span<double> nodeVx,
                  std::span<double> nodeVy, std::span<double> nodeVz, std::span<const double> vx,
                  std::span<const double> vy, std::span<const double> vz,
                  std::span<int> nodeElementCount, std::span<const int> connectivity,
                  int nodeCount, int elementCount, int nodesPerElement, double time,
                  std::span<const int> elementFlag, std::span<const int> nodeUnused);

void writeAvsMeshStep(OutputUnit& scratch, WriterCounters& counters, const SubMesh& subMesh,
                      double time);

void assembleAvsFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                     std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, std::span<const int> connectivity,
                     std::span<const int> materialNo, int nodeCount, int elementCount,
                     int nodesPerElement, std::span<const int> elementFlag,
                     std::span<const int> nodeUnused);

void assembleAvsMeshFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                         const SubMesh& subMesh);
