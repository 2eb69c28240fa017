#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/resultFile.h"
#include "common/slots.h"
#include "common/splitBlock.h"
#include "common/stop.h"
#include "common/workPool.h"
#include "support/temporaryFolder.h"
#include "support/units.h"

using testSupport::stopOf;
using testSupport::TemporaryFile;

namespace {

bool operator==(const ResultCounts& a, const ResultCounts& b) {
  return a.nodeCount == b.nodeCount && a.elementCount == b.elementCount &&
         a.nodesPerElement == b.nodesPerElement;
}

// Everything a result file holds, in the reader's 1-based arrays.
struct ResultModel {
  std::string title;
  ResultCounts counts;
  std::vector<double> x, y, z, pressureHead, discharge;
  std::vector<int> nodeCode, connectivity, materialNo;
  struct Step {
    int stepNo = 0;
    double time = 0.0;
    std::vector<double> pressureHead, discharge, vx, vy, vz;
    std::vector<int> nodeCode;

    bool operator==(const Step&) const = default;
  };
  std::vector<Step> steps;

  bool operator==(const ResultModel&) const = default;
};

ResultModel readWhole(InputUnit& unit) {
  ResultModel model;
  model.title = readResultTitle(unit);
  model.counts = readResultCounts(unit);
  const auto nodes = static_cast<std::size_t>(model.counts.nodeCount) + 1;
  const auto elements = static_cast<std::size_t>(model.counts.elementCount) + 1;
  for (auto* array : {&model.x, &model.y, &model.z, &model.pressureHead, &model.discharge}) {
    array->assign(nodes, 0.0);
  }
  model.nodeCode.assign(nodes, 0);
  model.connectivity.assign((elements - 1) * static_cast<std::size_t>(model.counts.nodesPerElement),
                            0);
  model.materialNo.assign(elements, 0);
  readResultMesh(unit, model.counts,
                 {model.x, model.y, model.z, model.pressureHead, model.discharge, model.nodeCode,
                  model.connectivity, model.materialNo});
  for (;;) {
    ResultModel::Step step;
    for (auto* array : {&step.pressureHead, &step.discharge}) array->assign(nodes, 0.0);
    for (auto* array : {&step.vx, &step.vy, &step.vz}) array->assign(elements, 0.0);
    step.nodeCode.assign(nodes, 0);
    if (!readResultStep(
            unit, model.counts, step.stepNo, step.time,
            {step.pressureHead, step.discharge, step.nodeCode, step.vx, step.vy, step.vz})) {
      break;
    }
    model.steps.push_back(std::move(step));
  }
  return model;
}

ResultModel readText(const std::string& text) {
  InputUnit unit(5);
  unit.openMemory(text, "RES.DAT");
  return readWhole(unit);
}

// A small mesh: five nodes, a hexahedron and a prism (slots 7 and 8 empty), two steps.
ResultModel sampleModel() {
  ResultModel m;
  m.title = "sample" + std::string(74, ' ');
  m.counts = {5, 2, 8};
  m.x = {0, 0.0, 1.0, 1.0, 0.0, 2.5};
  m.y = {0, 0.0, 0.0, 1.0, 1.0, -0.5};
  m.z = {0, 10.0, 10.0, 10.0, 12.25, 1.0e-120};
  m.pressureHead = {0, 50.0, 50.0, 51.5, 52.0, 49.0};
  m.discharge = {0, 0.0, -0.001, 0.0, 1.0e5, -2.5};
  m.nodeCode = {0, 1, 1, -2, 0, 0};
  m.connectivity = {1, 2, 3, 4, 5, 4, 3, 2, 5, 4, 3, 2, 1, 1, 0, 0};
  m.materialNo = {0, 1, -3};
  m.steps.push_back({1,
                     10.0,
                     {0, 60.0, 60.0, 60.0, 61.0, 59.5},
                     {0, 0.5, 0.5, 0.5, 0.0, -1.0},
                     {0, 0.001, -0.002},
                     {0, 0.0, 0.0},
                     {0, 3.5, 3.5},
                     {0, 0, 0, 0, 1, 1}});
  m.steps.push_back({2,
                     20.0,
                     {0, 70.0, 70.0, 71.0, 71.0, 70.0},
                     {0, 0.0, 0.0, 0.0, 0.0, 0.0},
                     {0, 0.0, 0.0},
                     {0, 2.0e-7, -2.0e-7},
                     {0, 4.5, 4.5},
                     {0, 2, 2, 2, 2, 2}});
  return m;
}

// How the solver might lay the values out: values per line, separator, and how numbers look.
struct Layout {
  const char* name;
  int valuesPerLine;  // 0: one node or element per line
  const char* separator;
  bool repeatCounts;     // runs of equal values as r*value
  bool solverExponents;  // 1.0D+01, and exponents beyond two digits without their letter
};

std::string realText(double value, const Layout& layout) {
  char text[40];
  if (!layout.solverExponents) {
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
  }
  std::snprintf(text, sizeof text, "%.16E", value);
  std::string s = text;
  std::size_t e = s.find('E');
  std::string exponent = s.substr(e + 1);                     // sign and digits
  if (exponent.size() > 3) return s.substr(0, e) + exponent;  // 1.5000000000000000-120
  return s.substr(0, e) + "D" + exponent;
}

// One block: `group` values per node or element.
std::string blockText(const std::vector<std::string>& values, int group, const Layout& layout) {
  std::vector<std::string> tokens;
  std::vector<int> groupEnds;  // token index after which a node's or element's values end
  for (std::size_t i = 0; i < values.size();) {
    std::size_t run = 1;
    while (layout.repeatCounts && i + run < values.size() && values[i + run] == values[i]) ++run;
    tokens.push_back(run > 1 ? std::to_string(run) + "*" + values[i] : values[i]);
    i += run;
    groupEnds.push_back(static_cast<int>(i % static_cast<std::size_t>(group) == 0));
  }
  std::string text;
  int onLine = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    text += tokens[t];
    ++onLine;
    bool lineEnd = layout.valuesPerLine == 0 ? groupEnds[t] != 0 : onLine == layout.valuesPerLine;
    if (lineEnd || t + 1 == tokens.size()) {
      text += "\n";
      onLine = 0;
    } else {
      text += layout.separator;
    }
  }
  return text.empty() ? "\n" : text;
}

