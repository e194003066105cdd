#include "app/ShellBrowserDialogTarget.h"

#include <sys/stat.h>

#include <filesystem>

#include "common/Path.h"
#include "common/Utf8.h"

namespace lw {
namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) { return UpperCaseUtf8(a) == UpperCaseUtf8(b); }

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "/a/./b/../c/" -> "/a/c": the walk down the tree goes by name, so dot components must go.
std::string NormalisePath(const std::string& path) {
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace

FolderTarget ResolveFolderTarget(const std::string& text, const std::string& rootFolder,
                                 const std::vector<std::string>& rootChildNames) {
  FolderTarget target;
  if (text.empty()) {
    target.kind = FolderTarget::Kind::Root;
    return target;
  }
  std::string t = text;
  if (t.size() > 1 && t.back() == '/') t.pop_back();
  const char first = static_cast<char>(t[0] | 0x20);  // ASCII lower case; the locale plays no part
  const bool driveForm = t.size() >= 2 && first >= 'a' && first <= 'z' && t[1] == ':';
  if (driveForm || t.rfind("\\\\", 0) == 0 || t.rfind("::{", 0) == 0) return target;

  const std::string candidate = t[0] == '/' ? t : JoinPath(rootFolder, t);
  if (IsFolder(candidate)) {
    target.kind = FolderTarget::Kind::Folder;
    target.path = NormalisePath(candidate);
    return target;
  }
  for (std::size_t i = 0; i < rootChildNames.size(); ++i) {
    if (EqualsNoCase(t, rootChildNames[i])) {
      target.kind = FolderTarget::Kind::RootChild;
      target.child = static_cast<int>(i);
      return target;
    }
  }
  return target;
}

}  // namespace lw
