// tseries: time histories at chosen nodes and elements as comma-separated tables.
// Without arguments it asks its questions on the console; with any, the options answer them.
#include "common/platform.h"
#include "common/stop.h"
#include "tseries/commandLine.h"
#include "tseries/dialogue.h"

int main(int argc, char** argv) {
  platform::prepareStandardStreams();
  watchForInterrupts("tseries");
  if (argc > 1) return runExtractorCommandLine(argc, argv);
  return runProgram(runExtractor);
}