std::string resultText(const ResultModel& m, const Layout& layout) {
  auto real = [&](double v) { return realText(v, layout); };
  std::string text = m.title + "\n";
  text += std::to_string(m.counts.nodeCount) + " " + std::to_string(m.counts.elementCount) + " " +
          std::to_string(m.counts.nodesPerElement) + "\n";
  std::vector<std::string> values;
  for (int n = 1; n <= m.counts.nodeCount; ++n) {
    for (double v : {m.x[at(n)], m.y[at(n)], m.z[at(n)], m.pressureHead[at(n)], m.discharge[at(n)]})
      values.push_back(real(v));
    values.push_back(std::to_string(m.nodeCode[at(n)]));
  }
  text += blockText(values, 6, layout);
  values.clear();
  for (int e = 1; e <= m.counts.elementCount; ++e) {
    for (int k = 0; k < m.counts.nodesPerElement; ++k) {
      values.push_back(std::to_string(m.connectivity[at((e - 1) * m.counts.nodesPerElement + k)]));
    }
    values.push_back(std::to_string(m.materialNo[at(e)]));
  }
  text += blockText(values, m.counts.nodesPerElement + 1, layout);
  for (const ResultModel::Step& s : m.steps) {
    text += std::to_string(s.stepNo) + layout.separator + real(s.time) + "\n";
    values.clear();
    for (int n = 1; n <= m.counts.nodeCount; ++n) {
      values.push_back(real(s.pressureHead[at(n)]));
      values.push_back(real(s.discharge[at(n)]));
      values.push_back(std::to_string(s.nodeCode[at(n)]));
    }
    text += blockText(values, 3, layout);
    values.clear();
    for (int e = 1; e <= m.counts.elementCount; ++e) {
      for (double v : {s.vx[at(e)], s.vy[at(e)], s.vz[at(e)]}) values.push_back(real(v));
    }
    text += blockText(values, 3, layout);
  }
  return text;
}

