#pragma once
// The one output file of a run, chosen by the output form, and the MicroAVS scratch file.
#include <string_view>

#include "common/units.h"
#include "resconv/writers/avs.h"

// The file the output form writes; empty when the form opens none.
std::string_view outputFileName(int outputForm);

// Opens the output form's file (and, for MicroAVS, the scratch file); false when the form
// opens none.
bool openOutputFile(int outputForm, OutputUnit& output, AvsScratch& scratch);
