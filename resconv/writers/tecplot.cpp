// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include "resconv/writers/tecplot.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

#include "common/platform.h"
#include "common/resultFile.h"
#include "common/rowParts.h"
#include "common/slots.h"
#include "common/textFormat.h"

namespace {

const RecordLayout titleFormat{"('TITLE = ','\"TIME=',E15.7,1X,A80,'\"')"};
const RecordLayout variablesFormat{
    "('VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\",\"VX\",\"VY\",\"VZ\"')"};
const RecordLayout zoneFormat{"('ZONE N=',I7,', E=',I7,', F=FEPOINT,ET=BRICK')"};
const RecordLayout nodeFormat{"(1P,E10.3,7(',',1P,E10.3))"};
// A node's record in two: its coordinate fields with the comma after them, kept from block to
// block, and the rest.
const RecordLayout coordinateFormat{"(1P,E10.3,2(',',1P,E10.3),',')"};
const RecordLayout keptNodeFormat{"(A33,1P,E10.3,4(',',1P,E10.3))"};
constexpr std::size_t coordinateBytes = 33;
const RecordLayout elementFormat{"(I7,7(',',I7))"};

const RecordLayout subMeshTitleFormat{"('TITLE = ','\"TIME=',E15.7,'\"')"};
const RecordLayout subMeshVariablesFormat{"('VARIABLES = \"X\",\"Y\",\"Z\",\"P\",\"H\"')"};
const RecordLayout subMeshZoneFormat{"('ZONE N=',I7,', E=',I7,', F=FEPOINT')"};
const RecordLayout subMeshPointFormat{"(1P,E10.3,4(',',1P,E10.3))"};
const RecordLayout subMeshElementFormat{"(I7,3(',',I7))"};

// Slots written for each element: the face of slots 5 to 8 (prism: 4 to 6) first.
constexpr std::array<int, 8> hexahedronSlots{5, 6, 7, 8, 1, 2, 3, 4};
constexpr std::array<int, 8> prismSlots{4, 5, 6, 6, 1, 2, 3, 3};

constexpr std::size_t titleLength = 80;

// About the characters of a record, which sets how many a part formats at a time.
constexpr std::size_t nodeRowBytes = 88;
constexpr std::size_t elementRowBytes = 64;
constexpr std::size_t subMeshRowBytes = 55;
constexpr std::size_t subMeshElementRowBytes = 32;
// The characters of an element's record.
constexpr std::size_t elementBytes = 63;

// A value of a point table; 0.0 before the values are first computed.
double pointValue(const std::vector<double>& table, std::size_t point) {
  return point < table.size() ? table[point] : 0.0;
}

}  // namespace

namespace {

// The records of the shown elements in [first, last).
void writeElementRows(OutputUnit& unit, const SolidMesh& mesh, long long first, long long last) {
  static const CompiledFormat elementLine = compileFormat(elementFormat);
  writeRowsInParts(
      unit, first, last, elementRowBytes, [&mesh](OutputUnit& out, long long begin, long long end) {
        for (int element = static_cast<int>(begin); element < end; ++element) {
          if (!isShownElement(mesh.elementFlag, element)) continue;
          const std::array<int, 8>& slots =
              isHexahedron(mesh.connectivity, mesh.nodesPerElement, element) ? hexahedronSlots
                                                                             : prismSlots;
          std::array<int, 8> node{};
          for (std::size_t k = 0; k < slots.size(); ++k) {
            node[k] = elementNode(mesh.connectivity, mesh.nodesPerElement, element, slots[k]);
          }
          writeFormatted(out, elementLine, node[0], node[1], node[2], node[3], node[4], node[5],
                         node[6], node[7]);
        }
      });
}

// Formats the repeated text of the first block: the nodes' coordinates and the shown elements,
// each from the first on, as far as the limit allows.
void makeRepeats(TecplotRepeats& repeats, const SolidMesh& mesh) {
  static const CompiledFormat coordinateLine = compileFormat(coordinateFormat);
  const std::size_t lineEnd = platform::lineEnd.size();
  OutputUnit part(0);
  part.openPart();
  repeats.keptNodes = static_cast<int>(std::min<std::size_t>(
      static_cast<std::size_t>(mesh.nodeCount), repeats.limitBytes / (coordinateBytes + lineEnd)));
  writeRowsInParts(part, 1, repeats.keptNodes + 1, coordinateBytes + lineEnd,
                   [&mesh](OutputUnit& out, long long first, long long last) {
                     for (int node = static_cast<int>(first); node < last; ++node) {
                       writeFormatted(out, coordinateLine, mesh.x[at(node)], mesh.y[at(node)],
                                      mesh.z[at(node)]);
                     }
                   });
  repeats.coordinates = part.partRecords();
  // The elements up to the last whose record still fits.
  std::size_t bytes = 0;
  int kept = 0;
  while (kept < mesh.elementCount) {
    if (isShownElement(mesh.elementFlag, kept + 1)) {
      if (bytes + elementBytes + lineEnd > repeats.limitBytes) break;
      bytes += elementBytes + lineEnd;
    }
    ++kept;
  }
  repeats.keptElements = kept;
  part.openPart();
  writeElementRows(part, mesh, 1, kept + 1);
  repeats.elements = part.partRecords();
  repeats.made = true;
}

}  // namespace