const Layout layouts[] = {
    {"one node per line", 0, " ", false, false},
    {"several nodes per line", 10, "  ", false, false},
    {"one value per line", 1, " ", false, false},
    {"commas, repeat counts, D exponents", 7, ",", true, true},
    {"blanks around commas, CR LF", 4, " , ", true, true},
};

TEST(ResultFile, EveryLayoutReadsTheSame) {
  const ResultModel expected = sampleModel();
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    std::string text = resultText(expected, layout);
    if (std::string_view(layout.name).ends_with("CR LF")) {
      std::string crlf;
      for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
      text = crlf;
    }
    EXPECT_EQ(readText(text), expected) << text;
  }
}

// The worked example's file mixes layouts from step to step.
TEST(ResultFile, ExampleFileFromDisk) {
  InputUnit unit(5);
  openResultFile(unit, std::string(FIXTURE_DIR) + "/result/RES.DAT");
  ResultModel model = readWhole(unit);
  EXPECT_EQ(model.title,
            "two hexahedra and one prism  test mesh (title padded to 80)" + std::string(21, ' '));
  EXPECT_EQ(model.counts.nodeCount, 16);
  EXPECT_EQ(model.counts.elementCount, 3);
  EXPECT_EQ(model.counts.nodesPerElement, 8);
  EXPECT_EQ(model.x[16] + model.y[16] + model.z[16], 15.0);
  EXPECT_EQ(model.nodeCode[1], -2);
  EXPECT_EQ(std::vector<int>(model.connectivity.begin() + 16, model.connectivity.end()),
            (std::vector<int>{5, 6, 8, 13, 14, 15, 0, 0}));
  EXPECT_EQ(model.materialNo, (std::vector<int>{0, 1, 3, 2}));
  ASSERT_EQ(model.steps.size(), 4u);
  std::vector<double> times;
  for (const auto& step : model.steps) times.push_back(step.stepNo * 100 + step.time);
  EXPECT_EQ(times, (std::vector<double>{0.0, 110.0, 220.0, 330.0}));
  EXPECT_EQ(model.steps[0].vz[3], -1.5e-120);
  EXPECT_EQ(model.steps[1].pressureHead[1], 70.0);
  EXPECT_EQ(model.steps[1].discharge[16], 1.6);
  EXPECT_EQ(model.steps[2].pressureHead[2], 82.0);
  EXPECT_EQ(model.steps[3].vx[3], 0.009000000000000001);
}

// A few records built by hand around the mesh of sampleModel's shape, with N = 2, E = 1, K = 3.
const std::string smallHead = "small\n2 1 3\n0 0 0 1 2 3\n1 1 1 4 5 6\n1 2 0 7\n";

struct EdgeCase {
  std::string_view name;
  std::string text;
  std::vector<int> stepNumbers;  // of the steps read before the end of the data
  std::string stop;              // "" when the file reads to its end
};

