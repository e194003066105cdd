#include "app/WindowSearchPorts.h"

#include "common/SettingsStore.h"

namespace lw {

std::string FolderDialogPort::ReadCurrentPractice() { return lw::ReadCurrentPractice(); }

bool FolderDialogPort::Execute(std::string& path) {
  dialog_.SetPath(path);
  if (!dialog_.Execute()) return false;
  path = dialog_.Path();
  return true;
}

std::string ChartEditPort::Text() const {
  // The system's text is 8-bit; the box only takes what the user can type into a chart number.
  return edit_.text().toLatin1().toStdString();
}

}  // namespace lw
