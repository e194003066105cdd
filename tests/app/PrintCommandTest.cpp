// The Print command as the user meets it: Button2 on the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "app/TfrmMain.h"
#include "tests/app/PrintTestSupport.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

TEST(PrintCommand, ConfirmedDialogPrintsTheReportAsOneJobNamedAfterTheCaption) {
  test::TempDir dir;
  const std::string pdf = dir.File("report.pdf");
  test::ScopedPrinter printer(test::OnePdfPrinter(pdf));
  TfrmMain form;
  form.PrintDialog1->SetRunner([](QPrintDialog&) { return int(QDialog::Accepted); });
  QTest::mouseClick(form.Button2.get(), Qt::LeftButton);

  const test::PdfDocument printed = test::ReadPdf(pdf);
  EXPECT_EQ(printed.pages, 1);
  EXPECT_EQ(printed.title, "Ledgerwick");
  EXPECT_EQ(test::Words(printed.pageTexts.at(0)), std::vector<std::string>{"RichEdit1"});
  QProcess fonts;
  fonts.start(QStringLiteral("pdffonts"), {QString::fromStdString(pdf)});
  ASSERT_TRUE(fonts.waitForFinished(60000));
  EXPECT_TRUE(fonts.readAllStandardOutput().contains(form.font().family().remove(' ').toLatin1()))
      << "the report prints in the window's font";
}

TEST(PrintCommand, CancelledDialogPrintsNothingAndShowsNothing) {
  test::TempDir dir;
  const std::string pdf = dir.File("report.pdf");
  test::ScopedPrinter printer(test::OnePdfPrinter(pdf));
  TfrmMain form;
  form.PrintDialog1->SetRunner([](QPrintDialog&) { return int(QDialog::Rejected); });
  EXPECT_EQ(test::ClickReadingMessageBox(form.Button2.get()), "");
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST(PrintCommand, WithoutAnyPrinterTheErrorDisplayShowsNoDefaultPrinter) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has printers";
  // The system's own printing system, as on a workstation without printers.
  auto previous = SetPrinter(std::make_unique<TPrinter>());
  TfrmMain form;
  bool dialogShown = false;
  form.PrintDialog1->SetRunner([&](QPrintDialog&) {
    dialogShown = true;
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(test::ClickReadingMessageBox(form.Button2.get()), "There is no default printer currently selected.");
  EXPECT_FALSE(dialogShown);
  SetPrinter(std::move(previous));
}

}  // namespace
}  // namespace lw
