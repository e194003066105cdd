#include "app/ShellBrowserDialogTree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>
#include <algorithm>

#include "app/SystemText.h"
#include "common/Path.h"

namespace lw {
namespace {

constexpr const char* kDesktopName = "Desktop";
constexpr const char* kHomeName = "Home";
constexpr const char* kFileSystemName = "File System";

struct DirEntry {
  std::string name;
  bool folder = false;
};

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// One directory read. Links are followed so a link to a folder is listed as a folder, as file
// managers do; other entries are classified from the directory itself, without a stat each.
std::vector<DirEntry> ReadFolder(const std::string& path, const FolderTreeOptions& options) {
  std::vector<DirEntry> entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name[0] == '.' && !options.Options.ShowHidden) continue;
    bool folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) folder = IsFolder(JoinPath(path, name));
    if (folder ? !options.Options.ShowFolders : !options.Options.ShowNonFolders) continue;
    entries.push_back({name, folder});
  }
  return entries;
}

// The user's desktop folder, or the home folder when there is none.
std::string DesktopFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) return ToSystemText(QDir::cleanPath(desktop));
  return ToSystemText(QDir::homePath());
}

}  // namespace

struct FolderTreeModel::Node {
  enum class Kind { Top, Desktop, Home, FileSystem, Folder, File };
  Kind kind = Kind::Folder;
  std::string name;  // the file name's bytes (empty for the virtual items)
  QString display;
  std::optional<QCollatorSortKey> sortKey;
  std::string path;
  Node* parent = nullptr;
  int row = 0;
  bool listed = false;
  std::vector<std::unique_ptr<Node>> children;

  void Renumber(std::size_t from = 0) {
    for (std::size_t i = from; i < children.size(); ++i) children[i]->row = static_cast<int>(i);
  }
  bool CanHaveChildren() const { return kind != Kind::File && kind != Kind::Top; }
};

FolderTreeModel::FolderTreeModel(FolderTreeOptions options, QObject* parent)
    : QAbstractItemModel(parent), options_(std::move(options)), top_(std::make_unique<Node>()) {
  // The C locale's collation is plain code-point order, which no file manager shows; English
  // rules stand in for it.
  if (collator_.locale().language() == QLocale::C) collator_.setLocale(QLocale(QLocale::English));
  collator_.setNumericMode(true);
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  if (QStyle* style = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr) {
    folderIcon_ = style->standardIcon(QStyle::SP_DirIcon);
    fileIcon_ = style->standardIcon(QStyle::SP_FileIcon);
    desktopIcon_ = style->standardIcon(QStyle::SP_DesktopIcon);
    homeIcon_ = style->standardIcon(QStyle::SP_DirHomeIcon);
    driveIcon_ = style->standardIcon(QStyle::SP_DriveHDIcon);
  }
  top_->kind = Node::Kind::Top;
  top_->listed = true;
  auto root = std::make_unique<Node>();
  root->parent = top_.get();
  if (options_.Root.BrowseFolder == bfCustomPath) {
    std::string custom = options_.Root.CustomPath;
    while (custom.size() > 1 && custom.back() == '/') custom.pop_back();
    root->kind = Node::Kind::Folder;
    root->path = custom;
    const QString shown = FromSystemText(custom);
    root->display = custom == "/" ? shown : shown.section(QLatin1Char('/'), -1);
  } else {
    root->kind = Node::Kind::Desktop;
    root->display = QString::fromLatin1(kDesktopName);
    root->path = DesktopFolder();
    root->listed = true;  // its children are fixed: the home folder and the file-system root
    auto home = std::make_unique<Node>();
    home->kind = Node::Kind::Home;
    home->display = QString::fromLatin1(kHomeName);
    home->path = ToSystemText(QDir::homePath());
    auto fileSystem = std::make_unique<Node>();
    fileSystem->kind = Node::Kind::FileSystem;
    fileSystem->display = QString::fromLatin1(kFileSystemName);
    fileSystem->path = std::string(1, '/');
    for (auto* child : {&home, &fileSystem}) {
      (*child)->parent = root.get();
      root->children.push_back(std::move(*child));
    }
    root->Renumber();
  }
  top_->children.push_back(std::move(root));
  if (options_.Options.TrackShellChanges) {
    watcher_.emplace();
    connect(&*watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderTreeModel::OnDirectoryChanged);
  }
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex FolderTreeModel::IndexOf(const Node* node) const {
  if (node == nullptr || node == top_.get()) return {};
  return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const Node* node = NodeOf(parent);
  if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size())) return {};
  return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(NodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(NodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Node* node = NodeOf(index);
  switch (role) {
    case Qt::DisplayRole: return node->display;
    case Qt::DecorationRole:
      switch (node->kind) {
        case Node::Kind::Desktop: return desktopIcon_;
        case Node::Kind::Home: return homeIcon_;
        case Node::Kind::FileSystem: return driveIcon_;
        case Node::Kind::File: return fileIcon_;
        default: return folderIcon_;
      }
    case Qt::ToolTipRole:
      if (options_.Options.ShowToolTip && !node->path.empty()) return FromSystemText(node->path);
      return {};
    default: return {};
  }
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
  const Node* node = NodeOf(parent);
  if (node == top_.get()) return true;
  if (!node->CanHaveChildren()) return false;
  // Unread folders are offered as expandable; reading each one to know would be the slow part.
  return !node->listed || !node->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
  const Node* node = NodeOf(parent);
  return node->CanHaveChildren() && !node->listed;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
  Node* node = NodeOf(parent);
  if (node->CanHaveChildren() && !node->listed) List(*node);
}

QModelIndex FolderTreeModel::RootIndex() const { return IndexOf(top_->children.front().get()); }

std::string FolderTreeModel::PathOf(const QModelIndex& index) const {
  return index.isValid() ? NodeOf(index)->path : std::string();
}

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::MakeChild(Node& parent, const std::string& name,
                                                                  bool folder) const {
  auto child = std::make_unique<Node>();
  child->kind = folder ? Node::Kind::Folder : Node::Kind::File;
  child->name = name;
  child->display = FromSystemText(name);
  child->sortKey.emplace(collator_.sortKey(child->display));
  child->path = JoinPath(parent.path, name);
  child->parent = &parent;
  return child;
}

bool FolderTreeModel::Before(const Node& a, const Node& b) const {
  const int order = a.sortKey->compare(*b.sortKey);
  return order != 0 ? order < 0 : a.name < b.name;
}

void FolderTreeModel::List(Node& node) {
  node.listed = true;
  std::vector<std::unique_ptr<Node>> children;
  for (const DirEntry& entry : ReadFolder(node.path, options_))
    children.push_back(MakeChild(node, entry.name, entry.folder));
  std::sort(children.begin(), children.end(), [this](const auto& a, const auto& b) { return Before(*a, *b); });
  if (watcher_ && node.kind != Node::Kind::Desktop) watcher_->addPath(FromSystemText(node.path));
  if (children.empty()) return;
  beginInsertRows(IndexOf(&node), 0, static_cast<int>(children.size()) - 1);
  node.children = std::move(children);
  node.Renumber();
  endInsertRows();
}

void FolderTreeModel::Refresh(const QModelIndex& index) {
  Node* node = NodeOf(index);
  if (node != top_.get()) RefreshNode(*node);
}

void FolderTreeModel::RefreshNode(Node& node) {
  if (!node.listed || node.kind == Node::Kind::Desktop || !node.CanHaveChildren()) return;
  std::vector<std::unique_ptr<Node>> fresh;
  for (const DirEntry& entry : ReadFolder(node.path, options_))
    fresh.push_back(MakeChild(node, entry.name, entry.folder));
  std::sort(fresh.begin(), fresh.end(), [this](const auto& a, const auto& b) { return Before(*a, *b); });
  // Both lists are in the same order: walk them together, keeping the items (and what is read
  // below them) that are still there, removing the gone and inserting the new.
  const QModelIndex parentIndex = IndexOf(&node);
  auto& old = node.children;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < old.size() || j < fresh.size()) {
    if (i < old.size() && j < fresh.size() && old[i]->name == fresh[j]->name) {
      ++i;
      ++j;
    } else if (j == fresh.size() || (i < old.size() && Before(*old[i], *fresh[j]))) {
      beginRemoveRows(parentIndex, static_cast<int>(i), static_cast<int>(i));
      old.erase(old.begin() + static_cast<std::ptrdiff_t>(i));
      node.Renumber(i);
      endRemoveRows();
    } else {
      beginInsertRows(parentIndex, static_cast<int>(i), static_cast<int>(i));
      old.insert(old.begin() + static_cast<std::ptrdiff_t>(i), std::move(fresh[j]));
      node.Renumber(i);
      endInsertRows();
      ++i;
      ++j;
    }
  }
}

