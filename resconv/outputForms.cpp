#include "resconv/outputForms.h"

#include <memory>

#include "common/stop.h"
#include "resconv/writers/avs.h"
#include "resconv/writers/balance.h"
#include "resconv/writers/femapModel.h"
#include "resconv/writers/femapOutput.h"
#include "resconv/writers/interp.h"
#include "resconv/writers/restart.h"
#include "resconv/writers/resultList.h"
#include "resconv/writers/talvix.h"
#include "resconv/writers/tecplot.h"
#include "resconv/writers/vtu.h"

namespace {

namespace code = outputFormCode;
namespace subMeshCode = subMeshFormCode;

// Output forms.

void writeResultListOf(FormContext& c, const ShownState& s, const NodalVelocities&) {
  writeResultList(c.sink.output(), c.title, c.mesh, s);
}

// The text a Tecplot block repeats, kept from the run's first block on.
void writeTecplot(FormContext& c, const ShownState& s, const NodalVelocities& nodal) {
  if (!c.formState.has_value()) c.formState = std::make_shared<TecplotRepeats>();
  writeTecplotBlock(c.sink.output(), c.title, c.mesh, s, nodal,
                    std::any_cast<std::shared_ptr<TecplotRepeats>&>(c.formState).get());
}

void writeFemapModelOf(FormContext& c) {
  writeFemapModel(c.sink.output(), c.mesh);
}

void writeFemap(FormContext& c, const ShownState& s, const NodalVelocities& nodal) {
  writeFemapOutputSet(c.sink.output(), c.counters, c.mesh, s, nodal);
}

void writeMicroAvs(FormContext& c, const ShownState& s, const NodalVelocities& nodal) {
  writeAvsStep(c.sink.avsScratch(), c.counters, c.mesh, s, nodal);
}

// The scratch file read back for an assembly. An assembly finds it as the loop left it, or,
// after the other kind's assembly has read it, opened anew and empty.
ScratchReopener scratchOf(OutputSink& sink) {
  sink.avsScratch();
  return [&sink]() -> InputUnit& { return sink.rereadAvsScratch(); };
}

// The stop of an assembly that found no section in the scratch file, with its cause.
[[noreturn]] void stopWithoutSections(const RunStopped& stop, std::string cause) {
  if (!stop.location().empty()) cause += " (" + stop.location() + ")";
  throw RunStopped(stop.line(), stop.exitStatus(), cause);
}

constexpr const char* noStepSelected = "--every, --from and --until select no stored step";

void assembleMicroAvs(FormContext& c, double) {
  const ScratchReopener scratch = scratchOf(c.sink);
  try {
    assembleAvsFile(c.sink.output(), scratch, c.counters, c.mesh);
  } catch (const RunStopped& stop) {
    if (c.counters.avsSolidSections != 0 || !c.answers.selection.leavesOut()) throw;
    stopWithoutSections(stop, std::string("output form 3 has no sections: ") + noStepSelected);
  }
}

// The point values are computed by the loop; with sub-mesh elements the sub-mesh form writes.
void writeInterp(FormContext& c, const ShownState& s, const NodalVelocities&) {
  if (c.subMesh.elementCount == 0) writeInterpRecords(c.sink.output(), c.subMesh, s);
}

void writeRestart(FormContext& c, const ShownState& s, const NodalVelocities&) {
  writeRestartRecords(c.sink.output(), c.title, c.mesh, s, c.restart, c.answers);
}

void finishRestart(FormContext& c, double lastStoredTime) {
  if (c.restart.stopRequested == 0) reportRestartNotReached(c.answers.restartTime, lastStoredTime);
}

// The ParaView series: step files of their own through the sink, and their collection.
SeriesFiles seriesFilesOf(OutputSink& sink) {
  return SeriesFiles{
      ".", [&sink](const std::string& name) -> OutputUnit& { return sink.openFile(name); },
      [&sink](const std::string& name) { sink.syncFile(name); },
      [&sink](const std::string& from, const std::string& to) { sink.replaceFile(from, to); }};
}

VtuEncoding seriesEncoding(const ConverterAnswers& answers) {
  return answers.compressedSeries ? VtuEncoding::compressed : VtuEncoding::raw;
}

template <class Series>
Series& seriesIn(std::any& state) {
  return *std::any_cast<std::shared_ptr<Series>&>(state);
}

void beginVtuSeries(FormContext& c) {
  c.formState =
      std::make_shared<SolidVtuSeries>(c.mesh, seriesEncoding(c.answers), seriesFilesOf(c.sink),
                                       std::string(outputFormFor(code::vtu).seriesStem));
}

void writeVtu(FormContext& c, const ShownState& s, const NodalVelocities& nodal) {
  seriesIn<SolidVtuSeries>(c.formState).write(s, nodal);
}

void finishVtu(FormContext& c, double) {
  seriesIn<SolidVtuSeries>(c.formState).finish();
}

// The discharge balance: its two tables, and the volumes carried from state to state.
DischargeBalance& balanceIn(std::any& state) {
  return *std::any_cast<std::shared_ptr<DischargeBalance>&>(state);
}

void beginBalance(FormContext& c) {
  c.formState = std::make_shared<DischargeBalance>(c.sink.output(), c.sink.secondFile(), c.mesh);
}

void writeBalance(FormContext& c, const ShownState& s, const NodalVelocities&) {
  balanceIn(c.formState).write(s);
}

void followBalance(FormContext& c, const ShownState& s, bool shown) {
  balanceIn(c.formState).follow(s, shown);
}

constexpr OutputForm noOutputForm{};

const OutputForm outputFormTable[] = {
    {.answer = code::resultList,
     .name = "list",
     .fileName = "OUTPUT.TXT",
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeState = writeResultListOf},
    {.answer = code::tecplot,
     .name = "tecplot",
     .fileName = "TECPLOT.TXT",
     .nodalVelocities = true,
     .writesInitialState = true,
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeState = writeTecplot},
    {.answer = code::femap,
     .name = "femap",
     .fileName = "FEMAP.NEU",
     .nodalVelocities = true,
     .writesInitialState = true,
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeModel = writeFemapModelOf,
     .writeState = writeFemap},
    {.answer = code::microAvs,
     .name = "avs",
     .fileName = "AVS.INP",
     .usesScratch = true,
     .nodalVelocities = true,
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeState = writeMicroAvs,
     .finish = assembleMicroAvs},
    {.answer = code::interp,
     .name = "interp",
     .fileName = "INTERP.TXT",
     .pointValues = true,
     .writesRequestedTimes = true,
     .writesEveryStep = true,
     .writeState = writeInterp},
    {.answer = code::restart,
     .name = "restart",
     .fileName = "RESTART.DAT",
     .restart = true,
     .writesEveryStep = true,
     .writeState = writeRestart,
     .finish = finishRestart},
    {.answer = code::vtu,
     .name = "vtu",
     .inDialogue = false,
     .seriesStem = "VTK",
     .nodalVelocities = true,
     .writesInitialState = true,
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeModel = beginVtuSeries,
     .writeState = writeVtu,
     .finish = finishVtu},
    {.answer = code::balance,
     .name = "balance",
     .inDialogue = false,
     .fileName = "BALANCE.CSV",
     .secondFile = "BALANCE_BY_CODE.CSV",
     .writesInitialState = true,
     .writesStoredSteps = true,
     .writesRequestedTimes = true,
     .writeModel = beginBalance,
     .writeState = writeBalance,
     .followStep = followBalance},
};

// Sub-mesh forms: all write into the run's output file, MicroAVS through the scratch file.

void writeTecplotSubMesh(FormContext& c, const ShownState& s) {
  writeTecplotSubMeshBlock(c.sink.output(), c.subMesh, s);
}

void writeFemapSubMeshModelOf(FormContext& c) {
  writeFemapSubMeshModel(c.sink.output(), c.subMesh);
}

void writeFemapSubMesh(FormContext& c, const ShownState& s) {
  writeFemapSubMeshOutputSet(c.sink.output(), c.counters, c.subMesh, s);
}

void writeMicroAvsSubMesh(FormContext& c, const ShownState& s) {
  writeAvsSubMeshStep(c.sink.avsScratch(), c.counters, c.subMesh, s);
}

// Under the forms that show the sub-mesh only with the initial state, which MicroAVS does not
// write, the scratch file holds no section: the assembly stops at its end, naming the cause.
void assembleMicroAvsSubMesh(FormContext& c) {
  const ScratchReopener scratch = scratchOf(c.sink);
  try {
    assembleAvsSubMeshFile(c.sink.output(), scratch, c.counters, c.subMesh);
  } catch (const RunStopped& stop) {
    if (c.counters.avsSubMeshSections != 0) throw;
    if (c.answers.selection.leavesOut()) {
      stopWithoutSections(stop, std::string("sub-mesh form 3 has no sections: ") + noStepSelected);
    }
    stopWithoutSections(stop, "sub-mesh form 3 has no sections under output form " +
                                  std::to_string(c.answers.outputForm));
  }
}

void writeTalvixPlan(FormContext& c, const ShownState& s) {
  writeTalvixBlock(c.sink.output(), c.subMesh, s, TalvixView::plan);
}

void writeTalvixSection(FormContext& c, const ShownState& s) {
  writeTalvixBlock(c.sink.output(), c.subMesh, s, TalvixView::section);
}

void beginVtuSubMeshSeries(FormContext& c) {
  c.subMeshFormState = std::make_shared<SubMeshVtuSeries>(
      c.subMesh, true, seriesEncoding(c.answers), seriesFilesOf(c.sink),
      std::string(subMeshFormFor(subMeshCode::vtu).seriesStem));
}

void writeVtuSubMesh(FormContext& c, const ShownState& s) {
  seriesIn<SubMeshVtuSeries>(c.subMeshFormState).write(c.subMesh, s);
}

void finishVtuSubMesh(FormContext& c) {
  seriesIn<SubMeshVtuSeries>(c.subMeshFormState).finish();
}

constexpr SubMeshForm noSubMeshForm{};

const SubMeshForm subMeshFormTable[] = {
    {.answer = subMeshCode::tecplot,
     .name = "tecplot",
     .writesInitialState = true,
     .writeState = writeTecplotSubMesh},
    {.answer = subMeshCode::femap,
     .name = "femap",
     .writesInitialState = true,
     .writeModel = writeFemapSubMeshModelOf,
     .writeState = writeFemapSubMesh},
    {.answer = subMeshCode::microAvs,
     .name = "avs",
     .usesScratch = true,
     .writeState = writeMicroAvsSubMesh,
     .finish = assembleMicroAvsSubMesh},
    {.answer = subMeshCode::plan,
     .name = "plan",
     .writesInitialState = true,
     .writeState = writeTalvixPlan},
    {.answer = subMeshCode::section,
     .name = "section",
     .sectionDistance = true,
     .writesInitialState = true,
     .writeState = writeTalvixSection},
    {.answer = subMeshCode::vtu,
     .name = "vtu",
     .inDialogue = false,
     .seriesStem = "VTKMESH",
     .sectionDistance = true,
     .writesInitialState = true,
     .writeModel = beginVtuSubMeshSeries,
     .writeState = writeVtuSubMesh,
     .finish = finishVtuSubMesh},
};

}  // namespace

std::span<const OutputForm> outputForms() {
  return outputFormTable;
}

std::span<const SubMeshForm> subMeshForms() {
  return subMeshFormTable;
}

const OutputForm& outputFormFor(int answer) {
  for (const OutputForm& form : outputFormTable) {
    if (form.answer == answer) return form;
  }
  return noOutputForm;
}

const SubMeshForm& subMeshFormFor(int answer) {
  for (const SubMeshForm& form : subMeshFormTable) {
    if (form.answer == answer) return form;
  }
  return noSubMeshForm;
}

int dialogueOutputForm(int answer) {
  return outputFormFor(answer).inDialogue ? answer : code::none;
}

int dialogueSubMeshForm(int answer) {
  return subMeshFormFor(answer).inDialogue ? answer : subMeshCode::none;
}

void openFormFiles(OutputSink& sink, const OutputForm& form) {
  if (!form.fileName.empty()) sink.openOutput(form.fileName);
  if (form.restart) sink.removeOutputIfEmpty();
  if (!form.secondFile.empty()) sink.openSecondFile(form.secondFile);
  if (form.usesScratch) sink.avsScratch();
}
