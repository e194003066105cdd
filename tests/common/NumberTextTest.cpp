#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "common/NumberText.h"
#include "tests/support/ScopedLocale.h"

namespace lw {
namespace {

TEST(NumberText, ReadsAndWritesThePointUnderACommaLocale) {
  for (const char* locale : {"C", test::kCommaLocale}) {
    test::ScopedLocale scoped(locale);
    double value = 0;
    NumberRead read = ReadDouble("   12.50  ", value);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.end, 8u);
    EXPECT_EQ(value, 12.5) << locale;
    EXPECT_EQ(FormatFixed(12.5, 2), "12.50");
    EXPECT_EQ(FormatFixed(-0.125, 2), "-0.12");  // ties to even, as printf
    EXPECT_EQ(FormatScientific(1234567.0, 3), "1.235e+06");
    EXPECT_EQ(FormatGeneral(0.1, 15), "0.1");
    EXPECT_EQ(FormatGeneral(1e20, 15), "1e+20");
    EXPECT_EQ(FormatGeneral(19.99, 17), "19.989999999999998");
    EXPECT_EQ(FormatFixed(1e300, 2).size(), 304u);
  }
  // The C library itself reads the comma there: what the conversions above must not follow.
  test::ScopedLocale comma(test::kCommaLocale);
  EXPECT_EQ(std::strtod("12.50", nullptr), 12.0);
}

TEST(NumberText, ReadsSignsAndStopsWhereTheNumberEnds) {
  double d = 7;
  EXPECT_TRUE(ReadDouble("+.5x", d).ok);
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(ReadDouble("+.5x", d).end, 3u);
  EXPECT_TRUE(ReadDouble("-1e3", d).ok);
  EXPECT_EQ(d, -1000);

  d = 7;
  for (const char* none : {"", "   ", "abc", "+-1", "++1", ",5"}) {
    EXPECT_FALSE(ReadDouble(none, d).ok) << none;
    EXPECT_EQ(ReadDouble(none, d).end, 0u) << none;
  }
  EXPECT_EQ(d, 7);  // untouched on failure
  EXPECT_FALSE(ReadDouble("1e999", d).ok);
  EXPECT_EQ(ReadDouble("1e999", d).end, 5u);

  std::int64_t i = 0;
  EXPECT_TRUE(ReadInteger(" -42.9", i).ok);
  EXPECT_EQ(i, -42);
  EXPECT_EQ(ReadInteger(" -42.9", i).end, 4u);
  EXPECT_TRUE(ReadInteger("+9223372036854775807", i).ok);
  EXPECT_EQ(i, std::numeric_limits<std::int64_t>::max());
  EXPECT_FALSE(ReadInteger("9223372036854775808", i).ok);
}

}  // namespace
}  // namespace lw
