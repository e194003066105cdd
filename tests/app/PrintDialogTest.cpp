// The print dialog and the printer object: which printer is current, what the dialog offers, and
// every error of printer selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "app/PrintDialog.h"
#include "app/PrintReport.h"
#include "app/Printer.h"
#include "common/Exceptions.h"
#include "tests/app/PrintTestSupport.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

std::unique_ptr<test::PdfPrinterSystem> TwoPrinters(const test::TempDir& dir) {
  auto system = std::make_unique<test::PdfPrinterSystem>();
  system->devices.push_back({QStringLiteral("Front Desk"), dir.File("front.pdf")});
  system->devices.push_back({QStringLiteral("Back Office"), dir.File("back.pdf")});
  system->defaultName = QStringLiteral("front desk");  // the default is matched without regard to case
  return system;
}

template <typename Error>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(PrintDialog, DefaultPrinterIsCurrentOnFirstNeedAndTheChoiceIsPreselectedNextTime) {
  test::TempDir dir;
  test::ScopedPrinter scoped(TwoPrinters(dir));
  TPrintDialog dialog;
  QString offered;
  auto choose = [&](const char* name, int result) {
    dialog.SetRunner([&, name, result](QPrintDialog& shown) {
      offered = scoped.System().DeviceName(*shown.printer());
      scoped.System().Choose(*shown.printer(), QString::fromLatin1(name));
      shown.printer()->setCopyCount(3);
      return result;
    });
  };

  choose("Back Office", QDialog::Rejected);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(offered, QStringLiteral("Front Desk"));
  EXPECT_EQ(Printer().PrinterName(), QStringLiteral("Front Desk")) << "cancel changes nothing";
  EXPECT_EQ(Printer().Copies(), 1);
  EXPECT_EQ(dialog.Copies(), 0);

  choose("Back Office", QDialog::Accepted);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(Printer().PrinterName(), QStringLiteral("Back Office"));
  EXPECT_EQ(Printer().Copies(), 3);
  EXPECT_EQ(dialog.Copies(), 3);
  EXPECT_EQ(dialog.PrintRange(), prAllPages);
  EXPECT_FALSE(dialog.PrintToFile());

  choose("Back Office", QDialog::Rejected);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(offered, QStringLiteral("Back Office"));

  // The job goes to the chosen printer.
  PrintReport(Printer(), "to the back office", QFont(QStringLiteral("DejaVu Sans")), QStringLiteral("Ledgerwick"));
  EXPECT_EQ(test::Words(test::ReadPdf(dir.File("back.pdf")).pageTexts.at(0)).at(3), "office");
}

TEST(PrintDialog, NoDefaultPrinterFailsBeforeTheDialogShows) {
  test::TempDir dir;
  for (const char* defaultName : {"", "Not Installed"}) {
    auto system = TwoPrinters(dir);
    system->defaultName = QString::fromLatin1(defaultName);
    test::ScopedPrinter scoped(std::move(system));
    TPrintDialog dialog;
    bool shown = false;
    dialog.SetRunner([&](QPrintDialog&) {
      shown = true;
      return int(QDialog::Accepted);
    });
    EXPECT_EQ(MessageOf<EPrinter>([&] { dialog.Execute(); }), "There is no default printer currently selected");
    EXPECT_FALSE(shown);
  }
}

TEST(PrintDialog, FailedDefaultPrinterQueryIsAnOSError) {
  test::TempDir dir;
  auto system = TwoPrinters(dir);
  system->queryFails = true;
  system->queryError = 13;
  test::ScopedPrinter scoped(std::move(system));
  TPrintDialog dialog;
  EXPECT_EQ(MessageOf<EOSError>([&] { dialog.Execute(); }), "System Error.  Code: 13.\r\nPermission denied");
  scoped.System().queryError = 0;
  EXPECT_EQ(MessageOf<EOSError>([&] { dialog.Execute(); }), "A call to an OS function failed");
}

TEST(PrintDialog, PrinterWithoutSettingsCannotTakeACopyCountNorAJob) {
  test::TempDir dir;
  auto system = TwoPrinters(dir);
  system->devices.front().hasSettings = false;
  test::ScopedPrinter scoped(std::move(system));
  TPrintDialog dialog;
  dialog.SetRunner([](QPrintDialog&) { return int(QDialog::Accepted); });
  EXPECT_EQ(MessageOf<EPrinter>([&] { dialog.Execute(); }), "Operation not supported on selected printer");
  EXPECT_EQ(MessageOf<EPrinter>([&] { PrintReport(Printer(), "x", QFont(), QStringLiteral("Ledgerwick")); }),
            "Printer selected is not valid");
  EXPECT_FALSE(Printer().Printing());
}

// The real dialog, run modally by the default runner and cancelled from inside its own loop.
TEST(PrintDialog, OffersAllPagesOnlyWithACopyCountCentredOnTheMonitor) {
  test::TempDir dir;
  test::ScopedPrinter scoped(TwoPrinters(dir));
  QWidget owner;
  owner.resize(300, 200);
  owner.show();
  TPrintDialog dialog(&owner);

  bool inspected = false;
  QTimer::singleShot(0, [&] {
    auto* shown = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(shown, nullptr);
    inspected = true;
    EXPECT_TRUE(shown->isModal());
    EXPECT_FALSE(shown->testOption(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(shown->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(shown->testOption(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(shown->testOption(QAbstractPrintDialog::PrintCurrentPage));
    EXPECT_EQ(shown->printRange(), QAbstractPrintDialog::AllPages);
    // Qt keeps the option tabs folded until asked, so these check what is hidden for good.
    EXPECT_TRUE(shown->findChild<QWidget*>(QStringLiteral("gbPrintRange"))->isHidden());
    EXPECT_TRUE(shown->findChild<QWidget*>(QStringLiteral("pageSetCombo"))->isHidden());
    const auto* copies = shown->findChild<QSpinBox*>(QStringLiteral("copies"));
    EXPECT_FALSE(copies->isHidden());
    EXPECT_FALSE(copies->parentWidget()->isHidden());
    const auto* printers = shown->findChild<QComboBox*>(QStringLiteral("printers"));
    for (int i = 0; printers != nullptr && i < printers->count(); ++i) {
      EXPECT_FALSE(printers->itemText(i).contains(QStringLiteral("File"))) << "no print-to-file choice";
    }
    const QRect monitor = owner.screen()->geometry();
    const QRect frame = shown->frameGeometry();
    EXPECT_EQ(frame.left(), monitor.left() + (monitor.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), monitor.top() + (monitor.height() - frame.height()) / 3);
    shown->reject();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_TRUE(inspected);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog exists only while Execute runs";
}

TEST(PrintDialog, CentringKeepsTheSizeAndUsesAThirdOfTheLeftOverHeight) {
  QWidget window;
  window.resize(200, 90);
  CentreOnMonitor(window, nullptr);
  const QRect monitor = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window.size(), QSize(200, 90));
  EXPECT_EQ(window.frameGeometry().left(), monitor.left() + (monitor.width() - window.frameGeometry().width()) / 2);
  EXPECT_EQ(window.frameGeometry().top(), monitor.top() + (monitor.height() - window.frameGeometry().height()) / 3);
}

}  // namespace
}  // namespace lw
