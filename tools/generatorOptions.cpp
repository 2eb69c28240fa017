#include "tools/generatorOptions.h"

#include <charconv>
#include <string_view>

const char* const generatorUsage =
    "usage: makeResultFile [options]\n"
    "  result file:  --out FILE  --nx N --ny N --nz N  --steps N | --target-mb M\n"
    "                --layout plain|mixed  --seed S  --title TEXT  --materials M\n"
    "                --unused N  --step-zero\n"
    "  time file:    --otf FILE  --times t1,t2,...|steps  --points N  --mesh-elements\n"
    "  graph file:   --graph FILE  --heads n1,n2,...  --pressures ...  --discharges ...\n"
    "                --velocities e1,e2,...  --step-capacity N\n";

const char* const generatorHelp =
    "Writes a plausible seepage result file of any size (streaming, deterministic for a seed),\n"
    "and an output-time file and a graph data file to go with it.\n"
    "\n"
    "Result file (--out FILE):\n"
    "  --nx N --ny N --nz N   hexahedra along x, y and z (default 4, 3, 2); some become prisms\n"
    "  --steps N              stored steps (default 3), or\n"
    "  --target-mb M          as many steps as make the file M MB (10^6 bytes)\n"
    "  --layout plain|mixed   one node per line, or seven values to a line with commas and\n"
    "                         repeat counts (default plain)\n"
    "  --seed S               the values' seed (default 1)\n"
    "  --title TEXT           the title record\n"
    "  --materials M          material numbers 1..M (default 3), some elements left out\n"
    "  --unused N             nodes no element names (default 2)\n"
    "  --step-zero            a stored step 0 at time 0.0 before step 1\n"
    "Output-time file (--otf FILE):\n"
    "  --times t1,t2,...      the requested times, or 'steps' for every stored step's time\n"
    "  --points N             N points of a sub-mesh (0..4444)\n"
    "  --mesh-elements        sub-mesh elements over those points (needs 4 points or more)\n"
    "Graph data file (--graph FILE):\n"
    "  --heads, --pressures, --discharges n1,n2,...   the node lists\n"
    "  --velocities e1,e2,... the element list\n"
    "  --step-capacity N      the step capacity (default: the steps written, or 100)\n"
    "\n"
    "Example: makeResultFile --out RES.DAT --nx 20 --ny 20 --nz 5 --steps 50 --otf OTF.DAT "
    "--times 10,20\n"
    "The file layouts are described in the README (\"Files written by hand\").\n";

namespace {

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool parseIntegerList(std::string_view text, std::vector<int>& values) {
  values.clear();
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    int value = 0;
    if (!parseNumber(text.substr(0, comma), value)) return false;
    values.push_back(value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (text.empty()) return false;
  }
  return true;
}

std::string checkRanges(const GeneratorOptions& options) {
  const GridShape& grid = options.grid;
  if (grid.nx < 1 || grid.ny < 1 || grid.nz < 1) return "--nx, --ny and --nz must be at least 1";
  if (options.materialCount < 1) return "--materials must be at least 1";
  if (options.unusedNodeCount < 0) return "--unused must not be negative";
  if (options.stepCount < 0) return "--steps must not be negative";
  if (options.targetMegabytes < 0.0) return "--target-mb must not be negative";
  if (options.pointCount < 0 || options.pointCount > 4444) return "--points must lie in 0..4444";
  if (options.meshElements && options.pointCount < 4)
    return "--mesh-elements needs at least 4 points";
  if (options.stepCapacity < 0) return "--step-capacity must not be negative";
  if (options.resultPath.empty() && options.timeFilePath.empty() && options.graphPath.empty())
    return "nothing to write: give --out, --otf or --graph";
  if (!options.timeFilePath.empty() && options.timeList == "steps" && options.resultPath.empty())
    return "--times steps needs the result file (--out) written in the same run";
  return {};
}

}  // namespace

std::string parseGeneratorOptions(int argc, char** argv, GeneratorOptions& options) {
  for (int at = 1; at < argc; ++at) {
    std::string_view name = argv[at];
    // Flags without a value.
    if (name == "--step-zero") {
      options.stepZero = true;
      continue;
    }
    if (name == "--mesh-elements") {
      options.meshElements = true;
      continue;
    }
    if (at + 1 >= argc) return "option " + std::string(name) + " needs a value";
    std::string_view value = argv[++at];
    bool good = true;
    if (name == "--nx")
      good = parseNumber(value, options.grid.nx);
    else if (name == "--ny")
      good = parseNumber(value, options.grid.ny);
    else if (name == "--nz")
      good = parseNumber(value, options.grid.nz);
    else if (name == "--steps")
      good = parseNumber(value, options.stepCount);
    else if (name == "--target-mb")
      good = parseNumber(value, options.targetMegabytes);
    else if (name == "--materials")
      good = parseNumber(value, options.materialCount);
    else if (name == "--unused")
      good = parseNumber(value, options.unusedNodeCount);
    else if (name == "--seed")
      good = parseNumber(value, options.seed);
    else if (name == "--points")
      good = parseNumber(value, options.pointCount);
    else if (name == "--step-capacity")
      good = parseNumber(value, options.stepCapacity);
    else if (name == "--heads")
      good = parseIntegerList(value, options.headNodes);
    else if (name == "--pressures")
      good = parseIntegerList(value, options.pressureNodes);
    else if (name == "--discharges")
      good = parseIntegerList(value, options.dischargeNodes);
    else if (name == "--velocities")
      good = parseIntegerList(value, options.velocityElements);
    else if (name == "--out")
      options.resultPath = value;
    else if (name == "--title")
      options.title = value;
    else if (name == "--otf")
      options.timeFilePath = value;
    else if (name == "--times")
      options.timeList = value;
    else if (name == "--graph")
      options.graphPath = value;
    else if (name == "--layout") {
      if (value == "plain")
        options.layout = Layout::plain;
      else if (value == "mixed")
        options.layout = Layout::mixed;
      else
        good = false;
    } else {
      return "unknown option " + std::string(name);
    }
    if (!good) return "bad value '" + std::string(value) + "' for " + std::string(name);
  }
  return checkRanges(options);
}
