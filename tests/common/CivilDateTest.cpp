// The one calendar conversion every layer uses: fixed points of each epoch the program counts
// from, leap rules at century ends, and a round trip over more than two 400-year eras.

#include <gtest/gtest.h>

#include "common/CivilDate.h"

namespace lw::test {
namespace {

void ExpectDate(std::int64_t days, std::int64_t year, int month, int day) {
  const CivilDate date = CivilFromDays(days);
  EXPECT_EQ(date.year, year) << days;
  EXPECT_EQ(date.month, month) << days;
  EXPECT_EQ(date.day, day) << days;
  EXPECT_EQ(DaysFromCivil(year, month, day), days) << year << "-" << month << "-" << day;
}

TEST(CivilDate, EpochsAndLeapDaysFallOnTheirDates) {
  ExpectDate(0, 1970, 1, 1);
  ExpectDate(-25569, 1899, 12, 30);                         // the report's day 0
  ExpectDate(-719162, 1, 1, 1);                             // record images' day 1
  ExpectDate(2451545 - 2440588, 2000, 1, 1);                // Julian day 2451545
  ExpectDate(DaysFromCivil(2000, 2, 28) + 1, 2000, 2, 29);  // divisible by 400: leap
  ExpectDate(DaysFromCivil(1900, 2, 28) + 1, 1900, 3, 1);   // a century: not
  ExpectDate(DaysFromCivil(2024, 2, 28) + 1, 2024, 2, 29);
  ExpectDate(DaysFromCivil(9999, 12, 31), 9999, 12, 31);
  ExpectDate(DaysFromCivil(0, 3, 1) - 1, 0, 2, 29);  // year 0 (1 BC) is a leap year
}

TEST(CivilDate, EveryDayOfTwoErasRoundTripsAndFollowsTheLastOne) {
  CivilDate previous = CivilFromDays(-800000 - 1);
  for (std::int64_t days = -800000; days <= 100000; ++days) {
    const CivilDate date = CivilFromDays(days);
    ASSERT_EQ(DaysFromCivil(date.year, date.month, date.day), days);
    const bool nextDay = date.year == previous.year && date.month == previous.month && date.day == previous.day + 1;
    const bool nextMonth = date.year == previous.year && date.month == previous.month + 1 && date.day == 1;
    const bool nextYear = date.year == previous.year + 1 && date.month == 1 && date.day == 1 && previous.month == 12 &&
                          previous.day == 31;
    ASSERT_TRUE(nextDay || nextMonth || nextYear) << days;
    previous = date;
  }
}

}  // namespace
}  // namespace lw::test
