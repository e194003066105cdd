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
#include "tests/support/PracticeFixture.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

using engine::Row;

class SearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old != nullptr) oldConfig_ = old;
    hadConfig_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    WriteCurrentPractice(practice_.Folder());
    window_.cxShellBrowserDialog1->SetRunner([this](TcxShellBrowserDlg&) { return dialogResult_; });
  }
  void TearDown() override {
    if (hadConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

  std::int64_t Charge(const std::string& chart, double recorded) {
    return practice_.Insert("MWTRN", Row{{"Chart Number", chart},
                                         {"Case Number", std::int64_t{2}},
                                         {"Date From", std::string("2025-06-30")},
                                         {"Procedure Code", std::string("99214")},
                                         {"Transaction Type", std::string("B")},
                                         {"Guarantor Amount Paid", recorded}});
  }
  std::vector<std::string> ReportLines() const {
    const ReportModel& model = window_.RichEdit1->Model();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < model.LineCount(); ++i) lines.push_back(model.Line(i));
    return lines;
  }
  // Clicks Search; an error box the command opens is read and closed.
  std::string ClickSearch() {
    std::string shown;
    QObject watcher;  // timers bound to it die with this call
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &watcher, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text().toStdString();
        box->done(QMessageBox::Ok);
      }
    });
    poll.start(5);
    QTest::mouseClick(window_.Button1.get(), Qt::LeftButton);
    return shown;
  }

  test::TempDir config_;
  test::PracticeFixture practice_;
  TfrmMain window_;
  int dialogResult_ = 1;  // OK
  std::string oldConfig_;
  bool hadConfig_ = false;
};

TEST_F(SearchWindowTest, ReportsTheDiscrepanciesOfTheRecordedPractice) {
  Charge("SMITH", 12.5);
  Charge("JONES", 0.0);
  EXPECT_EQ(ClickSearch(), "");
  const std::string header = practice_.Folder() + "/MWDDF.ADD";
  EXPECT_EQ(
      ReportLines(),
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
  ClickSearch();
  ASSERT_EQ(ReportLines().size(), 3u);
  EXPECT_NE(ReportLines()[2].find("Chart: JONES"), std::string::npos);
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
  EXPECT_EQ(ClickSearch(), "");
  EXPECT_EQ(ReportLines(), (std::vector<std::string>{"RichEdit1"}));
  EXPECT_FALSE(window_.Components->AdsConnection1.IsConnected());
  EXPECT_TRUE(window_.Button1->isEnabled());
}

TEST_F(SearchWindowTest, FolderWithoutDictionaryShowsTheEngineErrorAndSearchStaysUsable) {
  test::TempDir empty;
  WriteCurrentPractice(empty.Path().string());
  const std::string shown = ClickSearch();
  EXPECT_NE(shown.find("MWDDF.ADD"), std::string::npos) << shown;
  EXPECT_EQ(shown.back(), '.');
  EXPECT_TRUE(window_.Button1->isEnabled());
  EXPECT_EQ(ReportLines().size(), 2u);
}

}  // namespace
}  // namespace lw
