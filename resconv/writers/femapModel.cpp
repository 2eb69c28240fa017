// Neutral file, first stage: the header block, one material, the properties, the nodes and
// the elements, for the solid mesh of the result file or for the sub-mesh of the output-time
// file. Both writers append to the open output unit and keep nothing between calls.
#include "resconv/writers/femapModel.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "common/freeForm.h"
#include "common/textFormat.h"

namespace {

const RecordLayout blockMarkFormat{"(I5)"};
const RecordLayout blockNumberFormat{"(I6)"};
const RecordLayout propertyNumberFormat{"(I5,A14)"};
const RecordLayout nodeFormat{"(I7,A22,1P,E13.6,A1,1P,E13.6,A1,1P,E13.6)"};
const RecordLayout nodeListFormat{"(10(I7,','))"};

constexpr int headerBlock = 100;
constexpr int materialBlock = 401;
constexpr int propertyBlock = 402;
constexpr int nodeBlock = 403;
constexpr int elementBlock = 404;

constexpr std::string_view modelTitle = " ";
constexpr std::string_view formatVersion = "4.5,";

constexpr std::array<std::string_view, 33> materialRecords = {
    "1,55,0,1,0,",
    " ",
    "0.,0.,0.,",
    "0.,0.,0.,",
    "0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,",
    "0.,0.,0.,0.,0.,",
    "0.,",
    "0.,0.,0.,0.,0.,",
    "0.,",
    "0.,0.,0.,0.,0.,",
    "0.,",
    "0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,0.,",
    "0.,0.,0.,0,0,",
    "0,0,0,0,0,",
    "0,0,0,0,0,0,",
    "0.,0.,0.,",
    "0.,0.,0.,0.,0.,",
    "0.,0.,",
    "0,0,0,0,",
    "0,0,0,0,",
};

// A text record written `count` times in a row.
struct RepeatedRecord {
  std::string_view text;
  int count;
};

// Records 2 to 30 of every property; record 1 carries the property number.
constexpr std::array<RepeatedRecord, 8> propertyRecords = {{
    {" ", 1},
    {"0,0,0,0,", 1},
    {"45,", 1},
    {"0,0,0,0,0,0,0,0,", 5},
    {"0,0,0,0,0,", 1},
    {"93,", 1},
    {"0.,0.,0.,0.,0.,", 18},
    {"0.,0.,0.,", 1},
}};

// Records 3 to 7 of every element, after its header and node-list records.
constexpr std::array<RepeatedRecord, 3> elementTrailer = {{
    {"0,0,0,0,0,0,0,0,0,0,", 1},
    {"0.,0.,0.,", 3},
    {"0,0,0,0,0,0,0,0,0,0,0,0,", 1},
}};

constexpr std::string_view nodeFlags = ",0,0,1,46,0,0,0,0,0,0,";
constexpr std::string_view elementTypeTag = ",124,";
constexpr std::string_view elementTail = ",1,0,0,";

// Solid and sub-mesh models differ in their element family.
struct ModelKind {
  std::string_view propertyType;  // 14 characters after the property number
  std::string_view elementType;   // between the property number and the topology code
};
constexpr ModelKind solidKind{",110,1,25,1,0,", ",25,"};
constexpr ModelKind subMeshKind{",110,1,19,1,0,", ",19,"};

// Topology codes and node lists. A list entry names a slot of the element (1-based); 0 writes a
// 0. Solid elements list their upper face first.
constexpr int brickTopology = 8;
constexpr int wedgeTopology = 7;
constexpr int quadrilateralTopology = 4;
constexpr int triangleTopology = 2;
using NodeListOrder = std::array<int, 10>;
constexpr NodeListOrder brickOrder = {5, 6, 7, 8, 1, 2, 3, 4, 0, 0};
constexpr NodeListOrder wedgeOrder = {4, 5, 6, 0, 1, 2, 3, 0, 0, 0};
constexpr NodeListOrder quadrilateralOrder = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0};
constexpr NodeListOrder triangleOrder = {1, 2, 3, 0, 0, 0, 0, 0, 0, 0};

void writeRepeated(OutputUnit& unit, std::span<const RepeatedRecord> records) {
  for (const RepeatedRecord& record : records) {
    for (int copy = 0; copy < record.count; ++copy) writeFreeForm(unit, record.text);
  }
}

