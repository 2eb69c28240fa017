#include "resconv/writers/avs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/fieldEdit.h"
#include "common/freeForm.h"
#include "common/lineEnds.h"
#include "common/platform.h"
#include "common/resultFile.h"
#include "common/rowParts.h"
#include "common/slots.h"
#include "common/stop.h"
#include "common/textFormat.h"

namespace {

// Step line: the section number follows "step" without blanks, so the width of its field
// grows with its digits.
const RecordLayout stepLineTexts[5] = {"('step',I1,E15.7)", "('step',I2,E15.7)",
                                       "('step',I3,E15.7)", "('step',I4,E15.7)",
                                       "('step',I5,E15.7)"};

// Solid-mesh section.
const RecordLayout solidComponentsText{"('5   3',/,'5   1   1   1   1   1')"};
const RecordLayout solidNodeLabelsText{
    "('Pressure,',/,'Total Head,',/,'Velocity X,',/,'Velocity Y,',/,'Velocity Z,')"};
// Data lines: "(I8,1X,5(1P,E12.5,' '))" for the nodes and the points (of which the sub-mesh
// gives two values), "(I8,1X,3(1P,E12.5,' '))" for the elements; DataLines lays them out.
const RecordLayout cellComponentsText{"('3   1   1   1')"};
const RecordLayout cellLabelsText{"('Velocity X,',/,'Velocity Y,',/,'Velocity Z,')"};

// Sub-mesh section.
const RecordLayout subMeshComponentsText{"('2   0',/,'2   1   1')"};
const RecordLayout subMeshLabelsText{"('Pressure,',/,'Total Head,')"};

// Final file.
const RecordLayout bannerText{"('# MORAVELIN AVS FILE ')"};
const RecordLayout stepCountText{"(I5)"};
const RecordLayout dataText{"('data')"};
const RecordLayout countsText{"(I10,1X,I10)"};
const RecordLayout coordinateLineText{"(I8,3(' ',1P,E12.5))"};
const RecordLayout hexLineText{"(I7,' ',I3,' hex ',8(' ',I7))"};
const RecordLayout prismLineText{"(I7,' ',I3,' prism ',6(' ',I7))"};
const RecordLayout triangleLineText{"(I7,' ',I3,' tri ',3(' ',I7))"};
const RecordLayout quadLineText{"(I7,' ',I3,' quad ',4(' ',I7))"};

// The component line that opens the data of a section names its kind.
constexpr std::string_view solidComponentLine = "5   3";
constexpr std::string_view subMeshComponentLine = "2   0";

// Sections are copied into the final file line by line, each line cut or padded with blanks
// to the fixed width of its kind (a (100A1) read and write of the first w characters).
constexpr std::size_t stepLineWidth = 26;
constexpr std::size_t componentLineWidth = 5;

struct LineRun {
  int count;
  std::size_t width;
};

// The lines of a section after its component line.
std::vector<LineRun> solidSectionBody(int shownNodes, int shownElements) {
  return {{1, 21},          {1, 9},  {1, 11}, {3, 13},
          {shownNodes, 74}, {1, 13}, {3, 13}, {shownElements, 48}};
}

std::vector<LineRun> subMeshSectionBody(int pointCount) {
  return {{1, 9}, {1, 9}, {1, 11}, {pointCount, 35}};
}

void writeStepLine(OutputUnit& scratch, WriterCounters& counters, double time) {
  static const std::array<CompiledFormat, 5> formats = {
      compileFormat(stepLineTexts[0]), compileFormat(stepLineTexts[1]),
      compileFormat(stepLineTexts[2]), compileFormat(stepLineTexts[3]),
      compileFormat(stepLineTexts[4])};
  const int number = ++counters.avsStepCount;
  const int digits = number < 10      ? 1
                     : number < 100   ? 2
                     : number < 1000  ? 3
                     : number < 10000 ? 4
                                      : 5;
  writeFormatted(scratch, formats[static_cast<std::size_t>(digits - 1)], number, time);
}

// Data lines of `count` values, each line the number in I8, a blank, then each value rounded to
// single precision in 1PE12.5 and a blank: the characters of the formats above, edited straight
// into the unit's buffer, one record each.
template <std::size_t count>
class DataLines {
 public:
  explicit DataLines(OutputUnit& unit) : unit_(unit) {}

