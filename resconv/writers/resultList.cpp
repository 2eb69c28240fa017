// Placeholder: replaced by the writer.
#include "resconv/writers/resultList.h"

void writeNodeTable(OutputUnit&, std::span<const double>, std::span<const double>, std::span<const double>, int, std::string_view, double, int, std::span<const int>) {}
void writeElementTable(OutputUnit&, std::span<const double>, std::span<const double>, std::span<const double>, int, std::string_view, double, int, std::span<const int>) {}
