#include "app/WindowSearchPorts.h"

#include "app/SystemText.h"
#include "common/SettingsStore.h"

namespace lw {

std::string FolderDialogPort::ReadCurrentPractice() { return lw::ReadCurrentPractice(); }

bool FolderDialogPort::Execute(std::string& path) {
  dialog_.SetPath(path);
  if (!dialog_.Execute()) return false;
  path = dialog_.Path();
  return true;
}

std::string ChartEditPort::Text() const { return ToSystemText(edit_.text()); }

}  // namespace lw