  void add(int number, const std::array<double, count>& values) {
    char* const line = unit_.extend(lineLength);
    editRowNumber(line, numberWidth, number);
    line[numberWidth] = ' ';
    char* field = line + numberWidth + 1;
    for (double value : values) {
      edit_(field, valueWidth, static_cast<double>(static_cast<float>(value)));
      field[valueWidth] = ' ';
      field += valueWidth + 1;
    }
    unit_.endRecord();
  }

 private:
  static constexpr int numberWidth = 8;
  static constexpr int valueWidth = 12;
  static constexpr std::size_t lineLength = numberWidth + 1 + count * (valueWidth + 1);

  OutputUnit& unit_;
  const ExponentEditor edit_ = exponentEditor(5, 1);  // 1PE12.5: six digits, always one
};

// ---- reading the scratch file back ----

// The scratch file from its start, one record at a time, with one record of look-ahead so that
// the sections of the other kind can be passed over.
struct ScratchReader {
  InputUnit& unit;
  std::string held;
  bool holding = false;
};

bool nextLine(ScratchReader& reader, std::string_view& line) {
  if (reader.holding) {
    reader.holding = false;
    line = reader.held;
    return true;
  }
  return reader.unit.nextRecord(line);
}

std::string_view requireLine(ScratchReader& reader) {
  std::string_view line;
  if (!nextLine(reader, line)) {
    stopRun(errorNumber::endOfFile, reader.unit.number(), reader.unit.name());
  }
  return line;
}

void writeAtWidth(OutputUnit& unit, std::string_view line, std::size_t width) {
  static constexpr std::string_view blanks =
      "                                                                                "
      "                    ";
  line = line.substr(0, std::min(line.size(), width));
  unit.append(line);
  unit.append(blanks.substr(0, width - line.size()));
  unit.endRecord();
}

bool isStepLine(std::string_view line) {
  return line.starts_with("step");
}

bool isComponentLine(std::string_view line, std::string_view componentLine) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line == componentLine;
}

// Moves to the next section whose component line is `componentLine`, passing over sections of
// the other kind; returns its step line and leaves the reader after the component line. The
// end of the scratch file before such a section stops the run.
std::string findSection(ScratchReader& reader, std::string_view componentLine) {
  while (true) {
    std::string stepLine(requireLine(reader));
    if (isComponentLine(requireLine(reader), componentLine)) return stepLine;
    std::string_view line;
    while (nextLine(reader, line)) {
      if (isStepLine(line)) {
        reader.held = line;
        reader.holding = true;
        break;
      }
    }
  }
}

// Up to `count` lines of exactly `width` characters each, from those the scratch file has
// loaded, copied as they stand: each already is its line at the width, its line end the
// platform's. Returns how many; none where a line is of another shape (written one by one).
int copyWholeLines(OutputUnit& unit, InputUnit& scratch, int count, std::size_t width) {
  const std::size_t stride = width + platform::lineEnd.size();
  const char* const first = scratch.position();
  const auto loaded = static_cast<std::size_t>(scratch.limit() - first);
  const auto lines =
      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(count), loaded / stride));
  // Each line's end where its width puts it and no other line end in between; a CR before the
  // line end of a line that has none of its own would be taken off by the record read.
  int whole = 0;
  for (const char* line = first; whole < lines; ++whole, line += stride) {
    if (std::memcmp(line + width, platform::lineEnd.data(), platform::lineEnd.size()) != 0 ||
        (platform::lineEnd.size() == 1 && width > 0 && line[width - 1] == '\r')) {
      break;
    }
  }
  const std::size_t bytes = static_cast<std::size_t>(whole) * stride;
  if (countLineEnds(first, first + bytes) != whole) return 0;
  unit.appendRecords({first, bytes});
  scratch.advanceTo(first + bytes);
  return whole;
}

void copyLines(OutputUnit& unit, ScratchReader& reader, const std::vector<LineRun>& body) {
  for (const LineRun& run : body) {
    int left = run.count;
    while (left > 0) {
      if (!reader.holding) {
        left -= copyWholeLines(unit, reader.unit, left, run.width);
        if (left == 0) break;
      }
      writeAtWidth(unit, requireLine(reader), run.width);
      --left;
    }
  }
}

