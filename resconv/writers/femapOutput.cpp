// Neutral file, output sets: per output time an output-set block (450) that names the set by
// step number and time, and an output-vector block (451) with one vector after another. Sets
// are numbered across the solid and the sub-mesh writer by one shared counter.
#include "resconv/writers/femapOutput.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string_view>

#include "common/freeForm.h"
#include "common/resultFile.h"
#include "common/rowParts.h"
#include "common/slots.h"
#include "common/textFormat.h"
#include "resconv/writers/femapModel.h"

namespace {

const RecordLayout setTitleFormat{"(I4,' T=',1P,E12.4)"};

constexpr int outputSetBlock = 450;
constexpr int outputVectorBlock = 451;

// How one vector is labelled and how its values are written.
struct VectorLayout {
  std::string_view idText;  // after the set number on the vector's first record
  std::string_view title;
  std::string_view components;  // ten entries
  std::string_view typeText;    // after the entity numbers of the minimum and the maximum
  bool fullPrecision;           // values written as double rather than single
  bool thirdIsMaximum;          // third statistic is the maximum, not the larger magnitude
};

constexpr VectorLayout pressureHeadVector{",10,1,", "Pressure Head", "0,0,0,0,0,0,0,0,0,0,",
                                          ",6,7,",  false,           false};
constexpr VectorLayout totalHeadVector{",11,1,", "Total Head", "0,0,0,0,0,0,0,0,0,0,",
                                       ",6,7,",  false,        false};
constexpr VectorLayout dischargeVector{",12,1,", "Q",   "0,0,0,0,0,0,0,0,0,0,",
                                       ",6,7,",  false, false};
constexpr VectorLayout nodeSpeedVector{
    ",13,1,", "Velocity(Node)", "14,15,16,0,0,0,0,0,0,0,", ",1,7,", true, true};
constexpr VectorLayout nodeVxVector{
    ",14,1,", "X Velocity(Node)", "14,0,0,0,0,0,0,0,0,0,", ",1,7,", true, false};
constexpr VectorLayout nodeVyVector{
    ",15,1,", "Y Velocity(Node)", "0,15,0,0,0,0,0,0,0,0,", ",1,7,", true, false};
constexpr VectorLayout nodeVzVector{
    ",16,1,", "Z Velocity(Node)", "0,0,16,0,0,0,0,0,0,0,", ",1,7,", true, false};
constexpr VectorLayout elementSpeedVector{
    ",70010,1,", "Velocity", "70011,70012,70013,0,0,0,0,0,0,0,", ",1,8,", false, false};
constexpr VectorLayout elementVxVector{",70011,1,", "X Velocity", "70011,0,0,0,0,0,0,0,0,0,",
                                       ",1,8,",     false,        false};
constexpr VectorLayout elementVyVector{",70012,1,", "Y Velocity", "70012,0,0,0,0,0,0,0,0,0,",
                                       ",1,8,",     false,        false};
constexpr VectorLayout elementVzVector{",70013,1,", "Z Velocity", "70013,0,0,0,0,0,0,0,0,0,",
                                       ",1,8,",     false,        false};

constexpr std::string_view setRecord3 = "0,0,";
constexpr std::string_view setRecord5 = "1,";
constexpr std::string_view setRecord6 = "  ";
constexpr std::string_view vectorRecord5 = "0,0,0,0,0,0,0,0,0,0,";
constexpr std::string_view vectorRecord7 = "0,1,1,";

// Statistics start from the single-precision constant 9.9E+30 carried in double.
constexpr double statisticsStart = static_cast<double>(9.9e30f);

struct VectorStatistics {
  double minimum = statisticsStart;
  double maximum = -statisticsStart;
  int minimumEntity = 1;
  int maximumEntity = 1;
};

// Only a strictly greater or smaller value replaces, so among equal values the lowest entity
// number stays.
void takeValue(VectorStatistics& statistics, int entity, double value) {
  if (value > statistics.maximum) {
    statistics.maximum = value;
    statistics.maximumEntity = entity;
  }
  if (value < statistics.minimum) {
    statistics.minimum = value;
    statistics.minimumEntity = entity;
  }
}

// Statistics of several vectors over the same entities, in one pass.
template <class Shown, class... Value>
std::array<VectorStatistics, sizeof...(Value)> gatherStatistics(int entityCount, Shown shown,
                                                                Value... value) {
  std::array<VectorStatistics, sizeof...(Value)> statistics{};
  for (int entity = 1; entity <= entityCount; ++entity) {
    if (!shown(entity)) continue;
    std::size_t index = 0;
    (takeValue(statistics[index++], entity, value(entity)), ...);
  }
  return statistics;
}

Item valueItem(const VectorLayout& layout, double value) {
  return layout.fullPrecision ? Item(value) : Item::single(value);
}

// One vector: seven header records, one record per shown entity, and the closing record.
template <class Shown, class Value>
void writeVector(OutputUnit& unit, int setNumber, const VectorLayout& layout,
                 const VectorStatistics& statistics, int entityCount, Shown shown, Value value) {
  const double minimumSize = std::abs(statistics.minimum);
  const double maximumSize = std::abs(statistics.maximum);
  const double third = layout.thirdIsMaximum        ? statistics.maximum
                       : maximumSize >= minimumSize ? maximumSize
                                                    : minimumSize;
  writeFreeForm(unit, setNumber, layout.idText);
  writeFreeForm(unit, layout.title);
  writeFreeForm(unit, Item::single(statistics.minimum), Item::single(statistics.maximum),
                Item::single(third));
  writeFreeForm(unit, layout.components);
  writeFreeForm(unit, vectorRecord5);
  writeFreeForm(unit, statistics.minimumEntity, ",", statistics.maximumEntity, layout.typeText);
  writeFreeForm(unit, vectorRecord7);
  // The rows take their own copies of the views, which the records written cannot change.
  const bool fullPrecision = layout.fullPrecision;
  writeRowsInParts(unit, 1, entityCount + 1, fullPrecision ? 38 : 29,
                   [fullPrecision, shown, value](OutputUnit& out, long long first, long long last) {
                     // The shown entities and their values a batch at a time.
                     constexpr int batch = 512;
                     std::array<int, batch> entities;
                     std::array<double, batch> values;
                     std::size_t count = 0;
                     const int end = static_cast<int>(last);
                     for (int entity = static_cast<int>(first); entity < end; ++entity) {
                       if (!shown(entity)) continue;
                       entities[count] = entity;
                       values[count] = value(entity);
                       if (++count == batch) {
                         writeNumberedRows(out, entities, values, fullPrecision);
                         count = 0;
                       }
                     }
                     writeNumberedRows(out, std::span(entities).first(count),
                                       std::span(values).first(count), fullPrecision);
                   });
  writeFreeForm(unit, -1, ",", valueItem(layout, 0.0));
}

// Counts the set and writes its output-set block; returns the set number.
int writeOutputSetBlock(OutputUnit& unit, WriterCounters& counters, double time, int stepNo) {
  static const CompiledFormat setTitle = compileFormat(setTitleFormat);
  const int setNumber = ++counters.femapOutputSetCount;
  writeFemapBlockStart(unit, outputSetBlock);
  writeFreeForm(unit, setNumber);
  writeFormatted(unit, setTitle, stepNo, Item::single(time));
  writeFreeForm(unit, setRecord3);
  writeFreeForm(unit, Item::single(time));
  writeFreeForm(unit, setRecord5);
  writeFreeForm(unit, setRecord6);
  writeFemapBlockEnd(unit);
  return setNumber;
}

}  // namespace

