#include "common/commandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/console.h"
#include "common/numberScan.h"
#include "common/platform.h"
#include "common/resultFile.h"
#include "common/stop.h"
#include "common/workPool.h"

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

// The edits that turn one word into the other: a letter put in, left out, changed, or two
// neighbours swapped.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// The first argument that names no option of the app ("--grpah", "-x"), or empty. The value
// after an option that takes one is not looked at, nor anything after "--"; a word that begins
// with '-' and a digit or '.' is a number.
std::string firstUnknownOption(const CLI::App& app, int argc, char** argv,
                               std::vector<std::string>& known) {
  std::vector<std::pair<std::string, const CLI::Option*>> options;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) options.emplace_back("--" + name, option);
    for (const std::string& name : option->get_snames()) options.emplace_back("-" + name, option);
  }
  for (const auto& entry : options) known.push_back(entry.first);
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    const bool number = argument.size() > 1 && (isDigit(argument[1]) || argument[1] == '.');
    if (argument.size() < 2 || argument[0] != '-' || number) continue;
    const bool longName = argument.starts_with("--");
    std::string_view name = argument.substr(0, longName ? argument.find('=') : 2);
    const auto found = std::find_if(options.begin(), options.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (found == options.end()) return std::string(name);
    const bool valueAttached = longName ? name.size() < argument.size() : argument.size() > 2;
    if (!valueAttached && found->second->get_expected_min() > 0) ++i;
  }
  return {};
}

}  // namespace

std::string unknownOptionMessage(const CLI::App& app, int argc, char** argv) {
  std::vector<std::string> known;
  const std::string unknown = firstUnknownOption(app, argc, argv, known);
  if (unknown.empty()) return {};
  std::string closest;
  std::size_t best = 0;
  const std::string_view word = std::string_view(unknown).substr(unknown.find_first_not_of('-'));
  for (const std::string& name : known) {
    const std::string_view candidate = std::string_view(name).substr(name.find_first_not_of('-'));
    const std::size_t distance = editDistance(word, candidate);
    // Close enough to be a slip of the fingers: two edits at most, and no more than half the
    // letters of the longer word.
    if (distance <= 2 && 2 * distance <= std::max(word.size(), candidate.size()) &&
        (closest.empty() || distance < best)) {
      closest = name;
      best = distance;
    }
  }
  if (closest.empty()) return "unknown option " + unknown;
  return "unknown option " + unknown + "; did you mean " + closest + "?";
}

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
  app.add_option_function<int>(
         "--threads", [](const int& threads) { setRunThreads(threads); },
         "Threads the run may use: the next stored step is read while the current one is "
         "written, and long records are formatted in parts at once (default: the machine's "
         "cores, or SEEPAGE_THREADS when set; 1 does everything on one thread)")
      ->type_name("N")
      ->check(CLI::Range(1, maxThreads));
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
    // A mistyped option is named first, whatever else the parse found wrong.
    const std::string unknown = unknownOptionMessage(app, argc, argv);
    if (unknown.ends_with("?")) {
      writeErrorLine(program + ": " + unknown + " See '" + program + " --help'");
      return exitStatus::usage;
    }
    return usageError(unknown.empty() ? std::string(e.what()) : unknown);
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