// The rest of the first section and every later section of one kind.
void copySections(OutputUnit& unit, ScratchReader& reader, std::string_view componentLine,
                  const std::vector<LineRun>& body, int sectionCount) {
  writeAtWidth(unit, componentLine, componentLineWidth);
  copyLines(unit, reader, body);
  for (int section = 2; section <= sectionCount; ++section) {
    writeAtWidth(unit, findSection(reader, componentLine), stepLineWidth);
    writeAtWidth(unit, componentLine, componentLineWidth);
    copyLines(unit, reader, body);
  }
}

// The three header lines of the final file.
void writeHeader(OutputUnit& unit, int sectionCount) {
  static const CompiledFormat banner = compileFormat(bannerText);
  static const CompiledFormat stepCount = compileFormat(stepCountText);
  static const CompiledFormat data = compileFormat(dataText);
  writeFormatted(unit, banner);
  writeFormatted(unit, stepCount, sectionCount);
  writeFormatted(unit, data);
}

// Begins a final file of one kind: the header, then the step line of its first section read
// back from the scratch file. A kind with no section of its own while the other kind has some
// gets no file at all (null); otherwise the reader of the scratch file, after that step line.
std::optional<ScratchReader> beginAssembly(OutputUnit& unit, const ScratchReopener& scratch,
                                           const WriterCounters& counters, int sectionCount,
                                           std::string_view componentLine) {
  if (sectionCount == 0 && counters.avsStepCount > 0) return std::nullopt;
  noteWork("assembling", unit.name());
  writeHeader(unit, sectionCount);
  std::optional<ScratchReader> reader(ScratchReader{scratch(), {}, false});
  writeAtWidth(unit, findSection(*reader, componentLine), stepLineWidth);
  return reader;
}

}  // namespace

void writeAvsStep(OutputUnit& out, WriterCounters& counters, const SolidMesh& mesh,
                  const ShownState& state, const NodalVelocities& nodal) {
  const std::span<const double> z = mesh.z, pressureHead = state.pressureHead;
  const std::span<const double> vx = state.vx, vy = state.vy, vz = state.vz;
  const std::span<const double> nodeVx = nodal.vx, nodeVy = nodal.vy, nodeVz = nodal.vz;
  const std::span<const int> elementFlag = mesh.elementFlag, nodeUnused = mesh.nodeUnused;
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  static const CompiledFormat components = compileFormat(solidComponentsText);
  static const CompiledFormat nodeLabels = compileFormat(solidNodeLabelsText);
  static const CompiledFormat cellComponents = compileFormat(cellComponentsText);
  static const CompiledFormat cellLabels = compileFormat(cellLabelsText);

  writeStepLine(out, counters, state.time);
  ++counters.avsSolidSections;
  writeFormatted(out, components);
  writeFormatted(out, nodeLabels);

  writeRowsInParts(
      out, 1, nodeCount + 1, 75, [&](OutputUnit& part, long long first, long long last) {
        DataLines<5> lines(part);
        for (int node = static_cast<int>(first); node < last; ++node) {
          if (nodeUnused[at(node)] == 1) continue;
          lines.add(node, {pressureHead[at(node)], totalHead(pressureHead[at(node)], z[at(node)]),
                           nodeVx[at(node)], nodeVy[at(node)], nodeVz[at(node)]});
        }
      });

  writeFormatted(out, cellComponents);
  writeFormatted(out, cellLabels);
  writeRowsInParts(out, 1, elementCount + 1, 49,
                   [&](OutputUnit& part, long long first, long long last) {
                     DataLines<3> lines(part);
                     for (int element = static_cast<int>(first); element < last; ++element) {
                       if (!isShownElement(elementFlag, element)) continue;
                       lines.add(element, {vx[at(element)], vy[at(element)], vz[at(element)]});
                     }
                   });
}

void writeAvsSubMeshStep(OutputUnit& out, WriterCounters& counters, const SubMesh& subMesh,
                         const ShownState& state) {
  static const CompiledFormat components = compileFormat(subMeshComponentsText);
  static const CompiledFormat labels = compileFormat(subMeshLabelsText);

  writeStepLine(out, counters, state.time);
  ++counters.avsSubMeshSections;
  writeFormatted(out, components);
  writeFormatted(out, labels);
  writeRowsInParts(
      out, 1, subMesh.pointCount + 1, 36, [&](OutputUnit& part, long long first, long long last) {
        DataLines<2> lines(part);
        for (int point = static_cast<int>(first); point < last; ++point) {
          lines.add(point,
                    {subMesh.pointPressureHead[at(point)], subMesh.pointTotalHead[at(point)]});
        }
      });
}

