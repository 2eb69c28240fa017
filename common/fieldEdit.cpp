// Placeholder: replaced by the field editors.
#include "common/fieldEdit.h"
void editInteger(char*, int, std::int64_t) {}
void editExponent(char*, int, int, int, double) {}
void editText(char*, int, std::string_view) {}
