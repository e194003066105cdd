#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/ProgressText.h"

namespace lw {
namespace {

struct PercentCase {
  double minimum, maximum, position;
  int percent;
};

TEST(ProgressPercent, FollowsTheRangeRoundingHalvesToEven) {
  const PercentCase cases[] = {
      {0, 100, 0, 0},              // the start: "0 %"
      {0, 100, 100, 100},          //
      {0, 8, 1, 12},               // 12.5 rounds down to the even 12
      {0, 8, 3, 38},               // 37.5 rounds up to the even 38
      {0, 200, 1, 0},              // 0.5 -> 0
      {0, 200, 3, 2},              // 1.5 -> 2
      {0, 3, 1, 33},               //
      {0, 3, 2, 67},               //
      {10, 20, 15, 50},            // the minimum is subtracted first
      {0, 1000, 994, 99},          // 99.4
      {0, 1000, 995, 100},         // 99.5 -> the even 100
      {0, 1000, 985, 98},          // 98.5 -> the even 98
      {0, 3000000, 2999999, 100},  // the last of 3 million rows
      {0, 3000000, 14999, 0},      // 0.49997 -> 0
      {0, 3000000, 15000, 0},      // 0.5 exactly -> 0
  };
  for (const PercentCase& c : cases) {
    EXPECT_EQ(ProgressPercent(c.minimum, c.maximum, c.position), c.percent)
        << c.minimum << " .. " << c.maximum << " at " << c.position;
  }
}

TEST(ProgressPercent, NeverShowsMoreThanAHundred) {
  EXPECT_EQ(ProgressPercent(0, 100, 250), 100);
  EXPECT_EQ(ProgressPercent(0, 10, 1e300), 100);
  EXPECT_EQ(ProgressPercent(0, 0, 5), 100);  // an empty range counts as 1: 500 %, capped
}

TEST(ProgressPercent, EmptyRangeCountsAsOne) {
  EXPECT_EQ(ProgressPercent(0, 0, 0), 0);  // a query without rows stays at "0 %"
  EXPECT_EQ(ProgressPercent(7, 7, 7), 0);
}

TEST(ProgressPercent, ReversedRangeAndNaNStayWithinAnInteger) {
  EXPECT_EQ(ProgressPercent(0, -5, 3), -60);
  EXPECT_EQ(ProgressPercent(0, -1, 1e300), std::numeric_limits<int>::min());
  EXPECT_EQ(ProgressPercent(0, 100, std::nan("")), 0);
}

TEST(ProgressText, IsTheNumberABlankAndAPercentSign) {
  EXPECT_EQ(ProgressText(0), "0 %");
  EXPECT_EQ(ProgressText(42), "42 %");
  EXPECT_EQ(ProgressText(100), "100 %");
}

TEST(ClampProgressPosition, PullsIntoTheRangeOnlyWhenTheMaximumExceedsTheMinimum) {
  EXPECT_EQ(ClampProgressPosition(0, 100, -1), 0);
  EXPECT_EQ(ClampProgressPosition(0, 100, 101), 100);
  EXPECT_EQ(ClampProgressPosition(0, 100, 42.5), 42.5);
  EXPECT_EQ(ClampProgressPosition(0, 0, 3), 3);  // empty range: kept
  EXPECT_EQ(ClampProgressPosition(5, 1, 9), 9);  // reversed range: kept
}

}  // namespace
}  // namespace lw
