#include "resconv/stepLoop.h"

#include <algorithm>
#include <initializer_list>

#include "common/stop.h"
#include "resconv/derived.h"
#include "resconv/interp.h"
#include "resconv/outputTimeFile.h"
#include "resconv/writers/femapModel.h"
#include "resconv/writers/femapOutput.h"
#include "resconv/writers/restart.h"
#include "resconv/writers/resultList.h"
#include "resconv/writers/talvix.h"
#include "resconv/writers/tecplot.h"

namespace {

namespace form = outputFormCode;

// The optional work arrays a run uses.
struct ArrayNeeds {
  bool nodalVelocities = false;  // nodeVx, nodeVy, nodeVz, nodeElementCount
  bool restartCopies = false;    // saved*, initialDischarge
  bool interpolation = false;    // prev*, out*
};

ArrayNeeds arrayNeeds(const ConverterAnswers& answers) {
  const int outputForm = answers.outputForm;
  ArrayNeeds needs;
  needs.nodalVelocities =
      outputForm == form::tecplot || outputForm == form::femap || outputForm == form::microAvs;
  needs.restartCopies = outputForm == form::restart;
  // Only these forms write anything in the time-selection pass.
  needs.interpolation =
      answers.timeSelection == 1 && outputForm >= form::resultList && outputForm <= form::interp;
  return needs;
}

// Zero-filled arrays of `slots` entries when used, else empty.
template <class T>
void sizeArrays(std::initializer_list<std::vector<T>*> arrays, bool used, std::size_t slots) {
  for (std::vector<T>* array : arrays) {
    if (used) {
      array->assign(slots, T{});
    } else {
      *array = {};
    }
  }
}

// The state handed to a writer: a stored step's own arrays, or the interpolated ones.
struct ShownState {
  const std::vector<double>& pressureHead;
  const std::vector<double>& discharge;
  const std::vector<double>& vx;
  const std::vector<double>& vy;
  const std::vector<double>& vz;
  double time;
  int stepNo;
};

class StepLoop {
 public:
  StepLoop(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
           const std::string& title, const ResultCounts& counts, int outputTimeCount,
           ConverterArrays& arrays, SubMesh& subMesh, WriterCounters& counters,
           ProgressMeter& progress)
      : late_(late),
        files_(files),
        answers_(answers),
        title_(title),
        nodeCount_(counts.nodeCount),
        elementCount_(counts.elementCount),
        nodesPerElement_(counts.nodesPerElement),
        counts_(counts),
        outputTimeCount_(outputTimeCount),
        a_(arrays),
        subMesh_(subMesh),
        counters_(counters),
        progress_(progress),
        needs_(arrayNeeds(answers)) {}

  void run() {
    setUp();
    readSteps();
    finish();
  }

 private:
  void setUp();
  void deriveFlags();
  void readSteps();
  void interpolateTo(double outputTime, double time);
  void writeOutputFormState(const ShownState& state);
  void writeSubMeshOutputs(double time, int stepNo);
  void finish();

  LateAnswers& late_;
  ConverterFiles& files_;
  ConverterAnswers& answers_;
  const std::string& title_;
  const int nodeCount_, elementCount_, nodesPerElement_;
  const ResultCounts& counts_;
  const int outputTimeCount_;
  ConverterArrays& a_;
  SubMesh& subMesh_;
  WriterCounters& counters_;
  ProgressMeter& progress_;
  const ArrayNeeds needs_;

