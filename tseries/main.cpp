// tseries: time histories at chosen nodes and elements as comma-separated tables.
#include "common/console.h"
#include "common/resultFile.h"
#include "common/stop.h"

namespace {

int runExtractor() {
  Console console;
  openConsole(console);
  std::string name = chooseResultFile(console);
  InputUnit resultFile(unitNumber::resultFile);
  openResultFile(resultFile, name);
  return 0;
}

}  // namespace

int main() { return runProgram(runExtractor); }
