#include "app/ShellBrowserDialog.h"

#include <QApplication>

#include "app/SystemText.h"

namespace lw {
namespace {

// Shows `shape` until the end of the scope, then puts back what was shown before.
class OverrideCursor {
 public:
  explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(QCursor(shape)); }
  ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
  OverrideCursor(const OverrideCursor&) = delete;
  OverrideCursor& operator=(const OverrideCursor&) = delete;
};

// Deletes the window at the end of the scope unless its owner already has.
class WindowDeleter {
 public:
  explicit WindowDeleter(QPointer<TcxShellBrowserDlg>& window) : window_(window) {}
  ~WindowDeleter() { delete window_.data(); }
  WindowDeleter(const WindowDeleter&) = delete;
  WindowDeleter& operator=(const WindowDeleter&) = delete;

 private:
  QPointer<TcxShellBrowserDlg>& window_;
};

}  // namespace

TcxShellBrowserDialog::TcxShellBrowserDialog(QWidget* owner) : owner_(owner) {}

bool TcxShellBrowserDialog::Execute() {
  const OverrideCursor hourglass(Qt::WaitCursor);

  const FolderTreeOptions tree{Options, Root};

  // The owner may be destroyed while the window is shown (the program ending), taking the
  // window with it; the guarded pointer then keeps the window from being deleted twice.
  QPointer<TcxShellBrowserDlg> window = new TcxShellBrowserDlg(tree, owner_.data());
  const WindowDeleter deleter(window);
  window->cxButton1->setText(QStringLiteral("OK"));
  window->cxButton2->setText(QStringLiteral("Cancel"));
  if (!Title.empty()) window->setWindowTitle(FromSystemText(Title));
  if (!FolderLabelCaption.empty()) {
    window->lblFolder->setText(FromSystemText(FolderLabelCaption));
    window->lblFolder->adjustSize();
  }
  window->cxStv->setRootIsDecorated(ShowRoot);
  window->SetInitialPath(path_);

  int result = 0;
  {
    const OverrideCursor arrow(Qt::ArrowCursor);
    result = runner_ ? runner_(*window) : window->exec();
  }
  if (result != 1 || window.isNull()) return false;
  path_ = window->SelectedPath();
  return true;
}

}  // namespace lw
