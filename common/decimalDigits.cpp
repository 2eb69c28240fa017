// The power-of-ten tables of the digit generator, the generator's exact fallback and the
// shortest text of a double.
#include "common/decimalDigits.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace {

constexpr std::array<PowerOfTen, powerCount> makePowerTable() {
  constexpr int words = 42;              // 1344 bits: 10^342 < 2^1137
  constexpr int reciprocalShift = 1312;  // 2^1312 / 10^342 still has 176 bits
  using Number = std::array<std::uint32_t, words>;
  // The leading 64 bits of `number` and the binary exponent of their last one.
  auto leading = [](const Number& number, int scale) {
    int top = words - 1;  // the highest word in use
    while (number[static_cast<std::size_t>(top)] == 0) --top;
    auto word = [&number](int i) -> std::uint64_t {
      return i >= 0 ? number[static_cast<std::size_t>(i)] : 0;
    };
    const int lead = 31 - std::countl_zero(number[static_cast<std::size_t>(top)]);
    const int shift = 31 - lead;  // moves the leading bit of the two top words to bit 63
    const std::uint64_t high = (word(top) << 32) | word(top - 1);
    const std::uint64_t mantissa =
        shift == 0 ? high : (high << shift) | (word(top - 2) >> (32 - shift));
    return PowerOfTen{mantissa, top * 32 + lead - 63 + scale};
  };
  std::array<PowerOfTen, powerCount> table{};
  Number number{};
  number[0] = 1;
  for (int k = 0; k <= maxPower; ++k) {
    table[static_cast<std::size_t>(k - minPower)] = leading(number, 0);
    std::uint64_t carry = 0;
    for (std::uint32_t& word : number) {
      const std::uint64_t product = std::uint64_t{word} * 10 + carry;
      word = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
  }
  // floor(2^shift / 10^k) for k = 1, 2, ...: the floors of successive divisions by ten.
  number = Number{};
  number[reciprocalShift / 32] = std::uint32_t{1} << (reciprocalShift % 32);
  for (int k = 1; k <= -minPower; ++k) {
    std::uint64_t remainder = 0;
    for (int i = words - 1; i >= 0; --i) {
      const std::uint64_t part = (remainder << 32) | number[static_cast<std::size_t>(i)];
      number[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(part / 10);
      remainder = part % 10;
    }
    table[static_cast<std::size_t>(-k - minPower)] = leading(number, -reciprocalShift);
  }
  return table;
}

constexpr std::array<double, powerCount> makeDecadeTable(
    const std::array<PowerOfTen, powerCount>& powers) {
  std::array<double, powerCount> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const PowerOfTen power = powers[i];
    const int biased = power.exponent + 63 + 1023;
    table[i] =
        biased >= 1 && biased <= 2046
            ? std::bit_cast<double>((static_cast<std::uint64_t>(biased) << 52) |
                                    ((power.mantissa >> 11) & ((std::uint64_t{1} << 52) - 1)))
            : std::numeric_limits<double>::infinity();
  }
  return table;
}

constexpr std::array<PowerOfTen, powerCount> powers = makePowerTable();

}  // namespace

constinit const std::array<PowerOfTen, powerCount> powerTable = powers;
constinit const std::array<double, powerCount> decadeTable = makeDecadeTable(powers);

int exactDecimalDigits(double magnitude, int count, char* digits) {
  if (magnitude == 0) {
    std::memset(digits, '0', static_cast<std::size_t>(count));
    return 0;
  }
  // "d.ddde+XX" (no point when count is 1).
  char text[maxSignificantDigits + 16];
  char* end =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, count - 1)
          .ptr;
  digits[0] = text[0];
  const char* e = text + 1;
  if (count > 1) {
    std::memcpy(digits + 1, text + 2, static_cast<std::size_t>(count - 1));
    e = text + 1 + count;
  }
  // e points at 'e', then the sign and at least two digits.
  int exponent = 0;
  for (const char* p = e + 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
  return e[1] == '-' ? -exponent : exponent;
}

std::string_view shortestDouble(double value, char (&text)[32]) {
  const auto result = std::to_chars(text, text + sizeof text, value);
  return {text, static_cast<std::size_t>(result.ptr - text)};
}

std::string shortestDoubleText(double value) {
  char text[32];
  return std::string(shortestDouble(value, text));
}

std::string_view realText(double value, char (&text)[32]) {
  const std::string_view shortest = shortestDouble(value, text);
  // "30" would read as an integer; "1e+20", "inf" and "nan" read as reals as they stand.
  if (shortest.find_first_of(".en") != std::string_view::npos) return shortest;
  char* end = text + shortest.size();
  std::memcpy(end, ".0", 2);
  return {text, shortest.size() + 2};
}
