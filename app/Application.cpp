#include "app/Application.h"

#include <QCloseEvent>

#include "app/ApplicationTitle.h"
#include "app/ErrorDisplay.h"
#include "app/ProgramIcon.h"
#include "app/SystemText.h"
#include "common/RegionalSettings.h"

namespace lw {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(FromSystemText(ApplicationTitle()));
  setQuitOnLastWindowClosed(false);
  setWindowIcon(ProgramIcon());
  // Ties the windows to the installed desktop entry (its icon and name in task bars).
  setDesktopFileName(QStringLiteral("org.ledgerwick.Ledgerwick"));
}

void TApplication::SetMainForm(QWidget& form) {
  if (mainForm_ != nullptr) mainForm_->removeEventFilter(this);
  mainForm_ = &form;
  form.installEventFilter(this);
}

int TApplication::Run(ShowState state) {
  switch (state) {
    case ShowState::Maximized: mainForm_->showMaximized(); break;
    case ShowState::Minimized: mainForm_->showMinimized(); break;
    case ShowState::Normal: mainForm_->show(); break;
  }
  running_ = true;
  EndLoopIfTerminated();
  const int result = exec();
  // The request to end has been answered by the loop's end; a later Run starts afresh.
  running_ = false;
  terminated_ = false;
  loopEnding_ = false;
  return result;
}

void TApplication::Terminate() {
  terminated_ = true;
  if (dispatchDepth_ == 0) EndLoopIfTerminated();
}

void TApplication::EndLoopIfTerminated() {
  if (!terminated_ || !running_ || loopEnding_) return;
  loopEnding_ = true;
  exit(0);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool result = true;
  ++dispatchDepth_;
  RunHandler([&] { result = QApplication::notify(receiver, event); });
  --dispatchDepth_;
  // A close request noted inside a command (say during its message pump) ends the loop only
  // now, after the outermost event, so the command runs to its end first.
  if (dispatchDepth_ == 0) EndLoopIfTerminated();
  return result;
}

bool TApplication::event(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) SetCurrentRegionalSettings(ReadRegionalSettings());
  return QApplication::event(event);
}

bool TApplication::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mainForm_ && event->type() == QEvent::Close) {
    event->ignore();
    Terminate();
    return true;
  }
  return QApplication::eventFilter(watched, event);
}

TApplication* App() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

}  // namespace lw
