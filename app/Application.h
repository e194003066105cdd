#pragma once
// TApplication: the program's application object. It owns the message loop, knows the main
// window, passes every error that escapes an event handler to the default error display, and
// re-reads the regional separators when the system announces a locale change.

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace lw {

// How the main window is first shown.
enum class ShowState { Normal, Maximized, Minimized };

class TApplication : public QApplication {
  Q_OBJECT

 public:
  // Sets the application name to the title derived from the executable's file name and the
  // program icon (MAINICON) as every window's icon. The main
  // window's last close does not end the program; closing the main window does (SetMainForm).
  TApplication(int& argc, char** argv);

  // Makes `form` the main window. Closing it (close box, system menu, Alt+F4) does not hide it:
  // it asks the program to end (Terminate).
  void SetMainForm(QWidget& form);
  QWidget* MainForm() const { return mainForm_; }

  // Shows the main window in `state`, then handles events until the program is asked to end.
  // The request is spent when Run returns: Terminated() is false again.
  // REQUIRES: SetMainForm was called.
  int Run(ShowState state);

  // Asks the program to end. The request is noted; the message loop finishes once the event
  // being handled now (a whole command, with any pumping it does) has returned.
  void Terminate();
  // True once the program has been asked to end.
  bool Terminated() const { return terminated_; }
  // True once the message loop has been told to finish (only while Run is running).
  bool LoopEnding() const { return loopEnding_; }

  // An error escaping any handler is shown by the default error display.
  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EndLoopIfTerminated();

  QPointer<QWidget> mainForm_;
  int dispatchDepth_ = 0;
  bool running_ = false;
  bool terminated_ = false;
  bool loopEnding_ = false;
};

// The running TApplication, or nullptr when the application object is of another kind.
TApplication* App();

}  // namespace lw
