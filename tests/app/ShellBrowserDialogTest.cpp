#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "app/ShellBrowserDialog.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

// A private home folder (with or without a desktop folder) and a practice tree beside it.
class ShellBrowserDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("HOME", oldHome_);
    Save("XDG_CONFIG_HOME", oldConfig_);
    fs::create_directories(Home() / "Desktop");
    fs::create_directories(dir_.Path() / "config");
    setenv("HOME", Home().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_.Path() / "config").c_str(), 1);
    fs::create_directories(Practices() / "Data1");
    fs::create_directories(Practices() / ".hidden" / "sub");
    std::ofstream(Practices() / "notes.txt") << "not a folder";
  }
  void TearDown() override {
    Restore("HOME", oldHome_);
    Restore("XDG_CONFIG_HOME", oldConfig_);
  }

  static void Save(const char* name, std::optional<std::string>& slot) {
    if (const char* value = std::getenv(name)) slot = value;
  }
  static void Restore(const char* name, const std::optional<std::string>& slot) {
    if (slot) {
      setenv(name, slot->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }

  fs::path Home() const { return dir_.Path() / "home"; }
  fs::path Practices() const { return dir_.Path() / "practices"; }
  std::string Desktop() const { return (Home() / "Desktop").string(); }

  // Opens the dialog on `path` and confirms it at once; returns the path OK gave.
  std::string ConfirmAt(const std::string& path, std::string* shownInBox = nullptr) {
    TcxShellBrowserDialog dialog;
    dialog.SetPath(path);
    dialog.SetRunner([&](TcxShellBrowserDlg& window) {
      window.show();
      if (shownInBox) *shownInBox = window.cxTeFolder->text().toStdString();
      return 1;
    });
    EXPECT_TRUE(dialog.Execute());
    return dialog.Path();
  }

  test::TempDir dir_;
  std::optional<std::string> oldHome_, oldConfig_;
};

TEST_F(ShellBrowserDialogTest, PreselectsAnExistingFolderWithOrWithoutTrailingSeparator) {
  const std::string data1 = (Practices() / "Data1").string();
  std::string box;
  EXPECT_EQ(ConfirmAt(data1, &box), data1);
  EXPECT_EQ(ConfirmAt(data1 + "/"), data1);
  EXPECT_EQ(ConfirmAt(Practices().string() + "/./Data1/../Data1"), data1);
  EXPECT_EQ(ConfirmAt("/"), "/");
  // The box shows the path, shortened to its width.
  ASSERT_FALSE(box.empty());
  EXPECT_EQ(box.substr(box.size() - 6), "/Data1");
}

TEST_F(ShellBrowserDialogTest, HiddenFolderSelectsItsNearestListedAncestor) {
  EXPECT_EQ(ConfirmAt((Practices() / ".hidden" / "sub").string()), Practices().string());
  EXPECT_EQ(ConfirmAt((Practices() / ".hidden").string()), Practices().string());
  // Listed when the dialog is asked to show hidden folders.
  TcxShellBrowserDialog dialog;
  dialog.Options.ShowHidden = true;
  dialog.SetPath((Practices() / ".hidden" / "sub").string());
  dialog.SetRunner([](TcxShellBrowserDlg&) { return 1; });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), (Practices() / ".hidden" / "sub").string());
}

TEST_F(ShellBrowserDialogTest, FileMissingFolderOrUnexpandedTextSelectTheDesktop) {
  EXPECT_EQ(ConfirmAt(""), Desktop());
  EXPECT_EQ(ConfirmAt((Practices() / "notes.txt").string()), Desktop());
  EXPECT_EQ(ConfirmAt((Practices() / "Gone").string()), Desktop());
  EXPECT_EQ(ConfirmAt("$HOME/practices"), Desktop());
  EXPECT_EQ(ConfirmAt("%USERPROFILE%\\Practice"), Desktop());
  EXPECT_EQ(ConfirmAt("C:\\Medidata\\Tutor"), Desktop());
  EXPECT_EQ(ConfirmAt("\\\\server\\share"), Desktop());
}

TEST_F(ShellBrowserDialogTest, RelativeTextResolvesInTheDesktopThenByItemName) {
  fs::create_directories(Home() / "Desktop" / "Clinic");
  EXPECT_EQ(ConfirmAt("Clinic"), Desktop() + "/Clinic");
  EXPECT_EQ(ConfirmAt("home"), Home().string());  // the "Home" item, case ignored
  EXPECT_EQ(ConfirmAt("FILE SYSTEM"), "/");
}

