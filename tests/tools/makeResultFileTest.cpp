// Runs the result-file generator and reads back what it wrote with a small free-form reader of
// its own, so that a generated file is checked against the layout and not against our readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "common/slots.h"
#include "support/programRun.h"

namespace {

const std::string generator = MAKE_RESULT_FILE_PATH;

// Runs the generator with `arguments` (shell words) in the directory.
ProgramResult runGenerator(const WorkDirectory& directory, const std::string& arguments) {
  std::string command = "cd '" + directory.path().string() + "' && '" + generator + "' " +
                        arguments + " > .stdout 2> .stderr";
  int status = std::system(command.c_str());
  ProgramResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.standardOutput = directory.read(".stdout");
  result.standardError = directory.read(".stderr");
  return result;
}

// Free-form statements over the lines of a file: each starts on a new line, takes values
// separated by blanks, commas or line ends, expands "r*value", and skips the rest of its last line.
class StatementReader {
 public:
  explicit StatementReader(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }
  std::string line() { return next_ < lines_.size() ? lines_[next_++] : std::string(); }
  bool atEnd() const { return next_ >= lines_.size(); }

  std::vector<double> values(std::size_t count) {
    std::vector<double> result;
    while (result.size() < count) {
      if (atEnd()) {
        ADD_FAILURE() << "file ends inside a block";
        result.resize(count);
        break;
      }
      std::string record = lines_[next_++];
      std::replace(record.begin(), record.end(), ',', ' ');
      std::istringstream fields(record);
      for (std::string token; result.size() < count && fields >> token;) {
        std::size_t copies = 1;
        if (std::size_t star = token.find('*'); star != std::string::npos) {
          copies = std::stoul(token.substr(0, star));
          token.erase(0, star + 1);
        }
        std::replace(token.begin(), token.end(), 'D', 'E');
        double value = 0.0;
        auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        EXPECT_TRUE(error == std::errc() && end == token.data() + token.size()) << token;
        result.insert(result.end(), copies, value);
      }
    }
    return result;
  }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

struct StoredStep {
  int stepNo = 0;
  double time = 0.0;
  std::vector<double> nodeValues;     // pressure head, discharge, code per node
  std::vector<double> elementValues;  // vx, vy, vz per element
};

struct ReadBack {
  std::string title;
  int nodeCount = 0, elementCount = 0, nodesPerElement = 0;
  std::vector<double> nodes;     // x, y, z, pressure head, discharge, code per node
  std::vector<double> elements;  // K node numbers and the material per element
  std::vector<StoredStep> steps;

