#pragma once
// End-to-end runs of the real programs: a fresh working directory, input files written into
// it, console answers on standard input, and the files the run leaves read back.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temporaryFolder.h"
#include "support/texts.h"

// The Windows programs (run under Wine) end every record with CR LF; the end-to-end suites are
// built against them with PROGRAMS_END_LINES_WITH_CRLF. The VTK series keep LF everywhere.
#ifdef PROGRAMS_END_LINES_WITH_CRLF
inline constexpr bool crlfPrograms = true;
#else
inline constexpr bool crlfPrograms = false;
#endif

// A text a run left (a file, or what it wrote on standard output or error) in the LF form the
// expectations are written in. From CR LF programs every line of it must end with CR LF, which
// is taken off; a line ending otherwise fails the test.
inline std::string programText(const std::string& text, const std::string& name) {
  if (!crlfPrograms || name.ends_with(".vtu") || name.ends_with(".pvd")) return text;
  std::string lf;
  lf.reserve(text.size());
  std::size_t line = 1;
  for (char c : text) {
    if (c != '\n') {
      lf.push_back(c);
      continue;
    }
    if (lf.empty() || lf.back() != '\r') {
      ADD_FAILURE() << name << ": line " << line << " ends with LF alone";
      return text;
    }
    lf.back() = '\n';
    ++line;
  }
  return lf;
}

struct ProgramResult {
  int exitStatus = -1;
  std::string standardOutput;  // in the LF form (programText)
  std::string standardError;
  std::string rawStandardOutput;  // byte for byte
  std::string rawStandardError;
};

// A fresh working directory under the system's temporary folder, removed with its contents.
class WorkDirectory : public testSupport::TemporaryFolder {
 public:
  WorkDirectory() : TemporaryFolder("seepage-e2e-") {}

  // Copies a file of tests/fixtures (or any path) into the directory under `name`.
  void copy(const std::filesystem::path& from, const std::string& name) const {
    std::filesystem::copy_file(from, path() / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  // A file of the directory as the run left it, in its LF form (programText).
  std::string read(const std::string& name) const { return programText(readBytes(name), name); }
  // A file of the directory byte for byte.
  std::string readBytes(const std::string& name) const {
    return testSupport::readFile(path() / name);
  }

  // Runs `program` in the directory with `answers` on standard input.
  ProgramResult run(const std::string& program, const std::string& answers) const {
    return runWithArguments(program, "", answers);
  }
  // Runs `program` in the directory with `arguments` (shell words, quoted by the caller) and
  // `answers` on standard input, in the environment `environment` sets (shell assignments).
  ProgramResult runWithArguments(const std::string& program, const std::string& arguments,
                                 const std::string& answers = "",
                                 const std::string& environment = "LC_ALL=C") const {
    write(".answers", answers);
    std::string command = "cd '" + path().string() + "' && " + environment + " '" + program + "' " +
                          arguments + " < .answers > .stdout 2> .stderr";
    int status = std::system(command.c_str());
    ProgramResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.rawStandardOutput = readBytes(".stdout");
    result.rawStandardError = readBytes(".stderr");
    result.standardOutput = programText(result.rawStandardOutput, "standard output");
    result.standardError = programText(result.rawStandardError, "standard error");
    for (const char* name : {".answers", ".stdout", ".stderr"}) {
      std::filesystem::remove(path() / name);
    }
    return result;
  }
};

using testSupport::fixturePath;
using testSupport::readFile;
using testSupport::sameText;
