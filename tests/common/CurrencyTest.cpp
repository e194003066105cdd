#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "common/Currency.h"
#include "common/Exceptions.h"

namespace lw {
namespace {

TEST(Currency, ReadsTheExactProductNotTheDoubleRoundedOne) {
  // Their exact products lie just above a half; double products would give 0, 2 and 1234.
  EXPECT_EQ(CurrencyFromDouble(0.00005).Count(), 1);
  EXPECT_EQ(CurrencyFromDouble(0.00025).Count(), 3);
  EXPECT_EQ(CurrencyFromDouble(0.12345).Count(), 1235);
  EXPECT_EQ(CurrencyFromDouble(-0.12345).Count(), -1235);
}

TEST(Currency, ExactHalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(CurrencyFromDouble(0.03125).Count(), 312);
  EXPECT_EQ(CurrencyFromDouble(0.09375).Count(), 938);
  EXPECT_EQ(CurrencyFromDouble(-0.03125).Count(), -312);
  EXPECT_EQ(CurrencyFromDouble(0.00015).Count(), 1);  // just below a half: 1.4999…
}

TEST(Currency, ConvertsPlainAmountsAndExtremes) {
  EXPECT_EQ(CurrencyFromDouble(0.0).Count(), 0);
  EXPECT_EQ(CurrencyFromDouble(-0.0).Count(), 0);
  EXPECT_EQ(CurrencyFromDouble(19.99).Count(), 199900);
  EXPECT_EQ(CurrencyFromDouble(1e-300).Count(), 0);
  EXPECT_EQ(CurrencyFromDouble(5e14).Count(), 5'000'000'000'000'000'000);
  EXPECT_EQ(CurrencyFromDouble(-9.2e14).Count(), -9'200'000'000'000'000'000);
}

TEST(Currency, UnconvertibleValuesRaiseInvalidOp) {
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e15, -1e15, 1e300}) {
    try {
      CurrencyFromDouble(bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const EInvalidOp& e) {
      EXPECT_EQ(e.Message(), "Invalid floating point operation");
    }
  }
}

TEST(Currency, SumsAreExactAndOverflowChecked) {
  EXPECT_EQ((CurrencyFromDouble(0.1) + CurrencyFromDouble(0.2)), CurrencyFromDouble(0.3));
  const Currency max = Currency::FromCount(std::numeric_limits<std::int64_t>::max());
  const Currency min = Currency::FromCount(std::numeric_limits<std::int64_t>::min());
  EXPECT_THROW(max + Currency::FromCount(1), EInvalidOp);
  EXPECT_THROW(min - Currency::FromCount(1), EInvalidOp);
  EXPECT_EQ((max - max).Count(), 0);
}

TEST(Currency, DoubleFromCurrencyIsNearest) {
  EXPECT_EQ(DoubleFromCurrency(Currency::FromCount(199900)), 19.99);
  EXPECT_EQ(DoubleFromCurrency(Currency::FromCount(-1)), -0.0001);
  EXPECT_EQ(DoubleFromCurrency(Currency()), 0.0);
  // Beyond 2^53 the count itself is not a double; the result must still be the nearest one.
  const std::int64_t big = (std::int64_t{1} << 60) + 12345;
  const double value = DoubleFromCurrency(Currency::FromCount(big));
  const double exact = static_cast<double>(big / 10000);  // 115292150460684 fits exactly
  EXPECT_LE(std::fabs(value - exact), 1.0);
  EXPECT_EQ(DoubleFromCurrency(Currency::FromCount(std::numeric_limits<std::int64_t>::min())), -922337203685477.5808);
}

TEST(Currency, TextHasFourFractionDigitsAndTheSignBeforeTheWholePart) {
  EXPECT_EQ(FormatCurrency(Currency()), "0.0000");
  EXPECT_EQ(FormatCurrency(Currency::FromCount(199900)), "19.9900");
  EXPECT_EQ(FormatCurrency(Currency::FromCount(-1)), "-0.0001");
  EXPECT_EQ(FormatCurrency(Currency::FromCount(-123456789)), "-12345.6789");
  EXPECT_EQ(FormatCurrency(Currency::FromCount(std::numeric_limits<std::int64_t>::max())), "922337203685477.5807");
  EXPECT_EQ(FormatCurrency(Currency::FromCount(std::numeric_limits<std::int64_t>::min())), "-922337203685477.5808");
}

TEST(Currency, WrittenAmountsReadBackAsTheSameCount) {
  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<std::int64_t> counts(-4'500'000'000'000'000, 4'500'000'000'000'000);
  std::uniform_int_distribution<std::int64_t> small(-10'000'000, 10'000'000);
  for (int i = 0; i < 200000; ++i) {
    const std::int64_t count = (i % 2 == 0) ? counts(random) : small(random);
    const Currency amount = Currency::FromCount(count);
    ASSERT_EQ(CurrencyFromDouble(DoubleFromCurrency(amount)), amount) << count;
  }
}

}  // namespace
}  // namespace lw
