#pragma once
// The extractor's command line:  tseries [RESULT_FILE] --graph FILE [-C DIR] ...

// Runs the extractor with these arguments (at least one); returns the exit status.
int runExtractorCommandLine(int argc, char** argv);
