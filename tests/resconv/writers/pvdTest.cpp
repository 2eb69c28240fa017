// The collection of a ParaView series and its step files on disk: names, stale files of an
// earlier run, and a collection that never names a file not whole on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/stop.h"
#include "resconv/writers/pvd.h"
#include "resconv/writers/vtu.h"
#include "support/meshes.h"
#include "support/temporaryFolder.h"
#include "support/vtuFiles.h"

namespace {

using testSupport::readFile;
using MemoryFiles = testSupport::MemorySeriesFiles;

// ---------------------------------------------------------------------------------------------

TEST(StepFileSeries, NamesAndStaleFilesOfAnEarlierRun) {
  EXPECT_EQ(stepFileName("VTK", 0), "VTK/VTK_0000.vtu");
  EXPECT_EQ(stepFileName("VTK", 9999), "VTK/VTK_9999.vtu");
  EXPECT_EQ(stepFileName("VTKMESH", 12345), "VTKMESH/VTKMESH_12345.vtu");

  testSupport::TemporaryFolder directory{"pvdTest-"};
  const auto folder = directory.path() / "VTK";
  std::filesystem::create_directories(folder);
  const char* earlier[] = {"VTK_0000.vtu", "VTK_0002.vtu",     "VTK_0005.vtu", "VTK_10000.vtu",
                           "VTK_12.vtu",   "VTK_0003.vtu.bak", "notes.txt",    "VTKMESH_0004.vtu"};
  for (const char* name : earlier) std::ofstream(folder / name) << "earlier";

  MixedMesh m;
  SolidVtuSeries series(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
  series.write(m.state(0.0, 0), m.velocities());
  series.write(m.state(1.0, 1), m.velocities());
  series.finish();
  EXPECT_EQ(series.outputCount(), 2);

  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"VTKMESH_0004.vtu", "VTK_0000.vtu", "VTK_0001.vtu",
                                            "VTK_0003.vtu.bak", "VTK_12.vtu", "notes.txt"}));
  EXPECT_TRUE(readFile(folder / "VTK_0000.vtu").starts_with("<?xml"));
  EXPECT_NE(readFile(directory.path() / "VTK.pvd").find("file=\"VTK/VTK_0001.vtu\""),
            std::string::npos);
}

