#pragma once
// The extractor's main program: the opening question, the result-file header, the graph data
// file and its capacities, the sizing of the arrays, then the tables.
#include <string_view>

#include "common/units.h"
#include "tseries/tables.h"

// The first record of the graph data file, (6I5), with each capacity raised to its floor.
GraphCapacities readGraphCapacities(InputUnit& graphData);

// The arrays of the run; when they cannot be had, the stop names the counts and capacities
// they were sized from.
SeriesArrays sizeSeriesArrays(std::string_view resultName, const ResultCounts& counts,
                              std::string_view graphName, const GraphCapacities& capacities);

// Runs the whole extraction; returns the exit status.
int runExtractor();
