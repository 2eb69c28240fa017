// Placeholder: replaced by the writer.
#include "resconv/writers/femapModel.h"

void writeFemapBlockStart(OutputUnit&, int) {}
void writeFemapBlockEnd(OutputUnit&) {}
void writeFemapModel(OutputUnit&, std::span<const double>, std::span<const double>, std::span<const double>, std::span<const int>, int, int, std::span<const int>, int, int, std::span<const int>, std::span<const int>) {}
void writeFemapMeshModel(OutputUnit&, const SubMesh&) {}
