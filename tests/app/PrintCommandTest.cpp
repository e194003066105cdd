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
#include "tests/support/TempDir.h"

namespace lw {
namespace {

// Clicks Print and returns the text of the error box it shows, closing it ("" when none shows).
std::string ClickPrintForError(TfrmMain& form) {
  std::string shown;
  QTimer closer;  // goes with this call, so it cannot fire into a later test
  closer.setSingleShot(true);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text().toStdString();
      box->accept();
    }
  });
  closer.start(0);
  QTest::mouseClick(form.Button2.get(), Qt::LeftButton);
  return shown;
}

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
  EXPECT_EQ(ClickPrintForError(form), "");
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
  EXPECT_EQ(ClickPrintForError(form), "There is no default printer currently selected.");
  EXPECT_FALSE(dialogShown);
  SetPrinter(std::move(previous));
}

}  // namespace
}  // namespace lw