TEST_F(ShellBrowserDialogTest, WithoutADesktopFolderTheRootIsTheHomeFolder) {
  fs::remove(Home() / "Desktop");
  EXPECT_EQ(ConfirmAt(""), Home().string());
}

TEST_F(ShellBrowserDialogTest, ModalOkCancelAndCloseBox) {
  struct Case {
    const char* name;
    void (*act)(TcxShellBrowserDlg&);
    bool result;
  };
  const Case cases[] = {
      {"OK", [](TcxShellBrowserDlg& w) { QTest::mouseClick(w.cxButton1, Qt::LeftButton); }, true},
      {"Enter", [](TcxShellBrowserDlg& w) { QTest::keyClick(w.cxStv, Qt::Key_Return); }, true},
      {"Cancel", [](TcxShellBrowserDlg& w) { QTest::mouseClick(w.cxButton2, Qt::LeftButton); }, false},
      {"close box", [](TcxShellBrowserDlg& w) { w.close(); }, false},
      {"quit", [](TcxShellBrowserDlg&) { QCoreApplication::exit(0); }, false},
  };
  const std::string data1 = (Practices() / "Data1").string();
  const std::string stored = data1 + "/";
  for (const Case& c : cases) {
    TcxShellBrowserDialog dialog;
    dialog.SetPath(stored);
    bool escapeIgnored = false;
    QTimer::singleShot(0, [&] {
      auto* window = qobject_cast<TcxShellBrowserDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(window->focusWidget(), window->cxStv);
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
      QTest::keyClick(window->cxStv, Qt::Key_Escape);  // no key is bound to Cancel
      escapeIgnored = window->isVisible();
      c.act(*window);
    });
    EXPECT_EQ(dialog.Execute(), c.result) << c.name;
    EXPECT_TRUE(escapeIgnored) << c.name;
    EXPECT_EQ(dialog.Path(), c.result ? data1 : stored) << c.name;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.name;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.name;
  }
}

TEST_F(ShellBrowserDialogTest, OkWithoutSelectionGivesTrueAndEmptyPath) {
  TcxShellBrowserDialog dialog;
  dialog.SetPath((Practices() / "Data1").string());
  dialog.SetRunner([](TcxShellBrowserDlg& window) {
    window.show();
    window.cxStv->selectionModel()->clearSelection();
    EXPECT_EQ(window.cxTeFolder->text(), QString());
    return 1;
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), "");
}

TEST_F(ShellBrowserDialogTest, FailureDestroysTheWindowRestoresTheCursorAndPassesTheError) {
  QApplication::setOverrideCursor(Qt::CrossCursor);
  TcxShellBrowserDialog dialog;
  dialog.SetPath("/keep");
  QPointer<TcxShellBrowserDlg> seen;
  dialog.SetRunner([&seen](TcxShellBrowserDlg& window) -> int {
    seen = &window;
    throw std::runtime_error("drawing failed");
  });
  EXPECT_THROW(dialog.Execute(), std::runtime_error);
  EXPECT_TRUE(seen.isNull());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QApplication::restoreOverrideCursor();
  EXPECT_EQ(dialog.Path(), "/keep");
}

