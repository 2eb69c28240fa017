#pragma once
// The printable result list: node table with totals, then element table, per shown state.
#include <span>
#include <string_view>

#include "common/units.h"

void writeNodeTable(OutputUnit& unit, std::span<const double> discharge,
                    std::span<const double> pressureHead, std::span<const double> z, int nodeCount,
                    std::string_view title, double time, int stepNo,
                    std::span<const int> nodeUnused);

void writeElementTable(OutputUnit& unit, std::span<const double> vx, std::span<const double> vy,
                       std::span<const double> vz, int elementCount, std::string_view title,
                       double time, int stepNo, std::span<const int> elementFlag);
