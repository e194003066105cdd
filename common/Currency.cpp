#include "common/Currency.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/Exceptions.h"

namespace lw {

namespace {

using u128 = unsigned __int128;

constexpr std::int64_t kScale = 10000;

// Shift right by `shift` bits, rounding to nearest with ties to even.
u128 ShiftRoundHalfEven(u128 value, int shift) {
  if (shift <= 0) return value;
  if (shift >= 128) return 0;  // value < 2^67, so anything shifted this far is below one half
  const u128 quotient = value >> shift;
  const u128 remainder = value - (quotient << shift);
  const u128 half = u128{1} << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) return quotient + 1;
  return quotient;
}

}  // namespace

Currency Currency::operator+(Currency other) const {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(count_, other.count_, &sum)) throw EInvalidOp();
  return Currency(sum);
}

Currency Currency::operator-(Currency other) const {
  std::int64_t difference = 0;
  if (__builtin_sub_overflow(count_, other.count_, &difference)) throw EInvalidOp();
  return Currency(difference);
}

Currency CurrencyFromDouble(double value) {
  if (!std::isfinite(value)) throw EInvalidOp();
  if (value == 0.0) return Currency();
  int exponent = 0;
  // value = fraction * 2^exponent with 0.5 <= |fraction| < 1; scale the fraction to a 53-bit integer.
  const double fraction = std::frexp(std::fabs(value), &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  exponent -= 53;
  u128 magnitude = u128{mantissa} * kScale;  // exact: below 2^67
  if (exponent >= 0) {
    // Refuse before shifting so the 128-bit product cannot wrap.
    if (exponent > 63 || magnitude > ((u128{1} << 64) >> exponent)) throw EInvalidOp();
    magnitude <<= exponent;
  } else {
    magnitude = ShiftRoundHalfEven(magnitude, -exponent);
  }
  const bool negative = value < 0;
  const u128 limit = negative ? u128{1} << 63 : (u128{1} << 63) - 1;
  if (magnitude > limit) throw EInvalidOp();
  if (negative) {
    return Currency::FromCount(magnitude == (u128{1} << 63) ? std::numeric_limits<std::int64_t>::min()
                                                            : -static_cast<std::int64_t>(magnitude));
  }
  return Currency::FromCount(static_cast<std::int64_t>(magnitude));
}

double DoubleFromCurrency(Currency amount) {
  const std::int64_t count = amount.Count();
  constexpr std::int64_t kExactLimit = std::int64_t{1} << 53;
  // Below 2^53 the count converts exactly and IEEE division rounds correctly.
  if (count > -kExactLimit && count < kExactLimit) {
    return static_cast<double>(count) / static_cast<double>(kScale);
  }
  // Otherwise let the correctly rounded decimal parser round the exact decimal text.
  const std::string text = FormatCurrency(amount);
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

std::string FormatCurrency(Currency amount) {
  const std::int64_t count = amount.Count();
  const unsigned long long magnitude =
      count < 0 ? 0ULL - static_cast<unsigned long long>(count) : static_cast<unsigned long long>(count);
  char text[48];
  std::snprintf(text, sizeof text, "%s%llu.%04llu", count < 0 ? "-" : "", magnitude / kScale, magnitude % kScale);
  return text;
}

}  // namespace lw