const std::vector<EdgeCase> edgeCases = {
    {"no stored steps", smallHead, {}, ""},
    {"blank records after the last step", smallHead + "1 1.0\n1 2 3 4 5 6\n1 2 3\n\n\n", {1}, ""},
    {"header holds further values", smallHead + "12 3.5E+01 0.1\n1 2 3 4 5 6\n1 2 3\n", {12}, ""},
    {"cut after a step header", smallHead + "1 1.0\n", {}, stopLine(24, 5, "RES.DAT")},
    {"cut inside a step's node block",
     smallHead + "1 1.0\n1 2 3 4 5\n",
     {},
     stopLine(24, 5, "RES.DAT")},
    {"cut inside a step's element block",
     smallHead + "1 1.0\n1 2 3 4 5 6\n1 2\n",
     {},
     stopLine(24, 5, "RES.DAT")},
    {"cut inside the element block",
     "t\n2 1 3\n0 0 0 1 2 3\n1 1 1 4 5 6\n1 2",
     {},
     stopLine(24, 5, "RES.DAT")},
    {"cut inside the counts", "t\n2 1\n", {}, stopLine(24, 5, "RES.DAT")},
    {"empty file", "", {}, stopLine(24, 5, "RES.DAT")},
    {"second step cut",
     smallHead + "1 1.0\n1 2 3 4 5 6\n1 2 3\n2 2.0\n1 2 3\n",
     {1},
     stopLine(24, 5, "RES.DAT")},
    {"letters in a node block",
     "t\n2 1 3\n0 0 0 1 2 3\n1 1 1 4 x 6\n1 2 0 7\n",
     {},
     stopLine(59, 5, "RES.DAT")},
    {"real value for a node code", "t\n2 1 3\n0 0 0 1 2 3.0\n", {}, stopLine(59, 5, "RES.DAT")},
    {"node number beyond the nodes",
     "t\n2 2 3\n0 0 0 1 2 3\n1 1 1 4 5 6\n1 2 0 7\n1 3 2 7\n",
     {},
     "RES.DAT: element 2 names node 3, outside 0 to 2"},
    {"negative node number",
     "t\n2 1 3\n0 0 0 1 2 3\n1 1 1 4 5 6\n-1 2 0 7\n",
     {},
     "RES.DAT: element 1 names node -1, outside 0 to 2"},
    {"negative counts",
     "t\n-2 1 3\n",
     {},
     "RES.DAT: negative count (nodes -2, elements 1, nodes per element 3)"},
    // With E = 0 the element blocks still take one record each, whatever it holds.
    {"no elements",
     "t\n1 0 8\n0 0 0 1 2 3\nnot read\n4 4.0\n1 2 3\nnot read either\n5 5.0\n1 2 3\n\n",
     {4, 5},
     ""},
    {"no nodes and no elements", "t\n0 0 8\n\n\n4 4.0\n\n\n", {4}, ""},
};

TEST(ResultFile, EndsAndStops) {
  for (const EdgeCase& c : edgeCases) {
    SCOPED_TRACE(std::string(c.name));
    std::vector<int> steps;
    std::string stop = stopOf([&] {
      for (const auto& step : readText(c.text).steps) steps.push_back(step.stepNo);
    });
    EXPECT_EQ(stop, c.stop.empty() ? "no stop" : c.stop);
    if (c.stop.empty()) {
      EXPECT_EQ(steps, c.stepNumbers);
    }
  }
}

TEST(ResultFile, HeaderTimeAndExtraValues) {
  InputUnit unit(5);
  unit.openMemory(smallHead + "12 3.5E+01 0.1\n1 2 3 4 5 6\n1 2 3\n", "RES.DAT");
  readResultTitle(unit);
  ResultCounts counts = readResultCounts(unit);
  readResultMesh(unit, counts, {});
  int stepNo = 0;
  double time = 0.0;
  ASSERT_TRUE(readResultStep(unit, counts, stepNo, time, {}));
  EXPECT_EQ(stepNo, 12);
  EXPECT_EQ(time, 35.0);
  EXPECT_FALSE(readResultStep(unit, counts, stepNo, time, {}));
}

TEST(ResultFile, TitleIsPaddedOrCutTo80) {
  const std::string hundred = std::string(79, 'a') + "bcdefghijklmnopqrstuv";
  const std::pair<std::string, std::string> cases[] = {
      {"0123456789\n", "0123456789" + std::string(70, ' ')},
      {hundred + "\n", std::string(79, 'a') + "b"},
      {"\n", std::string(80, ' ')},
      {"title\r\n", "title" + std::string(75, ' ')},
  };
  for (const auto& [text, title] : cases) {
    InputUnit unit(5);
    unit.openMemory(text);
    EXPECT_EQ(readResultTitle(unit), title);
  }
}

