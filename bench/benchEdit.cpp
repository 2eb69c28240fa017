// Speed of the field editors and the formatted writer: values/s and records/s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/fieldEdit.h"
#include "common/freeForm.h"
#include "common/textFormat.h"

namespace {

// Values of the kind the records carry: heads, pressures, small velocities, both signs.
std::vector<double> sampleValues(std::size_t count) {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> decade(-9.0, 3.0);
  std::vector<double> values(count);
  for (double& value : values) {
    value = std::pow(10.0, decade(random)) * ((random() & 3) == 0 ? -1 : 1);
  }
  return values;
}

void editExponent1PE12_4(benchmark::State& state) {
  const std::vector<double> values = sampleValues(4096);
  char field[12];
  std::size_t i = 0;
  for (auto _ : state) {
    editExponent(field, 12, 4, 1, values[i++ & 4095]);
    benchmark::DoNotOptimize(field);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(editExponent1PE12_4);

void editExponentE15_7(benchmark::State& state) {
  const std::vector<double> values = sampleValues(4096);
  char field[15];
  std::size_t i = 0;
  for (auto _ : state) {
    editExponent(field, 15, 7, 0, values[i++ & 4095]);
    benchmark::DoNotOptimize(field);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(editExponentE15_7);

void editInteger8(benchmark::State& state) {
  char field[8];
  std::int64_t i = 0;
  for (auto _ : state) {
    editInteger(field, 8, (i++ * 7919) % 1000000);
    benchmark::DoNotOptimize(field);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(editInteger8);

// Records/s of one format with `integers` integers and `reals` doubles per record.
void writeRecordsOf(benchmark::State& state, const char* formatText, std::vector<Item> pattern) {
  const CompiledFormat format = compileFormat(formatText);
  const std::vector<double> values = sampleValues(4096);
  OutputUnit unit(6);
  unit.openMemory();
  std::vector<Item> items = pattern;
  std::size_t next = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (std::size_t k = 0; k < items.size(); ++k) {
      if (items[k].kind == Item::Kind::real) items[k].real = values[next++ & 4095];
      else items[k].integer = static_cast<std::int64_t>(next++ & 65535);
    }
    writeRecords(unit, format, items);
    if (unit.memory().size() > (1u << 20)) {
      bytes += static_cast<std::int64_t>(unit.memory().size());
      unit.openMemory();  // keeps the buffer's capacity
    }
  }
  bytes += static_cast<std::int64_t>(unit.memory().size());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.SetBytesProcessed(bytes);
}

void writeNodeLines(benchmark::State& state) {
  // (1X,3(I6,1P,3E12.4)): three nodes with head, pressure head and discharge.
  writeRecordsOf(state, "(1X,3(I6,1P,3E12.4))",
                 {1, 0.0, 0.0, 0.0, 2, 0.0, 0.0, 0.0, 3, 0.0, 0.0, 0.0});
}
BENCHMARK(writeNodeLines);

void writeCommaSeparated(benchmark::State& state) {
  writeRecordsOf(state, "(1P,E10.3,7(',',1P,E10.3))",
                 {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0});
}
BENCHMARK(writeCommaSeparated);

void writeFreeFormDoubles(benchmark::State& state) {
  const std::vector<double> values = sampleValues(4096);
  OutputUnit unit(6);
  unit.openMemory();
  std::size_t i = 0;
  for (auto _ : state) {
    writeFreeForm(unit, static_cast<int>(i), ",", values[i & 4095]);
    ++i;
    if (unit.memory().size() > (1u << 20)) unit.openMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(writeFreeFormDoubles);

}  // namespace
