// VTK XML unstructured-grid step files: the file itself and the solid mesh's series.
#include "resconv/writers/vtu.h"

#include <array>
#include <stdexcept>

#include "common/resultFile.h"
#include "common/slots.h"
#include "common/stop.h"
#include "resconv/writers/vtuPieces.h"

using namespace vtuPieces;

void writeVtuFile(OutputUnit& unit, BlockEncoder& encoder, std::span<const VtuArray> arrays,
                  std::uint64_t pointCount, std::uint64_t cellCount,
                  std::vector<std::vector<char>>& scratch) {
  const bool compressed = encoder.encoding() == VtuEncoding::compressed;
  if (scratch.size() < arrays.size()) scratch.resize(arrays.size());

  // Offsets: a compressed step array is compressed first, to know its size.
  std::vector<std::uint64_t> offsets(arrays.size());
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    const VtuArray& array = arrays[i];
    offsets[i] = offset;
    if (array.encoded != nullptr) {
      offset += array.encoded->size();
    } else if (!compressed) {
      offset += rawBlockSize(array.byteCount);
    } else {
      encoder.begin(scratch[i], array.byteCount);
      produceChecked(array, encoder);
      encoder.finish();
      offset += scratch[i].size();
    }
  }

  std::string xml(fileHead);
  if (compressed) xml += compressorAttribute;
  xml += ">\n  <UnstructuredGrid>\n";
  if (hasSection(arrays, VtuSection::field)) {
    xml += "    <FieldData>\n";
    appendDataArrays(xml, arrays, offsets, VtuSection::field, "      ");
    xml += "    </FieldData>\n";
  }
  xml += "    <Piece NumberOfPoints=\"";
  appendNumber(xml, pointCount);
  xml += "\" NumberOfCells=\"";
  appendNumber(xml, cellCount);
  xml += "\">\n";
  if (hasSection(arrays, VtuSection::point)) {
    xml += "      <PointData>\n";
    appendDataArrays(xml, arrays, offsets, VtuSection::point, "        ");
    xml += "      </PointData>\n";
  }
  if (hasSection(arrays, VtuSection::cell)) {
    xml += "      <CellData>\n";
    appendDataArrays(xml, arrays, offsets, VtuSection::cell, "        ");
    xml += "      </CellData>\n";
  }
  xml += "      <Points>\n";
  appendDataArrays(xml, arrays, offsets, VtuSection::points, "        ");
  xml += "      </Points>\n      <Cells>\n";
  appendDataArrays(xml, arrays, offsets, VtuSection::cells, "        ");
  xml += "      </Cells>\n    </Piece>\n  </UnstructuredGrid>\n";
  xml += "  <AppendedData encoding=\"raw\">\n   _";
  unit.append(xml);

  UnitSink sink(unit);
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    const VtuArray& array = arrays[i];
    if (array.encoded != nullptr) {
      unit.appendLastingBytes(array.encoded->data(), array.encoded->size());
    } else if (!compressed) {
      putRawHeader(sink, array.byteCount);
      produceChecked(array, sink);
    } else {
      unit.appendBytes(scratch[i].data(), scratch[i].size());
    }
  }
  unit.append(fileTail);
}

// ---------------------------------------------------------------------------------------------
// The solid mesh.

SolidVtuSeries::SolidVtuSeries(const SolidMesh& mesh, VtuEncoding encoding, SeriesFiles files,
                               std::string stem)
    : mesh_(mesh), encoder_(encoding), files_(std::move(stem), std::move(files)) {
  const int nodeCount = mesh.nodeCount;
  const int nodesPerElement = mesh.nodesPerElement;
  const std::uint64_t nodeSlots = count(nodeCount) + 1, elementSlots = count(mesh.elementCount) + 1;
  requireSlots(mesh.x, nodeSlots, "x");
  requireSlots(mesh.y, nodeSlots, "y");
  requireSlots(mesh.z, nodeSlots, "z");
  requireSlots(mesh.connectivity, count(mesh.elementCount) * count(nodesPerElement),
               "connectivity");
  requireSlots(mesh.materialNo, elementSlots, "materialNo");
  requireSlots(mesh.elementFlag, elementSlots, "elementFlag");
  for (int element = 1; element <= mesh.elementCount; ++element) {
    if (!isShownElement(mesh.elementFlag, element)) continue;
    const bool hexahedron = isHexahedron(mesh.connectivity, nodesPerElement, element);
    const std::span<const int> slots =
        hexahedron ? std::span<const int>(hexahedronVtkSlots) : std::span<const int>(prismVtkSlots);
    for (int slot : slots) {
      const int node = elementNode(mesh.connectivity, nodesPerElement, element, slot);
      if (node < 1 || node > nodeCount) {
        stopWithMessage("element " + std::to_string(element) + " has node number " +
                        std::to_string(node) + " in slot " + std::to_string(slot) +
                        ": a VTK cell needs a node of the mesh (1 to " + std::to_string(nodeCount) +
                        ") at every corner");
      }
    }
    shownElements_.push_back(element);
    cornerCount_ += slots.size();
  }
  const std::uint64_t cellCount = shownElements_.size();

  const std::uint64_t nodes = count(nodeCount);
  encodeOnce(encoder_, points_, nodes * 3 * sizeof(double), [&](ByteSink& sink) {
    putTuples<double, 3>(sink, nodes, [&](std::size_t i, double* out) {
      out[0] = mesh.x[i + 1];
      out[1] = mesh.y[i + 1];
      out[2] = mesh.z[i + 1];
    });
  });
  encodeOnce(encoder_, connectivity_, cornerCount_ * sizeof(std::int64_t), [&](ByteSink& sink) {
    for (int element : shownElements_) {
      std::array<std::int64_t, 8> corners{};
      const bool hexahedron = isHexahedron(mesh.connectivity, nodesPerElement, element);
      const std::span<const int> slots = hexahedron ? std::span<const int>(hexahedronVtkSlots)
                                                    : std::span<const int>(prismVtkSlots);
      for (std::size_t k = 0; k < slots.size(); ++k) {
        corners[k] = elementNode(mesh.connectivity, nodesPerElement, element, slots[k]) - 1;
      }
      sink.put(corners.data(), slots.size() * sizeof(std::int64_t));
    }
  });
  encodeOnce(encoder_, offsets_, cellCount * sizeof(std::int64_t), [&](ByteSink& sink) {
    std::int64_t end = 0;
    putTuples<std::int64_t, 1>(sink, shownElements_.size(), [&](std::size_t i, std::int64_t* out) {
      end += isHexahedron(mesh.connectivity, nodesPerElement, shownElements_[i]) ? 8 : 6;
      *out = end;
    });
  });
  encodeOnce(encoder_, types_, cellCount, [&](ByteSink& sink) {
    putTuples<std::uint8_t, 1>(sink, shownElements_.size(), [&](std::size_t i, std::uint8_t* out) {
      *out = isHexahedron(mesh.connectivity, nodesPerElement, shownElements_[i])
                 ? vtkCellType::hexahedron
                 : vtkCellType::wedge;
    });
  });
  encodeOnce(encoder_, material_, cellCount * sizeof(std::int32_t), [&](ByteSink& sink) {
    putTuples<std::int32_t, 1>(sink, shownElements_.size(), [&](std::size_t i, std::int32_t* out) {
      *out = mesh.materialNo[at(shownElements_[i])];
    });
  });
  encodeOnce(encoder_, elementNo_, cellCount * sizeof(std::int32_t), [&](ByteSink& sink) {
    sink.put(shownElements_.data(), shownElements_.size() * sizeof(std::int32_t));
  });
}

