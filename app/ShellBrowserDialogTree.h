#pragma once
// The folder dialog's tree: a lazily listed model of the folder namespace.
//
// With the desktop as root (the default) the single top item is a virtual "Desktop" whose folder
// is the user's desktop folder (the home folder when there is none); under it are "Home" (the
// home folder) and "File System" (/), then real folders. With a custom root the top item is that
// folder. Only folders are listed by default, hidden (dot) folders never unless asked; names are
// sorted as a file manager sorts them (by the user's collation, numbers by value, case ignored).
//
// A folder is read only when it is first expanded, and every unread folder is offered as
// expandable, so opening a folder with thousands of subfolders reads one directory, not
// thousands. Listed folders are watched and follow additions, removals and renames.

#include <QAbstractItemModel>
#include <QCollator>
#include <QFileSystemWatcher>
#include <QIcon>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ShellBrowserDialogTarget.h"

namespace lw {

enum TcxBrowseFolder { bfDesktop, bfCustomPath };

// What the tree lists (the dialog component's Options).
struct TcxShellDlgOptions {
  bool ShowFolders = true;
  bool ShowNonFolders = false;
  bool ShowHidden = false;
  bool ShowToolTip = true;
  bool TrackShellChanges = true;
};

// Where the tree starts (the dialog component's Root).
struct TcxShellDlgRoot {
  TcxBrowseFolder BrowseFolder = bfDesktop;
  std::string CustomPath;  // the root folder with bfCustomPath
};

struct FolderTreeOptions {
  TcxShellDlgOptions Options;
  TcxShellDlgRoot Root;
};

class FolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit FolderTreeModel(FolderTreeOptions options, QObject* parent = nullptr);
  ~FolderTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // The top item.
  QModelIndex RootIndex() const;
  // The item's file-system path without a trailing separator ("/" keeps its own); the desktop
  // item gives its folder. Empty for an invalid index or an item without a folder.
  std::string PathOf(const QModelIndex& index) const;
  // The deepest listed item on the way to `target`, reading folders as it goes down; invalid
  // when there is no target or it does not lie under the root.
  QModelIndex Locate(const FolderTarget& target);
  // The text's target under this tree's root (see ResolveFolderTarget).
  FolderTarget Resolve(const std::string& text);

  // Re-reads a listed folder now (change notifications call this for watched folders).
  void Refresh(const QModelIndex& index);

 private:
  struct Node;

  Node* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const Node* node) const;
  void List(Node& node);
  void OnDirectoryChanged(const QString& path);
  void RefreshNode(Node& node);
  std::unique_ptr<Node> MakeChild(Node& parent, const std::string& name, bool folder) const;
  bool Before(const Node& a, const Node& b) const;

  FolderTreeOptions options_;
  QCollator collator_;
  std::unique_ptr<Node> top_;  // invisible; its one child is the root item
  std::optional<QFileSystemWatcher> watcher_;
  QIcon folderIcon_, fileIcon_, desktopIcon_, homeIcon_, driveIcon_;
};

}  // namespace lw
