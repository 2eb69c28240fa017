// Speed of the field editors and the formatted and free-form writers, in nanoseconds per field
// ("field" counter: CPU time per field) for the fields and records the writers use most.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/fieldEdit.h"
#include "common/freeForm.h"
#include "common/textFormat.h"

namespace {

constexpr std::size_t sampleCount = 4096;  // a power of two

// Values of the kind the records carry: heads, pressures, small velocities, both signs.
std::vector<double> sampleValues() {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> decade(-9.0, 3.0);
  std::vector<double> values(sampleCount);
  for (double& value : values) {
    value = std::pow(10.0, decade(random)) * ((random() & 3) == 0 ? -1 : 1);
  }
  return values;
}

// Time per field, shown by the "field" counter.
void countFields(benchmark::State& state, std::int64_t fieldsPerIteration) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * fieldsPerIteration);
  state.counters["field"] = benchmark::Counter(
      static_cast<double>(fieldsPerIteration),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// kP,Ew.d alone.
void editExponentField(benchmark::State& state, int width, int digits, int scale) {
  const std::vector<double> values = sampleValues();
  char field[32];
  std::size_t i = 0;
  for (auto _ : state) {
    editExponent(field, width, digits, scale, values[i++ & (sampleCount - 1)]);
    benchmark::DoNotOptimize(field);
    benchmark::ClobberMemory();
  }
  countFields(state, 1);
}
BENCHMARK_CAPTURE(editExponentField, 1P_E10_3, 10, 3, 1);
BENCHMARK_CAPTURE(editExponentField, 1P_E12_4, 12, 4, 1);
BENCHMARK_CAPTURE(editExponentField, 1P_E12_5, 12, 5, 1);
BENCHMARK_CAPTURE(editExponentField, 1P_E13_6, 13, 6, 1);
BENCHMARK_CAPTURE(editExponentField, E14_5, 14, 5, 0);
BENCHMARK_CAPTURE(editExponentField, E15_7, 15, 7, 0);

// Iw alone: node and element numbers.
void editIntegerField(benchmark::State& state, int width) {
  char field[32];
  std::int64_t i = 0;
  for (auto _ : state) {
    editInteger(field, width, (i++ * 7919) % 100000);
    benchmark::DoNotOptimize(field);
    benchmark::ClobberMemory();
  }
  countFields(state, 1);
}
BENCHMARK_CAPTURE(editIntegerField, I7, 7);
BENCHMARK_CAPTURE(editIntegerField, I12, 12);

// Whole records of one format; items of the pattern are refilled from the samples each time.
void writeRecordsOf(benchmark::State& state, const char* formatText, std::vector<Item> pattern) {
  const CompiledFormat format = compileFormat(formatText);
  const std::vector<double> values = sampleValues();
  OutputUnit unit(6);
  unit.openMemory();
  std::vector<Item> items = pattern;
  std::size_t next = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (std::size_t k = 0; k < items.size(); ++k) {
      if (items[k].kind == Item::Kind::real) {
        items[k].real = values[next++ & (sampleCount - 1)];
      } else {
        items[k].integer = static_cast<std::int64_t>(next++ & 65535);
      }
    }
    writeRecords(unit, format, items);
    if (unit.memory().size() > (1u << 20)) {
      bytes += static_cast<std::int64_t>(unit.memory().size());
      unit.openMemory();  // keeps the buffer's capacity
    }
  }
  bytes += static_cast<std::int64_t>(unit.memory().size());
  countFields(state, static_cast<std::int64_t>(pattern.size()));
  state.SetBytesProcessed(bytes);
}

void resultListLine(benchmark::State& state) {
  // (1X,3(I6,1P,3E12.4)): three nodes with head, pressure head and discharge.
  writeRecordsOf(state, "(1X,3(I6,1P,3E12.4))",
                 {1, 0.0, 0.0, 0.0, 2, 0.0, 0.0, 0.0, 3, 0.0, 0.0, 0.0});
}
BENCHMARK(resultListLine);

void tecplotNodeLine(benchmark::State& state) {
  writeRecordsOf(state, "(1P,E10.3,7(',',1P,E10.3))", {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0});
}
BENCHMARK(tecplotNodeLine);

void tecplotElementLine(benchmark::State& state) {
  writeRecordsOf(state, "(I7,7(',',I7))", {1, 2, 3, 4, 5, 6, 7, 8});
}
BENCHMARK(tecplotElementLine);

void avsDataLine(benchmark::State& state) {
  writeRecordsOf(state, "(I8,1X,5(1P,E12.5,' '))", {1, 0.0, 0.0, 0.0, 0.0, 0.0});
}
BENCHMARK(avsDataLine);

void interpLine(benchmark::State& state) {
  writeRecordsOf(state, "(E14.5,',',E14.5,',',E14.5,',',E14.5,',',E14.5)",
                 {0.0, 0.0, 0.0, 0.0, 0.0});
}
BENCHMARK(interpLine);

// Free-form records of an entity number, a comma and one value, as the output vectors carry
// them: the value in 1PG24.15E3 (double) or 1PG15.7E2 (single). Two fields per record.
void freeFormRecords(benchmark::State& state, bool single) {
  const std::vector<double> values = sampleValues();
  OutputUnit unit(6);
  unit.openMemory();
  std::size_t i = 0;
  for (auto _ : state) {
    const double value = values[i & (sampleCount - 1)];
    if (single) {
      writeFreeForm(unit, static_cast<int>(i), ",", Item::single(value));
    } else {
      writeFreeForm(unit, static_cast<int>(i), ",", value);
    }
    ++i;
    if (unit.memory().size() > (1u << 20)) unit.openMemory();
  }
  countFields(state, 2);
}
BENCHMARK_CAPTURE(freeFormRecords, double_1PG24_15E3, false);
BENCHMARK_CAPTURE(freeFormRecords, single_1PG15_7E2, true);

}  // namespace
