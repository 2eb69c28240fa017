// VTK XML unstructured-grid step files of the sub-mesh.
#include "common/stop.h"
#include "resconv/writers/vtu.h"
#include "resconv/writers/vtuPieces.h"

using namespace vtuPieces;

SubMeshVtuSeries::SubMeshVtuSeries(const SubMesh& subMesh, bool withSectionDistance,
                                   VtuEncoding encoding, SeriesFiles files, std::string stem)
    : pointCount_(std::max(subMesh.pointCount, 0)),
      cellCount_(std::max(subMesh.elementCount, 0)),
      withSectionDistance_(withSectionDistance),
      encoder_(encoding),
      files_(std::move(stem), std::move(files)) {
  const std::uint64_t pointSlots = count(pointCount_) + 1;
  requireSlots(std::span<const double>(subMesh.pointX), pointSlots, "pointX");
  requireSlots(std::span<const double>(subMesh.pointY), pointSlots, "pointY");
  requireSlots(std::span<const double>(subMesh.pointZ), pointSlots, "pointZ");
  requireSlots(std::span<const std::array<int, 4>>(subMesh.connectivity), count(cellCount_) + 1,
               "connectivity");
  for (int element = 1; element <= cellCount_; ++element) {
    const std::array<int, 4>& row = subMesh.connectivity[element];
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
      const std::array<int, 4>& row = subMesh.connectivity[element];
      const std::array<std::int64_t, 4> corners{row[0] - 1, row[1] - 1, row[2] - 1, row[3] - 1};
      sink.put(corners.data(), (isTriangle(row) ? 3 : 4) * sizeof(std::int64_t));
    }
  });
  encodeOnce(encoder_, offsets_, cells * sizeof(std::int64_t), [&](ByteSink& sink) {
    std::int64_t end = 0;
    putTuples<std::int64_t, 1>(sink, cells, [&](std::size_t i, std::int64_t* out) {
      end += isTriangle(subMesh.connectivity[i + 1]) ? 3 : 4;
      *out = end;
    });
  });
  encodeOnce(encoder_, types_, cells, [&](ByteSink& sink) {
    putTuples<std::uint8_t, 1>(sink, cells, [&](std::size_t i, std::uint8_t* out) {
      *out = isTriangle(subMesh.connectivity[i + 1]) ? vtkCellType::triangle : vtkCellType::quad;
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

void SubMeshVtuSeries::write(const SubMesh& subMesh, const ShownState& state) {
  const std::uint64_t points = count(pointCount_);
  const std::uint64_t cells = count(cellCount_);
  // The field arrays point at the time and step number while the file is written.
  double time = state.time;
  int stepNo = state.stepNo;
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

  OutputUnit& unit = files_.openStepAt(time);
  writeVtuFile(unit, encoder_, arrays, points, cells, scratch_);
  files_.closeStep(time);
}

void SubMeshVtuSeries::finish() {
  files_.finish();
}