// A run that stops keeps the steps it wrote: the collection lists them. A run that stops before
// its first step leaves the series of an earlier run as it was.
TEST(StepFileSeries, StoppedRunListsTheStepsItWrote) {
  testSupport::TemporaryFolder directory{"pvdTest-"};
  MixedMesh m;
  {
    SolidVtuSeries earlier(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    for (int step = 0; step < 3; ++step) earlier.write(m.state(step, step), m.velocities());
    earlier.finish();
  }
  const std::string earlierCollection = readFile(directory.path() / "VTK.pvd");
  { SolidVtuSeries none(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path())); }
  EXPECT_EQ(readFile(directory.path() / "VTK.pvd"), earlierCollection);
  EXPECT_TRUE(std::filesystem::exists(directory.path() / "VTK/VTK_0002.vtu"));

  try {
    SolidVtuSeries stopped(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    stopped.write(m.state(0.0, 0), m.velocities());
    stopRun(errorNumber::endOfFile, unitNumber::resultFile, "RES.DAT");
  } catch (const RunStopped&) {
  }
  const std::string collection = readFile(directory.path() / "VTK.pvd");
  EXPECT_NE(collection.find("file=\"VTK/VTK_0000.vtu\""), std::string::npos);
  EXPECT_EQ(collection.find("VTK_0001"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0001.vtu"));
}

// The collection on disk never names a file of another run or one not yet on its disk: the
// earlier run's is replaced by an empty one before the first step file is opened, and a step
// file is listed once it has been put on the disk, which is made sure of when the next one has
// been written, or at the end. The collection is written beside and renamed over the old one.
TEST(StepFileSeries, CollectionOnDiskListsTheWholeStepFilesOnly) {
  testSupport::TemporaryFolder directory{"pvdTest-"};
  MixedMesh m;
  {
    SolidVtuSeries earlier(m.view(), VtuEncoding::raw, seriesFilesIn(directory.path()));
    for (int step = 0; step < 5; ++step) earlier.write(m.state(step, step), m.velocities());
    earlier.finish();
  }
  const auto listedOnDisk = [&] {
    const std::string collection = readFile(directory.path() / "VTK.pvd");
    int entries = 0;
    for (std::size_t at = collection.find("<DataSet"); at != std::string::npos;
         at = collection.find("<DataSet", at + 1)) {
      ++entries;
    }
    return entries;
  };
  ASSERT_EQ(listedOnDisk(), 5);

  // At each opening: the collection on disk, and what was renamed over it.
  std::vector<std::string> events;
  SeriesFiles onDisk = seriesFilesIn(directory.path());
  SeriesFiles watched{
      directory.path(),
      [&](const std::string& name) -> OutputUnit& {
        events.push_back("open " + name + " listing " + std::to_string(listedOnDisk()));
        return onDisk.openFile(name);
      },
      [&](const std::string& name) {
        events.push_back("sync " + name);
        onDisk.syncFile(name);
      },
      [&](const std::string& from, const std::string& to) {
        events.push_back("rename " + from + " to " + to);
        onDisk.replaceFile(from, to);
      }};
  {
    SolidVtuSeries series(m.view(), VtuEncoding::raw, watched);
    series.write(m.state(0.0, 0), m.velocities());
    series.write(m.state(1.0, 1), m.velocities());
    series.finish();
  }
  EXPECT_EQ(events, (std::vector<std::string>{
                        "open VTK.pvd.tmp listing 5", "rename VTK.pvd.tmp to VTK.pvd",
                        "open VTK/VTK_0000.vtu listing 0", "open VTK/VTK_0001.vtu listing 0",
                        "sync VTK/VTK_0000.vtu", "open VTK.pvd.tmp listing 0",
                        "rename VTK.pvd.tmp to VTK.pvd",  // now listing step 0
                        "sync VTK/VTK_0001.vtu", "open VTK.pvd.tmp listing 1",
                        "rename VTK.pvd.tmp to VTK.pvd"}));
  EXPECT_EQ(listedOnDisk(), 2);
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK.pvd.tmp"));
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0002.vtu"));
}

// A long series of a small mesh: the collection is rewritten only once the step files written
// since its last rewrite are at least as large as it is, so the collections written stay
// smaller than the step files; the end lists every step all the same. A step file begun when
// the run stops is removed with those of an earlier run.
TEST(StepFileSeries, RewritingTheCollectionCostsLessThanTheStepFiles) {
  MemoryFiles files;
  MixedMesh m;
  std::uint64_t stepBytes = 0, collectionBytes = 0;
  int rewrites = 0;
  SeriesFiles counted = files.files();
  const auto replace = counted.replaceFile;
  counted.replaceFile = [&](const std::string& from, const std::string& to) {
    collectionBytes += files.text(from).size();
    ++rewrites;
    replace(from, to);
  };
  SolidVtuSeries series(m.view(), VtuEncoding::raw, counted);
  constexpr int steps = 400;
  for (int step = 0; step < steps; ++step) {
    series.write(m.state(step, step), m.velocities());
    stepBytes += files.text(stepFileName("VTK", step)).size();
  }
  EXPECT_LT(rewrites, steps);
  EXPECT_LT(collectionBytes, stepBytes);
  series.finish();
  const std::string& collection = files.text("VTK.pvd");
  EXPECT_NE(collection.find("timestep=\"399\" group=\"\" part=\"0\" file=\"VTK/VTK_0399.vtu\""),
            std::string::npos);
}

TEST(StepFileSeries, StepFileBegunWhenTheRunStopsIsRemoved) {
  testSupport::TemporaryFolder directory{"pvdTest-"};
  try {
    StepFileSeries series("VTK", seriesFilesIn(directory.path()));
    series.openStep().writeRecord("<?xml");
    series.closeStep(0.0);
    series.openStep().writeRecord("<?xml, cut short");
    stopRun(errorNumber::endOfFile, unitNumber::resultFile, "RES.DAT");
  } catch (const RunStopped&) {
  }
  EXPECT_TRUE(std::filesystem::exists(directory.path() / "VTK/VTK_0000.vtu"));
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "VTK/VTK_0001.vtu"));
  const std::string collection = readFile(directory.path() / "VTK.pvd");
  EXPECT_NE(collection.find("VTK/VTK_0000.vtu"), std::string::npos);
  EXPECT_EQ(collection.find("VTK/VTK_0001.vtu"), std::string::npos);
}

TEST(StepFileSeries, FileInTheWayOfTheFolderStops) {
  testSupport::TemporaryFolder directory{"pvdTest-"};
  std::ofstream(directory.path() / "VTK") << "a file, not a folder";
  try {
    StepFileSeries series("VTK", seriesFilesIn(directory.path()));
    FAIL() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_NE(stop.line().find("cannot create folder"), std::string::npos) << stop.line();
  }
}

}  // namespace
