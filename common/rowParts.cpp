#include "common/rowParts.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <vector>

#include "common/workPool.h"

namespace {

std::atomic<long long> leastRows{RowSplit{}.leastRows};
std::atomic<std::size_t> partBytes{RowSplit{}.partBytes};

// The buffers of the parts, kept for the calling thread's next rows.
std::vector<std::unique_ptr<OutputUnit>>& partUnits(std::size_t parts) {
  thread_local std::vector<std::unique_ptr<OutputUnit>> units;
  while (units.size() < parts) units.push_back(std::make_unique<OutputUnit>(0));
  return units;
}

}  // namespace

RowSplit rowSplit() {
  return {leastRows.load(std::memory_order_relaxed), partBytes.load(std::memory_order_relaxed)};
}

void setRowSplit(RowSplit split) {
  leastRows.store(std::max(1LL, split.leastRows), std::memory_order_relaxed);
  partBytes.store(std::max<std::size_t>(1, split.partBytes), std::memory_order_relaxed);
}

void writeRowsInParts(OutputUnit& unit, long long first, long long last, std::size_t rowBytes,
                      const RowFormatter& format) {
  const RowSplit split = rowSplit();
  const long long least = split.leastRows;
  if (partsFor(last - first, least) <= 1) {
    format(unit, first, last);
    return;
  }
  const long long roundRows =
      std::max(least, static_cast<long long>(split.partBytes / std::max<std::size_t>(rowBytes, 1)));
  while (first < last) {
    const int parts = partsFor(last - first, least);
    const long long perPart = std::min(roundRows, (last - first + parts - 1) / parts);
    std::vector<std::unique_ptr<OutputUnit>>& units = partUnits(static_cast<std::size_t>(parts));
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
    runParts(parts, [&](int part) {
      const long long begin = std::min(last, first + perPart * part);
      if (part == 0) {
        // The calling thread's own part goes straight into the unit, as one after another.
        format(unit, begin, std::min(last, begin + perPart));
        return;
      }
      OutputUnit& buffer = *units[static_cast<std::size_t>(part)];
      buffer.openPart();
      try {
        format(buffer, begin, std::min(last, begin + perPart));
      } catch (...) {
        failures[static_cast<std::size_t>(part)] = std::current_exception();
      }
    });
    // In order; a part that failed ends the rows after the records it had formatted, as the
    // failure would have ended them formatted here. A failure of the first part has ended
    // them at once.
    for (int part = 1; part < parts; ++part) {
      unit.appendRecords(units[static_cast<std::size_t>(part)]->partRecords());
      if (failures[static_cast<std::size_t>(part)]) {
        std::rethrow_exception(failures[static_cast<std::size_t>(part)]);
      }
    }
    first = std::min(last, first + perPart * parts);
  }
}
