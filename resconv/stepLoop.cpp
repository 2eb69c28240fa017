#include "resconv/stepLoop.h"

#include <algorithm>
#include <any>

#include "common/slots.h"
#include "common/stepReadAhead.h"
#include "common/stop.h"
#include "common/workPool.h"
#include "resconv/derived.h"
#include "resconv/outputForms.h"
#include "resconv/outputTimeFile.h"

namespace {

// Work arrays of one kind, sized together when a run uses them.
template <class T>
struct ArrayGroup {
  std::vector<ZeroedArray<T>*> arrays;
  bool used;
  std::size_t slots;

  double bytes() const { return used ? double(arrays.size()) * double(slots) * sizeof(T) : 0.0; }
  void size() const {
    for (ZeroedArray<T>* array : arrays) *array = used ? ZeroedArray<T>(slots) : ZeroedArray<T>();
  }
};

template <class T>
void copyArray(const ZeroedArray<T>& from, ZeroedArray<T>& to) {
  std::copy(from.begin(), from.end(), to.begin());
}

// A run interpolates when its form writes requested times and times were requested.
bool interpolates(const OutputForm& form, const ConverterAnswers& answers) {
  return answers.timeSelection == 1 && form.writesRequestedTimes;
}

class StepLoop {
 public:
  StepLoop(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
           const std::string& title, const ResultCounts& counts, int outputTimeCount,
           ConverterArrays& arrays, ProgressMeter& progress)
      : late_(late),
        files_(files),
        answers_(answers),
        form_(outputFormFor(answers.outputForm)),
        title_(title),
        counts_(counts),
        outputTimeCount_(outputTimeCount),
        a_(arrays),
        progress_(progress),
        interpolates_(interpolates(form_, answers)),
        picker_(answers.selection),
        context_{files.sink, title,    mesh_,      subMesh_,         counters_,
                 answers,    restart_, formState_, subMeshFormState_} {}

  StoredSteps run() {
    setUp();
    readSteps();
    finish();
    return storedSteps_;
  }

 private:
  void setUp();
  void deriveFlags();
  void readSteps();
  void interpolateTo(double outputTime, double time);
  void show(const ShownState& state);
  void follow(const ShownState& state, bool shown);
  ShownState storedState() const;
  void keepAside();
  ShownState keptState() const;
  void finish();

  LateAnswers& late_;
  ConverterFiles& files_;
  ConverterAnswers& answers_;
  const OutputForm& form_;
  const SubMeshForm* subMeshForm_ = &subMeshFormFor(subMeshFormCode::none);
  const std::string& title_;
  const ResultCounts& counts_;
  const int outputTimeCount_;
  ConverterArrays& a_;
  ProgressMeter& progress_;
  const bool interpolates_;
  StepPicker picker_;  // the stored steps shown

  SolidMesh mesh_;
  NodeElements nodeElements_;  // with more than one thread, for the nodal velocities
  SubMesh subMesh_;
  WriterCounters counters_;
  RestartCopies restart_;
  std::any formState_, subMeshFormState_;
  FormContext context_;

