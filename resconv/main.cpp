// resconv: converts the solver's result file into lists, plot files and a restart file.
// Without arguments it asks its questions on the console; with any, the options answer them.
#include "common/platform.h"
#include "common/stop.h"
#include "resconv/commandLine.h"
#include "resconv/dialogue.h"

int main(int argc, char** argv) {
  platform::prepareStandardStreams();
  watchForInterrupts("resconv");
  if (argc > 1) return runConverterCommandLine(argc, argv);
  return runProgram(runConverter);
}