void writeFemapOutputSet(OutputUnit& unit, WriterCounters& counters, const SolidMesh& mesh,
                         const ShownState& state, const NodalVelocities& nodal) {
  const std::span<const double> z = mesh.z, pressureHead = state.pressureHead;
  const std::span<const double> discharge = state.discharge;
  const std::span<const double> vx = state.vx, vy = state.vy, vz = state.vz;
  const std::span<const double> nodeVx = nodal.vx, nodeVy = nodal.vy, nodeVz = nodal.vz;
  const std::span<const int> elementFlag = mesh.elementFlag, nodeUnused = mesh.nodeUnused;
  const int nodeCount = mesh.nodeCount, elementCount = mesh.elementCount;
  const double time = state.time;
  const int stepNo = state.stepNo;
  const int setNumber = writeOutputSetBlock(unit, counters, time, stepNo);

  auto nodeShown = [=](int node) { return nodeUnused[at(node)] != 1; };
  auto elementShown = [=](int element) { return isShownElement(elementFlag, element); };
  auto pressure = [=](int node) { return pressureHead[at(node)]; };
  auto total = [=](int node) { return totalHead(pressureHead[at(node)], z[at(node)]); };
  auto nodeDischarge = [=](int node) { return discharge[at(node)]; };
  auto nodeSpeed = [=](int node) {
    return std::sqrt(nodeVx[at(node)] * nodeVx[at(node)] + nodeVy[at(node)] * nodeVy[at(node)] +
                     nodeVz[at(node)] * nodeVz[at(node)]);
  };
  auto nodeX = [=](int node) { return nodeVx[at(node)]; };
  auto nodeY = [=](int node) { return nodeVy[at(node)]; };
  auto nodeZ = [=](int node) { return nodeVz[at(node)]; };
  auto elementSpeed = [=](int element) {
    return std::sqrt(vx[at(element)] * vx[at(element)] + vy[at(element)] * vy[at(element)] +
                     vz[at(element)] * vz[at(element)]);
  };
  auto elementX = [=](int element) { return vx[at(element)]; };
  auto elementY = [=](int element) { return vy[at(element)]; };
  auto elementZ = [=](int element) { return vz[at(element)]; };

  const auto heads = gatherStatistics(nodeCount, nodeShown, pressure, total);
  const auto flows = gatherStatistics(nodeCount, nodeShown, nodeDischarge);
  const auto nodeVelocities =
      gatherStatistics(nodeCount, nodeShown, nodeSpeed, nodeX, nodeY, nodeZ);
  const auto elementVelocities =
      gatherStatistics(elementCount, elementShown, elementSpeed, elementX, elementY, elementZ);

  writeFemapBlockStart(unit, outputVectorBlock);
  writeVector(unit, setNumber, pressureHeadVector, heads[0], nodeCount, nodeShown, pressure);
  writeVector(unit, setNumber, totalHeadVector, heads[1], nodeCount, nodeShown, total);
  writeVector(unit, setNumber, dischargeVector, flows[0], nodeCount, nodeShown, nodeDischarge);
  writeVector(unit, setNumber, nodeSpeedVector, nodeVelocities[0], nodeCount, nodeShown, nodeSpeed);
  writeVector(unit, setNumber, nodeVxVector, nodeVelocities[1], nodeCount, nodeShown, nodeX);
  writeVector(unit, setNumber, nodeVyVector, nodeVelocities[2], nodeCount, nodeShown, nodeY);
  writeVector(unit, setNumber, nodeVzVector, nodeVelocities[3], nodeCount, nodeShown, nodeZ);
  writeVector(unit, setNumber, elementSpeedVector, elementVelocities[0], elementCount, elementShown,
              elementSpeed);
  writeVector(unit, setNumber, elementVxVector, elementVelocities[1], elementCount, elementShown,
              elementX);
  writeVector(unit, setNumber, elementVyVector, elementVelocities[2], elementCount, elementShown,
              elementY);
  writeVector(unit, setNumber, elementVzVector, elementVelocities[3], elementCount, elementShown,
              elementZ);
  writeFemapBlockEnd(unit);
}

void writeFemapSubMeshOutputSet(OutputUnit& unit, WriterCounters& counters, const SubMesh& subMesh,
                                const ShownState& state) {
  const int setNumber = writeOutputSetBlock(unit, counters, state.time, state.stepNo);

  auto everyPoint = [](int) { return true; };
  const std::span<const double> pointPressure = subMesh.pointPressureHead;
  const std::span<const double> pointTotal = subMesh.pointTotalHead;
  auto pressure = [pointPressure](int point) { return pointPressure[at(point)]; };
  auto total = [pointTotal](int point) { return pointTotal[at(point)]; };
  const auto heads = gatherStatistics(subMesh.pointCount, everyPoint, pressure, total);

  writeFemapBlockStart(unit, outputVectorBlock);
  writeVector(unit, setNumber, pressureHeadVector, heads[0], subMesh.pointCount, everyPoint,
              pressure);
  writeVector(unit, setNumber, totalHeadVector, heads[1], subMesh.pointCount, everyPoint, total);
  writeFemapBlockEnd(unit);
}
