#pragma once
// ParaView time series: one VTK XML unstructured-grid file (.vtu) per output and a collection
// (.pvd) listing them with their times; one series for the solid mesh, one for the sub-mesh.
//
// Every array is binary appended data at full precision, raw or compressed (vtuEncoding.h).
// The arrays that do not change from step to step (points, cells, material and element
// numbers, the section distance) are encoded once, when the series begins, and copied into
// every step file; a step's own arrays are written straight from the converter's arrays.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"
#include "resconv/writers/pvd.h"
#include "resconv/writers/vtuEncoding.h"

// VTK's cell types.
namespace vtkCellType {
constexpr std::uint8_t triangle = 5;
constexpr std::uint8_t quad = 9;
constexpr std::uint8_t hexahedron = 12;
constexpr std::uint8_t wedge = 13;
}  // namespace vtkCellType

// Slots of the element's column, in the order of VTK's points of the cell. VTK's hexahedron
// starts with a face whose corners turn, by the right-hand rule, towards the opposite face;
// its wedge with a triangle that turns away from the opposite one. Elements whose tetrahedra
// have positive volume by signedVolume turn their first face away from the second, so the
// hexahedron takes its faces the other way round and the prism keeps its order.
constexpr int hexahedronVtkSlots[8] = {5, 6, 7, 8, 1, 2, 3, 4};
constexpr int prismVtkSlots[6] = {1, 2, 3, 4, 5, 6};

// One array of a .vtu file: where it stands, its attributes, and its bytes: encoded once
// (`encoded`) or produced for each step (`produce`).
enum class VtuSection { field, point, cell, points, cells };
struct VtuArray {
  VtuSection section = VtuSection::point;
  std::string_view name;
  std::string_view type;  // VTK's name of the value type: "Float64", "Int32", ...
  int components = 1;
  std::uint64_t tupleCount = 0;
  std::uint64_t byteCount = 0;
  const std::vector<char>* encoded = nullptr;
  std::function<void(ByteSink&)> produce;
};

// Writes one complete .vtu file. `scratch` keeps the compressed blocks of the step's own
// arrays until their sizes are known (one vector per array, reused from step to step).
void writeVtuFile(OutputUnit& unit, BlockEncoder& encoder, std::span<const VtuArray> arrays,
                  std::uint64_t pointCount, std::uint64_t cellCount,
                  std::vector<std::vector<char>>& scratch);

// The solid mesh: points are the nodes, cells the elements that are not left out.
//   point data  PressureHead, TotalHead, Discharge (Float64), NodeCode (Int32), Velocity
//               (Float64, 3 components: the nodal velocities)
//   cell data   Velocity (Float64, 3), Material (Int32), ElementNo (Int32: the element's
//               number in the result file)
//   field data  TimeValue (Float64), StepNo (Int32)
// The mesh's arrays must stay in place while the series lasts. A shown element with a corner
// that names no node of the mesh stops the run before any file is written.
class SolidVtuSeries {
 public:
  SolidVtuSeries(const SolidMesh& mesh, VtuEncoding encoding, SeriesFiles files,
                 std::string stem = "VTK");
  // STEM/STEM_NNNN.vtu of the next output.
  void write(const ShownState& state, const NodalVelocities& velocities);
  // STEM.pvd, listing every output written; removes step files of an earlier, longer run.
  void finish();
  int outputCount() const { return files_.stepCount(); }

 private:
  SolidMesh mesh_;
  std::vector<int> shownElements_;
  std::uint64_t cornerCount_ = 0;
  BlockEncoder encoder_;
  std::vector<char> points_, connectivity_, offsets_, types_, material_, elementNo_;
  std::vector<std::vector<char>> scratch_;
  StepFileSeries files_;
};

// The sub-mesh of the output-time file: its points, its quadrilaterals and triangles (a
// triangle repeats its third point as the fourth).
//   point data  TotalHead, PressureHead (Float64), and SectionDistance (Float64) when
//               `withSectionDistance` (the cross-section form's distance from xMin, yMin)
//   field data  TimeValue (Float64), StepNo (Int32)
// An element that names a point outside 1 to pointCount stops the run before any file is
// written.
class SubMeshVtuSeries {
 public:
  SubMeshVtuSeries(const SubMesh& subMesh, bool withSectionDistance, VtuEncoding encoding,
                   SeriesFiles files, std::string stem = "VTKMESH");
  // The values at the points as they stand in `subMesh`, at the shown state's time and step.
  void write(const SubMesh& subMesh, const ShownState& state);
  void finish();
  int outputCount() const { return files_.stepCount(); }

 private:
  int pointCount_ = 0;
  int cellCount_ = 0;
  bool withSectionDistance_ = false;
  std::uint64_t cornerCount_ = 0;
  BlockEncoder encoder_;
  std::vector<char> points_, connectivity_, offsets_, types_, sectionDistance_;
  std::vector<std::vector<char>> scratch_;
  StepFileSeries files_;
};
