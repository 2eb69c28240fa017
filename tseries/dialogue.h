#pragma once
// The extractor's main program: the opening question, the result-file header, the graph data
// file and its capacities, the sizing of the arrays, then the tables.
#include "common/units.h"
#include "tseries/tables.h"

// The first record of the graph data file, (6I5), with each capacity raised to its floor.
GraphCapacities readGraphCapacities(InputUnit& graphData);

// Runs the whole extraction; returns the exit status.
int runExtractor();