TEST_F(ShellBrowserDialogTest, WindowLayoutCaptionsAndStretching) {
  TcxShellBrowserDialog dialog;
  dialog.SetRunner([](TcxShellBrowserDlg& w) {
    EXPECT_EQ(w.windowTitle(), "Browse for Folder");
    EXPECT_EQ(w.lblFolder->text(), "Current Folder");
    EXPECT_EQ(w.cxButton1->text(), "OK");
    EXPECT_EQ(w.cxButton2->text(), "Cancel");
    EXPECT_TRUE(w.cxButton1->isDefault());
    EXPECT_TRUE(w.cxTeFolder->isReadOnly());
    EXPECT_EQ(w.cxStv->indentation(), 19);
    EXPECT_EQ(w.size(), QSize(308, 358));
    EXPECT_EQ(w.lblFolder->pos(), QPoint(12, 8));
    EXPECT_EQ(w.cxTeFolder->geometry(), QRect(12, 24, 284, 21));
    EXPECT_EQ(w.cxStv->geometry(), QRect(12, 56, 284, 261));
    EXPECT_EQ(w.cxButton1->geometry(), QRect(139, 323, 75, 25));
    EXPECT_EQ(w.cxButton2->geometry(), QRect(219, 323, 75, 25));
    const int extent = w.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(w.sizeGrip->geometry(), QRect(308 - extent, 358 - extent, extent, extent));
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_LE((w.frameGeometry().center() - w.screen()->availableGeometry().center()).manhattanLength(), 2)
        << "centred on the screen";
    EXPECT_TRUE(w.cxStv->hasFocus());
    QTest::keyClick(w.cxStv, Qt::Key_Tab);
    EXPECT_TRUE(w.cxTeFolder->hasFocus()) << "the path box comes after the tree in the tab order";
    EXPECT_EQ(w.minimumSize(), QSize(250, 300) - (w.frameGeometry().size() - w.geometry().size()));
    w.resize(500, 600);
    EXPECT_EQ(w.cxTeFolder->geometry(), QRect(12, 24, 476, 21));
    EXPECT_EQ(w.cxStv->geometry(), QRect(12, 56, 476, 503));
    EXPECT_EQ(w.cxButton1->geometry(), QRect(331, 565, 75, 25));
    EXPECT_EQ(w.cxButton2->geometry(), QRect(411, 565, 75, 25));
    EXPECT_EQ(w.sizeGrip->geometry(), QRect(500 - extent, 600 - extent, extent, extent));
    return 2;
  });
  EXPECT_FALSE(dialog.Execute());

  dialog.Title = "Choose the practice";
  dialog.FolderLabelCaption = "Practice";
  dialog.SetRunner([](TcxShellBrowserDlg& w) {
    EXPECT_EQ(w.windowTitle(), "Choose the practice");
    EXPECT_EQ(w.lblFolder->text(), "Practice");
    return 2;
  });
  EXPECT_FALSE(dialog.Execute());
}

TEST_F(ShellBrowserDialogTest, PathBoxShortensWithTheWidthButNeverThePath) {
  const fs::path deep = Practices() / "A rather long folder name" / "Another long folder name" / "Data2";
  fs::create_directories(deep);
  std::string narrow, wide;
  TcxShellBrowserDialog dialog;
  dialog.SetPath(deep.string());
  dialog.SetRunner([&](TcxShellBrowserDlg& w) {
    w.show();
    w.resize(250, 300);
    narrow = w.cxTeFolder->text().toStdString();
    w.resize(2000, 300);
    wide = w.cxTeFolder->text().toStdString();
    return 1;
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), deep.string());
  EXPECT_EQ(wide, deep.string());
  EXPECT_EQ(narrow.rfind("/.../", 0), 0u) << narrow;
  EXPECT_EQ(narrow.substr(narrow.size() - 6), "/Data2");
}

TEST_F(ShellBrowserDialogTest, RightClickSelectsAndChangesThePathBox) {
  TcxShellBrowserDialog dialog;
  std::string path;
  dialog.SetRunner([&](TcxShellBrowserDlg& w) {
    w.show();
    const QModelIndex home = w.Model().index(0, 0, w.Model().RootIndex());
    w.cxStv->expand(w.Model().RootIndex());
    QTest::mouseClick(w.cxStv->viewport(), Qt::RightButton, {}, w.cxStv->visualRect(home).center());
    path = w.SelectedPath();
    EXPECT_EQ(w.cxTeFolder->text().toStdString(), path);
    return 2;
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(path, Home().string());
}

// The tree model on its own: listing, order, laziness and change tracking.
class FolderTreeModelTest : public ShellBrowserDialogTest {
 protected:
  QModelIndex Find(FolderTreeModel& model, const fs::path& folder) {
    return model.Locate(model.Resolve(folder.string()));
  }
  static QStringList Names(FolderTreeModel& model, const QModelIndex& parent) {
    if (model.canFetchMore(parent)) model.fetchMore(parent);
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row) names << model.index(row, 0, parent).data().toString();
    return names;
  }
};

TEST_F(FolderTreeModelTest, DesktopRootHoldsHomeAndTheFileSystem) {
  FolderTreeModel model({});
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.RootIndex().data().toString(), "Desktop");
  EXPECT_EQ(model.PathOf(model.RootIndex()), Desktop());
  EXPECT_EQ(Names(model, model.RootIndex()), (QStringList{"Home", "File System"}));
  EXPECT_EQ(model.PathOf(model.index(1, 0, model.RootIndex())), "/");
}

