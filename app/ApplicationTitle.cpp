#include "app/ApplicationTitle.h"

#include <unistd.h>

#include <array>

namespace lw {

std::string ApplicationTitleFromPath(std::string_view executablePath) {
  const std::size_t separator = executablePath.find_last_of("/\\");
  std::string_view name =
      separator == std::string_view::npos ? executablePath : executablePath.substr(separator + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}

std::string RunningExecutablePath() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ApplicationTitle() { return ApplicationTitleFromPath(RunningExecutablePath()); }

}  // namespace lw
