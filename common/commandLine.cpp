#include "common/commandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/console.h"
#include "common/platform.h"
#include "common/resultFile.h"
#include "common/stop.h"

#ifndef SEEPAGE_VERSION
#define SEEPAGE_VERSION "unknown"
#endif

namespace {

// Text for standard output, its lines ended by the platform's line end.
void writeStandardOutput(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += platform::lineEnd;
    } else {
      out += c;
    }
  }
  std::fflush(stdout);
  (void)platform::writeAll(1, out.data(), out.size());
}

}  // namespace

void addCommonOptions(CLI::App& app, CommonOptions& options) {
  // Options begin with '-' on every system; a word that begins with '/' is a file name.
  app.allow_windows_style_options(false);
  app.add_option("-C,--directory", options.directory,
                 "Run as if started in DIR: WORK.LST and relative file names are found there "
                 "and the output files are written there")
      ->type_name("DIR");
  auto* progress = app.add_flag("--progress", options.progress,
                                "Always draw the progress line on standard error (by default it "
                                "is drawn only when standard error is a terminal)");
  auto* noProgress =
      app.add_flag("--no-progress", options.noProgress, "Never draw the progress line");
  progress->excludes(noProgress);
  app.add_flag("-q,--quiet", options.quiet, "Do not list the files written at the end of the run");
  app.set_version_flag("--version", std::string(SEEPAGE_VERSION));
}

ProgressMode progressMode(const CommonOptions& options) {
  if (options.progress) return ProgressMode::always;
  if (options.noProgress) return ProgressMode::never;
  return ProgressMode::automatic;
}

void enterDirectory(const CommonOptions& options) {
  if (options.directory.empty()) return;
  if (const int error = platform::changeDirectory(options.directory); error != 0) {
    throw UsageError("-C: cannot enter the directory " + options.directory + ": " +
                     std::strerror(error));
  }
}

void addResultFileOption(CLI::App& app, std::string& resultName) {
  app.add_option("RESULT_FILE", resultName,
                 "The result file [answer 1 and its name]; without it, the name on the sixth "
                 "line of WORK.LST [answer 0]");
}

std::string openScriptedResultFile(const CommonOptions& options, const std::string& resultName,
                                   InputUnit& resultFile, ProgressMeter& progress) {
  enterDirectory(options);
  const std::string name = resultName.empty() ? readWorkListResultName() : resultName;
  openResultFile(resultFile, name);
  progress.follow(resultFile, fileSize(name));
  return name;
}

int runCommandLine(CLI::App& app, int argc, char** argv, const std::function<int()>& body) {
  const std::string program = app.get_name();
  auto usageError = [&](const std::string& message) {
    writeErrorLine(program + ": " + message + "; see '" + program + " --help'");
    return exitStatus::usage;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    writeStandardOutput(app.help());
    return exitStatus::done;
  } catch (const CLI::CallForVersion& e) {
    writeStandardOutput(std::string(e.what()) + "\n");
    return exitStatus::done;
  } catch (const CLI::ParseError& e) {
    return usageError(e.what());
  }
  try {
    return runProgram(body);
  } catch (const UsageError& e) {
    return usageError(e.what());
  }
}

void addStepSelectionOptions(CLI::App& app, StepSelection& selection, bool initialState) {
  app.add_option("--every", selection.every,
                 "Of the stored steps inside --from and --until, keep the first, every N-th "
                 "after it and always the last")
      ->type_name("N");
  app.add_option("--from", selection.from,
                 initialState ? "Keep only the outputs at time T or later (the initial state, "
                                "at time 0, only when T <= 0)"
                              : "Keep only the stored steps at time T or later")
      ->type_name("T");
  app.add_option("--until", selection.until,
                 initialState ? "Keep only the outputs at time T or earlier"
                              : "Keep only the stored steps at time T or earlier")
      ->type_name("T");
}

void checkStepSelection(const CLI::App& app, const StepSelection& selection) {
  const auto text = [&](const char* name) { return app.get_option(name)->as<std::string>(); };
  if (app.count("--every") > 0 && selection.every < 1) {
    throw UsageError("--every: " + text("--every") + " is not a whole number of 1 or more");
  }
  for (const char* name : {"--from", "--until"}) {
    const double time = std::string_view(name) == "--from" ? selection.from : selection.until;
    if (app.count(name) > 0 && !std::isfinite(time)) {
      throw UsageError(std::string(name) + ": " + text(name) + " is not a finite number");
    }
  }
  if (selection.from > selection.until) {
    throw UsageError("--from " + text("--from") + " is after --until " + text("--until"));
  }
}

const char* givenStepSelectionOption(const CLI::App& app) {
  for (const char* name : {"--every", "--from", "--until"}) {
    if (app.count(name) > 0) return name;
  }
  return nullptr;
}

void reportWrittenFiles(const CommonOptions& options, const std::vector<std::string>& names) {
  if (options.quiet) return;
  // Files in a folder (the step files of a series) are one line for the folder.
  std::vector<std::string> folders;
  std::vector<std::pair<int, unsigned long long>> folderTotals;
  for (const std::string& name : names) {
    const auto bytes = static_cast<unsigned long long>(fileSize(name));
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) {
      writeErrorLine("wrote " + name + " (" + std::to_string(bytes) + " bytes)");
      continue;
    }
    const std::string folder = name.substr(0, slash + 1);
    std::size_t k = 0;
    while (k < folders.size() && folders[k] != folder) ++k;
    if (k == folders.size()) {
      folders.push_back(folder);
      folderTotals.push_back({0, 0});
    }
    ++folderTotals[k].first;
    folderTotals[k].second += bytes;
  }
  for (std::size_t k = 0; k < folders.size(); ++k) {
    writeErrorLine("wrote " + std::to_string(folderTotals[k].first) +
                   (folderTotals[k].first == 1 ? " file in " : " files in ") + folders[k] + " (" +
                   std::to_string(folderTotals[k].second) + " bytes)");
  }
}

CLI::Validator namedValue(const NamedValues& names) {
  std::string list;
  for (const auto& entry : names) list += (list.empty() ? "" : ", ") + entry.first;
  return CLI::Validator(
      [names, list](std::string& value) -> std::string {
        for (const auto& [name, number] : names) {
          if (value == name) {
            value = std::to_string(number);
            return {};
          }
        }
        return "'" + value + "' is not one of " + list;
      },
      "");
}
