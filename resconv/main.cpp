// resconv: converts the solver's result file into lists, plot files and a restart file.
#include "common/stop.h"
#include "resconv/dialogue.h"

int main() {
  return runProgram(runConverter);
}
