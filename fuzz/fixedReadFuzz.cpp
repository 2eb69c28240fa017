// Fuzz target: the fixed-column reader. The first line of the input is a format, the second
// chooses the list of targets (one character each: integer, real, or text of some length),
// the rest is the file. Statements are read one after another until the file ends; a stop
// (conversion error, end of file) is a normal outcome.
#include <string>
#include <vector>

#include "common/fixedRead.h"
#include "common/stop.h"
#include "fuzzInput.h"

namespace {

constexpr int maxStatements = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto [formatText, rest] = splitFirstLine(data, size);
  CompiledFormat format;
  std::string why;
  if (!tryCompileFormat(formatText, format, why)) return 0;
  auto [listText, fileText] =
      splitFirstLine(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());

  const bool endOfFileBranch = !listText.empty() && (listText[0] & 1) != 0;
  std::vector<int> integers(listText.size());
  std::vector<double> reals(listText.size());
  std::vector<std::string> texts(listText.size());
  std::vector<InputTarget> targets;
  for (std::size_t i = 0; i < listText.size(); ++i) {
    const auto c = static_cast<unsigned char>(listText[i]);
    switch (c % 3) {
      case 0:
        targets.emplace_back(integers[i]);
        break;
      case 1:
        targets.emplace_back(reals[i]);
        break;
      default:
        targets.emplace_back(texts[i], static_cast<int>(c / 3 % 40) + 1);
        break;
    }
  }

  try {
    InputUnit unit(7);
    openOnText(unit, fileText);
    for (int statement = 0; statement < maxStatements; ++statement) {
      if (!readRecords(unit, format, targets, endOfFileBranch)) break;
    }
  } catch (const RunStopped&) {
  }
  return 0;
}
