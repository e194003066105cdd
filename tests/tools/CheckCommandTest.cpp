// ledgerwick-check end to end on real practice files: report lines on stdout, messages and the
// summary on stderr, and the exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Exceptions.h"
#include "common/SettingsStore.h"
#include "tests/tools/CheckFixture.h"
#include "tools/check/CheckCommand.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/ConsoleProgress.h"

namespace lw::check {
namespace {

TEST_F(CheckCommandTest, PrintsTheReportAndExitsOneForDiscrepancies) {
  Charge("ADAMS", 0.0);
  Charge("BAKER", -7.25);
  EXPECT_EQ(Check({"--folder", practice_.Folder()}), kDiscrepancies);
  EXPECT_EQ(stdout_,
            Header() + "Chart: BAKER Case Number: 3 Date From: 01/31/2023 Procedure Code: 80053 Difference: -7.25\n");
  EXPECT_NE(stderr_.find("2 rows checked, 1 discrepancy, 0 rows fixed"), std::string::npos) << stderr_;
}

TEST_F(CheckCommandTest, FixThenCheckAgainFindsNothing) {
  Charge("BAKER", -7.25);
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--fix"}), kDiscrepancies);
  EXPECT_NE(stderr_.find("1 row fixed"), std::string::npos) << stderr_;
  EXPECT_EQ(Check({"--folder=" + practice_.Folder()}), kNoDiscrepancy);
  EXPECT_EQ(stdout_, Header());
}

TEST_F(CheckCommandTest, UsesTheCurrentPracticeAndNormalisesTheChart) {
  Charge("BAKER", 1.0);
  Charge("ADAMS", 2.0);
  WriteCurrentPractice(practice_.Folder());
  EXPECT_EQ(Check({"--chart", "adams"}), kDiscrepancies);
  EXPECT_NE(stdout_.find("Chart: ADAMS"), std::string::npos);
  EXPECT_EQ(stdout_.find("Chart: BAKER"), std::string::npos);
  EXPECT_NE(stderr_.find("\"adams\" used as \"ADAMS\""), std::string::npos) << stderr_;
}

TEST_F(CheckCommandTest, ErrorsExitTwoWithTheMessageAsTheWindowShowsIt) {
  EXPECT_EQ(Check({}), kError);  // nothing recorded
  EXPECT_NE(stderr_.find("No current practice is recorded"), std::string::npos) << stderr_;

  test::TempDir empty;
  EXPECT_EQ(Check({"--folder", empty.Path().string()}), kError);
  EXPECT_EQ(stdout_, empty.Path().string() + "/MWDDF.ADD\n\n");
  EXPECT_NE(stderr_.find("MWDDF.ADD"), std::string::npos) << stderr_;
  EXPECT_EQ(stderr_.substr(stderr_.size() - 2), ".\n");

  EXPECT_EQ(Check({"--bogus"}), kError);
  EXPECT_NE(stderr_.find("unknown argument '--bogus'"), std::string::npos);
  EXPECT_EQ(Check({"--folder"}), kError);
  EXPECT_NE(stderr_.find("--folder needs a value"), std::string::npos);
  EXPECT_EQ(Check({"--help"}), kNoDiscrepancy);
  EXPECT_NE(stdout_.find("usage: ledgerwick-check"), std::string::npos);
}

TEST(CheckOptions, ChartIsUpperCasedAndCutToEightBytes) {
  EXPECT_EQ(ParseCheckOptions({"--chart", "smith0123x"}).chart, "SMITH012");
  EXPECT_EQ(ParseCheckOptions({"--chart", "o'b"}).chart, "O'B");
  EXPECT_EQ(ParseCheckOptions({"--chart", "A\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"}).chart,
            "A\xC3\x89\xC3\x89\xC3\x89");  // aéééé: 9 bytes once upper-cased; the cut keeps whole characters
  // clang-format off
  EXPECT_THROW(ParseCheckOptions({"--chart", "\xE9" "cole"}), EConvertError);  // Latin-1, not UTF-8
  // clang-format on
  const CheckOptions options = ParseCheckOptions({"--chart=abc", "--fix"});
  EXPECT_EQ(options.chart, "ABC");
  EXPECT_EQ(options.chartAsGiven, "abc");
  EXPECT_TRUE(options.fix);
  EXPECT_FALSE(options.folder.has_value());
}

TEST(ConsoleProgress, LogsALineEveryFewSecondsWhenNotATerminal) {
  double now = 100.0;
  std::FILE* err = std::tmpfile();
  ConsoleProgress progress(err, false, [&] { return now; });
  progress.SetMaximum(1000);
  for (int row = 1; row <= 1000; ++row) {
    now += 0.02;  // 50 rows a second: 20 s in all
    progress.SetPosition(row);
  }
  const std::string text = ReadAll(err);
  std::fclose(err);
  int lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_GE(lines, 3);
  EXPECT_LE(lines, 5);
  EXPECT_NE(text.find("rows/s"), std::string::npos);
  EXPECT_NE(text.find("s left"), std::string::npos);
  EXPECT_EQ(GroupThousands(1234567), "1,234,567");
}

}  // namespace
}  // namespace lw::check
