#pragma once
// The converter's main program: dialogue, files, array sizing, the step loop, the end.
#include "common/console.h"

// The answers kept for the whole run.
struct ConverterAnswers {
  int resultSource = 0;
  int outputForm = 0;
  int timeSelection = 0;
  int meshOutputForm = 0;
  double restartTime = 0.0;
  int restartInitialValue = 0;
  int restartDischarge = 0;
};

// Output forms of the first menu.
namespace outputFormCode {
constexpr int resultList = 0;
constexpr int tecplot = 1;
constexpr int femap = 2;
constexpr int microAvs = 3;
constexpr int interp = 4;
constexpr int restart = 9;
}  // namespace outputFormCode

// The sub-mesh output form question, asked when the output-time file holds sub-mesh elements.
int askMeshOutputForm(Console& console);
// The three restart questions.
void askRestartQuestions(Console& console, ConverterAnswers& answers);

// Runs the whole conversion; returns the exit status.
int runConverter();
