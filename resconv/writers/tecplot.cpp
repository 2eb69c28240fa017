// Placeholder: replaced by the writer.
#include "resconv/writers/tecplot.h"

void averageNodalVelocities(std::span<const double>, std::span<const double>, std::span<const double>, std::span<const int>, std::span<const int>, int, int, int, std::span<double>, std::span<double>, std::span<double>, std::span<int>) {}
void writeTecplotBlock(OutputUnit&, std::span<const double>, std::span<const double>, std::span<const double>, std::span<const double>, std::span<double>, std::span<double>, std::span<double>, std::span<const double>, std::span<const double>, std::span<const double>, std::span<int>, std::span<const int>, int, int, int, std::string_view, double, std::span<const int>, std::span<const int>) {}
void writeTecplotMeshBlock(OutputUnit&, const SubMesh&, double, int) {}