void SolidVtuSeries::write(const ShownState& state, const NodalVelocities& velocities) {
  const std::uint64_t nodes = count(mesh_.nodeCount);
  const std::uint64_t cells = shownElements_.size();
  double time = state.time;
  int stepNo = state.stepNo;
  const std::uint64_t elementSlots = count(mesh_.elementCount) + 1;
  requireSlots(state.pressureHead, nodes + 1, "pressureHead");
  requireSlots(state.discharge, nodes + 1, "discharge");
  requireSlots(state.nodeCode, nodes + 1, "nodeCode");
  requireSlots(state.vx, elementSlots, "vx");
  requireSlots(state.vy, elementSlots, "vy");
  requireSlots(state.vz, elementSlots, "vz");
  requireSlots(velocities.vx, nodes + 1, "nodal vx");
  requireSlots(velocities.vy, nodes + 1, "nodal vy");
  requireSlots(velocities.vz, nodes + 1, "nodal vz");

  std::vector<VtuArray> arrays = fieldArrays(time, stepNo);
  auto add = [&](VtuArray array, std::function<void(ByteSink&)> produce) {
    array.produce = std::move(produce);
    arrays.push_back(std::move(array));
  };
  const std::size_t n = static_cast<std::size_t>(nodes);
  add(arrayOf<double>(VtuSection::point, "PressureHead", float64, nodes),
      [&](ByteSink& sink) { putValues(sink, state.pressureHead, n); });
  add(arrayOf<double>(VtuSection::point, "TotalHead", float64, nodes), [&](ByteSink& sink) {
    putTuples<double, 1>(sink, n, [&](std::size_t i, double* out) {
      *out = totalHead(state.pressureHead[i + 1], mesh_.z[i + 1]);
    });
  });
  add(arrayOf<double>(VtuSection::point, "Discharge", float64, nodes),
      [&](ByteSink& sink) { putValues(sink, state.discharge, n); });
  add(arrayOf<std::int32_t>(VtuSection::point, "NodeCode", int32, nodes),
      [&](ByteSink& sink) { putValues(sink, state.nodeCode, n); });
  add(arrayOf<double>(VtuSection::point, "Velocity", float64, nodes, 3), [&](ByteSink& sink) {
    putTuples<double, 3>(sink, n, [&](std::size_t i, double* out) {
      out[0] = velocities.vx[i + 1];
      out[1] = velocities.vy[i + 1];
      out[2] = velocities.vz[i + 1];
    });
  });
  add(arrayOf<double>(VtuSection::cell, "Velocity", float64, cells, 3), [&](ByteSink& sink) {
    putTuples<double, 3>(sink, shownElements_.size(), [&](std::size_t i, double* out) {
      const int element = shownElements_[i];
      out[0] = state.vx[at(element)];
      out[1] = state.vy[at(element)];
      out[2] = state.vz[at(element)];
    });
  });
  arrays.push_back(
      constantArray(VtuSection::cell, "Material", int32, cells * sizeof(std::int32_t), material_));
  arrays.push_back(constantArray(VtuSection::cell, "ElementNo", int32, cells * sizeof(std::int32_t),
                                 elementNo_));
  arrays.push_back(
      constantArray(VtuSection::points, "Points", float64, nodes * 3 * sizeof(double), points_, 3));
  appendCellArrays(arrays, CellArrays{cells, cornerCount_}, connectivity_, offsets_, types_);

  OutputUnit& unit = files_.openStepAt(state.time);
  writeVtuFile(unit, encoder_, arrays, nodes, cells, scratch_);
  files_.closeStep(state.time);
}

void SolidVtuSeries::finish() {
  files_.finish();
}
