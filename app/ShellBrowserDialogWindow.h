#pragma once
// TcxShellBrowserDlg: the "Browse for Folder" window of the folder dialog. Created by each
// Execute and destroyed before it returns.
//
// Layout (pixels at 96 per inch, client area 308 x 358, never smaller than 250 x 300 outside):
// "Current Folder" label at (12, 8); the read-only path box at (12, 24), 284 wide, stretching
// with the width; the folder tree at (12, 56), 284 x 261, stretching both ways; "OK" (default,
// modal result 1) at (139, 323) and "Cancel" (modal result 2, no key bound) at (219, 323), both
// 75 x 25 and kept at the bottom-right; a size grip in the bottom-right corner.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSizeGrip>
#include <QTreeView>
#include <memory>
#include <string>

#include "app/ShellBrowserDialogTree.h"

namespace lw {

// The folder tree control: keeps its selection highlighted without the focus, and a right-click
// selects the item under the mouse.
class TcxShellTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit TcxShellTreeView(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class TcxShellBrowserDlg : public QDialog {
  Q_OBJECT

 public:
  // Builds the window and its tree with `options`. Modal results: 1 for OK, 2 for Cancel, 0 for
  // any other close.
  explicit TcxShellBrowserDlg(const FolderTreeOptions& options, QWidget* parent = nullptr);
  ~TcxShellBrowserDlg() override;

  // Preselects the folder `path` names (empty: the root item); no preselection when it names
  // nothing listable. Then the tree's first item is selected if nothing else is, as the tree has
  // the focus when the window opens.
  void SetInitialPath(const std::string& path);
  // The selected item's path (empty with no selection or for an item without a folder).
  std::string SelectedPath() const;

  // The controls, named as in the window description.
  QLabel* lblFolder;
  QLineEdit* cxTeFolder;
  TcxShellTreeView* cxStv;
  QPushButton* cxButton1;  // OK
  QPushButton* cxButton2;  // Cancel
  QSizeGrip* sizeGrip;
  FolderTreeModel& Model() { return *model_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
  void FormResize();
  void cxStvChange();

  std::unique_ptr<FolderTreeModel> model_;
  int gripWidth_ = 0;
  int gripHeight_ = 0;
};

}  // namespace lw
