// VTK XML unstructured-grid step files of the solid mesh and the sub-mesh.
#include "resconv/writers/vtu.h"

#include <array>
#include <stdexcept>

#include "common/stop.h"

namespace {

constexpr std::string_view fileHead =
    "<?xml version=\"1.0\"?>\n"
    "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
    "header_type=\"UInt64\"";
constexpr std::string_view compressorAttribute = " compressor=\"vtkZLibDataCompressor\"";
constexpr std::string_view fileTail =
    "\n  </AppendedData>\n"
    "</VTKFile>\n";

constexpr std::string_view float64 = "Float64";
constexpr std::string_view int32 = "Int32";
constexpr std::string_view int64 = "Int64";
constexpr std::string_view uint8 = "UInt8";

// Counts what passes, so that a producer that writes other than its byte count is caught
// before the file is wrong.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(ByteSink& to) : to_(to) {}
  void put(const void* data, std::size_t n) override {
    to_.put(data, n);
    count_ += n;
  }
  std::uint64_t count() const { return count_; }

 private:
  ByteSink& to_;
  std::uint64_t count_ = 0;
};

void produceChecked(const VtuArray& array, ByteSink& sink) {
  CountingSink counted(sink);
  array.produce(counted);
  if (counted.count() != array.byteCount) {
    throw std::logic_error("array " + std::string(array.name) + " produced " +
                           std::to_string(counted.count()) + " bytes, not " +
                           std::to_string(array.byteCount));
  }
}

void appendNumber(std::string& text, std::uint64_t value) {
  text += std::to_string(value);
}

void appendDataArrays(std::string& xml, std::span<const VtuArray> arrays,
                      std::span<const std::uint64_t> offsets, VtuSection section,
                      std::string_view indent) {
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    const VtuArray& array = arrays[i];
    if (array.section != section) continue;
    xml += indent;
    xml += "<DataArray type=\"";
    xml += array.type;
    xml += "\" Name=\"";
    xml += array.name;
    xml += '"';
    if (array.components != 1) {
      xml += " NumberOfComponents=\"";
      appendNumber(xml, static_cast<std::uint64_t>(array.components));
      xml += '"';
    }
    if (section == VtuSection::field) {
      xml += " NumberOfTuples=\"";
      appendNumber(xml, array.tupleCount);
      xml += '"';
    }
    xml += " format=\"appended\" offset=\"";
    appendNumber(xml, offsets[i]);
    xml += "\"/>\n";
  }
}

bool hasSection(std::span<const VtuArray> arrays, VtuSection section) {
  for (const VtuArray& array : arrays) {
    if (array.section == section) return true;
  }
  return false;
}

// An array of the piece, `tuples` tuples of `components` values of type T.
template <class T>
VtuArray arrayOf(VtuSection section, std::string_view name, std::string_view type,
                 std::uint64_t tuples, int components = 1) {
  VtuArray array;
  array.section = section;
  array.name = name;
  array.type = type;
  array.components = components;
  array.tupleCount = tuples;
  array.byteCount = tuples * static_cast<std::uint64_t>(components) * sizeof(T);
  return array;
}

// Encodes a constant array once.
template <class Produce>
void encodeOnce(BlockEncoder& encoder, std::vector<char>& out, std::uint64_t byteCount,
                Produce produce) {
  encoder.begin(out, byteCount);
  CountingSink counted(encoder);
  produce(counted);
  if (counted.count() != byteCount) throw std::logic_error("constant array of the wrong size");
  encoder.finish();
}

std::vector<VtuArray> fieldArrays(double& time, int& stepNo) {
  std::vector<VtuArray> arrays;
  VtuArray timeValue = arrayOf<double>(VtuSection::field, "TimeValue", float64, 1);
  timeValue.produce = [&time](ByteSink& sink) { sink.put(&time, sizeof time); };
  VtuArray step = arrayOf<std::int32_t>(VtuSection::field, "StepNo", int32, 1);
  step.produce = [&stepNo](ByteSink& sink) { sink.put(&stepNo, sizeof stepNo); };
  arrays.push_back(std::move(timeValue));
  arrays.push_back(std::move(step));
  return arrays;
}

