// The floor: the least work any reader of a result file must do. Reads the file in large
// blocks, splits it on blanks, commas and line ends, converts every number with from_chars and
// sums them. Skips the title line; maps a D exponent to E and expands "r*value" repeats, the
// two forms from_chars does not take directly. The converter's reading time is measured
// against this one.
//
//   floor RESULT-FILE
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t blockSize = std::size_t{8} << 20;

struct Totals {
  double sum = 0.0;
  unsigned long long numbers = 0;
  unsigned long long unconverted = 0;
};

bool isSeparator(char c) {
  return c == ' ' || c == ',' || c == '\n' || c == '\r' || c == '\t';
}

bool convert(std::string_view token, double& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc() && end == token.data() + token.size();
}

void addToken(std::string_view token, Totals& totals) {
  double value = 0.0;
  if (convert(token, value)) {
    totals.sum += value;
    ++totals.numbers;
    return;
  }
  // The rare forms: a repeat count before the value, a D exponent.
  unsigned long long copies = 1;
  if (std::size_t star = token.find('*'); star != std::string_view::npos) {
    auto [end, error] = std::from_chars(token.data(), token.data() + star, copies);
    if (error != std::errc() || end != token.data() + star) {
      ++totals.unconverted;
      return;
    }
    token.remove_prefix(star + 1);
  }
  char text[64];
  if (token.size() >= sizeof text) {
    ++totals.unconverted;
    return;
  }
  std::memcpy(text, token.data(), token.size());
  for (std::size_t at = 0; at < token.size(); ++at) {
    if (text[at] == 'D' || text[at] == 'd') text[at] = 'E';
  }
  if (!convert({text, token.size()}, value)) {
    ++totals.unconverted;
    return;
  }
  totals.sum += value * static_cast<double>(copies);
  totals.numbers += copies;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: floor RESULT-FILE\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "floor: cannot open %s\n", argv[1]);
    return 2;
  }
  std::vector<char> buffer(blockSize + 1);
  Totals totals;
  unsigned long long bytes = 0;
  std::size_t kept = 0;  // an unfinished token carried to the front of the buffer
  bool inTitle = true;
  while (true) {
    std::size_t got = std::fread(buffer.data() + kept, 1, blockSize - kept, file);
    bytes += got;
    std::size_t filled = kept + got;
    bool last = got == 0 || std::feof(file);
    const char* at = buffer.data();
    const char* end = buffer.data() + filled;
    if (inTitle) {
      const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', filled));
      if (lineEnd != nullptr) {
        at = lineEnd + 1;
        inTitle = false;
      } else {
        at = end;
      }
    }
    while (at < end) {
      while (at < end && isSeparator(*at)) ++at;
      const char* tokenStart = at;
      while (at < end && !isSeparator(*at)) ++at;
      if (at == tokenStart) break;
      if (at == end && !last) {
        at = tokenStart;  // may continue in the next block
        break;
      }
      addToken({tokenStart, static_cast<std::size_t>(at - tokenStart)}, totals);
    }
    kept = static_cast<std::size_t>(end - at);
    if (kept == blockSize) {
      std::fprintf(stderr, "floor: a token longer than %zu bytes\n", blockSize);
      return 2;
    }
    std::memmove(buffer.data(), at, kept);
    if (last) break;
  }
  bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (readFailed) {
    std::fprintf(stderr, "floor: read error in %s\n", argv[1]);
    return 2;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("floor: %llu numbers (%llu unconverted), %llu bytes, %.3f s, %.1f MB/s, sum %.15E\n",
              totals.numbers, totals.unconverted, bytes, seconds,
              seconds > 0.0 ? static_cast<double>(bytes) / 1.0e6 / seconds : 0.0, totals.sum);
  return 0;
}
