#pragma once
// cxShellBrowserDialog1: the practice folder dialog component (TcxShellBrowserDialog). It keeps
// only its properties between calls; Execute builds the "Browse for Folder" window, shows it
// modally and destroys it before returning.
//
// Use (the search run): SetPath(ReadCurrentPractice()); if (Execute()) ... Path() ...
//
// Test seam: SetRunner replaces the modal showing. The runner receives the prepared window
// (initial selection already made, not yet shown) and returns its modal result: 1 for OK, 2 for
// Cancel, 0 for any other close. It may show the window, act on the controls, call done(), or
// run exec() itself. With no runner the window runs its own modal loop (QDialog::exec).
//
// Not carried over from the shell's control, having no counterpart in this folder tree: the
// context menus (ContextMenus), the tree lines and buttons switches (ShowLines, ShowButtons),
// shell info tips (ShowInfoTips) and the drawing style (LookAndFeel).

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "app/ShellBrowserDialogTree.h"
#include "app/ShellBrowserDialogWindow.h"

namespace lw {

class TcxShellBrowserDialog {
 public:
  using Runner = std::function<int(TcxShellBrowserDlg&)>;

  // `owner`: the window disabled while the dialog is shown (the main window).
  explicit TcxShellBrowserDialog(QWidget* owner = nullptr);

  // The folder preselected on opening; after OK, the chosen folder. 8-bit text.
  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  // Shows the dialog. True when the user closed it with OK; Path() then holds the selected
  // folder's path (empty when nothing or an item without a folder was selected). False for any
  // other close (Cancel, the close box, the application ending); Path() is then unchanged.
  // Shows the hourglass while preparing and the arrow while waiting; the window is destroyed and
  // the cursor restored also when something fails, and the error goes on to the caller.
  bool Execute();

  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  // Replace the window caption and the label text when not empty.
  std::string Title;
  std::string FolderLabelCaption;
  TcxShellDlgRoot Root;
  TcxShellDlgOptions Options;
  bool ShowRoot = true;  // lines at the root level

 private:
  QPointer<QWidget> owner_;
  std::string path_;
  Runner runner_;
};

}  // namespace lw
