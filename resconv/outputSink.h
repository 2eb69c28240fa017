#pragma once
// Where the writers' records go. The sink opens and closes the files of a run by name, so no
// writer ever opens one: the run's output file (or the console while none is open), the
// second file of a form that writes two, the MicroAVS scratch file that sections are written
// to and assembled from at the end, and files of their own for forms that write one file per
// output. It keeps the list of what was written for the end-of-run summary.
//
// A failed write of the scratch file names the file it is assembled into, the scratch file in
// its place; and a run that ends early through an interrupt or a failed write of its output or
// scratch file leaves no scratch file behind.
#include <string>
#include <string_view>
#include <vector>

#include "common/units.h"

// The name of the MicroAVS scratch file, in the working folder.
inline constexpr std::string_view avsScratchName = "AVS.tmp";

class OutputSink {
 public:
  // `console` takes the records while no output file is open.
  explicit OutputSink(OutputUnit& console) : console_(console) {}
  ~OutputSink();
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  // Opens the run's one output file on its unit.
  void openOutput(std::string_view name);
  // The output file is removed if the run ends, however it ends, without a byte written to
  // it (the restart file of a run that never reached the restart time).
  void removeOutputIfEmpty() { removeEmptyOutput_ = true; }
  // The output file, or the console when none is open.
  OutputUnit& output() { return output_.isOpen() ? output_ : console_; }

  // The second file of a form that writes two, beside the output file, open for the run.
  void openSecondFile(std::string_view name);
  OutputUnit& secondFile() { return secondFile_; }

  // The MicroAVS scratch file, opened as avsScratchName on first use, and opened anew (empty)
  // when it has been closed for reading.
  OutputUnit& avsScratch();
  // The scratch file from its start for reading: what was written is flushed and closed, and
  // the file opened anew, at each call.
  InputUnit& rereadAvsScratch();

  // A file of its own (a step file of a series, or its collection), open until the caller
  // closes it or opens the next one.
  OutputUnit& openFile(const std::string& name);
  // Puts the closed file `name` on the disk (syncFileDurably).
  void syncFile(const std::string& name);
  // Renames the file `from` over `to` in one step (replaceFileDurably); the summary lists `to`.
  void replaceFile(const std::string& from, const std::string& to);

  // Flushes and closes every file; a failed write stops the run with a message naming it.
  void closeAll();
  // The files opened for writing, in the order opened.
  const std::vector<std::string>& written() const { return names_; }

 private:
  void remember(std::string_view name);
  // Closes and removes the output file if removeOutputIfEmpty() was asked and it is empty.
  void dropEmptyOutput();

  OutputUnit& console_;
  OutputUnit output_{unitNumber::output};
  OutputUnit secondFile_{unitNumber::secondFile};
  OutputUnit scratch_{unitNumber::avsScratch};
  InputUnit scratchReader_{unitNumber::avsScratch};
  bool scratchOpened_ = false;
  OutputUnit seriesFile_{unitNumber::seriesFile};
  std::vector<std::string> names_;
  bool removeEmptyOutput_ = false;
};
