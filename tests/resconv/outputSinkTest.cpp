// The output sink's MicroAVS scratch file on disk: written during the loop, flushed, closed and
// read back from its start for each assembly, and left on disk after the run.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "resconv/outputSink.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::readFile;
using testSupport::TemporaryFolder;
using testSupport::withLineEnds;
using testSupport::WorkingFolder;

std::vector<std::string> recordsRead(InputUnit& unit) {
  std::vector<std::string> records;
  std::string_view record;
  while (unit.nextRecord(record)) records.emplace_back(record);
  return records;
}

TEST(OutputSink, ScratchFileIsReadBackFromItsStartAtEachCall) {
  TemporaryFolder folder;
  WorkingFolder here(folder.path());
  MemoryUnit console(unitNumber::console);
  {
    OutputSink sink(console);
    sink.openOutput("AVS.INP");
    OutputUnit& scratch = sink.avsScratch();
    scratch.writeRecord("step1");
    scratch.writeRecord("5   3");
    EXPECT_EQ(&sink.avsScratch(), &scratch);  // open until it is read back
    EXPECT_EQ(recordsRead(sink.rereadAvsScratch()), (std::vector<std::string>{"step1", "5   3"}));
    EXPECT_EQ(recordsRead(sink.rereadAvsScratch()), (std::vector<std::string>{"step1", "5   3"}));
    EXPECT_EQ(sink.written(), (std::vector<std::string>{"AVS.INP", "AVS.tmp"}));
    sink.closeAll();
  }
  EXPECT_EQ(readFile(folder.path() / avsScratchName), withLineEnds("step1\n5   3\n"));
}

// Once read back, the scratch file asked for again is opened anew, empty.
TEST(OutputSink, ScratchFileAskedForAfterItWasReadBackIsEmpty) {
  TemporaryFolder folder;
  WorkingFolder here(folder.path());
  MemoryUnit console(unitNumber::console);
  OutputSink sink(console);
  sink.avsScratch().writeRecord("step1");
  EXPECT_EQ(recordsRead(sink.rereadAvsScratch()).size(), 1u);
  sink.avsScratch();
  EXPECT_TRUE(recordsRead(sink.rereadAvsScratch()).empty());
  sink.closeAll();
}

}  // namespace
