#include "resconv/dialogue.h"

#include "common/console.h"
#include "common/resultFile.h"

int runConverter() {
  Console console;
  openConsole(console);
  std::string name = chooseResultFile(console);
  InputUnit resultFile(unitNumber::resultFile);
  openResultFile(resultFile, name);
  return 0;
}
