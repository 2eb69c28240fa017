// The floor: the least work any reader of a result file must do, on one core. Maps the file,
// skips the title line, walks the rest with a table of character classes (separator: blank,
// comma, tab, line end; digit; anything else), converts every number and sums them. The
// converter's reading time is measured against this one, so it is kept as fast as a bare
// reader can be.
//
// A short decimal, [+-]digits[.digits][E|e|D|d[+-]digits] with at most 19 significant digits, a
// mantissa of at most 2^53 and a power of ten from 10^-22 to 10^22, is read exactly: its digits as
// an integer, then one multiplication or division by the power of ten, both of which are exact
// doubles, so the one rounding of that operation is the correct one (the same value from_chars
// gives). Everything else goes through from_chars, a D exponent read as E. "r*value" stands for
// r copies of value.
//
//   floor RESULT-FILE
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// The file's bytes, mapped for reading.
class MappedFile {
 public:
  explicit MappedFile(const char* name) {
    descriptor_ = ::open(name, O_RDONLY);
    if (descriptor_ < 0) return;
    struct stat status;
    if (::fstat(descriptor_, &status) != 0) return;
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ == 0) {
      mapped_ = true;
      return;
    }
    void* bytes = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, descriptor_, 0);
    if (bytes == MAP_FAILED) return;
    ::madvise(bytes, size_, MADV_WILLNEED);
    bytes_ = static_cast<const char*>(bytes);
    mapped_ = true;
  }
  ~MappedFile() {
    if (bytes_ != nullptr) ::munmap(const_cast<char*>(bytes_), size_);
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool opened() const { return descriptor_ >= 0; }
  bool mapped() const { return mapped_; }
  const char* begin() const { return bytes_; }
  const char* end() const { return bytes_ + size_; }
  std::size_t size() const { return size_; }

 private:
  int descriptor_ = -1;
  const char* bytes_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
};

enum CharClass : unsigned char { other, separator, digit };

constexpr std::array<unsigned char, 256> classTable = [] {
  std::array<unsigned char, 256> table{};
  for (char c : {' ', ',', '\n', '\r', '\t'}) table[static_cast<unsigned char>(c)] = separator;
  for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = digit;
  return table;
}();

inline unsigned char classOf(const char* at) {
  return classTable[static_cast<unsigned char>(*at)];
}

// 10^0 .. 10^22, every one an exact double.
constexpr std::array<double, 23> exactPowers = [] {
  std::array<double, 23> powers{};
  double power = 1.0;
  for (double& entry : powers) {
    entry = power;
    power *= 10.0;
  }
  return powers;
}();
constexpr int largestExactPower = 22;
constexpr int mostMantissaDigits = 19;  // 10^19 - 1 fits 64 bits
constexpr std::uint64_t largestExactMantissa = std::uint64_t{1} << 53;
constexpr int mostExponentDigits = 4;

struct Totals {
  double sum = 0.0;
  unsigned long long numbers = 0;
  unsigned long long unconverted = 0;
};