TEST_F(FolderTreeModelTest, ListsFoldersOnlyInFileManagerOrderAndNoHiddenOnes) {
  const fs::path sorted = dir_.Path() / "sorted";
  for (const char* name : {"folder2", "Folder10", "Folder1", "apple", "Zebra", ".git"})
    fs::create_directories(sorted / name);
  std::ofstream(sorted / "b-file.txt") << "x";
  fs::create_directory_symlink(sorted / "apple", sorted / "link-to-apple");
  FolderTreeModel model({});
  EXPECT_EQ(Names(model, Find(model, sorted)),
            (QStringList{"apple", "Folder1", "folder2", "Folder10", "link-to-apple", "Zebra"}));

  FolderTreeOptions everything;
  everything.Options.ShowHidden = true;
  everything.Options.ShowNonFolders = true;
  FolderTreeModel all(everything);
  const QModelIndex index = Find(all, sorted);
  EXPECT_EQ(Names(all, index).size(), 8);
  const QModelIndex file = all.index(Names(all, index).indexOf("b-file.txt"), 0, index);
  EXPECT_FALSE(all.hasChildren(file));
}

TEST_F(FolderTreeModelTest, OpensAFolderOfManyWithoutReadingItsSubfolders) {
  const fs::path big = dir_.Path() / "big";
  for (int i = 0; i < 1200; ++i) fs::create_directories(big / ("Patient " + std::to_string(i)));
  FolderTreeModel model({});
  const QModelIndex index = Find(model, big);
  EXPECT_EQ(Names(model, index).size(), 1200);
  EXPECT_EQ(model.index(2, 0, index).data().toString(), "Patient 2");  // numbers by value
  for (int row : {0, 600, 1199}) {
    const QModelIndex child = model.index(row, 0, index);
    EXPECT_TRUE(model.hasChildren(child)) << "offered as expandable";
    EXPECT_TRUE(model.canFetchMore(child)) << "but not read yet";
    EXPECT_EQ(model.rowCount(child), 0);
  }
}

TEST_F(FolderTreeModelTest, FollowsFoldersAddedAndRemoved) {
  const fs::path watched = dir_.Path() / "watched";
  fs::create_directories(watched / "b" / "inner");
  fs::create_directories(watched / "d");
  FolderTreeModel model({});
  const QPersistentModelIndex index = Find(model, watched);
  ASSERT_EQ(Names(model, index), (QStringList{"b", "d"}));
  const QPersistentModelIndex inner = Find(model, watched / "b" / "inner");
  ASSERT_TRUE(inner.isValid());

  fs::create_directories(watched / "a");
  fs::create_directories(watched / "c");
  fs::remove_all(watched / "d");
  model.Refresh(index);
  EXPECT_EQ(Names(model, index), (QStringList{"a", "b", "c"}));
  EXPECT_TRUE(inner.isValid()) << "what was read below a kept folder stays";
  EXPECT_EQ(model.PathOf(inner), (watched / "b" / "inner").string());

  // Change notifications do the same without being asked.
  fs::create_directories(watched / "e");
  for (int waited = 0; waited < 5000 && model.rowCount(index) != 4; waited += 10) QTest::qWait(10);
  EXPECT_EQ(Names(model, index), (QStringList{"a", "b", "c", "e"}));
}

TEST_F(FolderTreeModelTest, CustomRootOnlyReachesFoldersBelowIt) {
  FolderTreeOptions options;
  options.Root.BrowseFolder = bfCustomPath;
  options.Root.CustomPath = Practices().string() + "/";
  FolderTreeModel model(options);
  EXPECT_EQ(model.RootIndex().data().toString(), "practices");
  EXPECT_EQ(model.PathOf(Find(model, Practices() / "Data1")), (Practices() / "Data1").string());
  EXPECT_EQ(model.PathOf(model.Locate(model.Resolve("Data1"))), (Practices() / "Data1").string());
  EXPECT_FALSE(Find(model, Home()).isValid());
}

}  // namespace
}  // namespace lw
