#pragma once
// The output forms of the converter, one row each: its dialogue answer and option name, the
// file it writes, the work arrays it needs, which outputs it writes, and its writer calls. The
// step loop, the dialogue and the command line all read this table; a new form is a new row
// and a writer file.
#include <any>
#include <span>
#include <string>
#include <string_view>

#include "resconv/answers.h"
#include "resconv/model.h"
#include "resconv/outputSink.h"
#include "resconv/views.h"

// Everything a form's writers are handed.
struct FormContext {
  OutputSink& sink;
  const std::string& title;
  const SolidMesh& mesh;
  SubMesh& subMesh;
  WriterCounters& counters;
  const ConverterAnswers& answers;
  RestartCopies& restart;
  std::any& formState;  // whatever a form keeps from its model call to its finish call
  std::any& subMeshFormState;
};

struct OutputForm {
  int answer = -1;                // the first menu's answer
  std::string_view name{};        // the command line's --to name; empty: dialogue only
  bool inDialogue = true;         // reached by its answer in the dialogue
  std::string_view fileName{};    // the run's output file; empty: none
  std::string_view secondFile{};  // a second file written beside it; empty: none
  std::string_view seriesStem{};  // a series: STEM.pvd and a file per output in STEM/
  bool usesScratch = false;       // writes sections to the MicroAVS scratch file
  bool nodalVelocities = false;   // shown with the nodal mean of the element velocities
  bool restart = false;           // asks the restart questions and keeps copies of each step
  bool pointValues = false;       // values at the sub-mesh points, and the sub-mesh, per output
  bool writesInitialState = false;
  bool writesStoredSteps = false;     // each stored step, when no requested time is due
  bool writesRequestedTimes = false;  // the requested times, interpolated
  bool writesEveryStep = false;       // each stored step, after the requested times
  void (*writeModel)(FormContext&) = nullptr;
  void (*writeState)(FormContext&, const ShownState&, const NodalVelocities&) = nullptr;
  void (*finish)(FormContext&, double lastStoredTime) = nullptr;
  // Every state the loop passes through, after its outputs and whether shown or not: the
  // initial state, then each stored step; `shown`: its output was the last one written.
  void (*followStep)(FormContext&, const ShownState&, bool shown) = nullptr;
};

struct SubMeshForm {
  int answer = 0;  // the sub-mesh menu's answer
  std::string_view name{};
  bool inDialogue = true;
  std::string_view seriesStem{};  // a series: STEM.pvd and a file per output in STEM/
  bool usesScratch = false;
  bool sectionDistance = false;  // computes each point's distance along the section
  bool writesInitialState = false;
  void (*writeModel)(FormContext&) = nullptr;
  void (*writeState)(FormContext&, const ShownState&) = nullptr;
  void (*finish)(FormContext&) = nullptr;
};

std::span<const OutputForm> outputForms();
std::span<const SubMeshForm> subMeshForms();

// The row of an answer; for an answer that is no form, a row that writes nothing.
const OutputForm& outputFormFor(int answer);
const SubMeshForm& subMeshFormFor(int answer);

// Opens the files a form writes from the start: its output file, its second file and the
// MicroAVS scratch file.
void openFormFiles(OutputSink& sink, const OutputForm& form);

// What the dialogue keeps of a menu answer: the answer itself, or, for a form the dialogue
// does not offer, the code of no form.
int dialogueOutputForm(int answer);
int dialogueSubMeshForm(int answer);
