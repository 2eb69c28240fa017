#pragma once
// The converter's console dialogue: the questions of the first menus, the files they open and
// the hand-over to the step loop.
#include "common/console.h"
#include "common/progress.h"
#include "resconv/answers.h"
#include "resconv/outputForms.h"

// The sub-mesh output form question, asked when the output-time file holds sub-mesh elements.
int askSubMeshForm(Console& console);
// The three restart questions.
void askRestartQuestions(Console& console, ConverterAnswers& answers);

// The late answers of a dialogue run, asked on the console once the progress line is out of
// the way.
class ConsoleAnswers : public LateAnswers {
 public:
  ConsoleAnswers(Console& console, ProgressMeter& progress)
      : console_(console), progress_(progress) {}
  int subMeshForm() override {
    progress_.clear();
    return dialogueSubMeshForm(askSubMeshForm(console_));
  }
  void restartAnswers(ConverterAnswers& answers) override {
    progress_.clear();
    askRestartQuestions(console_, answers);
  }

 private:
  Console& console_;
  ProgressMeter& progress_;
};

// Runs the whole conversion through the dialogue; returns the exit status.
int runConverter();
