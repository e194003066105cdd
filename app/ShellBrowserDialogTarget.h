#pragma once
// Where the folder dialog's initial `Path` points: the text classified and resolved against the
// file system, before the tree is walked. Qt-free.
//
// POSIX form of the rules: an empty text is the tree's root; one trailing separator is dropped
// (the file-system root "/" keeps it); text starting with "/" is an absolute path, any other text
// is relative to the root's folder; drive ("C:..."), network ("\\server") and shell class
// ("::{...}") paths name nothing on this platform. A path resolves when it names a folder, hidden
// folders included, never a file. When it does not, the text is compared without regard to case
// with the display names of the root's children. Environment references ($HOME, %USERPROFILE%)
// are never expanded, so they resolve only when a folder of that very name exists.

#include <string>
#include <vector>

namespace lw {

struct FolderTarget {
  enum class Kind {
    None,       // no preselection
    Root,       // the tree's root item
    RootChild,  // a child of the root, by position (`child`)
    Folder,     // a folder, by its normalised absolute path (`path`)
  };
  Kind kind = Kind::None;
  int child = -1;
  std::string path;
};

// `rootFolder`: the root item's own folder (the desktop folder); `rootChildNames`: the display
// names of the root's children, in their order.
FolderTarget ResolveFolderTarget(const std::string& text, const std::string& rootFolder,
                                 const std::vector<std::string>& rootChildNames);

}  // namespace lw
