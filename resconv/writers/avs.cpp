#include "resconv/writers/avs.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/stop.h"
#include "common/textFormat.h"
#include "resconv/derived.h"

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
const RecordLayout dataLineText{"(I8,1X,5(1P,E12.5,' '))"};
const RecordLayout cellComponentsText{"('3   1   1   1')"};
const RecordLayout cellLabelsText{"('Velocity X,',/,'Velocity Y,',/,'Velocity Z,')"};
const RecordLayout cellLineText{"(I8,1X,3(1P,E12.5,' '))"};

// Sub-mesh section.
const RecordLayout meshComponentsText{"('2   0',/,'2   1   1')"};
const RecordLayout meshLabelsText{"('Pressure,',/,'Total Head,')"};

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
constexpr std::string_view meshComponentLine = "2   0";

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

std::vector<LineRun> meshSectionBody(int pointCount) {
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

// ---- reading the scratch file back ----

// The scratch file from its start, one record at a time, with one record of look-ahead so that
// the sections of the other kind can be passed over.
struct ScratchReader {
  InputUnit unit{unitNumber::avsScratch};
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

void copyLines(OutputUnit& unit, ScratchReader& reader, const std::vector<LineRun>& body) {
  for (const LineRun& run : body) {
    for (int i = 0; i < run.count; ++i) writeAtWidth(unit, requireLine(reader), run.width);
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

// Reopens the scratch file for reading from its start; a file is flushed and closed first.
void openForReading(AvsScratch& scratch, InputUnit& in) {
  if (scratch.inMemory) {
    in.openMemory(scratch.out.memory(), "AVS.tmp");
    return;
  }
  std::string name = scratch.out.name().empty() ? std::string("AVS.tmp") : scratch.out.name();
  scratch.out.close();
  in.openOld(name);
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
// gets no file at all (false).
bool beginAssembly(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                   int sectionCount, std::string_view componentLine, ScratchReader& reader) {
  if (sectionCount == 0 && counters.avsStepCount > 0) return false;
  noteWork("assembling", unit.name());
  writeHeader(unit, sectionCount);
  openForReading(scratch, reader.unit);
  writeAtWidth(unit, findSection(reader, componentLine), stepLineWidth);
  return true;
}

}  // namespace

void writeAvsStep(OutputUnit& out, WriterCounters& counters, const SolidMesh& mesh,
                  const ShownState& state, const NodalVelocities& nodal) {
  const std::span<const double> z = mesh.z, pressureHead = state.pressureHead;
  const std::span<const double> vx = state.vx, vy = state.vy, vz = state.vz;
  const std::span<const double> nodeVx = nodal.vx, nodeVy = nodal.vy, nodeVz = nodal.vz;
  const std::span<const int> elementFlag = mesh.elementFlag, nodeUnused = mesh.nodeUnused;
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  const double time = state.time;
  static const CompiledFormat components = compileFormat(solidComponentsText);
  static const CompiledFormat nodeLabels = compileFormat(solidNodeLabelsText);
  static const CompiledFormat dataLine = compileFormat(dataLineText);
  static const CompiledFormat cellComponents = compileFormat(cellComponentsText);
  static const CompiledFormat cellLabels = compileFormat(cellLabelsText);
  static const CompiledFormat cellLine = compileFormat(cellLineText);

  writeStepLine(out, counters, time);
  writeFormatted(out, components);
  writeFormatted(out, nodeLabels);

  for (int node = 1; node <= nodeCount; ++node) {
    if (nodeUnused[node] == 1) continue;
    writeFormatted(out, dataLine, node, Item::single(pressureHead[node]),
                   Item::single(pressureHead[node] + z[node]), Item::single(nodeVx[node]),
                   Item::single(nodeVy[node]), Item::single(nodeVz[node]));
  }

  writeFormatted(out, cellComponents);
  writeFormatted(out, cellLabels);
  for (int element = 1; element <= elementCount; ++element) {
    if (!isShownElement(elementFlag, element)) continue;
    writeFormatted(out, cellLine, element, Item::single(vx[element]), Item::single(vy[element]),
                   Item::single(vz[element]));
  }
}

void writeAvsStep(OutputUnit& out, WriterCounters& counters, std::span<const double> z,
                  std::span<const double> pressureHead, std::span<double> nodeVx,
                  std::span<double> nodeVy, std::span<double> nodeVz, std::span<const double> vx,
                  std::span<const double> vy, std::span<const double> vz,
                  std::span<int> nodeElementCount, std::span<const int> connectivity, int nodeCount,
                  int elementCount, int nodesPerElement, double time,
                  std::span<const int> elementFlag, std::span<const int> nodeUnused) {
  averageNodalVelocities(vx, vy, vz, connectivity, elementFlag, nodeCount, elementCount,
                         nodesPerElement, nodeVx, nodeVy, nodeVz, nodeElementCount);
  const SolidMesh mesh = solidMeshView(nodeCount, elementCount, nodesPerElement, {}, {}, z,
                                       connectivity, elementFlag, nodeUnused);
  const ShownState state = shownStateView(pressureHead, {}, vx, vy, vz, time, 0);
  writeAvsStep(out, counters, mesh, state,
               NodalVelocities{nodeVx, nodeVy, nodeVz, nodeElementCount});
}

void writeAvsMeshStep(OutputUnit& out, WriterCounters& counters, const SubMesh& subMesh,
                      double time) {
  static const CompiledFormat components = compileFormat(meshComponentsText);
  static const CompiledFormat labels = compileFormat(meshLabelsText);
  static const CompiledFormat dataLine = compileFormat(dataLineText);

  writeStepLine(out, counters, time);
  writeFormatted(out, components);
  writeFormatted(out, labels);
  for (int point = 1; point <= subMesh.pointCount; ++point) {
    writeFormatted(out, dataLine, point, Item::single(subMesh.pointPressureHead[point]),
                   Item::single(subMesh.pointTotalHead[point]));
  }
}

void assembleAvsFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                     std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, std::span<const int> connectivity,
                     std::span<const int> materialNo, int nodeCount, int elementCount,
                     int nodesPerElement, std::span<const int> elementFlag,
                     std::span<const int> nodeUnused) {
  static const CompiledFormat counts = compileFormat(countsText);
  static const CompiledFormat coordinateLine = compileFormat(coordinateLineText);
  static const CompiledFormat hexLine = compileFormat(hexLineText);
  static const CompiledFormat prismLine = compileFormat(prismLineText);

  ScratchReader reader;
  if (!beginAssembly(unit, scratch, counters, scratch.solidSections, solidComponentLine, reader)) {
    return;
  }

  int shownNodes = 0;
  for (int node = 1; node <= nodeCount; ++node) shownNodes += nodeUnused[node] != 1 ? 1 : 0;
  int shownElements = 0;
  for (int element = 1; element <= elementCount; ++element) {
    shownElements += isShownElement(elementFlag, element) ? 1 : 0;
  }
  writeFormatted(unit, counts, shownNodes, shownElements);
  for (int node = 1; node <= nodeCount; ++node) {
    if (nodeUnused[node] == 1) continue;
    writeFormatted(unit, coordinateLine, node, x[node], y[node], z[node]);
  }

  std::vector<Item> row;
  for (int element = 1; element <= elementCount; ++element) {
    if (!isShownElement(elementFlag, element)) continue;
    const bool hexahedron = isHexahedron(connectivity, nodesPerElement, element);
    row.assign({Item(element), Item(materialNo[element])});
    for (int slot = 1; slot <= (hexahedron ? 8 : 6); ++slot) {
      row.emplace_back(elementNode(connectivity, nodesPerElement, element, slot));
    }
    writeRecords(unit, hexahedron ? hexLine : prismLine, row);
  }

  copySections(unit, reader, solidComponentLine, solidSectionBody(shownNodes, shownElements),
               scratch.solidSections);
}

void assembleAvsMeshFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                         const SubMesh& subMesh) {
  static const CompiledFormat counts = compileFormat(countsText);
  static const CompiledFormat coordinateLine = compileFormat(coordinateLineText);
  static const CompiledFormat triangleLine = compileFormat(triangleLineText);
  static const CompiledFormat quadLine = compileFormat(quadLineText);

  ScratchReader reader;
  if (!beginAssembly(unit, scratch, counters, scratch.meshSections, meshComponentLine, reader)) {
    return;
  }

  writeFormatted(unit, counts, subMesh.pointCount, subMesh.meshElementCount);
  for (int point = 1; point <= subMesh.pointCount; ++point) {
    writeFormatted(unit, coordinateLine, point, subMesh.pointX[point], subMesh.pointY[point],
                   subMesh.pointZ[point]);
  }
  constexpr int materialNumber = 1;
  for (int element = 1; element <= subMesh.meshElementCount; ++element) {
    const std::array<int, 4>& points = subMesh.meshConnectivity[element];
    if (isTriangle(points)) {
      writeFormatted(unit, triangleLine, element, materialNumber, points[0], points[1], points[2]);
    } else {
      writeFormatted(unit, quadLine, element, materialNumber, points[0], points[1], points[2],
                     points[3]);
    }
  }

  copySections(unit, reader, meshComponentLine, meshSectionBody(subMesh.pointCount),
               scratch.meshSections);
}
