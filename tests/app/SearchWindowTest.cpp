// The Search command end to end through the real window: the folder dialog confirmed through
// its seam, a real practice, the report, the progress bar and the Search button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/TfrmMain.h"
#include "common/SettingsStore.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/PrivateSettingsStore.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

using engine::Row;

class SearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteCurrentPractice(practice_.Folder());
    window_.cxShellBrowserDialog1->SetRunner([this](TcxShellBrowserDlg&) { return dialogResult_; });
  }

  std::int64_t Charge(const std::string& chart, double recorded) {
    return practice_.Insert("MWTRN", Row{{"Chart Number", chart},
                                         {"Case Number", std::int64_t{2}},
                                         {"Date From", std::string("2025-06-30")},
                                         {"Procedure Code", std::string("99214")},
                                         {"Transaction Type", std::string("B")},
                                         {"Guarantor Amount Paid", recorded}});
  }

  test::PrivateSettingsStore config_;  // the settings store of this test alone
  test::PracticeFixture practice_;
  TfrmMain window_;
  int dialogResult_ = 1;  // OK
};

TEST_F(SearchWindowTest, ReportsTheDiscrepanciesOfTheRecordedPractice) {
  Charge("SMITH", 12.5);
  Charge("JONES", 0.0);
  EXPECT_EQ(test::ClickReadingMessageBox(window_.Button1.get()), "");
  const std::string header = practice_.Folder() + "/MWDDF.ADD";
  EXPECT_EQ(
      test::ReportLines(window_),
      (std::vector<std::string>{
          header, "", "Chart: SMITH Case Number: 2 Date From: 06/30/2025 Procedure Code: 99214 Difference: 12.5"}));
  EXPECT_TRUE(window_.Button1->isEnabled());
  EXPECT_EQ(window_.cxProgressBar1->Maximum(), 2);
  EXPECT_EQ(window_.cxProgressBar1->Text(), QStringLiteral("100 %"));
  EXPECT_TRUE(window_.Components->qryChg.Active());
}

TEST_F(SearchWindowTest, ChartBoxAndFixBalancesGovernTheRun) {
  const auto smith = Charge("SMITH", 12.5);
  const auto jones = Charge("JONES", 3.0);
  QTest::keyClicks(window_.edtChart.get(), "jones");
  window_.cbFixData->setChecked(true);
  test::ClickReadingMessageBox(window_.Button1.get());
  ASSERT_EQ(test::ReportLines(window_).size(), 3u);
  EXPECT_NE(test::ReportLines(window_)[2].find("Chart: JONES"), std::string::npos);
  EXPECT_EQ(practice_.QueryDouble("SELECT \"Guarantor Amount Paid\" FROM MWTRN WHERE \"Entry Number\" = " +
                                  std::to_string(jones)),
            0.0);
  EXPECT_EQ(practice_.QueryDouble("SELECT \"Guarantor Amount Paid\" FROM MWTRN WHERE \"Entry Number\" = " +
                                  std::to_string(smith)),
            12.5);
}

TEST_F(SearchWindowTest, CancelledFolderDialogLeavesTheWindowAsItWas) {
  Charge("SMITH", 12.5);
  dialogResult_ = 2;  // Cancel
  EXPECT_EQ(test::ClickReadingMessageBox(window_.Button1.get()), "");
  EXPECT_EQ(test::ReportLines(window_), (std::vector<std::string>{"RichEdit1"}));
  EXPECT_FALSE(window_.Components->AdsConnection1.IsConnected());
  EXPECT_TRUE(window_.Button1->isEnabled());
}

TEST_F(SearchWindowTest, FolderWithoutDictionaryShowsTheEngineErrorAndSearchStaysUsable) {
  test::TempDir empty;
  WriteCurrentPractice(empty.Path().string());
  const std::string shown = test::ClickReadingMessageBox(window_.Button1.get());
  EXPECT_NE(shown.find("MWDDF.ADD"), std::string::npos) << shown;
  EXPECT_EQ(shown.back(), '.');
  EXPECT_TRUE(window_.Button1->isEnabled());
  EXPECT_EQ(test::ReportLines(window_).size(), 2u);
}

}  // namespace
}  // namespace lw
