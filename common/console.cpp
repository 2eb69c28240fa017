#include "common/console.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "common/fixedRead.h"
#include "common/freeForm.h"
#include "common/platform.h"
#include "common/stop.h"

namespace {

// Code page 932 codes of the characters the prompts use, by Unicode code point.
struct CodePair {
  std::uint32_t unicode;
  std::uint16_t codePage932;
};
constexpr std::array<CodePair, 72> codePage932Table{{
    {0x3000, 0x8140}, {0x3002, 0x8142}, {0x3046, 0x82A4}, {0x304B, 0x82A9}, {0x3057, 0x82B5},
    {0x3059, 0x82B7}, {0x305F, 0x82BD}, {0x306E, 0x82CC}, {0x306F, 0x82CD}, {0x307F, 0x82DD},
    {0x3080, 0x82DE}, {0x3089, 0x82E7}, {0x308B, 0x82E9}, {0x3092, 0x82F0}, {0x30A1, 0x8340},
    {0x30A4, 0x8343}, {0x30B0, 0x834F}, {0x30B7, 0x8356}, {0x30B9, 0x8358}, {0x30BF, 0x835E},
    {0x30C3, 0x8362}, {0x30C7, 0x8366}, {0x30C8, 0x8367}, {0x30D5, 0x8374}, {0x30E1, 0x8381},
    {0x30E5, 0x8385}, {0x30E9, 0x8389}, {0x30EA, 0x838A}, {0x30EB, 0x838B}, {0x30FB, 0x8145},
    {0x30FC, 0x815B}, {0x4F7F, 0x8E67}, {0x5024, 0x926C}, {0x5165, 0x93FC}, {0x51FA, 0x8F6F},
    {0x521D, 0x8F89}, {0x529B, 0x97CD}, {0x5316, 0x89BB}, {0x540D, 0x96BC}, {0x56F3, 0x907D},
    {0x5B9A, 0x92E8}, {0x5C0F, 0x8FAC}, {0x5E73, 0x95BD}, {0x5EA7, 0x8DC0}, {0x5F0F, 0x8EAE},
    {0x5F62, 0x8C60}, {0x629E, 0x91F0}, {0x6307, 0x8E77}, {0x65AD, 0x9266}, {0x6642, 0x8E9E},
    {0x6700, 0x8DC5}, {0x671F, 0x8AFA}, {0x679C, 0x89CA}, {0x6A19, 0x9557}, {0x6D41, 0x97AC},
    {0x7528, 0x9770}, {0x7B97, 0x8E5A}, {0x7D50, 0x8C8B}, {0x884C, 0x8D73}, {0x8A08, 0x8C76},
    {0x8A2D, 0x90DD}, {0x8AAD, 0x93C7}, {0x8DDD, 0x8B97}, {0x8FBC, 0x8D9E}, {0x9078, 0x9149},
    {0x91CF, 0x97CA}, {0x9593, 0x8AD4}, {0x96E2, 0x97A3}, {0x9762, 0x96CA}, {0xFF08, 0x8169},
    {0xFF09, 0x816A}, {0xFF1F, 0x8148},
}};

// Decodes one UTF-8 sequence at text[i]; advances i.
std::uint32_t decodeUtf8(std::string_view text, std::size_t& i) {
  auto byte = [&](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[k]));
  };
  std::uint32_t first = byte(i);
  std::size_t length = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
  if (i + length > text.size()) length = 1;
  std::uint32_t code = length == 1 ? first : first & (0x3Fu >> (length - 1));
  for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (byte(i + k) & 0x3F);
  i += length;
  return code;
}

const std::string_view workListName = "WORK.LST";

}  // namespace

std::string toCodePage932(std::string_view utf8Text) {
  std::string out;
  out.reserve(utf8Text.size());
  for (std::size_t i = 0; i < utf8Text.size();) {
    std::uint32_t code = decodeUtf8(utf8Text, i);
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    auto found =
        std::lower_bound(codePage932Table.begin(), codePage932Table.end(), code,
                         [](const CodePair& pair, std::uint32_t c) { return pair.unicode < c; });
    if (found != codePage932Table.end() && found->unicode == code) {
      out.push_back(static_cast<char>(found->codePage932 >> 8));
      out.push_back(static_cast<char>(found->codePage932 & 0xFF));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

namespace {

// Well-formed UTF-8 (ASCII included).
bool isUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto first = static_cast<unsigned char>(text[i]);
    const std::size_t length = first < 0x80           ? 1
                               : (first >> 5) == 0x06 ? 2
                               : (first >> 4) == 0x0E ? 3
                               : (first >> 3) == 0x1E ? 4
                                                      : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x02) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

std::string titleForConsole(std::string_view title, bool utf8Console) {
  if (!utf8Console || isUtf8(title)) return std::string(title);
  return platform::codePage932ToUtf8(title);
}

void openConsole(Console& console) {
  console.out.openStandardOutput();
  console.in.openStandardInput();
  console.utf8 = platform::consoleIsUtf8();
}

void writePrompt(Console& console, std::string_view utf8Text) {
  if (console.utf8) {
    // A terminal line is not cut at 80 bytes: UTF-8 takes more bytes than the code page.
    console.out.append(" ");
    console.out.writeRecord(utf8Text);
  } else {
    writeFreeForm(console.out, std::string_view(toCodePage932(utf8Text)));
  }
}

namespace {

// One value read free-form from the console, after the prompts before it are shown.
template <class Number>
Number readConsoleValue(Console& console) {
  console.out.flush();
  Number answer{};
  FreeFormRead statement(console.in);
  statement.read(answer);
  statement.finish();
  return answer;
}

const RecordLayout nameLayout{"(A20)"};

}  // namespace

int readAnswer(Console& console) {
  return readConsoleValue<int>(console);
}

double readRealAnswer(Console& console) {
  return readConsoleValue<double>(console);
}

std::string readFileName(Console& console) {
  static const CompiledFormat nameFormat = compileFormat(nameLayout);
  console.out.flush();
  std::string name;
  const std::array<InputTarget, 1> targets{InputTarget(name, 20)};
  readRecords(console.in, nameFormat, targets);
  return std::string(trimName(name));
}

std::string readWorkListResultName() {
  static const CompiledFormat nameFormat = compileFormat(nameLayout);
  InputUnit workList(unitNumber::workList);
  workList.openOld(workListName);
  std::string name;
  const std::array<InputTarget, 1> targets{InputTarget(name, 20)};
  for (int record = 0; record < 6; ++record) readRecords(workList, nameFormat, targets);
  workList.close();
  return std::string(trimName(name));
}

std::string chooseResultFile(Console& console) {
  writePrompt(console, "---  結果ファイル（図化用）の読み込みの設定 ");
  writePrompt(console, "---    WORK.LSTから読み込む/0");
  writePrompt(console, "---    ファイル名を入力　　/1");
  if (readAnswer(console) == 0) return readWorkListResultName();
  writePrompt(console, "--- 結果ファイル名の入力 ");
  return readFileName(console);
}