// Dropped arrays (empty spans) consume their values just the same.
TEST(ResultFile, DroppedArraysStillConsumeTheirValues) {
  const ResultModel expected = sampleModel();
  InputUnit unit(5);
  unit.openMemory(resultText(expected, layouts[3]), "RES.DAT");
  readResultTitle(unit);
  ResultCounts counts = readResultCounts(unit);
  std::vector<double> z(6);
  std::vector<int> materialNo(3);
  MeshArrays mesh;
  mesh.z = z;
  mesh.materialNo = materialNo;
  readResultMesh(unit, counts, mesh);
  EXPECT_EQ(z, expected.z);
  EXPECT_EQ(materialNo, expected.materialNo);
  std::vector<double> vy(3);
  StepArrays step;
  step.vy = vy;
  int stepNo = 0;
  double time = 0.0;
  ASSERT_TRUE(readResultStep(unit, counts, stepNo, time, step));
  ASSERT_TRUE(readResultStep(unit, counts, stepNo, time, step));
  EXPECT_EQ(vy, expected.steps[1].vy);
  EXPECT_FALSE(readResultStep(unit, counts, stepNo, time, step));
}

// A mesh of a few hundred nodes and elements with three steps of values drawn at random,
// runs of equal values and null-free.
ResultModel largerModel() {
  std::mt19937 random(5);
  const auto draw = [&](int range) {
    return static_cast<int>(random() % static_cast<unsigned>(range));
  };
  ResultModel m;
  m.title = "larger" + std::string(74, ' ');
  m.counts = {400, 300, 8};
  const auto nodes = static_cast<std::size_t>(m.counts.nodeCount) + 1;
  const auto elements = static_cast<std::size_t>(m.counts.elementCount) + 1;
  const auto value = [&] { return draw(4) == 0 ? 0.0 : (draw(2000001) - 1e6) / 64.0; };
  for (auto* array : {&m.x, &m.y, &m.z, &m.pressureHead, &m.discharge}) {
    array->assign(nodes, 0.0);
    for (std::size_t i = 1; i < nodes; ++i) (*array)[i] = value();
  }
  m.nodeCode.assign(nodes, 0);
  for (std::size_t i = 1; i < nodes; ++i) m.nodeCode[i] = draw(3) - 1;
  for (int i = 0; i < m.counts.elementCount * m.counts.nodesPerElement; ++i) {
    m.connectivity.push_back(draw(m.counts.nodeCount + 1));
  }
  m.materialNo.assign(elements, 0);
  for (std::size_t i = 1; i < elements; ++i) m.materialNo[i] = draw(5) - 1;
  for (int stepNo = 1; stepNo <= 3; ++stepNo) {
    ResultModel::Step step;
    step.stepNo = stepNo;
    step.time = 10.0 * stepNo;
    for (auto* array : {&step.pressureHead, &step.discharge}) {
      array->assign(nodes, 0.0);
      for (std::size_t i = 1; i < nodes; ++i) (*array)[i] = value();
    }
    step.nodeCode.assign(nodes, 0);
    for (std::size_t i = 1; i < nodes; ++i) step.nodeCode[i] = draw(3) - 1;
    for (auto* array : {&step.vx, &step.vy, &step.vz}) {
      array->assign(elements, 0.0);
      for (std::size_t i = 1; i < elements; ++i) (*array)[i] = value();
    }
    m.steps.push_back(std::move(step));
  }
  return m;
}

// A file read to its end, or the stop it meets: its line, its place and its status.
std::string readOrStop(const std::string& text, ResultModel& model) {
  try {
    model = readText(text);
  } catch (const RunStopped& stop) {
    return stop.line() + " | " + stop.location() + " | " + std::to_string(stop.exitStatus());
  }
  return "no stop";
}