void assembleAvsFile(OutputUnit& unit, const ScratchReopener& scratch,
                     const WriterCounters& counters, const SolidMesh& mesh) {
  static const CompiledFormat counts = compileFormat(countsText);
  static const CompiledFormat coordinateLine = compileFormat(coordinateLineText);
  static const CompiledFormat hexLine = compileFormat(hexLineText);
  static const CompiledFormat prismLine = compileFormat(prismLineText);
  const std::span<const double> x = mesh.x, y = mesh.y, z = mesh.z;
  const std::span<const int> connectivity = mesh.connectivity, materialNo = mesh.materialNo;
  const std::span<const int> elementFlag = mesh.elementFlag, nodeUnused = mesh.nodeUnused;
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  const int nodesPerElement = mesh.nodesPerElement;

  std::optional<ScratchReader> reader =
      beginAssembly(unit, scratch, counters, counters.avsSolidSections, solidComponentLine);
  if (!reader) return;

  int shownNodes = 0;
  for (int node = 1; node <= nodeCount; ++node) shownNodes += nodeUnused[at(node)] != 1 ? 1 : 0;
  int shownElements = 0;
  for (int element = 1; element <= elementCount; ++element) {
    shownElements += isShownElement(elementFlag, element) ? 1 : 0;
  }
  writeFormatted(unit, counts, shownNodes, shownElements);
  for (int node = 1; node <= nodeCount; ++node) {
    if (nodeUnused[at(node)] == 1) continue;
    writeFormatted(unit, coordinateLine, node, x[at(node)], y[at(node)], z[at(node)]);
  }

  std::vector<Item> row;
  for (int element = 1; element <= elementCount; ++element) {
    if (!isShownElement(elementFlag, element)) continue;
    const bool hexahedron = isHexahedron(connectivity, nodesPerElement, element);
    row.assign({Item(element), Item(materialNo[at(element)])});
    for (int slot = 1; slot <= (hexahedron ? 8 : 6); ++slot) {
      row.emplace_back(elementNode(connectivity, nodesPerElement, element, slot));
    }
    writeRecords(unit, hexahedron ? hexLine : prismLine, row);
  }

  copySections(unit, *reader, solidComponentLine, solidSectionBody(shownNodes, shownElements),
               counters.avsSolidSections);
}

void assembleAvsSubMeshFile(OutputUnit& unit, const ScratchReopener& scratch,
                            const WriterCounters& counters, const SubMesh& subMesh) {
  static const CompiledFormat counts = compileFormat(countsText);
  static const CompiledFormat coordinateLine = compileFormat(coordinateLineText);
  static const CompiledFormat triangleLine = compileFormat(triangleLineText);
  static const CompiledFormat quadLine = compileFormat(quadLineText);

  std::optional<ScratchReader> reader =
      beginAssembly(unit, scratch, counters, counters.avsSubMeshSections, subMeshComponentLine);
  if (!reader) return;

  writeFormatted(unit, counts, subMesh.pointCount, subMesh.elementCount);
  for (int point = 1; point <= subMesh.pointCount; ++point) {
    writeFormatted(unit, coordinateLine, point, subMesh.pointX[at(point)],
                   subMesh.pointY[at(point)], subMesh.pointZ[at(point)]);
  }
  constexpr int materialNumber = 1;
  for (int element = 1; element <= subMesh.elementCount; ++element) {
    const std::array<int, 4>& points = subMesh.connectivity[at(element)];
    if (isTriangle(points)) {
      writeFormatted(unit, triangleLine, element, materialNumber, points[0], points[1], points[2]);
    } else {
      writeFormatted(unit, quadLine, element, materialNumber, points[0], points[1], points[2],
                     points[3]);
    }
  }

  copySections(unit, *reader, subMeshComponentLine, subMeshSectionBody(subMesh.pointCount),
               counters.avsSubMeshSections);
}