// Blocks 100, 401 and 402, with properties 1 to propertyCount.
void writeModelHead(OutputUnit& unit, int propertyCount, const ModelKind& kind) {
  static const CompiledFormat propertyNumberRecord = compileFormat(propertyNumberFormat);

  writeFemapBlockStart(unit, headerBlock);
  writeFreeForm(unit, modelTitle);
  writeFreeForm(unit, formatVersion);
  writeFemapBlockEnd(unit);

  writeFemapBlockStart(unit, materialBlock);
  for (std::string_view record : materialRecords) writeFreeForm(unit, record);
  writeFemapBlockEnd(unit);

  writeFemapBlockStart(unit, propertyBlock);
  for (int property = 1; property <= propertyCount; ++property) {
    writeFormatted(unit, propertyNumberRecord, property, kind.propertyType);
    writeRepeated(unit, propertyRecords);
  }
  writeFemapBlockEnd(unit);
}

// One node record; the coordinates are items already of the precision to show.
void writeNodeRecord(OutputUnit& unit, int node, const Item& x, const Item& y, const Item& z) {
  static const CompiledFormat nodeRecord = compileFormat(nodeFormat);
  const std::array<Item, 7> items{Item(node), Item(nodeFlags), x, Item(","), y, Item(","), z};
  writeRecords(unit, nodeRecord, items);
}

// The seven records of one element. `slotNode` gives the node number in a slot (1-based).
template <class SlotNode>
void writeElementRecords(OutputUnit& unit, int element, int property, const ModelKind& kind,
                         int topology, const NodeListOrder& order, SlotNode slotNode) {
  static const CompiledFormat nodeListRecord = compileFormat(nodeListFormat);
  writeFreeForm(unit, element, elementTypeTag, property, kind.elementType, topology, elementTail);
  std::array<Item, 10> nodeList{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (std::size_t entry = 0; entry < order.size(); ++entry) {
    if (order[entry] != 0) nodeList[entry] = Item(slotNode(order[entry]));
  }
  writeRecords(unit, nodeListRecord, nodeList);
  writeRepeated(unit, elementTrailer);
}

}  // namespace

void writeFemapBlockStart(OutputUnit& unit, int blockNumber) {
  static const CompiledFormat blockMark = compileFormat(blockMarkFormat);
  static const CompiledFormat blockNumberRecord = compileFormat(blockNumberFormat);
  writeFormatted(unit, blockMark, -1);
  writeFormatted(unit, blockNumberRecord, blockNumber);
}

void writeFemapBlockEnd(OutputUnit& unit) {
  static const CompiledFormat blockMark = compileFormat(blockMarkFormat);
  writeFormatted(unit, blockMark, -1);
}

void writeFemapModel(OutputUnit& unit, const SolidMesh& mesh) {
  const std::span<const double> x = mesh.x, y = mesh.y, z = mesh.z;
  const std::span<const int> connectivity = mesh.connectivity, nodeUnused = mesh.nodeUnused;
  const int nodesPerElement = mesh.nodesPerElement;
  writeModelHead(unit, mesh.maxMaterialNo, solidKind);

  // Coordinates are shown at single precision.
  writeFemapBlockStart(unit, nodeBlock);
  for (int node = 1; node <= mesh.nodeCount; ++node) {
    if (nodeUnused[node] == 1) continue;
    writeNodeRecord(unit, node, Item::single(x[node]), Item::single(y[node]),
                    Item::single(z[node]));
  }
  writeFemapBlockEnd(unit);

  writeFemapBlockStart(unit, elementBlock);
  for (int element = 1; element <= mesh.elementCount; ++element) {
    if (!isShownElement(mesh.elementFlag, element)) continue;
    const bool brick = isHexahedron(connectivity, nodesPerElement, element);
    writeElementRecords(
        unit, element, mesh.materialNo[element], solidKind, brick ? brickTopology : wedgeTopology,
        brick ? brickOrder : wedgeOrder,
        [&](int slot) { return elementNode(connectivity, nodesPerElement, element, slot); });
  }
  writeFemapBlockEnd(unit);
}

void writeFemapSubMeshModel(OutputUnit& unit, const SubMesh& subMesh) {
  writeModelHead(unit, 1, subMeshKind);

  writeFemapBlockStart(unit, nodeBlock);
  for (int point = 1; point <= subMesh.pointCount; ++point) {
    writeNodeRecord(unit, point, Item(subMesh.pointX[point]), Item(subMesh.pointY[point]),
                    Item(subMesh.pointZ[point]));
  }
  writeFemapBlockEnd(unit);

  writeFemapBlockStart(unit, elementBlock);
  for (int element = 1; element <= subMesh.elementCount; ++element) {
    const std::array<int, 4>& points = subMesh.connectivity[element];
    const bool triangle = isTriangle(points);
    writeElementRecords(
        unit, element, 1, subMeshKind, triangle ? triangleTopology : quadrilateralTopology,
        triangle ? triangleOrder : quadrilateralOrder, [&](int slot) { return points[slot - 1]; });
  }
  writeFemapBlockEnd(unit);
}
