// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include "resconv/writers/tecplot.h"

#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

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

// A value of a point table; 0.0 before the values are first computed.
double pointValue(const std::vector<double>& table, std::size_t point) {
  return point < table.size() ? table[point] : 0.0;
}

}  // namespace

void writeTecplotBlock(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state, const NodalVelocities& nodal) {
  const auto& [x, y, z, connectivity, elementFlag] =
      std::tie(mesh.x, mesh.y, mesh.z, mesh.connectivity, mesh.elementFlag);
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  const int nodesPerElement = mesh.nodesPerElement;
  const std::span<const double> pressureHead = state.pressureHead;
  const double time = state.time;
  const auto& [nodeVx, nodeVy, nodeVz] = std::tie(nodal.vx, nodal.vy, nodal.vz);
  static const CompiledFormat titleLine = compileFormat(titleFormat);
  static const CompiledFormat variablesLine = compileFormat(variablesFormat);
  static const CompiledFormat zoneLine = compileFormat(zoneFormat);
  static const CompiledFormat nodeLine = compileFormat(nodeFormat);
  static const CompiledFormat elementLine = compileFormat(elementFormat);

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

  writeRowsInParts(
      unit, 1, nodeCount + 1, nodeRowBytes, [&](OutputUnit& out, long long first, long long last) {
        for (int node = static_cast<int>(first); node < last; ++node) {
          writeFormatted(out, nodeLine, x[at(node)], y[at(node)], z[at(node)],
                         pressureHead[at(node)], totalHead(pressureHead[at(node)], z[at(node)]),
                         nodeVx[at(node)], nodeVy[at(node)], nodeVz[at(node)]);
        }
      });
  writeRowsInParts(unit, 1, elementCount + 1, elementRowBytes,
                   [&](OutputUnit& out, long long first, long long last) {
                     for (int element = static_cast<int>(first); element < last; ++element) {
                       if (!isShownElement(elementFlag, element)) continue;
                       const std::array<int, 8>& slots =
                           isHexahedron(connectivity, nodesPerElement, element) ? hexahedronSlots
                                                                                : prismSlots;
                       std::array<int, 8> node{};
                       for (std::size_t k = 0; k < slots.size(); ++k) {
                         node[k] = elementNode(connectivity, nodesPerElement, element, slots[k]);
                       }
                       writeFormatted(out, elementLine, node[0], node[1], node[2], node[3], node[4],
                                      node[5], node[6], node[7]);
                     }
                   });
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
  for (int element = 1; element <= subMesh.elementCount; ++element) {
    const std::array<int, 4>& corner = subMesh.connectivity[static_cast<std::size_t>(element)];
    writeFormatted(unit, elementLine, corner[0], corner[1], corner[2], corner[3]);
  }
}
