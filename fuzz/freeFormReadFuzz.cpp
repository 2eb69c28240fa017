// Fuzz target: the free-form reader. The first line of the input chooses the statements (one
// character each: how many integers and reals the statement reads, and whether it has an
// end-of-file branch); the rest is the file. A stop (syntax error, end of file) is a normal
// outcome.
#include <string>

#include "common/freeForm.h"
#include "common/stop.h"
#include "fuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto [plan, fileText] = splitFirstLine(data, size);
  try {
    InputUnit unit(5);
    openOnText(unit, fileText);
    int integer = 0;
    double real = 0.0;
    for (char c : plan) {
      const auto choice = static_cast<unsigned char>(c);
      const bool endOfFileBranch = (choice & 0x80) != 0;
      const int values = choice & 0x0F;  // 0: a statement that reads nothing
      const int integerMask = (choice >> 4) & 0x07;
      FreeFormRead statement(unit, endOfFileBranch);
      for (int v = 0; v < values; ++v) {
        const bool read =
            ((integerMask >> (v % 3)) & 1) ? statement.read(integer) : statement.read(real);
        if (!read) break;  // the end-of-file branch
      }
      if (!statement.finish()) break;
    }
  } catch (const RunStopped&) {
  }
  return 0;
}
