// tseries: time histories at chosen nodes and elements as comma-separated tables.
#include "common/stop.h"
#include "tseries/dialogue.h"

int main() {
  return runProgram(runExtractor);
}
