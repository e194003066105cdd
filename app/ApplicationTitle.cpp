#include "app/ApplicationTitle.h"

#include <unistd.h>

#include <array>

#include "common/Path.h"
#include "common/Utf8.h"

namespace lw {

std::string ApplicationTitleFromPath(std::string_view executablePath) {
  const std::size_t separator = executablePath.rfind(kPathSeparator);
  std::string_view name = separator == std::string_view::npos ? executablePath : executablePath.substr(separator + 1);
  name = name.substr(0, name.find('.'));
  if (name.empty()) return {};
  // Every character but the first in lower case ("ÉCOLE" gives "École").
  const std::size_t first = DecodeUtf8At(name, 0).length;
  return std::string(name.substr(0, first)) + LowerCaseUtf8(name.substr(first));
}

std::string RunningExecutablePath() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ApplicationTitle() { return ApplicationTitleFromPath(RunningExecutablePath()); }

}  // namespace lw