void FolderTreeModel::OnDirectoryChanged(const QString& path) {
  const std::string changed = ToSystemText(path);
  // The same folder may be listed twice (under Home and under File System).
  std::vector<Node*> pending{top_.get()};
  std::vector<Node*> matches;
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    if (!node->listed) continue;
    if (node->path == changed) matches.push_back(node);
    for (auto& child : node->children) pending.push_back(child.get());
  }
  for (Node* node : matches) RefreshNode(*node);
}

FolderTarget FolderTreeModel::Resolve(const std::string& text) {
  Node& root = *top_->children.front();
  if (!root.listed) List(root);
  std::vector<std::string> names;
  for (const auto& child : root.children) names.push_back(ToSystemText(child->display));
  return ResolveFolderTarget(text, root.path, names);
}

QModelIndex FolderTreeModel::Locate(const FolderTarget& target) {
  Node& root = *top_->children.front();
  switch (target.kind) {
    case FolderTarget::Kind::None: return {};
    case FolderTarget::Kind::Root: return IndexOf(&root);
    case FolderTarget::Kind::RootChild:
      if (!root.listed) List(root);
      if (target.child < 0 || target.child >= static_cast<int>(root.children.size())) return {};
      return IndexOf(root.children[static_cast<std::size_t>(target.child)].get());
    case FolderTarget::Kind::Folder: break;
  }
  // Folders are reached through the file-system root under the desktop, or the custom root.
  Node* entry = root.kind == Node::Kind::Desktop ? root.children.back().get() : &root;
  const std::string& base = entry->path;
  const std::string& path = target.path;
  std::string rest;
  if (path == base) {
    return IndexOf(entry);
  } else if (base == "/" && path.size() > 1 && path[0] == '/') {
    rest = path.substr(1);
  } else if (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/') {
    rest = path.substr(base.size() + 1);
  } else {
    return {};  // not under the root
  }
  Node* node = entry;
  std::size_t start = 0;
  while (start <= rest.size()) {
    const std::size_t slash = rest.find('/', start);
    const std::string component = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    start = slash == std::string::npos ? rest.size() + 1 : slash + 1;
    if (component.empty()) continue;
    if (!node->listed) List(*node);
    auto found = std::find_if(node->children.begin(), node->children.end(), [&component](const auto& child) {
      return child->kind != Node::Kind::File && child->name == component;
    });
    if (found == node->children.end()) break;  // not listed (hidden): its nearest listed ancestor
    node = found->get();
  }
  return IndexOf(node);
}

}  // namespace lw