  int maxMaterialNo_ = 1;
  double savedTime_ = 0.0;
  double previousTime_ = 0.0;
  int stopRequested_ = 0;
  int stepNo_ = 0;
  double time_ = 0.0;
};

void StepLoop::setUp() {
  const int outputForm = answers_.outputForm;

  // 1. The rest of the output-time file, the extent of its points, the sub-mesh question.
  if (answers_.timeSelection == 1 || outputForm == form::interp) {
    readOutputTimesAndSubMesh(*files_.outputTimeFile, outputTimeCount_, a_.outputTimes, subMesh_);
    files_.outputTimeFile->close();
  } else {
    sizeSubMesh(subMesh_, 0, 0);
  }
  if (subMesh_.meshElementCount != 0) {
    answers_.meshOutputForm = late_.meshOutputForm();
    if (answers_.meshOutputForm == 3 && !files_.avsScratch.out.isOpen()) {
      files_.avsScratch.out.open("AVS.tmp");
    }
  }
  computeExtent(subMesh_, answers_.meshOutputForm == 5 && subMesh_.pointCount > 0);

  // 2. Mesh and initial state.
  readResultMesh(files_.resultFile, counts_,
                 MeshArrays{a_.x, a_.y, a_.z, a_.pressureHead, a_.discharge, a_.nodeCode,
                            a_.connectivity, a_.materialNo});
  progress_.update();

  // 3. Point location.
  if (outputForm == form::interp) {
    locatePoints(a_.x, a_.y, a_.z, a_.connectivity, elementCount_, nodesPerElement_, subMesh_);
  }

  // 4. Flags and saved copies.
  deriveFlags();

  // 5. Models.
  if (outputForm == form::femap) {
    writeFemapModel(files_.output, a_.x, a_.y, a_.z, a_.connectivity, nodeCount_, elementCount_,
                    a_.materialNo, maxMaterialNo_, nodesPerElement_, a_.elementFlag, a_.nodeUnused);
  }
  if (answers_.meshOutputForm == 2) writeFemapMeshModel(files_.output, subMesh_);

  // 6. The initial state at time 0.0 with zero element velocities.
  time_ = 0.0;
  stepNo_ = 0;
  std::fill(a_.vx.begin(), a_.vx.end(), 0.0);
  std::fill(a_.vy.begin(), a_.vy.end(), 0.0);
  std::fill(a_.vz.begin(), a_.vz.end(), 0.0);

  // 7. Initial outputs.
  const ShownState initial{a_.pressureHead, a_.discharge, a_.vx, a_.vy, a_.vz, time_, stepNo_};
  if (outputForm == form::tecplot || outputForm == form::femap) writeOutputFormState(initial);
  if (answers_.meshOutputForm != 3) writeSubMeshOutputs(time_, stepNo_);

  // 8. Restart questions.
  if (outputForm == form::restart) late_.restartAnswers(answers_);

  // The previous step starts as the initial state with zero velocities, so a requested time
  // before the first stored step interpolates from it.
  previousTime_ = 0.0;
  if (!needs_.interpolation) return;
  a_.prevPressureHead = a_.pressureHead;
  a_.prevDischarge = a_.discharge;
  std::fill(a_.prevVx.begin(), a_.prevVx.end(), 0.0);
  std::fill(a_.prevVy.begin(), a_.prevVy.end(), 0.0);
  std::fill(a_.prevVz.begin(), a_.prevVz.end(), 0.0);
}

void StepLoop::deriveFlags() {
  if (needs_.restartCopies) {
    a_.initialDischarge = a_.discharge;
    a_.savedPressureHead = a_.pressureHead;
    a_.savedDischarge = a_.discharge;
    a_.savedNodeCode = a_.nodeCode;
  }
  savedTime_ = 0.0;

  std::fill(a_.nodeUnused.begin(), a_.nodeUnused.end(), 1);
  maxMaterialNo_ = 1;
  for (int e = 1; e <= elementCount_; ++e) {
    a_.elementFlag[e] = a_.materialNo[e] < 0 ? 1 : 0;
    maxMaterialNo_ = std::max(maxMaterialNo_, a_.materialNo[e]);
    for (int k = 1; k <= nodesPerElement_; ++k) {
      const int node = elementNode(a_.connectivity, nodesPerElement_, e, k);
      if (node > 0) a_.nodeUnused[node] = 0;
    }
  }
}

void StepLoop::readSteps() {
  const StepArrays step{a_.pressureHead, a_.discharge, a_.nodeCode, a_.vx, a_.vy, a_.vz};
  const int outputForm = answers_.outputForm;
  while (readResultStep(files_.resultFile, counts_, stepNo_, time_, step)) {
    progress_.stepRead();
    if (answers_.timeSelection == 1 && stepNo_ != 0) {
      // Time-selection pass: every requested time in (previousTime, time], in file order.
      // Forms that write nothing in this pass skip it.
      for (int t = 1; needs_.interpolation && t <= outputTimeCount_; ++t) {
        const double outputTime = a_.outputTimes[t];
        if (!(previousTime_ < outputTime && outputTime <= time_)) continue;
        interpolateTo(outputTime, time_);
        const ShownState shown{a_.outPressureHead, a_.outDischarge, a_.outVx, a_.outVy,
                               a_.outVz,           outputTime,      stepNo_};
        if (outputForm == form::interp) {
          writeInterpBlock(files_.output, subMesh_, a_.outPressureHead, a_.z, outputTime);
          if (subMesh_.meshElementCount > 0) writeSubMeshOutputs(outputTime, stepNo_);
        } else {
          writeOutputFormState(shown);
        }
      }
    } else {
      // Stored-step pass.
      const ShownState stored{a_.pressureHead, a_.discharge, a_.vx, a_.vy, a_.vz, time_, stepNo_};
      if (outputForm == form::resultList) {
        if (stepNo_ == 0) writeOutputFormState(stored);
      } else if (outputForm == form::tecplot || outputForm == form::femap ||
                 outputForm == form::microAvs) {
        writeOutputFormState(stored);
      }
    }

    // After either pass.
    if (outputForm == form::restart) {
      writeRestartRecords(files_.output, a_.x, a_.y, a_.z, a_.pressureHead, a_.discharge,
                          a_.nodeCode, a_.savedDischarge, a_.savedPressureHead, a_.savedNodeCode,
                          a_.initialDischarge, nodeCount_, title_, time_, savedTime_,
                          answers_.restartTime, stopRequested_, answers_.restartInitialValue,
                          answers_.restartDischarge);
    } else if (outputForm == form::interp) {
      writeInterpBlock(files_.output, subMesh_, a_.pressureHead, a_.z, time_);
      if (subMesh_.meshElementCount > 0) writeSubMeshOutputs(time_, stepNo_);
    }
    if (stopRequested_ != 0) break;

    if (needs_.interpolation) {
      a_.prevPressureHead = a_.pressureHead;
      a_.prevDischarge = a_.discharge;
      a_.prevVx = a_.vx;
      a_.prevVy = a_.vy;
      a_.prevVz = a_.vz;
    }
    previousTime_ = time_;
  }
}

void StepLoop::interpolateTo(double outputTime, double time) {
  const double a = outputTime - previousTime_;
  const double b = time - outputTime;
  const double d = time - previousTime_;
  for (int n = 1; n <= nodeCount_; ++n) {
    a_.outPressureHead[n] = (a_.pressureHead[n] * a + a_.prevPressureHead[n] * b) / d;
    a_.outDischarge[n] = (a_.discharge[n] * a + a_.prevDischarge[n] * b) / d;
  }
  for (int e = 1; e <= elementCount_; ++e) {
    a_.outVx[e] = (a_.vx[e] * a + a_.prevVx[e] * b) / d;
    a_.outVy[e] = (a_.vy[e] * a + a_.prevVy[e] * b) / d;
    a_.outVz[e] = (a_.vz[e] * a + a_.prevVz[e] * b) / d;
  }
}

// The writer of the first menu's output form for one shown state.
void StepLoop::writeOutputFormState(const ShownState& s) {
  OutputUnit& out = files_.output;
  switch (answers_.outputForm) {
    case form::resultList:
      writeNodeTable(out, s.discharge, s.pressureHead, a_.z, nodeCount_, title_, s.time, s.stepNo,
                     a_.nodeUnused);
      writeElementTable(out, s.vx, s.vy, s.vz, elementCount_, title_, s.time, s.stepNo,
                        a_.elementFlag);
      break;
    case form::tecplot:
      writeTecplotBlock(out, a_.x, a_.y, a_.z, s.pressureHead, a_.nodeVx, a_.nodeVy, a_.nodeVz,
                        s.vx, s.vy, s.vz, a_.nodeElementCount, a_.connectivity, nodeCount_,
                        elementCount_, nodesPerElement_, title_, s.time, a_.elementFlag,
                        a_.nodeUnused);
      break;
    case form::femap:
      writeFemapOutputSet(out, counters_, a_.z, s.pressureHead, a_.nodeVx, a_.nodeVy, a_.nodeVz,
                          s.vx, s.vy, s.vz, s.discharge, a_.nodeElementCount, a_.connectivity,
                          nodeCount_, elementCount_, nodesPerElement_, s.time, s.stepNo,
                          a_.elementFlag, a_.nodeUnused);
      break;
    case form::microAvs:
      writeAvsStep(files_.avsScratch.out, counters_, a_.z, s.pressureHead, a_.nodeVx, a_.nodeVy,
                   a_.nodeVz, s.vx, s.vy, s.vz, a_.nodeElementCount, a_.connectivity, nodeCount_,
                   elementCount_, nodesPerElement_, s.time, a_.elementFlag, a_.nodeUnused);
      ++files_.avsScratch.solidSections;
      break;
    default:
      break;
  }
}

// The writer of the sub-mesh output form.
void StepLoop::writeSubMeshOutputs(double time, int stepNo) {
  OutputUnit& out = files_.output;
  switch (answers_.meshOutputForm) {
    case 1:
      writeTecplotMeshBlock(out, subMesh_, time, stepNo);
      break;
    case 2:
      writeFemapMeshOutputSet(out, counters_, subMesh_, time, stepNo);
      break;
    case 3:
      writeAvsMeshStep(files_.avsScratch.out, counters_, subMesh_, time);
      ++files_.avsScratch.meshSections;
      break;
    case 4:
    case 5:
      writeTalvixBlock(out, subMesh_, time, stepNo, answers_.meshOutputForm);
      break;
    default:
      break;
  }
}

void StepLoop::finish() {
  if (answers_.outputForm == form::microAvs) {
    assembleAvsFile(files_.output, files_.avsScratch, counters_, a_.x, a_.y, a_.z, a_.connectivity,
                    a_.materialNo, nodeCount_, elementCount_, nodesPerElement_, a_.elementFlag,
                    a_.nodeUnused);
  }
  if (answers_.meshOutputForm == 3) {
    assembleAvsMeshFile(files_.output, files_.avsScratch, counters_, subMesh_);
  }
  if (answers_.outputForm == form::restart && stopRequested_ == 0) {
    // time_ still holds the last stored step's time (0.0 when the file holds no step).
    reportRestartNotReached(answers_.restartTime, time_);
  }
}

}  // namespace

