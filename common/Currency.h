#pragma once
// Money: a signed 64-bit count of ten-thousandths of the currency unit. Sums and comparisons
// are exact integer operations; conversions to and from double are exact and round half to even.

#include <compare>
#include <cstdint>
#include <string>

namespace lw {

class Currency {
 public:
  constexpr Currency() = default;
  static constexpr Currency FromCount(std::int64_t count) { return Currency(count); }
  constexpr std::int64_t Count() const { return count_; }

  // Overflow-checked; leaving the 64-bit range raises EInvalidOp.
  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;
  Currency& operator+=(Currency other) { return *this = *this + other; }

  constexpr auto operator<=>(const Currency&) const = default;

 private:
  constexpr explicit Currency(std::int64_t count) : count_(count) {}
  std::int64_t count_ = 0;
};

// The exact product of value and 10000, rounded to the nearest integer, ties to even.
// NaN, infinities and products outside the 64-bit range raise EInvalidOp.
Currency CurrencyFromDouble(double value);

// The double nearest to count / 10000, ties to even.
double DoubleFromCurrency(Currency amount);

// The exact decimal text of an amount: every whole digit, "." and four fraction digits, with "-"
// before a negative amount ("-12.3400"); no grouping, whatever the locale.
std::string FormatCurrency(Currency amount);

}  // namespace lw
