// Placeholder: replaced by the free-form reader.
#include "common/freeForm.h"
FreeFormRead::FreeFormRead(InputUnit& unit, bool endOfFileBranch)
    : unit_(unit), endOfFileBranch_(endOfFileBranch) {}
FreeFormRead::~FreeFormRead() = default;
bool FreeFormRead::read(int&) { return false; }
bool FreeFormRead::read(double&) { return false; }
void FreeFormRead::finish() {}