void sizeConverterArrays(ConverterArrays& a, const ResultCounts& counts,
                         const ConverterAnswers& answers) {
  const ArrayNeeds needs = arrayNeeds(answers);
  const int doubleNodeArrays = 5 + (needs.nodalVelocities ? 3 : 0) + (needs.restartCopies ? 3 : 0) +
                               (needs.interpolation ? 4 : 0);
  const int intNodeArrays = 2 + (needs.nodalVelocities ? 1 : 0) + (needs.restartCopies ? 1 : 0);
  const int doubleElementArrays = 3 + (needs.interpolation ? 6 : 0);
  const double nodeBytes = doubleNodeArrays * sizeof(double) + intNodeArrays * sizeof(int);
  const double elementBytes = doubleElementArrays * sizeof(double) + 2.0 * sizeof(int);
  requireMemory(
      nodeBytes * std::max(counts.nodeCount, 0) + elementBytes * std::max(counts.elementCount, 0) +
      sizeof(int) * double(std::max(counts.elementCount, 0)) * std::max(counts.nodesPerElement, 0));
  const auto nodes = static_cast<std::size_t>(std::max(counts.nodeCount, 0)) + 1;
  const auto elements = static_cast<std::size_t>(std::max(counts.elementCount, 0)) + 1;
  sizeArrays({&a.x, &a.y, &a.z, &a.pressureHead, &a.discharge}, true, nodes);
  sizeArrays({&a.nodeVx, &a.nodeVy, &a.nodeVz}, needs.nodalVelocities, nodes);
  sizeArrays({&a.savedPressureHead, &a.savedDischarge, &a.initialDischarge}, needs.restartCopies,
             nodes);
  sizeArrays({&a.prevPressureHead, &a.prevDischarge, &a.outPressureHead, &a.outDischarge},
             needs.interpolation, nodes);
  sizeArrays({&a.nodeCode, &a.nodeUnused}, true, nodes);
  sizeArrays({&a.nodeElementCount}, needs.nodalVelocities, nodes);
  sizeArrays({&a.savedNodeCode}, needs.restartCopies, nodes);
  sizeArrays({&a.vx, &a.vy, &a.vz}, true, elements);
  sizeArrays({&a.prevVx, &a.prevVy, &a.prevVz, &a.outVx, &a.outVy, &a.outVz}, needs.interpolation,
             elements);
  a.materialNo.assign(elements, 0);
  a.elementFlag.assign(elements, 0);
  a.connectivity.assign(static_cast<std::size_t>(std::max(counts.elementCount, 0)) *
                            static_cast<std::size_t>(std::max(counts.nodesPerElement, 0)),
                        0);
}

void runStepLoop(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                 const std::string& title, const ResultCounts& counts, int outputTimeCount,
                 ConverterArrays& arrays, SubMesh& subMesh, WriterCounters& counters,
                 ProgressMeter& progress) {
  StepLoop loop(late, files, answers, title, counts, outputTimeCount, arrays, subMesh, counters,
                progress);
  loop.run();
}

void runConversion(LateAnswers& late, ConverterFiles& files, ConverterAnswers& answers,
                   const std::string& title, const ResultCounts& counts, int outputTimeCount,
                   ProgressMeter& progress) {
  WriterCounters counters;
  ConverterArrays arrays;
  SubMesh subMesh;
  sizeConverterArrays(arrays, counts, answers);
  runStepLoop(late, files, answers, title, counts, outputTimeCount, arrays, subMesh, counters,
              progress);
}
