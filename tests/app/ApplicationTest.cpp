#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Application.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorDisplay.h"
#include "app/MessagePump.h"
#include "app/ProgramIcon.h"
#include "app/Startup.h"
#include "app/TfrmMain.h"
#include "common/Exceptions.h"
#include "common/RegionalSettings.h"

namespace lw {
namespace {

TEST(TApplication, IsTheTestsApplicationAndCarriesTheTitle) {
  ASSERT_NE(App(), nullptr);
  EXPECT_EQ(QCoreApplication::applicationName(), QString::fromStdString(ApplicationTitle()));
  // The window keeps its own caption whatever the executable is called.
  EXPECT_EQ(TfrmMain().windowTitle(), QStringLiteral("Ledgerwick"));
}

TEST(TApplication, EveryWindowCarriesTheProgramIcon) {
  TfrmMain form;
  const QIcon icon = form.windowIcon();
  QList<QSize> sizes;
  for (const int size : ProgramIconSizes()) sizes << QSize(size, size);
  EXPECT_EQ(icon.availableSizes(), sizes);
  // Every size is a real picture: opaque in the middle, not one flat colour.
  for (const QSize& size : sizes) {
    const QImage image = icon.pixmap(size).toImage();
    ASSERT_EQ(image.size(), size);
    const QColor centre = image.pixelColor(size.width() / 2, size.height() / 2);
    EXPECT_EQ(centre.alpha(), 255) << size.width();
    EXPECT_NE(image.pixelColor(size.width() / 2, size.height() / 5),
              image.pixelColor(size.width() / 8, size.height() / 2))
        << size.width();
  }
  // The error box, like every other window, shows the same icon.
  EXPECT_EQ(CreateErrorBox(EOSError("x"))->windowIcon().cacheKey(), icon.cacheKey());
  EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.ledgerwick.Ledgerwick"));
}

TEST(TApplication, LocaleChangeRereadsTheRegionalSeparators) {
  const RegionalSettings read = ReadRegionalSettings();
  SetCurrentRegionalSettings({'#', '~'});
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(App(), &change);
  EXPECT_EQ(CurrentRegionalSettings().decimalSeparator, read.decimalSeparator);
  EXPECT_EQ(CurrentRegionalSettings().dateSeparator, read.dateSeparator);
}

TEST(MessagePump, HandlesEveryPendingEvent) {
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, [&clicks] { ++clicks; });
  for (int i = 0; i < 3; ++i) QTimer::singleShot(0, &button, &QPushButton::click);
  ProcessMessages();
  EXPECT_EQ(clicks, 3);
}

TEST(RunProgram, ErrorWhileCreatingTheWindowIsShownAndEndsTheProgram) {
  QString shown;
  QTimer::singleShot(0, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  const int result = RunProgram(
      *App(), []() -> std::unique_ptr<QWidget> { throw EOutOfResources("Out of system resources"); },
      ShowState::Normal);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(shown, QStringLiteral("Out of system resources."));
  EXPECT_EQ(App()->MainForm(), nullptr);
}

// A main window whose command pumps messages the way the search run does. A plain window: the
// real Search command would open the folder dialog and read the settings store.
class PumpingForm : public QWidget {
 public:
  PumpingForm() : button(this) { ConnectClick(&button, this, &PumpingForm::ButtonClick); }
  void ButtonClick(QObject*) {
    button.setEnabled(false);
    for (int row = 0; row < 5; ++row) {
      pump.Pump();
      quitSeen = quitSeen || pump.QuitRequested();
      ++rows;
      if (row == 1) close();  // the user closes the window in the middle of the run
    }
    button.setEnabled(true);
  }
  QPushButton button;
  WindowMessagePump pump;
  int rows = 0;
  bool quitSeen = false;
};

TEST(TApplication, ClosingTheMainWindowDuringACommandLetsTheCommandFinishThenEndsTheLoop) {
  PumpingForm form;
  App()->SetMainForm(form);
  bool runFinishedBeforeLoopEnded = false;
  bool terminatedAfterTheCommand = false;
  QTimer::singleShot(0, &form, [&] {
    form.button.click();  // the whole run happens inside this one event
    runFinishedBeforeLoopEnded = form.rows == 5 && !App()->LoopEnding();
    terminatedAfterTheCommand = App()->Terminated();
  });
  const int loopResult = App()->Run(ShowState::Maximized);
  EXPECT_EQ(loopResult, 0);
  EXPECT_TRUE(runFinishedBeforeLoopEnded);
  EXPECT_EQ(form.rows, 5);
  EXPECT_TRUE(form.quitSeen);
  EXPECT_TRUE(terminatedAfterTheCommand);
  EXPECT_TRUE(form.button.isEnabled());
  EXPECT_TRUE(form.isVisible());  // the window is not hidden first
  EXPECT_TRUE(form.isMaximized());
  // The request was answered by the loop's end: commands run later are not cut short.
  EXPECT_FALSE(App()->Terminated());
  EXPECT_FALSE(WindowMessagePump().QuitRequested());
}

}  // namespace
}  // namespace lw