  double coordinate(int node, int axis) const {
    return nodes[static_cast<std::size_t>((node - 1) * 6 + axis)];
  }
  int elementNode(int element, int slot) const {
    return static_cast<int>(
        elements[static_cast<std::size_t>((element - 1) * (nodesPerElement + 1) + slot - 1)]);
  }
  int materialNo(int element) const { return elementNode(element, nodesPerElement + 1); }
};

ReadBack readBack(const std::string& text) {
  StatementReader in(text);
  ReadBack file;
  file.title = in.line();
  std::vector<double> counts = in.values(3);
  file.nodeCount = static_cast<int>(counts[0]);
  file.elementCount = static_cast<int>(counts[1]);
  file.nodesPerElement = static_cast<int>(counts[2]);
  auto nodeCount = static_cast<std::size_t>(file.nodeCount);
  auto elementCount = static_cast<std::size_t>(file.elementCount);
  file.nodes = in.values(6 * nodeCount);
  file.elements = in.values(static_cast<std::size_t>(file.nodesPerElement + 1) * elementCount);
  while (!in.atEnd()) {
    StoredStep step;
    std::vector<double> header = in.values(2);
    step.stepNo = static_cast<int>(header[0]);
    step.time = header[1];
    step.nodeValues = in.values(3 * nodeCount);
    step.elementValues = in.values(3 * elementCount);
    file.steps.push_back(step);
  }
  return file;
}

// Volume of the tetrahedron (q1, q2, q3, q4) as the converter computes it, which is positive
// for the corner orders of the split tables below when the element is numbered correctly.
double signedVolume(const ReadBack& file, int q1, int q2, int q3, int q4) {
  double a[3], b[3], c[3];
  for (int axis = 0; axis < 3; ++axis) {
    a[axis] = file.coordinate(q2, axis) - file.coordinate(q1, axis);
    b[axis] = file.coordinate(q4, axis) - file.coordinate(q1, axis);
    c[axis] = file.coordinate(q3, axis) - file.coordinate(q1, axis);
  }
  double cross[3] = {b[1] * c[2] - b[2] * c[1], b[2] * c[0] - b[0] * c[2],
                     b[0] * c[1] - b[1] * c[0]};
  return (a[0] * cross[0] + a[1] * cross[1] + a[2] * cross[2]) / 6.0;
}

constexpr std::array<std::array<int, 4>, 3> prismTetrahedra{
    {{1, 2, 3, 4}, {3, 5, 6, 4}, {2, 5, 3, 4}}};
constexpr std::array<std::array<int, 4>, 6> hexahedronTetrahedra{
    {{1, 2, 4, 5}, {4, 6, 8, 5}, {2, 6, 4, 5}, {2, 3, 4, 6}, {4, 7, 8, 6}, {3, 7, 4, 6}}};

const std::string smallGrid = "--nx 3 --ny 2 --nz 2 --unused 2 --materials 2 --steps 3 --step-zero";

TEST(MakeResultFile, PlainFileHoldsTheDescribedMeshAndSteps) {
  WorkDirectory directory;
  ProgramResult run = runGenerator(directory, smallGrid + " --title 'test grid' --out RES.DAT");
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  std::string text = directory.read("RES.DAT");
  ReadBack file = readBack(text);

  // 4 x 3 x 3 grid nodes and 2 unused; 12 cells, of which cells 2 and 7 (from 0) are split.
  std::istringstream lines(text);
  std::string title, counts;
  std::getline(lines, title);
  std::getline(lines, counts);
  EXPECT_EQ(title, "test grid");
  EXPECT_EQ(counts, "       38       14   8");
  ASSERT_EQ(file.nodeCount, 38);
  ASSERT_EQ(file.elementCount, 14);
  ASSERT_EQ(file.nodesPerElement, 8);
  // One node per line in the plain layout: title, counts, then the initial node lines.
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  EXPECT_EQ(all.size(), 38u + 14u + 4u * (1u + 38u + 14u));

  int prisms = 0, flagged = 0;
  std::vector<int> named(39, 0);
  for (int element = 1; element <= file.elementCount; ++element) {
    SCOPED_TRACE("element " + std::to_string(element));
    bool prism = file.elementNode(element, 7) == 0 && file.elementNode(element, 8) == 0;
    prisms += prism ? 1 : 0;
    int material = file.materialNo(element);
    flagged += material < 0 ? 1 : 0;
    EXPECT_TRUE(std::abs(material) >= 1 && std::abs(material) <= 2);
    for (int slot = 1; slot <= (prism ? 6 : 8); ++slot)
      ++named[at(file.elementNode(element, slot))];
    auto check = [&](const auto& table) {
      for (const auto& tetrahedron : table) {
        EXPECT_GT(signedVolume(file, file.elementNode(element, tetrahedron[0]),
                               file.elementNode(element, tetrahedron[1]),
                               file.elementNode(element, tetrahedron[2]),
                               file.elementNode(element, tetrahedron[3])),
                  1.0e-9);
      }
    };
    if (prism)
      check(prismTetrahedra);
    else
      check(hexahedronTetrahedra);
  }
  EXPECT_EQ(prisms, 4);
  EXPECT_EQ(flagged, 1);
  for (int node = 1; node <= 36; ++node) EXPECT_GT(named[at(node)], 0) << "node " << node;
  EXPECT_EQ(named[37] + named[38], 0);

  ASSERT_EQ(file.steps.size(), 4u);
  double previousTime = -1.0;
  for (std::size_t at = 0; at < file.steps.size(); ++at) {
    const StoredStep& step = file.steps[at];
    EXPECT_EQ(step.stepNo, static_cast<int>(at));
    EXPECT_GT(step.time, previousTime);
    previousTime = step.time;
    for (int node = 0; node < file.nodeCount; ++node) {
      double code = step.nodeValues[static_cast<std::size_t>(node * 3 + 2)];
      EXPECT_TRUE(code >= -3 && code <= 3 && code == static_cast<int>(code));
    }
  }
  EXPECT_EQ(file.steps[0].time, 0.0);
}

TEST(MakeResultFile, MixedLayoutCarriesTheSameValues) {
  WorkDirectory directory;
  ASSERT_EQ(runGenerator(directory, smallGrid + " --seed 7 --out PLAIN.DAT").exitStatus, 0);
  ASSERT_EQ(
      runGenerator(directory, smallGrid + " --seed 7 --layout mixed --out MIXED.DAT").exitStatus,
      0);
  std::string mixedText = directory.read("MIXED.DAT");
  EXPECT_NE(mixedText.find("*0.0"), std::string::npos);
  EXPECT_NE(mixedText.find("D-0"), std::string::npos);
  EXPECT_NE(mixedText.find(", "), std::string::npos);
  ReadBack plain = readBack(directory.read("PLAIN.DAT"));
  ReadBack mixed = readBack(mixedText);
  EXPECT_EQ(mixed.title, plain.title);
  EXPECT_EQ(mixed.nodeCount, plain.nodeCount);
  EXPECT_EQ(mixed.elementCount, plain.elementCount);
  EXPECT_EQ(mixed.nodes, plain.nodes);
  EXPECT_EQ(mixed.elements, plain.elements);
  ASSERT_EQ(mixed.steps.size(), plain.steps.size());
  for (std::size_t at = 0; at < plain.steps.size(); ++at) {
    EXPECT_EQ(mixed.steps[at].stepNo, plain.steps[at].stepNo);
    EXPECT_EQ(mixed.steps[at].time, plain.steps[at].time);
    EXPECT_EQ(mixed.steps[at].nodeValues, plain.steps[at].nodeValues);
    EXPECT_EQ(mixed.steps[at].elementValues, plain.steps[at].elementValues);
  }
}

TEST(MakeResultFile, SameSeedSameBytesOtherSeedOtherValues) {
  WorkDirectory directory;
  ASSERT_EQ(runGenerator(directory, smallGrid + " --seed 3 --out A.DAT").exitStatus, 0);
  ASSERT_EQ(runGenerator(directory, smallGrid + " --seed 3 --out B.DAT").exitStatus, 0);
  ASSERT_EQ(runGenerator(directory, smallGrid + " --seed 4 --out C.DAT").exitStatus, 0);
  EXPECT_EQ(directory.read("A.DAT"), directory.read("B.DAT"));
  EXPECT_NE(readBack(directory.read("A.DAT")).steps[1].nodeValues,
            readBack(directory.read("C.DAT")).steps[1].nodeValues);
}

TEST(MakeResultFile, TargetSizeAddsWholeStepsUntilReached) {
  WorkDirectory directory;
  ASSERT_EQ(
      runGenerator(directory, "--nx 4 --ny 4 --nz 3 --target-mb 0.05 --out RES.DAT").exitStatus, 0);
  std::string text = directory.read("RES.DAT");
  ReadBack file = readBack(text);
  ASSERT_GE(file.steps.size(), 2u);
  EXPECT_GE(text.size(), 50000u);
  // One step of 4 x 4 x 3 cells: a header line of 27 bytes, 102 node lines of 33 and 58 element
  // lines of 43, so the file stops within one step of the target.
  std::size_t stepBytes = 27 + 102 * 33 + 58 * 43;
  EXPECT_LT(text.size() - stepBytes, 50000u);
}

TEST(MakeResultFile, OutputTimeFileAndGraphFileFollowTheirRecordLayouts) {
  WorkDirectory directory;
  ProgramResult run = runGenerator(
      directory,
      "--nx 3 --ny 2 --nz 2 --steps 2 --out RES.DAT --otf OTF.DAT --times 5,12.5,100000.25 "
      "--points 9 --mesh-elements --graph GRAPH.DAT --heads 1,2,3,4,5,6,7,8,9,10,11,12 "
      "--velocities 14");
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_TRUE(sameText(directory.read("OTF.DAT"),
                       "    3\n"
                       "       5.0      12.5 100000.25\n"
                       "    9    6\n"
                       "1 1.5 1.0 2.0\n2 15.0 1.0 2.0\n3 28.5 1.0 2.0\n"
                       "4 1.5 10.0 2.0\n5 15.0 10.0 2.0\n6 28.5 10.0 2.0\n"
                       "7 1.5 19.0 2.0\n8 15.0 19.0 2.0\n9 28.5 19.0 2.0\n"
                       "1 1 2 5 4\n2 2 3 6 6\n3 2 6 5 5\n"
                       "4 4 5 8 7\n5 5 6 9 9\n6 5 9 8 8\n"));
  EXPECT_TRUE(sameText(directory.read("GRAPH.DAT"),
                       "    2   50   50  100   50\n"
                       "   12\n"
                       "      1      2      3      4      5      6      7      8      9     10\n"
                       "     11     12\n"
                       "    0\n"
                       "    0\n"
                       "    1\n"
                       "     14\n"));

  // Every stored step's time after 0.0, eight to a record; scattered points inside the grid.
  ASSERT_EQ(runGenerator(directory,
                         "--nx 3 --ny 2 --nz 2 --steps 9 --step-zero --out RES.DAT --otf T.DAT "
                         "--times steps --points 2")
                .exitStatus,
            0);
  StatementReader times(directory.read("T.DAT"));
  EXPECT_EQ(times.line(), "    9");
  EXPECT_EQ(times.line(),
            "      10.0      25.0      45.0      55.0      70.0      90.0     100.0     115.0");
  EXPECT_EQ(times.line(), "     135.0");
  EXPECT_EQ(times.line(), "    2    0");
  for (int point = 1; point <= 2; ++point) {
    std::vector<double> record = times.values(4);
    EXPECT_EQ(record[0], point);
    EXPECT_TRUE(record[1] > 0.0 && record[1] < 30.0 && record[2] > 0.0 && record[2] < 20.0 &&
                record[3] > 0.0 && record[3] < 4.0);
  }
  EXPECT_TRUE(times.atEnd());
}

TEST(MakeResultFile, RefusesBadOptionsWithAMessage) {
  const std::string cases[] = {"--nx 0 --out R.DAT",
                               "--bogus 1 --out R.DAT",
                               "--layout fancy --out R.DAT",
                               "--steps three --out R.DAT",
                               "--graph G.DAT --heads 1,999",
                               "--otf T.DAT --times steps",
                               "--nx 2",
                               "--points 5000 --otf T.DAT",
                               "--out"};
  for (const std::string& arguments : cases) {
    SCOPED_TRACE(arguments);
    WorkDirectory directory;
    ProgramResult run = runGenerator(directory, arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.standardError.find("makeResultFile: "), std::string::npos);
  }
}

}  // namespace
