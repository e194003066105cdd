#include <gtest/gtest.h>

#include "app/ApplicationTitle.h"
#include "common/ErrorDisplayText.h"

namespace lw {
namespace {

TEST(ErrorDisplayText, AppendsAPeriodAfterCharactersAboveThePeriod) {
  EXPECT_EQ(ErrorDisplayText("Invalid floating point operation"), "Invalid floating point operation.");
  EXPECT_EQ(ErrorDisplayText("Error 7"), "Error 7.");
  EXPECT_EQ(ErrorDisplayText("Really?"), "Really?.");
  EXPECT_EQ(ErrorDisplayText("a/"), "a/.");                  // "/" is the code right after "."
  EXPECT_EQ(ErrorDisplayText("Gr\xfc\xdf"), "Gr\xfc\xdf.");  // 8-bit codes count as above
}

TEST(ErrorDisplayText, LeavesMessagesEndingAtOrBelowThePeriodAlone) {
  EXPECT_EQ(ErrorDisplayText("Must specify connection string before getting a server connection."),
            "Must specify connection string before getting a server connection.");
  EXPECT_EQ(ErrorDisplayText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorDisplayText("(code 5)"), "(code 5)");
  EXPECT_EQ(ErrorDisplayText("trailing blank "), "trailing blank ");
  EXPECT_EQ(ErrorDisplayText("dash-"), "dash-");  // "-" is the code right before "."
  EXPECT_EQ(ErrorDisplayText(""), "");
}

TEST(ApplicationTitle, TakesTheFileNameUpToItsFirstPeriodWithTheRestLowerCase) {
  EXPECT_EQ(ApplicationTitleFromPath("/opt/apps/LEDGERWICK.EXE"), "Ledgerwick");
  EXPECT_EQ(ApplicationTitleFromPath("/opt/apps/ledger.check.exe"), "ledger");
  EXPECT_EQ(ApplicationTitleFromPath("/usr/local/bin/ledgerwick"), "ledgerwick");
  EXPECT_EQ(ApplicationTitleFromPath("/opt/LW.d/MyTOOL"), "Mytool");  // periods in folders don't cut
  // "\\" is part of the file name here, not a separator.
  EXPECT_EQ(ApplicationTitleFromPath("/opt/sep\\LAST.bin"), "sep\\last");
  // Characters, not bytes: the first one keeps its case, the others follow Unicode.
  // clang-format off
  EXPECT_EQ(ApplicationTitleFromPath("/opt/\xC3\x89" "COLE.bin"), "\xC3\x89" "cole");
  EXPECT_EQ(ApplicationTitleFromPath("/opt/L\xC3\x89" "DGER"), "L\xC3\xA9" "dger");
  // clang-format on
  EXPECT_EQ(ApplicationTitleFromPath("/opt/.hidden"), "");
  EXPECT_EQ(ApplicationTitleFromPath(""), "");
}

TEST(ApplicationTitle, ComesFromTheRunningExecutable) {
  const std::string path = RunningExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(ApplicationTitle(), ApplicationTitleFromPath(path));
  EXPECT_EQ(ApplicationTitle(), "test_app");
}

}  // namespace
}  // namespace lw
