// Writes the ParaView series of a result file the way the converter's step loop hands its
// outputs to the writers: the initial state at time 0.0, then every stored step, or, with an
// output-time file, every requested time interpolated between the stored steps around it. With
// --submesh the sub-mesh of the output-time file gets a series of its own, written at the
// initial state, every requested time and every stored step, in the order they fall due.
//
//   writeVtuSeries [--compress] [--times OUTPUT-TIME-FILE] [--submesh] [--section]
//                  RESULT-FILE OUTPUT-DIRECTORY
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/resultFile.h"
#include "common/stop.h"
#include "common/units.h"
#include "resconv/derived.h"
#include "resconv/outputTimeFile.h"
#include "resconv/writers/tecplot.h"
#include "resconv/writers/vtu.h"

namespace {

struct Options {
  bool compress = false;
  bool subMesh = false;
  bool section = false;
  std::string timesFile;
  std::string resultFile;
  std::string directory;
};

int usage() {
  std::fputs(
      "usage: writeVtuSeries [--compress] [--times OUTPUT-TIME-FILE] [--submesh] [--section] "
      "RESULT-FILE OUTPUT-DIRECTORY\n",
      stderr);
  return 2;
}

Options options;

std::size_t slots(int count) {
  return static_cast<std::size_t>(std::max(count, 0)) + 1;
}

int run() {
  InputUnit resultUnit(unitNumber::resultFile);
  openResultFile(resultUnit, options.resultFile);
  readResultTitle(resultUnit);
  const ResultCounts counts = readResultCounts(resultUnit);
  const int nodeCount = counts.nodeCount, elementCount = counts.elementCount;
  const int nodesPerElement = counts.nodesPerElement;

  std::vector<double> outputTimes;
  SubMesh subMesh;
  sizeSubMesh(subMesh, 0, 0);
  if (!options.timesFile.empty()) {
    InputUnit timesUnit(unitNumber::outputTimeFile);
    timesUnit.openOld(options.timesFile);
    const int timeCount = readOutputTimeCount(timesUnit);
    readOutputTimesAndSubMesh(timesUnit, timeCount, outputTimes, subMesh);
  }
  computeExtent(subMesh, options.section && subMesh.pointCount > 0);

  std::vector<double> x(slots(nodeCount)), y(x), z(x), pressureHead(x), discharge(x);
  std::vector<int> nodeCode(slots(nodeCount)), nodeUnused(slots(nodeCount), 1);
  std::vector<int> connectivity(static_cast<std::size_t>(std::max(elementCount, 0)) *
                                static_cast<std::size_t>(std::max(nodesPerElement, 0)));
  std::vector<int> materialNo(slots(elementCount)), elementFlag(slots(elementCount));
  readResultMesh(resultUnit, counts,
                 MeshArrays{x, y, z, pressureHead, discharge, nodeCode, connectivity, materialNo});
  for (int e = 1; e <= elementCount; ++e) {
    elementFlag[e] = materialNo[e] < 0 ? 1 : 0;
    for (int k = 1; k <= nodesPerElement; ++k) {
      const int node = elementNode(connectivity, nodesPerElement, e, k);
      if (node > 0) nodeUnused[node] = 0;
    }
  }
  const bool subMeshSeries = options.subMesh && subMesh.meshElementCount > 0;
  if (subMeshSeries) {
    locatePoints(x, y, z, connectivity, elementCount, nodesPerElement, subMesh);
  }

  std::vector<double> vx(slots(elementCount)), vy(vx), vz(vx);
  std::vector<double> prevPressureHead = pressureHead, prevDischarge = discharge;
  std::vector<double> prevVx(vx), prevVy(vx), prevVz(vx), outVx(vx), outVy(vx), outVz(vx);
  std::vector<double> outPressureHead(x), outDischarge(x);
  std::vector<double> nodeVx(x), nodeVy(x), nodeVz(x);
  std::vector<int> nodeElementCount(slots(nodeCount));

  const VtuEncoding encoding = options.compress ? VtuEncoding::compressed : VtuEncoding::raw;
  const SolidMesh mesh{nodeCount, elementCount, nodesPerElement, x,           y,
                       z,         connectivity, materialNo,      elementFlag, nodeUnused};
  SolidVtuSeries solid(mesh, encoding, seriesFilesIn(options.directory));
  std::optional<SubMeshVtuSeries> meshSeries;
  if (subMeshSeries) {
    meshSeries.emplace(subMesh, options.section, encoding, seriesFilesIn(options.directory));
  }

  auto writeSolid = [&](std::span<const double> p, std::span<const double> q,
                        std::span<const double> ex, std::span<const double> ey,
                        std::span<const double> ez, double time, int stepNo) {
    averageNodalVelocities(ex, ey, ez, connectivity, elementFlag, nodeCount, elementCount,
                           nodesPerElement, nodeVx, nodeVy, nodeVz, nodeElementCount);
    solid.write(ShownState{p, q, nodeCode, ex, ey, ez, time, stepNo},
                NodalVelocities{nodeVx, nodeVy, nodeVz, nodeElementCount});
  };
  auto writeSubMesh = [&](std::span<const double> p, double time, int stepNo) {
    if (!meshSeries) return;
    computePointValues(p, z, subMesh);
    meshSeries->write(subMesh, time, stepNo);
  };

  writeSolid(pressureHead, discharge, vx, vy, vz, 0.0, 0);
  if (meshSeries) meshSeries->write(subMesh, 0.0, 0);  // point values still 0.0

  const bool timeSelection = !options.timesFile.empty();
  double previousTime = 0.0;
  int stepNo = 0;
  double time = 0.0;
  const StepArrays step{pressureHead, discharge, nodeCode, vx, vy, vz};
  while (readResultStep(resultUnit, counts, stepNo, time, step)) {
    if (timeSelection && stepNo != 0) {
      for (std::size_t t = 1; t < outputTimes.size(); ++t) {
        const double outputTime = outputTimes[t];
        if (!(previousTime < outputTime && outputTime <= time)) continue;
        const double a = outputTime - previousTime, b = time - outputTime, d = time - previousTime;
        for (int n = 1; n <= nodeCount; ++n) {
          outPressureHead[n] = (pressureHead[n] * a + prevPressureHead[n] * b) / d;
          outDischarge[n] = (discharge[n] * a + prevDischarge[n] * b) / d;
        }
        for (int e = 1; e <= elementCount; ++e) {
          outVx[e] = (vx[e] * a + prevVx[e] * b) / d;
          outVy[e] = (vy[e] * a + prevVy[e] * b) / d;
          outVz[e] = (vz[e] * a + prevVz[e] * b) / d;
        }
        writeSolid(outPressureHead, outDischarge, outVx, outVy, outVz, outputTime, stepNo);
        writeSubMesh(outPressureHead, outputTime, stepNo);
      }
    } else {
      writeSolid(pressureHead, discharge, vx, vy, vz, time, stepNo);
    }
    writeSubMesh(pressureHead, time, stepNo);
    prevPressureHead = pressureHead;
    prevDischarge = discharge;
    prevVx = vx;
    prevVy = vy;
    prevVz = vz;
    previousTime = time;
  }
  solid.finish();
  if (meshSeries) meshSeries->finish();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--compress") {
      options.compress = true;
    } else if (arg == "--submesh") {
      options.subMesh = true;
    } else if (arg == "--section") {
      options.section = true;
    } else if (arg == "--times" && i + 1 < argc) {
      options.timesFile = argv[++i];
    } else if (arg.starts_with("--")) {
      return usage();
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return usage();
  options.resultFile = positional[0];
  options.directory = positional[1];
  return runProgram(run);
}
