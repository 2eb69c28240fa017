#pragma once
// The converter's command line: the scripted run that answers every question of the dialogue
// from options, and --info.
//
//   resconv [RESULT_FILE] --to FORM [--times FILE | --points FILE] [--submesh FORM]
//           [--restart-time T --restart-head H --restart-discharge D] [-C DIR] ...
//   resconv [RESULT_FILE] --info

// Runs the converter with these arguments (at least one); returns the exit status.
int runConverterCommandLine(int argc, char** argv);
