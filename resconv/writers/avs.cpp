// Placeholder: replaced by the writer.
#include "resconv/writers/avs.h"

void writeAvsStep(OutputUnit&, WriterCounters&, std::span<const double>, std::span<const double>, std::span<double>, std::span<double>, std::span<double>, std::span<const double>, std::span<const double>, std::span<const double>, std::span<int>, std::span<const int>, int, int, int, double, std::span<const int>, std::span<const int>) {}
void writeAvsMeshStep(OutputUnit&, WriterCounters&, const SubMesh&, double) {}
void assembleAvsFile(OutputUnit&, AvsScratch&, const WriterCounters&, std::span<const double>, std::span<const double>, std::span<const double>, std::span<const int>, std::span<const int>, int, int, int, std::span<const int>, std::span<const int>) {}
void assembleAvsMeshFile(OutputUnit&, AvsScratch&, const WriterCounters&, const SubMesh&) {}
