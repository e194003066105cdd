#include <gtest/gtest.h>

#include "app/ReportModel.h"
#include "common/Exceptions.h"

namespace lw {
namespace {

TEST(ReportModel, StartsHoldingTheDesignTimeText) {
  ReportModel report;
  EXPECT_EQ(report.Text(), "RichEdit1");
  EXPECT_EQ(report.LineCount(), 1u);
  EXPECT_FALSE(report.Modified());
}

TEST(ReportModel, LineCountLeavesOutTheEmptyLineAfterAFinalBreak) {
  struct Case {
    const char* text;
    std::size_t lines;
  };
  for (const Case& c : {Case{"", 0}, Case{"a", 1}, Case{"a\r\n", 1}, Case{"a\r\nb", 2}, Case{"\r\n", 1},
                        Case{"\r\n\r\n", 2}, Case{"a\r\n\r\nb\r\n", 3}}) {
    EXPECT_EQ(ReportModel(c.text).LineCount(), c.lines) << '"' << c.text << '"';
  }
}

TEST(ReportModel, SearchRunUsageGivesEachLineFollowedByABreak) {
  ReportModel report;
  report.AppendReportLine("kept?");
  EXPECT_EQ(report.Text(), "RichEdit1\r\nkept?") << "a last line holding text gets the break before the new line";
  report.ClearReport();
  EXPECT_EQ(report.Text(), "");
  EXPECT_FALSE(report.Modified());
  report.AppendReportLine("/srv/Practice/MWDDF.ADD");
  report.AppendReportLine("");
  report.AppendReportLine("");
  report.AppendReportLine("A001  12/31/2025");
  EXPECT_EQ(report.Text(), "/srv/Practice/MWDDF.ADD\r\n\r\n\r\nA001  12/31/2025\r\n");
  EXPECT_EQ(report.LineCount(), 4u) << "two empty lines in a row stay two lines";
  EXPECT_EQ(report.Line(1), "");
  EXPECT_EQ(report.Line(2), "");
  EXPECT_EQ(report.Line(3), "A001  12/31/2025");
  EXPECT_TRUE(report.Modified());
}

TEST(ReportModel, AppendThatDoesNotFitFailsAndKeepsWhatFitted) {
  ReportModel report("");
  const std::string line(98, 'x');  // 100 characters with its break
  for (std::size_t i = 0; i < ReportModel::kCapacity / 100; ++i) report.AppendReportLine(line);
  ASSERT_EQ(report.Length(), 65500u);
  const std::string before = report.Text();

  try {
    report.AppendReportLine(line);
    FAIL() << "expected EOutOfResources";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "RichEdit line insertion error");
  }
  EXPECT_EQ(report.Length(), ReportModel::kCapacity);
  EXPECT_EQ(report.Text().substr(0, before.size()), before);
  EXPECT_EQ(report.Text().substr(before.size()), std::string(36, 'x'));
  EXPECT_THROW(report.AppendReportLine(""), EOutOfResources) << "a full report takes not even a break";
  EXPECT_EQ(report.Length(), ReportModel::kCapacity);
}

TEST(ReportModel, ExactFitSucceedsAndACutNeverSplitsALineBreak) {
  ReportModel exact("");
  exact.AppendReportLine(std::string(ReportModel::kCapacity - 2, 'y'));
  EXPECT_EQ(exact.Length(), ReportModel::kCapacity);
  EXPECT_EQ(exact.LineCount(), 1u);

  // One character short of room for the break: the CR alone would not separate lines.
  ReportModel cut("");
  EXPECT_THROW(cut.AppendReportLine(std::string(ReportModel::kCapacity - 1, 'z')), EOutOfResources);
  EXPECT_EQ(cut.Length(), ReportModel::kCapacity - 1);
  EXPECT_EQ(cut.Text().back(), 'z');
  EXPECT_EQ(cut.LineCount(), 1u);
}

TEST(ReportModel, CapacityCountsBytesAndACutNeverSplitsACharacter) {
  // 2-byte characters: a line of them reaching past the limit keeps only whole ones.
  ReportModel report("");
  report.AppendReportLine(std::string(ReportModel::kCapacity - 7, 'x'));  // 5 bytes of room left
  const std::string acute = "\xC3\x89";                                   // É
  EXPECT_THROW(report.AppendReportLine(acute + acute + acute), EOutOfResources);
  EXPECT_EQ(report.Length(), ReportModel::kCapacity - 1);
  EXPECT_EQ(report.Text().substr(report.Length() - 4), acute + acute);
}

TEST(ReportModel, ServesAsTheSearchRunsReportSink) {
  ReportModel report;
  ReportSink& sink = report;
  sink.ClearReport();
  sink.AppendReportLine("one");
  EXPECT_EQ(report.Text(), "one\r\n");
}

}  // namespace
}  // namespace lw
