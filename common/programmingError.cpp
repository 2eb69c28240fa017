#include "common/programmingError.h"

#include <cstdio>
#include <cstdlib>

void programmingError(std::string_view what) {
  std::fprintf(stderr, "programming error: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}