VtuArray constantArray(VtuSection section, std::string_view name, std::string_view type,
                       std::uint64_t byteCount, const std::vector<char>& encoded,
                       int components = 1) {
  VtuArray array;
  array.section = section;
  array.name = name;
  array.type = type;
  array.components = components;
  array.byteCount = byteCount;
  array.encoded = &encoded;
  return array;
}

// The cells of a piece: connectivity (0-based point numbers), offsets (the end of each cell)
// and types, encoded once.
struct CellArrays {
  std::uint64_t cellCount = 0;
  std::uint64_t cornerCount = 0;
};

void appendCellArrays(std::vector<VtuArray>& arrays, const CellArrays& cells,
                      const std::vector<char>& connectivity, const std::vector<char>& offsets,
                      const std::vector<char>& types) {
  arrays.push_back(constantArray(VtuSection::cells, "connectivity", int64,
                                 cells.cornerCount * sizeof(std::int64_t), connectivity));
  arrays.push_back(constantArray(VtuSection::cells, "offsets", int64,
                                 cells.cellCount * sizeof(std::int64_t), offsets));
  arrays.push_back(constantArray(VtuSection::cells, "types", uint8, cells.cellCount, types));
}

std::uint64_t count(int n) {
  return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

// The arrays handed in must hold the slots the counts promise: a short one is the caller's
// fault, caught before it is read beyond its end.
template <class T>
void requireSlots(std::span<const T> array, std::uint64_t slots, const char* name) {
  if (array.size() < slots) {
    throw std::logic_error(std::string("array ") + name + " has " + std::to_string(array.size()) +
                           " slots, not " + std::to_string(slots));
  }
}

}  // namespace

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
      unit.appendBytes(array.encoded->data(), array.encoded->size());
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
      *out = mesh.materialNo[shownElements_[i]];
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
      *out = state.pressureHead[i + 1] + mesh_.z[i + 1];
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
      out[0] = state.vx[element];
      out[1] = state.vy[element];
      out[2] = state.vz[element];
    });
  });
  arrays.push_back(
      constantArray(VtuSection::cell, "Material", int32, cells * sizeof(std::int32_t), material_));
  arrays.push_back(constantArray(VtuSection::cell, "ElementNo", int32, cells * sizeof(std::int32_t),
                                 elementNo_));
  arrays.push_back(
      constantArray(VtuSection::points, "Points", float64, nodes * 3 * sizeof(double), points_, 3));
  appendCellArrays(arrays, CellArrays{cells, cornerCount_}, connectivity_, offsets_, types_);

  OutputUnit& unit = files_.openStep();
  writeVtuFile(unit, encoder_, arrays, nodes, cells, scratch_);
  files_.closeStep(state.time);
}

void SolidVtuSeries::finish() {
  files_.finish();
}

// ---------------------------------------------------------------------------------------------
// The sub-mesh.