void writeTecplotBlock(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state, const NodalVelocities& nodal,
                       TecplotRepeats* repeats) {
  const auto& [x, y, z, elementFlag] = std::tie(mesh.x, mesh.y, mesh.z, mesh.elementFlag);
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  const std::span<const double> pressureHead = state.pressureHead;
  const double time = state.time;
  const auto& [nodeVx, nodeVy, nodeVz] = std::tie(nodal.vx, nodal.vy, nodal.vz);
  static const CompiledFormat titleLine = compileFormat(titleFormat);
  static const CompiledFormat variablesLine = compileFormat(variablesFormat);
  static const CompiledFormat zoneLine = compileFormat(zoneFormat);
  static const CompiledFormat nodeLine = compileFormat(nodeFormat);
  static const CompiledFormat keptNodeLine = compileFormat(keptNodeFormat);

  // The title is 80 characters with its trailing blanks.
  std::string paddedTitle(title.substr(0, titleLength));
  paddedTitle.resize(titleLength, ' ');
  writeFormatted(unit, titleLine, time, paddedTitle);
  writeFormatted(unit, variablesLine);
  int shownElements = 0;
  for (int element = 1; element <= elementCount; ++element) {
    if (isShownElement(elementFlag, element)) ++shownElements;
  }
  writeFormatted(unit, zoneLine, nodeCount, shownElements);

  if (repeats != nullptr && !repeats->made) makeRepeats(*repeats, mesh);
  const int keptNodes = repeats != nullptr ? repeats->keptNodes : 0;
  const char* const coordinates = repeats != nullptr ? repeats->coordinates.data() : nullptr;
  const std::size_t coordinateStride = coordinateBytes + platform::lineEnd.size();
  writeRowsInParts(unit, 1, nodeCount + 1, nodeRowBytes,
                   [&](OutputUnit& out, long long first, long long last) {
                     for (int node = static_cast<int>(first); node < last; ++node) {
                       const double head = pressureHead[at(node)];
                       if (node <= keptNodes) {
                         const std::string_view kept(
                             coordinates + static_cast<std::size_t>(node - 1) * coordinateStride,
                             coordinateBytes);
                         writeFormatted(out, keptNodeLine, kept, head, totalHead(head, z[at(node)]),
                                        nodeVx[at(node)], nodeVy[at(node)], nodeVz[at(node)]);
                       } else {
                         writeFormatted(out, nodeLine, x[at(node)], y[at(node)], z[at(node)], head,
                                        totalHead(head, z[at(node)]), nodeVx[at(node)],
                                        nodeVy[at(node)], nodeVz[at(node)]);
                       }
                     }
                   });
  int formatFrom = 1;
  if (repeats != nullptr) {
    unit.appendRecords(repeats->elements);
    formatFrom = repeats->keptElements + 1;
  }
  writeElementRows(unit, mesh, formatFrom, elementCount + 1);
}

void writeTecplotSubMeshBlock(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state) {
  static const CompiledFormat titleLine = compileFormat(subMeshTitleFormat);
  static const CompiledFormat variablesLine = compileFormat(subMeshVariablesFormat);
  static const CompiledFormat zoneLine = compileFormat(subMeshZoneFormat);
  static const CompiledFormat pointLine = compileFormat(subMeshPointFormat);
  static const CompiledFormat elementLine = compileFormat(subMeshElementFormat);

  writeFormatted(unit, titleLine, state.time);
  writeFormatted(unit, variablesLine);
  writeFormatted(unit, zoneLine, subMesh.pointCount, subMesh.elementCount);
  writeRowsInParts(unit, 1, subMesh.pointCount + 1, subMeshRowBytes,
                   [&](OutputUnit& out, long long first, long long last) {
                     for (auto p = static_cast<std::size_t>(first);
                          p < static_cast<std::size_t>(last); ++p) {
                       writeFormatted(out, pointLine, subMesh.pointX[p], subMesh.pointY[p],
                                      subMesh.pointZ[p], pointValue(subMesh.pointPressureHead, p),
                                      pointValue(subMesh.pointTotalHead, p));
                     }
                   });
  writeRowsInParts(unit, 1, subMesh.elementCount + 1, subMeshElementRowBytes,
                   [&](OutputUnit& out, long long first, long long last) {
                     for (auto element = static_cast<std::size_t>(first);
                          element < static_cast<std::size_t>(last); ++element) {
                       const std::array<int, 4>& corner = subMesh.connectivity[element];
                       writeFormatted(out, elementLine, corner[0], corner[1], corner[2], corner[3]);
                     }
                   });
}