  // The arrays of the stored step last read: the initial state's until the first is read.
  StepArrays step_;
  double previousTime_ = 0.0;
  int stepNo_ = 0;
  double time_ = 0.0;
  int keptStepNo_ = 0;
  double keptTime_ = 0.0;
  StoredSteps storedSteps_;
};

void StepLoop::setUp() {
  // 1. The rest of the output-time file, the extent of its points, the sub-mesh form.
  if (files_.outputTimeFile != nullptr) {
    readOutputTimesAndSubMesh(*files_.outputTimeFile, outputTimeCount_, a_.outputTimes, subMesh_);
    files_.outputTimeFile->close();
  } else if (files_.requested != nullptr) {
    a_.outputTimes = files_.requested->outputTimes;
    subMesh_ = files_.requested->subMesh;
  } else {
    sizeSubMesh(subMesh_, 0, 0);
  }
  if (subMesh_.elementCount != 0) {
    answers_.subMeshForm = late_.subMeshForm();
    subMeshForm_ = &subMeshFormFor(answers_.subMeshForm);
    if (subMeshForm_->usesScratch) files_.sink.avsScratch();
  }
  computeExtent(subMesh_, subMeshForm_->sectionDistance && subMesh_.pointCount > 0);

  // 2. Mesh and initial state.
  readResultMesh(files_.resultFile, counts_,
                 MeshArrays{a_.x, a_.y, a_.z, a_.pressureHead, a_.discharge, a_.nodeCode,
                            a_.connectivity, a_.materialNo});
  progress_.update();
  step_ = StepArrays{a_.pressureHead, a_.discharge, a_.nodeCode, a_.vx, a_.vy, a_.vz};
  mesh_ = SolidMesh{.nodeCount = counts_.nodeCount,
                    .elementCount = counts_.elementCount,
                    .nodesPerElement = counts_.nodesPerElement,
                    .x = a_.x,
                    .y = a_.y,
                    .z = a_.z,
                    .connectivity = a_.connectivity,
                    .materialNo = a_.materialNo,
                    .elementFlag = a_.elementFlag,
                    .nodeUnused = a_.nodeUnused};

  // 3. Point location.
  if (form_.pointValues) locatePoints(mesh_, subMesh_);

  // 4. Flags and saved copies.
  deriveFlags();

  // 5. Models.
  if (form_.writeModel != nullptr) form_.writeModel(context_);
  if (subMeshForm_->writeModel != nullptr) subMeshForm_->writeModel(context_);

  // 6. The initial state at time 0.0 with zero element velocities.
  time_ = 0.0;
  stepNo_ = 0;
  std::fill(a_.vx.begin(), a_.vx.end(), 0.0);
  std::fill(a_.vy.begin(), a_.vy.end(), 0.0);
  std::fill(a_.vz.begin(), a_.vz.end(), 0.0);

  // 7. Initial outputs, unless a selection of steps leaves out time 0.0.
  const bool initialShown = answers_.selection.contains(time_);
  if (initialShown) {
    if (form_.writesInitialState) show(storedState());
    if (subMeshForm_->writesInitialState) subMeshForm_->writeState(context_, storedState());
  }
  follow(storedState(), initialShown && form_.writesInitialState);

  // 8. Restart questions.
  if (form_.restart) late_.restartAnswers(answers_);

  // The previous step starts as the initial state with zero velocities, so a requested time
  // before the first stored step interpolates from it.
  previousTime_ = 0.0;
  if (!interpolates_) return;
  copyArray(a_.pressureHead, a_.prevPressureHead);
  copyArray(a_.discharge, a_.prevDischarge);
  std::fill(a_.prevVx.begin(), a_.prevVx.end(), 0.0);
  std::fill(a_.prevVy.begin(), a_.prevVy.end(), 0.0);
  std::fill(a_.prevVz.begin(), a_.prevVz.end(), 0.0);
}

void StepLoop::deriveFlags() {
  if (form_.restart) {
    copyArray(a_.discharge, a_.initialDischarge);
    copyArray(a_.pressureHead, a_.savedPressureHead);
    copyArray(a_.discharge, a_.savedDischarge);
    copyArray(a_.nodeCode, a_.savedNodeCode);
    restart_ = RestartCopies{a_.savedPressureHead, a_.savedDischarge, a_.savedNodeCode,
                             a_.initialDischarge};
  }

  int maxMaterialNo = 1;
  const int elementCount = counts_.elementCount, nodesPerElement = counts_.nodesPerElement;
  for (int e = 1; e <= elementCount; ++e) {
    a_.elementFlag[at(e)] = a_.materialNo[at(e)] < 0 ? 1 : 0;
    maxMaterialNo = std::max(maxMaterialNo, a_.materialNo[at(e)]);
  }
  markUnusedNodes(a_.connectivity, elementCount, nodesPerElement, a_.nodeUnused);
  if (form_.nodalVelocities && runThreads() > 1) {
    nodeElements_ = nodeElementsOf(a_.connectivity, a_.elementFlag, counts_.nodeCount, elementCount,
                                   nodesPerElement, nodeElementsLimitBytes);
  }
  mesh_.maxMaterialNo = maxMaterialNo;
}

ShownState StepLoop::storedState() const {
  return ShownState{step_.pressureHead, step_.discharge, step_.nodeCode, step_.vx,
                    step_.vy,           step_.vz,        time_,          stepNo_};
}

// One output of the form: the derived quantities it is shown with, then its writer, then, for
// the forms that show the sub-mesh with every output, the sub-mesh form's writer.
void StepLoop::show(const ShownState& state) {
  noteOutputBegun(state.stepNo, state.time);
  if (form_.nodalVelocities) {
    averageNodalVelocities(state.vx, state.vy, state.vz, a_.connectivity, a_.elementFlag,
                           counts_.nodeCount, counts_.elementCount, counts_.nodesPerElement,
                           a_.nodeVx, a_.nodeVy, a_.nodeVz, a_.nodeElementCount, &nodeElements_);
  }
  if (form_.pointValues) computePointValues(state.pressureHead, a_.z, subMesh_);
  form_.writeState(context_, state,
                   NodalVelocities{a_.nodeVx, a_.nodeVy, a_.nodeVz, a_.nodeElementCount});
  if (form_.pointValues && subMesh_.elementCount > 0 && subMeshForm_->writeState != nullptr) {
    subMeshForm_->writeState(context_, state);
  }
  noteOutputWritten();
}

// The form's own account of every state, shown or not.
void StepLoop::follow(const ShownState& state, bool shown) {
  if (form_.followStep != nullptr) form_.followStep(context_, state, shown);
}

// The step just read, kept aside while the next one is read over it.
void StepLoop::keepAside() {
  copyStep(step_, StepArrays{a_.keptPressureHead, a_.keptDischarge, a_.keptNodeCode, a_.keptVx,
                             a_.keptVy, a_.keptVz});
  keptTime_ = time_;
  keptStepNo_ = stepNo_;
}

ShownState StepLoop::keptState() const {
  return ShownState{a_.keptPressureHead, a_.keptDischarge, a_.keptNodeCode, a_.keptVx,
                    a_.keptVy,           a_.keptVz,        keptTime_,       keptStepNo_};
}

void StepLoop::readSteps() {
  // With the spare arrays sized, each step is read while the one before it is shown.
  StepReadAhead steps(files_.resultFile, counts_, step_,
                      StepArrays{a_.aheadPressureHead, a_.aheadDischarge, a_.aheadNodeCode,
                                 a_.aheadVx, a_.aheadVy, a_.aheadVz});
  for (;;) {
    if (picker_.keeping()) keepAside();
    if (!steps.next(stepNo_, time_)) break;
    step_ = steps.current();
    progress_.stepRead();
    ++storedSteps_.count;
    storedSteps_.lastTime = time_;
    // The stored steps shown: every one, or those the selection picks. A step kept aside is
    // shown once the step after it lies outside the selection's window, or at the end.
    const StepPicker::Choice pick = picker_.next(time_);
    if (pick.showKept) show(keptState());
    bool stepShown = false;  // the step's own output is the last one written
    if (answers_.timeSelection == 1 && stepNo_ != 0) {
      // Time-selection pass: every requested time in (previousTime, time], in file order.
      for (int t = 1; interpolates_ && t <= outputTimeCount_; ++t) {
        const double outputTime = a_.outputTimes[at(t)];
        if (!(previousTime_ < outputTime && outputTime <= time_)) continue;
        interpolateTo(outputTime, time_);
        show(ShownState{a_.outPressureHead, a_.outDischarge, step_.nodeCode, a_.outVx, a_.outVy,
                        a_.outVz, outputTime, stepNo_});
      }
    } else if (form_.writesStoredSteps && pick.show) {
      show(storedState());  // stored-step pass
      stepShown = true;
    }
    if (form_.writesEveryStep && pick.show) {
      show(storedState());
      stepShown = true;
    }
    follow(storedState(), stepShown);
    if (restart_.stopRequested != 0) break;

    if (interpolates_) {
      copyStep(
          step_,
          StepArrays{a_.prevPressureHead, a_.prevDischarge, {}, a_.prevVx, a_.prevVy, a_.prevVz});
    }
    previousTime_ = time_;
  }
  if (picker_.finish()) show(keptState());
}

void StepLoop::interpolateTo(double outputTime, double time) {
  const double a = outputTime - previousTime_;
  const double b = time - outputTime;
  const double d = time - previousTime_;
  const StepArrays& step = step_;
  for (int n = 1; n <= counts_.nodeCount; ++n) {
    a_.outPressureHead[at(n)] = (step.pressureHead[at(n)] * a + a_.prevPressureHead[at(n)] * b) / d;
    a_.outDischarge[at(n)] = (step.discharge[at(n)] * a + a_.prevDischarge[at(n)] * b) / d;
  }
  for (int e = 1; e <= counts_.elementCount; ++e) {
    a_.outVx[at(e)] = (step.vx[at(e)] * a + a_.prevVx[at(e)] * b) / d;
    a_.outVy[at(e)] = (step.vy[at(e)] * a + a_.prevVy[at(e)] * b) / d;
    a_.outVz[at(e)] = (step.vz[at(e)] * a + a_.prevVz[at(e)] * b) / d;
  }
}

void StepLoop::finish() {
  // time_ still holds the last stored step's time (0.0 when the file holds no step).
  if (form_.finish != nullptr) form_.finish(context_, time_);
  if (subMeshForm_->finish != nullptr) subMeshForm_->finish(context_);
}

}  // namespace