SubMeshVtuSeries::SubMeshVtuSeries(const SubMesh& subMesh, bool withSectionDistance,
                                   VtuEncoding encoding, SeriesFiles files, std::string stem)
    : pointCount_(std::max(subMesh.pointCount, 0)),
      cellCount_(std::max(subMesh.meshElementCount, 0)),
      withSectionDistance_(withSectionDistance),
      encoder_(encoding),
      files_(std::move(stem), std::move(files)) {
  const std::uint64_t pointSlots = count(pointCount_) + 1;
  requireSlots(std::span<const double>(subMesh.pointX), pointSlots, "pointX");
  requireSlots(std::span<const double>(subMesh.pointY), pointSlots, "pointY");
  requireSlots(std::span<const double>(subMesh.pointZ), pointSlots, "pointZ");
  requireSlots(std::span<const std::array<int, 4>>(subMesh.meshConnectivity), count(cellCount_) + 1,
               "meshConnectivity");
  for (int element = 1; element <= cellCount_; ++element) {
    const std::array<int, 4>& row = subMesh.meshConnectivity[element];
    const int corners = isTriangle(row) ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      if (row[k] < 1 || row[k] > pointCount_) {
        stopWithMessage("sub-mesh element " + std::to_string(element) + " has point number " +
                        std::to_string(row[k]) +
                        ": a VTK cell needs a point of the sub-mesh (1 to " +
                        std::to_string(pointCount_) + ") at every corner");
      }
    }
    cornerCount_ += static_cast<std::uint64_t>(corners);
  }

  const std::uint64_t points = count(pointCount_);
  const std::uint64_t cells = count(cellCount_);
  encodeOnce(encoder_, points_, points * 3 * sizeof(double), [&](ByteSink& sink) {
    putTuples<double, 3>(sink, points, [&](std::size_t i, double* out) {
      out[0] = subMesh.pointX[i + 1];
      out[1] = subMesh.pointY[i + 1];
      out[2] = subMesh.pointZ[i + 1];
    });
  });
  encodeOnce(encoder_, connectivity_, cornerCount_ * sizeof(std::int64_t), [&](ByteSink& sink) {
    for (int element = 1; element <= cellCount_; ++element) {
      const std::array<int, 4>& row = subMesh.meshConnectivity[element];
      const std::array<std::int64_t, 4> corners{row[0] - 1, row[1] - 1, row[2] - 1, row[3] - 1};
      sink.put(corners.data(), (isTriangle(row) ? 3 : 4) * sizeof(std::int64_t));
    }
  });
  encodeOnce(encoder_, offsets_, cells * sizeof(std::int64_t), [&](ByteSink& sink) {
    std::int64_t end = 0;
    putTuples<std::int64_t, 1>(sink, cells, [&](std::size_t i, std::int64_t* out) {
      end += isTriangle(subMesh.meshConnectivity[i + 1]) ? 3 : 4;
      *out = end;
    });
  });
  encodeOnce(encoder_, types_, cells, [&](ByteSink& sink) {
    putTuples<std::uint8_t, 1>(sink, cells, [&](std::size_t i, std::uint8_t* out) {
      *out =
          isTriangle(subMesh.meshConnectivity[i + 1]) ? vtkCellType::triangle : vtkCellType::quad;
    });
  });
  if (withSectionDistance_) {
    encodeOnce(encoder_, sectionDistance_, points * sizeof(double), [&](ByteSink& sink) {
      putTuples<double, 1>(sink, points, [&](std::size_t i, double* out) {
        *out = i + 1 < subMesh.sectionDistance.size() ? subMesh.sectionDistance[i + 1] : 0.0;
      });
    });
  }
}

void SubMeshVtuSeries::write(const SubMesh& subMesh, double time, int stepNo) {
  const std::uint64_t points = count(pointCount_);
  const std::uint64_t cells = count(cellCount_);
  std::vector<VtuArray> arrays = fieldArrays(time, stepNo);
  // A point table that has not been filled yet reads as 0.0.
  auto pointValues = [points](const std::vector<double>& table) {
    return [&table, points](ByteSink& sink) {
      putTuples<double, 1>(sink, points, [&](std::size_t i, double* out) {
        *out = i + 1 < table.size() ? table[i + 1] : 0.0;
      });
    };
  };
  VtuArray totalHead = arrayOf<double>(VtuSection::point, "TotalHead", float64, points);
  totalHead.produce = pointValues(subMesh.pointTotalHead);
  arrays.push_back(std::move(totalHead));
  VtuArray pressureHead = arrayOf<double>(VtuSection::point, "PressureHead", float64, points);
  pressureHead.produce = pointValues(subMesh.pointPressureHead);
  arrays.push_back(std::move(pressureHead));
  if (withSectionDistance_) {
    arrays.push_back(constantArray(VtuSection::point, "SectionDistance", float64,
                                   points * sizeof(double), sectionDistance_));
  }
  arrays.push_back(constantArray(VtuSection::points, "Points", float64, points * 3 * sizeof(double),
                                 points_, 3));
  appendCellArrays(arrays, CellArrays{cells, cornerCount_}, connectivity_, offsets_, types_);

  OutputUnit& unit = files_.openStep();
  writeVtuFile(unit, encoder_, arrays, points, cells, scratch_);
  files_.closeStep(time);
}

void SubMeshVtuSeries::finish() {
  files_.finish();
}
