// Placeholder: replaced by the free-form writer.
#include "common/freeForm.h"
void writeFreeFormItems(OutputUnit&, std::span<const Item>) {}
std::string freeFormRecords(std::span<const Item>) { return {}; }
