// Placeholder: replaced by the writer.
#include "resconv/writers/femapOutput.h"

void writeFemapOutputSet(OutputUnit&, WriterCounters&, std::span<const double>, std::span<const double>, std::span<double>, std::span<double>, std::span<double>, std::span<const double>, std::span<const double>, std::span<const double>, std::span<const double>, std::span<int>, std::span<const int>, int, int, int, double, int, std::span<const int>, std::span<const int>) {}
void writeFemapMeshOutputSet(OutputUnit&, WriterCounters&, const SubMesh&, double, int) {}
