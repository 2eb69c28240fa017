#pragma once
// What the command lines of both programs share: the options every scripted run takes, the
// usage error with its exit status 2, the working directory, and the summary of the files a
// run wrote. Any argument puts a program in scripted mode; without arguments it runs its
// console dialogue.
#include <CLI/CLI.hpp>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "common/stepSelection.h"
#include "common/units.h"

namespace exitStatus {
constexpr int done = 0;
constexpr int usage = 2;
}  // namespace exitStatus

// A command line that cannot be carried out as given; nothing has been created or truncated.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommonOptions {
  std::string directory;  // -C: run as if started there
  bool progress = false;
  bool noProgress = false;
  bool quiet = false;
};

// -C/--directory, --progress, --no-progress, -q/--quiet, --threads and --version.
void addCommonOptions(CLI::App& app, CommonOptions& options);
ProgressMode progressMode(const CommonOptions& options);
// Changes to the -C directory, if any; a usage error when it cannot be entered.
void enterDirectory(const CommonOptions& options);

// The RESULT_FILE argument of both programs.
void addResultFileOption(CLI::App& app, std::string& resultName);
// Enters the -C directory, opens the result file (the name given, or the one on the sixth
// record of WORK.LST) and has the progress line follow it; returns the name.
std::string openScriptedResultFile(const CommonOptions& options, const std::string& resultName,
                                   InputUnit& resultFile, ProgressMeter& progress);

// "unknown option --grpah; did you mean --graph?" for the first argument that names no option
// of the app (without "; did you mean" when no option is close); empty when every one does.
std::string unknownOptionMessage(const CLI::App& app, int argc, char** argv);

// Parses the arguments and runs the scripted body through the run-time stop handling. Help
// and version print and end with status 0; a parse or usage error prints one line naming the
// option, points to --help and ends with status 2; an unknown option is the one named, with
// the closest real one when there is one.
int runCommandLine(CLI::App& app, int argc, char** argv, const std::function<int()>& body);

// --every N, --from T and --until T: the stored steps a run shows, and, when the run shows
// it, the initial state at time 0.0.
void addStepSelectionOptions(CLI::App& app, StepSelection& selection, bool initialState);
// N of 1 or more, finite times, from at most until; a usage error naming the option otherwise.
void checkStepSelection(const CLI::App& app, const StepSelection& selection);
// The first of the step selection options given, or null when none is.
const char* givenStepSelectionOption(const CLI::App& app);

// One line on standard error per file written, with its size, unless quiet.
void reportWrittenFiles(const CommonOptions& options, const std::vector<std::string>& names);

// Option values given by name, each standing for a dialogue answer.
using NamedValues = std::vector<std::pair<std::string, int>>;
// Turns a name of `names` into its number; any other value is a usage error listing them.
CLI::Validator namedValue(const NamedValues& names);