// Every block split into parts at four threads, with limits that split even these small files,
// reads as at one thread: the layouts, and the ends and stops of the edge cases.
TEST(ResultFile, SplitBlocksReadAsAtOneThread) {
  const SplitLimits saved = splitLimits();
  const int threads = runThreads();
  std::vector<std::pair<std::string, std::string>> files;
  for (const ResultModel& model : {sampleModel(), largerModel()}) {
    for (const Layout& layout : layouts) files.emplace_back(layout.name, resultText(model, layout));
  }
  for (const EdgeCase& c : edgeCases) files.emplace_back(c.name, c.text);
  // A bad value in the last step of the larger file, in the second half of its node block.
  {
    std::string text = resultText(largerModel(), layouts[0]);
    const std::size_t at = text.find('\n', text.size() - text.size() / 10);
    files.emplace_back("a bad value late in a block", text.insert(at, " 1.0.0"));
  }
  // Node numbers outside the mesh in the element block: the first one stops the read.
  for (const Layout& layout : {layouts[0], layouts[3]}) {
    ResultModel model = largerModel();
    model.connectivity[2000] = 401;
    files.emplace_back("a node number beyond the nodes", resultText(model, layout));
    model.connectivity[900] = -1;
    files.emplace_back("two node numbers outside the nodes", resultText(model, layout));
  }
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    setRunThreads(1);
    ResultModel expected;
    const std::string expectedStop = readOrStop(text, expected);
    for (std::size_t windowBytes : {std::size_t{1} << 20, std::size_t{600}}) {
      setRunThreads(4);
      setSplitLimits({1, 16, windowBytes});
      ResultModel model;
      EXPECT_EQ(readOrStop(text, model), expectedStop);
      EXPECT_EQ(model, expected);
    }
  }
  setSplitLimits(saved);
  setRunThreads(threads);
}

// A null node number leaves the number as it was: 0 in a kept array, and 0 too when the caller
// drops the numbers, not the node code or material number dropped before it.
TEST(ResultFile, NullNodeNumberIsZeroKeptOrDropped) {
  const SplitLimits saved = splitLimits();
  const int threads = runThreads();
  const std::string texts[] = {
      "t\n2 1 3\n0 0 0 1 2 -2\n1 1 1 4 5 -2\n, 2 1 7\n",
      "t\n2 2 3\n0 0 0 1 2 3\n1 1 1 4 5 6\n1 2 0 -3\n,, 1 2 5\n",
  };
  for (const std::string& text : texts) {
    for (int threadCount : {1, 4}) {
      SCOPED_TRACE(text + " at " + std::to_string(threadCount) + " threads");
      setRunThreads(threadCount);
      setSplitLimits({1, 4, 1 << 20});
      for (bool keep : {true, false}) {
        InputUnit unit(5);
        unit.openMemory(text, "RES.DAT");
        readResultTitle(unit);
        const ResultCounts counts = readResultCounts(unit);
        std::vector<int> connectivity(static_cast<std::size_t>(counts.elementCount * 3), 0);
        std::vector<double> z(3);
        MeshArrays mesh;
        mesh.z = z;
        if (keep) mesh.connectivity = connectivity;
        EXPECT_EQ(stopOf([&] { readResultMesh(unit, counts, mesh); }), "no stop");
        if (keep) {
          EXPECT_EQ(connectivity[connectivity.size() - 3], 0);
        }
      }
    }
  }
  setSplitLimits(saved);
  setRunThreads(threads);
}

TEST(ResultFile, MissingFileStopsWith29) {
  TemporaryFile file{""};
  InputUnit unit(5);
  const std::string missing = file.missingPath();
  EXPECT_EQ(stopOf([&] { openResultFile(unit, missing); }), stopLine(29, 5, missing));
}

}  // namespace
