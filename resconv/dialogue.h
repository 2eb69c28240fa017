#pragma once
// The converter's main program: dialogue, files, array sizing, the step loop, the end.

// Runs the whole conversion; returns the exit status.
int runConverter();