void sizeConverterArrays(ConverterArrays& a, const ResultCounts& counts,
                         const ConverterAnswers& answers) {
  const OutputForm& form = outputFormFor(answers.outputForm);
  const bool interpolation = interpolates(form, answers);
  // Only a stride keeps a step aside: with a window alone every step inside it is shown.
  const bool keepsSteps = answers.selection.every > 1;
  // A run of more than one thread reads each step while the one before it is shown.
  const bool readsAhead = runThreads() > 1;
  const auto nodes = static_cast<std::size_t>(std::max(counts.nodeCount, 0)) + 1;
  const auto elements = static_cast<std::size_t>(std::max(counts.elementCount, 0)) + 1;
  const auto slots = static_cast<std::size_t>(std::max(counts.elementCount, 0)) *
                     static_cast<std::size_t>(std::max(counts.nodesPerElement, 0));
  const ArrayGroup<double> doubles[] = {
      {{&a.x, &a.y, &a.z, &a.pressureHead, &a.discharge}, true, nodes},
      {{&a.nodeVx, &a.nodeVy, &a.nodeVz}, form.nodalVelocities, nodes},
      {{&a.savedPressureHead, &a.savedDischarge, &a.initialDischarge}, form.restart, nodes},
      {{&a.prevPressureHead, &a.prevDischarge, &a.outPressureHead, &a.outDischarge},
       interpolation,
       nodes},
      {{&a.vx, &a.vy, &a.vz}, true, elements},
      {{&a.prevVx, &a.prevVy, &a.prevVz, &a.outVx, &a.outVy, &a.outVz}, interpolation, elements},
      {{&a.keptPressureHead, &a.keptDischarge}, keepsSteps, nodes},
      {{&a.keptVx, &a.keptVy, &a.keptVz}, keepsSteps, elements},
  };
  const ArrayGroup<int> ints[] = {
      {{&a.nodeCode, &a.nodeUnused}, true, nodes},
      {{&a.nodeElementCount}, form.nodalVelocities, nodes},
      {{&a.savedNodeCode}, form.restart, nodes},
      {{&a.keptNodeCode}, keepsSteps, nodes},
      {{&a.materialNo, &a.elementFlag}, true, elements},
      {{&a.connectivity}, true, slots},
  };
  double bytes = 0.0;
  for (const auto& group : doubles) bytes += group.bytes();
  for (const auto& group : ints) bytes += group.bytes();
  requireMemory(bytes);
  for (const auto& group : doubles) group.size();
  for (const auto& group : ints) group.size();
  // The spare step is a help, not a need: without room for it the steps are read in turn, so
  // a run stops for want of memory whatever its threads.
  const ArrayGroup<double> aheadDoubles[] = {
      {{&a.aheadPressureHead, &a.aheadDischarge}, readsAhead, nodes},
      {{&a.aheadVx, &a.aheadVy, &a.aheadVz}, readsAhead, elements},
  };
  const ArrayGroup<int> aheadInts[] = {{{&a.aheadNodeCode}, readsAhead, nodes}};
  for (const auto& group : aheadDoubles) bytes += group.bytes();
  for (const auto& group : aheadInts) bytes += group.bytes();
  if (!memoryAffords(bytes)) return;
  for (const auto& group : aheadDoubles) group.size();
  for (const auto& group : aheadInts) group.size();
}

StoredSteps runConversion(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                          const std::string& title, const ResultCounts& counts, int outputTimeCount,
                          ProgressMeter& progress) {
  ConverterArrays arrays;
  sizeConverterArrays(arrays, counts, answers);
  StepLoop loop(late, files, answers, title, counts, outputTimeCount, arrays, progress);
  return loop.run();
}
