// Point location in a large generated mesh: 10,000 points among 1,000,000 elements.
#include <benchmark/benchmark.h>

#include <random>

#include "resconv/derived.h"
#include "resconv/pointIndex.h"
#include "tests/support/meshes.h"

namespace {

// 96 x 100 x 100 cells, every 24th cut into two prisms: 1,000,000 elements.
constexpr int cellsAlongX = 96;
constexpr int cellsPerSide = 100;
constexpr int pointCount = 10000;

const TestMesh& largeMesh() {
  static const TestMesh mesh = makeBlockMesh(cellsAlongX, cellsPerSide, cellsPerSide, 1.0, 0.1, 24);
  return mesh;
}

// Points over the block and a margin around it, so some lie outside every element.
SubMesh randomPoints(int count) {
  SubMesh subMesh;
  subMesh.pointCount = count;
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> coordinate(-2.0, cellsPerSide + 2.0);
  subMesh.pointX.assign(1, 0.0);
  subMesh.pointY.assign(1, 0.0);
  subMesh.pointZ.assign(1, 0.0);
  for (int p = 1; p <= count; ++p) {
    subMesh.pointX.push_back(coordinate(random));
    subMesh.pointY.push_back(coordinate(random));
    subMesh.pointZ.push_back(coordinate(random));
  }
  return subMesh;
}

// The whole operation the converter runs: build the index, then locate every point.
void locateTenThousandPoints(benchmark::State& state) {
  const TestMesh& mesh = largeMesh();
  SubMesh subMesh = randomPoints(pointCount);
  const SolidMesh view = mesh.view();
  for (auto _ : state) {
    locatePoints(view, subMesh);
    benchmark::DoNotOptimize(subMesh.pointWeight.data());
  }
  state.counters["elements"] = mesh.elementCount();
  state.counters["points"] = pointCount;
}
BENCHMARK(locateTenThousandPoints)->Unit(benchmark::kMillisecond)->Iterations(3);

void buildIndex(benchmark::State& state) {
  const SolidMesh view = largeMesh().view();
  for (auto _ : state) {
    PointIndex index = buildPointIndex(view);
    benchmark::DoNotOptimize(index.cellElement.data());
  }
}
BENCHMARK(buildIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// Per point, index already built; against the search through every element in order.
void locateOnePointIndexed(benchmark::State& state) {
  const SolidMesh view = largeMesh().view();
  const PointIndex index = buildPointIndex(view);
  const SubMesh points = randomPoints(pointCount);
  int p = 0;
  for (auto _ : state) {
    p = p % pointCount + 1;
    benchmark::DoNotOptimize(
        locateIndexed(index, view, {points.pointX[p], points.pointY[p], points.pointZ[p]}));
  }
}
BENCHMARK(locateOnePointIndexed)->Unit(benchmark::kMicrosecond);

void locateOnePointExhaustive(benchmark::State& state) {
  const SolidMesh view = largeMesh().view();
  const SubMesh points = randomPoints(pointCount);
  int p = 0;
  for (auto _ : state) {
    p = p % pointCount + 1;
    benchmark::DoNotOptimize(
        locateExhaustive(view, {points.pointX[p], points.pointY[p], points.pointZ[p]}));
  }
}
BENCHMARK(locateOnePointExhaustive)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