// Reads the short decimal at `at` (see the top of the file), which ends at a separator. Returns
// the position after it, or nullptr when the token is anything else. The separator stops every
// loop here.
const char* readShortDecimal(const char* at, double& value) {
  const bool negative = *at == '-';
  if (negative || *at == '+') ++at;
  std::uint64_t mantissa = 0;  // wraps past 19 digits, which are then refused
  const char* digitsStart = at;
  while (classOf(at) == digit) mantissa = mantissa * 10 + static_cast<unsigned>(*at++ - '0');
  int digits = static_cast<int>(at - digitsStart);
  int scale = 0;
  if (*at == '.') {
    const char* fractionStart = ++at;
    while (classOf(at) == digit) mantissa = mantissa * 10 + static_cast<unsigned>(*at++ - '0');
    scale = -static_cast<int>(at - fractionStart);
    digits -= scale;
  }
  if (digits == 0 || digits > mostMantissaDigits) return nullptr;
  if (const char letter = static_cast<char>(*at | 0x20); letter == 'e' || letter == 'd') {
    ++at;
    const bool negativeExponent = *at == '-';
    if (negativeExponent || *at == '+') ++at;
    const char* exponentStart = at;
    int exponent = 0;
    while (classOf(at) == digit && at - exponentStart < mostExponentDigits) {
      exponent = exponent * 10 + (*at++ - '0');
    }
    if (at == exponentStart) return nullptr;
    scale += negativeExponent ? -exponent : exponent;
  }
  if (classOf(at) != separator) return nullptr;
  if (mantissa > largestExactMantissa || scale < -largestExactPower || scale > largestExactPower) {
    return nullptr;
  }
  const double magnitude = static_cast<double>(mantissa);
  value = scale < 0 ? magnitude / exactPowers[static_cast<std::size_t>(-scale)]
                    : magnitude * exactPowers[static_cast<std::size_t>(scale)];
  if (negative) value = -value;
  return at;
}

bool convert(std::string_view token, double& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc() && end == token.data() + token.size();
}

// Any token: from_chars, a D exponent mapped to E, a repeat count before the value.
void addToken(std::string_view token, Totals& totals) {
  double value = 0.0;
  if (convert(token, value)) {
    totals.sum += value;
    ++totals.numbers;
    return;
  }
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

// Reads the token at `at`, which ends at a separator; returns its end.
const char* readToken(const char* at, Totals& totals) {
  double value = 0.0;
  if (const char* after = readShortDecimal(at, value)) {
    totals.sum += value;
    ++totals.numbers;
    return after;
  }
  // A repeat count of a short decimal.
  const char* star = at;
  std::uint64_t copies = 0;
  while (classOf(star) == digit) copies = copies * 10 + static_cast<unsigned>(*star++ - '0');
  if (*star == '*' && star != at && star - at <= mostMantissaDigits) {
    if (const char* after = readShortDecimal(star + 1, value)) {
      totals.sum += value * static_cast<double>(copies);
      totals.numbers += copies;
      return after;
    }
  }
  const char* end = at;
  while (classOf(end) != separator) ++end;
  addToken({at, static_cast<std::size_t>(end - at)}, totals);
  return end;
}

void sumNumbers(const char* at, const char* end, Totals& totals) {
  // The last token, read on its own: every separator before it is followed by a token and
  // every token before it by a separator, which stop the walk's loops without checks of `end`.
  const char* lastEnd = end;
  while (lastEnd > at && classOf(lastEnd - 1) == separator) --lastEnd;
  if (lastEnd == at) return;  // no token
  const char* lastStart = lastEnd;
  while (lastStart > at && classOf(lastStart - 1) != separator) --lastStart;
  while (true) {
    while (classOf(at) == separator) ++at;
    if (at == lastStart) break;
    at = readToken(at, totals);
  }
  addToken({lastStart, static_cast<std::size_t>(lastEnd - lastStart)}, totals);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: floor RESULT-FILE\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  MappedFile file(argv[1]);
  if (!file.opened()) {
    std::fprintf(stderr, "floor: cannot open %s\n", argv[1]);
    return 2;
  }
  if (!file.mapped()) {
    std::fprintf(stderr, "floor: cannot map %s\n", argv[1]);
    return 2;
  }
  Totals totals;
  if (file.size() > 0) {
    const void* titleEnd = std::memchr(file.begin(), '\n', file.size());
    if (titleEnd != nullptr) sumNumbers(static_cast<const char*>(titleEnd) + 1, file.end(), totals);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto bytes = static_cast<unsigned long long>(file.size());
  std::printf("floor: %llu numbers (%llu unconverted), %llu bytes, %.3f s, %.1f MB/s, sum %.15E\n",
              totals.numbers, totals.unconverted, bytes, seconds,
              seconds > 0.0 ? static_cast<double>(bytes) / 1.0e6 / seconds : 0.0, totals.sum);
  return 0;
}
