#include "tools/resultFileWriter.h"

#include <charconv>
#include <memory>
#include <string_view>

#include "tools/recordSink.h"

namespace {

constexpr int valueDigits = 6;  // digits after the point of ordinary values
constexpr int timeDigits = 9;   // step times keep every digit of their whole seconds
constexpr int nodeNumberWidth = 8;
constexpr int codeWidth = 3;
constexpr int mixedItemsPerLine = 7;

// Receives the values of one free-form block; a group is one node or element.
class ValueWriter {
 public:
  virtual ~ValueWriter() = default;
  virtual void real(double value, int digits) = 0;
  virtual void integer(int value, int width) = 0;
  virtual void endGroup() = 0;
  virtual void endBlock() = 0;
};

// One group per line, each value right-justified in its field after at least one blank.
class PlainWriter final : public ValueWriter {
 public:
  explicit PlainWriter(RecordSink& sink) : sink_(sink) {}
  void real(double value, int digits) override {
    char text[48];
    pad(scientificText(text, sizeof text, value, digits), static_cast<std::size_t>(digits) + 8);
  }
  void integer(int value, int width) override {
    char text[16];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    pad({text, static_cast<std::size_t>(end - text)}, static_cast<std::size_t>(width) + 1);
  }
  void endGroup() override {
    sink_.append(line_);
    sink_.endRecord();
    line_.clear();
    recordWritten_ = true;
  }
  void endBlock() override {
    if (!recordWritten_) sink_.endRecord();
    recordWritten_ = false;
  }

 private:
  void pad(std::string_view text, std::size_t width) {
    if (text.size() < width)
      line_.append(width - text.size(), ' ');
    else
      line_.push_back(' ');
    line_.append(text);
  }
  RecordSink& sink_;
  std::string line_;
  bool recordWritten_ = false;
};

// Comma-separated values, a fixed number of items per line regardless of groups, runs of equal
// values folded into "r*value", D exponents, exact zeros of reals written "0.0".
class MixedWriter final : public ValueWriter {
 public:
  explicit MixedWriter(RecordSink& sink) : sink_(sink) {}
  void real(double value, int digits) override {
    if (value == 0.0) {
      push("0.0");
      return;
    }
    char text[48];
    push(scientificText(text, sizeof text, value, digits, 'D'));
  }
  void integer(int value, int) override {
    char text[16];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    push({text, static_cast<std::size_t>(end - text)});
  }
  void endGroup() override {}
  void endBlock() override {
    flushRun();
    if (itemsOnLine_ > 0 || !recordWritten_) endLine();
    recordWritten_ = false;
  }

 private:
  void push(std::string_view token) {
    if (runLength_ > 0 && token == runToken_) {
      ++runLength_;
      return;
    }
    flushRun();
    runToken_.assign(token);
    runLength_ = 1;
  }
  void flushRun() {
    if (runLength_ == 0) return;
    if (itemsOnLine_ > 0) line_.append(", ");
    if (runLength_ > 1) {
      char count[16];
      auto end = std::to_chars(count, count + sizeof count, runLength_).ptr;
      line_.append(count, end);
      line_.push_back('*');
    }
    line_.append(runToken_);
    runLength_ = 0;
    if (++itemsOnLine_ == mixedItemsPerLine) endLine();
  }
  void endLine() {
    sink_.append(line_);
    sink_.endRecord();
    line_.clear();
    itemsOnLine_ = 0;
    recordWritten_ = true;
  }
  RecordSink& sink_;
  std::string line_;
  std::string runToken_;
  int runLength_ = 0;
  int itemsOnLine_ = 0;
  bool recordWritten_ = false;
};

// The initial state is drawn with its own noise, apart from a stored step 0.
constexpr int initialStateStep = -1;

void writeCounts(ValueWriter& out, const SyntheticModel& model) {
  out.integer(model.nodeCount, nodeNumberWidth);
  out.integer(model.elementCount, nodeNumberWidth);
  out.integer(nodesPerElement, codeWidth);
  out.endGroup();
  out.endBlock();
}

void writeInitialNodes(ValueWriter& out, const SyntheticModel& model) {
  for (int node = 1; node <= model.nodeCount; ++node) {
    Point3 at = nodePosition(model, node);
    NodeState state = nodeState(model, node, initialStateStep, 0.0);
    out.real(at.x, valueDigits);
    out.real(at.y, valueDigits);
    out.real(at.z, valueDigits);
    out.real(state.pressureHead, valueDigits);
    out.real(state.discharge, valueDigits);
    out.integer(state.nodeCode, codeWidth);
    out.endGroup();
  }
  out.endBlock();
}

void writeElements(ValueWriter& out, const SyntheticModel& model) {
  forEachElement(model, [&](int, const ElementNodes& nodes, int materialNo) {
    for (int slot = 1; slot <= nodesPerElement; ++slot)
      out.integer(nodes[static_cast<std::size_t>(slot)], nodeNumberWidth);
    out.integer(materialNo, codeWidth + 1);
    out.endGroup();
  });
  out.endBlock();
}

void writeStep(ValueWriter& out, const SyntheticModel& model, int stepNo, double time) {
  out.integer(stepNo, nodeNumberWidth);
  out.real(time, timeDigits);
  out.endGroup();
  out.endBlock();
  for (int node = 1; node <= model.nodeCount; ++node) {
    NodeState state = nodeState(model, node, stepNo, time);
    out.real(state.pressureHead, valueDigits);
    out.real(state.discharge, valueDigits);
    out.integer(state.nodeCode, codeWidth);
    out.endGroup();
  }
  out.endBlock();
  for (int element = 1; element <= model.elementCount; ++element) {
    Velocity velocity = elementVelocity(model, element, stepNo, time);
    out.real(velocity.vx, valueDigits);
    out.real(velocity.vy, valueDigits);
    out.real(velocity.vz, valueDigits);
    out.endGroup();
  }
  out.endBlock();
}

bool moreSteps(const GeneratorOptions& options, const RecordSink& sink, int stepsWritten) {
  if (options.targetMegabytes > 0.0)
    return static_cast<double>(sink.bytesWritten()) < options.targetMegabytes * 1.0e6;
  return stepsWritten < options.stepCount;
}

}  // namespace

std::string writeResultFile(const GeneratorOptions& options, const SyntheticModel& model,
                            WrittenResult& written) {
  RecordSink sink(options.resultPath);
  if (!sink.isOpen()) return "cannot create " + options.resultPath;
  std::unique_ptr<ValueWriter> out;
  if (options.layout == Layout::mixed)
    out = std::make_unique<MixedWriter>(sink);
  else
    out = std::make_unique<PlainWriter>(sink);

  sink.append(options.title);
  sink.endRecord();
  writeCounts(*out, model);
  writeInitialNodes(*out, model);
  writeElements(*out, model);

  if (options.stepZero) {
    writeStep(*out, model, 0, 0.0);
    written.stepNumbers.push_back(0);
    written.stepTimes.push_back(0.0);
  }
  double time = 0.0;
  for (int stepNo = 1; moreSteps(options, sink, stepNo - 1); ++stepNo) {
    time = nextStepTime(time, stepNo);
    writeStep(*out, model, stepNo, time);
    written.stepNumbers.push_back(stepNo);
    written.stepTimes.push_back(time);
  }
  written.byteCount = sink.bytesWritten();
  if (!sink.close()) return "write to " + options.resultPath + " failed";
  return {};
}
