// Text beyond ASCII from end to end: a practice in a folder named with accents and a chart
// "ÉCOLE" imported from a UTF-8 CSV file with the practice tool; the window finds it when "école"
// is typed, ledgerwick-check when "école" is given, and the report view, the printed page and the
// tool's output show the folder and the chart as they are.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SystemText.h"
#include "app/TfrmMain.h"
#include "common/SettingsStore.h"
#include "tests/app/PrintTestSupport.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/PrivateSettingsStore.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

// clang-format off
const std::string kFolderName = "Cl\xC3\xADnica \xC3\x89" "cole";  // Clínica École
const std::string kEcole = "\xC3\x89" "COLE";                       // ÉCOLE, 6 bytes
const std::string kTyped = "\xC3\xA9" "cole";                       // école
// clang-format on
const std::string kFourAcute = "\xC3\x89\xC3\x89\xC3\x89\xC3\x89";  // ÉÉÉÉ, 8 bytes

std::string Program(const std::string& relative) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / relative).string();
}

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a command-line tool with `arguments` (UTF-8) and the settings store in `config`.
Finished RunTool(const std::string& program, const std::vector<std::string>& arguments, const std::string& config) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), FromSystemText(config));
  process.setProcessEnvironment(environment);
  QStringList list;
  for (const std::string& argument : arguments) list << FromSystemText(argument);
  process.start(FromSystemText(Program(program)), list);
  Finished finished;
  if (!process.waitForFinished(60000)) return finished;
  finished.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  finished.out = process.readAllStandardOutput().toStdString();
  finished.err = process.readAllStandardError().toStdString();
  return finished;
}

// Types `text` one character at a time, as a keyboard delivers it.
void Type(QWidget* widget, const std::string& text) {
  for (const char32_t c : FromSystemText(text).toUcs4()) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
  }
}

std::string Line(const std::string& chart, int caseNumber, const std::string& difference) {
  return "Chart: " + chart + " Case Number: " + std::to_string(caseNumber) +
         " Date From: 03/15/2024 Procedure Code: 99213 Difference: " + difference;
}

class AccentedPracticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunTool("tools/practice/ledgerwick-practice", {"create", folder_}, Config()).status, 0);
    // Three charts that differ only past ASCII: ÉCOLE, ECOLE and ÉÉÉÉ (the column's 8 bytes).
    const Finished imported =
        Import("Chart Number,Case Number,Date From,Procedure Code,Transaction Type,Insurance 1 Amount Paid\n" + kEcole +
               ",4,2024-03-15,99213,A,12.50\n"
               "ECOLE,5,2024-03-15,99213,A,7\n" +
               kFourAcute + ",6,2024-03-15,99213,A,1.25\n");
    ASSERT_EQ(imported.status, 0) << imported.err << imported.out;
    WriteCurrentPractice(folder_);
    window_.cxShellBrowserDialog1->SetRunner([](TcxShellBrowserDlg&) { return 1; });
  }

  std::string Config() const { return config_.Path().string(); }
  Finished Import(const std::string& csv) {
    const std::string file = work_.File("rows.csv");
    std::ofstream(file, std::ios::binary) << csv;
    return RunTool("tools/practice/ledgerwick-practice", {"import", folder_, "MWTRN", file}, Config());
  }

  test::PrivateSettingsStore config_;  // the settings store of this test alone
  test::TempDir work_;
  std::string folder_ = work_.File(kFolderName);
  std::string header_ = folder_ + "/MWDDF.ADD";
  TfrmMain window_;
};

TEST_F(AccentedPracticeTest, WindowFindsTheChartTypedInLowerCaseAndShowsAndPrintsIt) {
  Type(window_.edtChart.get(), kTyped);
  ASSERT_EQ(ToSystemText(window_.edtChart->text()), kEcole);
  ASSERT_EQ(test::ClickReadingMessageBox(window_.Button1.get()), "");
  const std::vector<std::string> expected{header_, "", Line(kEcole, 4, "12.5")};
  EXPECT_EQ(test::ReportLines(window_), expected);
  EXPECT_EQ(window_.RichEdit1->toPlainText(), FromSystemText(header_ + "\n\n" + Line(kEcole, 4, "12.5") + "\n"));

  const test::TempDir out;
  const std::string pdf = out.File("report.pdf");
  test::ScopedPrinter printer(test::OnePdfPrinter(pdf));
  window_.PrintDialog1->SetRunner([](QPrintDialog&) { return int(QDialog::Accepted); });
  QTest::mouseClick(window_.Button2.get(), Qt::LeftButton);
  const test::PdfDocument printed = test::ReadPdf(pdf);
  ASSERT_EQ(printed.pages, 1);
  std::vector<std::string> words;
  for (const std::string& line : expected) {
    for (std::string& word : test::Words(line)) words.push_back(std::move(word));
  }
  EXPECT_EQ(test::Words(printed.pageTexts.at(0)), words);
}

TEST_F(AccentedPracticeTest, CheckToolFindsTheChartGivenInLowerCase) {
  const Finished check = RunTool("tools/check/ledgerwick-check", {"--folder", folder_, "--chart", kTyped}, Config());
  EXPECT_EQ(check.status, 1) << check.err;
  EXPECT_EQ(check.out, header_ + "\n\n" + Line(kEcole, 4, "12.5") + "\n");
  EXPECT_NE(check.err.find("\"" + kTyped + "\" used as \"" + kEcole + "\""), std::string::npos) << check.err;
}

// Chart Number holds 8 bytes: four 2-byte letters fill it, and a fifth is cut off whole by the
// window, by the tool, and refused by the importer.
TEST_F(AccentedPracticeTest, EightByteLimitWithTwoByteLetters) {
  const std::string fiveTyped = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";  // ééééé
  Type(window_.edtChart.get(), fiveTyped);
  EXPECT_EQ(ToSystemText(window_.edtChart->text()), kFourAcute);
  ASSERT_EQ(test::ClickReadingMessageBox(window_.Button1.get()), "");
  EXPECT_EQ(test::ReportLines(window_), (std::vector<std::string>{header_, "", Line(kFourAcute, 6, "1.25")}));

  const Finished check = RunTool("tools/check/ledgerwick-check", {"--folder", folder_, "--chart", fiveTyped}, Config());
  EXPECT_EQ(check.status, 1) << check.err;
  EXPECT_EQ(check.out, header_ + "\n\n" + Line(kFourAcute, 6, "1.25") + "\n");
  EXPECT_NE(check.err.find("used as \"" + kFourAcute + "\""), std::string::npos) << check.err;

  const Finished refused = Import("Chart Number,Transaction Type\n" + kFourAcute + "\xC3\x89,A\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("is 10 bytes of UTF-8 text; the column holds 8"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace lw
