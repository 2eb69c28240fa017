#pragma once
// Decimal digits of unsigned 64-bit integers: the two-digit table, the powers of ten that fit
// in 64 bits, the digit count without a division loop, and exactly `count` digits written in
// place. Shared by the integer and exponent editors and the digit generator of doubles.
#include <bit>
#include <cstdint>
#include <cstring>

inline constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^0 .. 10^19.
inline constexpr std::uint64_t powersOfTen[20] = {1ull,
                                                  10ull,
                                                  100ull,
                                                  1000ull,
                                                  10000ull,
                                                  100000ull,
                                                  1000000ull,
                                                  10000000ull,
                                                  100000000ull,
                                                  1000000000ull,
                                                  10000000000ull,
                                                  100000000000ull,
                                                  1000000000000ull,
                                                  10000000000000ull,
                                                  100000000000000ull,
                                                  1000000000000000ull,
                                                  10000000000000000ull,
                                                  100000000000000000ull,
                                                  1000000000000000000ull,
                                                  10000000000000000000ull};

// Exactly `count` digits of `value` (below 10^count) at `out`, with leading zeros, for a count
// known at compile time: halves split off by one multiplication each, so that the chains of
// divisions stay short.
template <int count>
inline void putFixedDigits(char* out, std::uint64_t value) {
  if constexpr (count > 8) {
    const std::uint64_t high = value / 100000000;
    putFixedDigits<count - 8>(out, high);
    putFixedDigits<8>(out + count - 8, value - high * 100000000);
  } else if constexpr (count > 4) {
    const auto small = static_cast<std::uint32_t>(value);
    const std::uint32_t high = small / 10000;
    putFixedDigits<count - 4>(out, high);
    putFixedDigits<4>(out + count - 4, small - high * 10000);
  } else if constexpr (count > 2) {
    const auto small = static_cast<std::uint32_t>(value);
    const std::uint32_t high = small / 100;
    putFixedDigits<count - 2>(out, high);
    std::memcpy(out + count - 2, digitPairs + 2 * (small - high * 100), 2);
  } else if constexpr (count == 2) {
    std::memcpy(out, digitPairs + 2 * value, 2);
  } else {
    *out = static_cast<char>('0' + value);
  }
}

// Exactly `count` (1..20) digits of `value`, which has no more, at `out`, with leading zeros:
// each count its own straight line, so that a count known where it is inlined leaves one.
[[gnu::always_inline]] inline void putDigits(char* out, int count, std::uint64_t value) {
  switch (count) {
    case 1:
      return putFixedDigits<1>(out, value);
    case 2:
      return putFixedDigits<2>(out, value);
    case 3:
      return putFixedDigits<3>(out, value);
    case 4:
      return putFixedDigits<4>(out, value);
    case 5:
      return putFixedDigits<5>(out, value);
    case 6:
      return putFixedDigits<6>(out, value);
    case 7:
      return putFixedDigits<7>(out, value);
    case 8:
      return putFixedDigits<8>(out, value);
    case 9:
      return putFixedDigits<9>(out, value);
    case 10:
      return putFixedDigits<10>(out, value);
    case 11:
      return putFixedDigits<11>(out, value);
    case 12:
      return putFixedDigits<12>(out, value);
    case 13:
      return putFixedDigits<13>(out, value);
    case 14:
      return putFixedDigits<14>(out, value);
    case 15:
      return putFixedDigits<15>(out, value);
    case 16:
      return putFixedDigits<16>(out, value);
    case 17:
      return putFixedDigits<17>(out, value);
    case 18:
      return putFixedDigits<18>(out, value);
    case 19:
      return putFixedDigits<19>(out, value);
    default:  // 20 digits: the first, then 19
      *out = static_cast<char>('0' + value / 10000000000000000000ull);
      return putFixedDigits<19>(out + 1, value % 10000000000000000000ull);
  }
}

// The decimal digits of a 64-bit value (one for zero). Setting the lowest bit changes no digit
// count, and makes zero count as one.
inline int digitCount(std::uint64_t value) {
  value |= 1;
  const int guess = static_cast<int>((std::bit_width(value) * 1233) >> 12);  // log10 or less
  return guess + (value >= powersOfTen[guess] ? 1 : 0);
}
