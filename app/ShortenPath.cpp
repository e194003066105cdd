#include "app/ShortenPath.h"

namespace lw {
namespace {

struct PathParts {
  std::string drive;
  std::string directory;
  std::string name;
};

PathParts SplitPath(const std::string& path, PathStyle style) {
  const std::size_t last = style == PathStyle::Windows ? path.find_last_of("\\:") : path.find_last_of('/');
  PathParts parts;
  const std::size_t split = last == std::string::npos ? 0 : last + 1;
  parts.directory = path.substr(0, split);
  parts.name = path.substr(split);
  if (style == PathStyle::Windows && parts.directory.size() >= 2 && parts.directory[1] == ':') {
    parts.drive = parts.directory.substr(0, 2);
    parts.directory.erase(0, 2);
  }
  return parts;
}

// Removes the first directory of `directory`, leaving the marker in its place.
void CutFirstDirectory(std::string& directory, char separator, const std::string& marker) {
  if (directory.size() == 1 && directory[0] == separator) {
    directory.clear();
    return;
  }
  const bool leading = !directory.empty() && directory[0] == separator;
  std::string rest = leading ? directory.substr(1) : directory;
  if (separator == '\\') {
    // Anything starting with a dot is taken for an earlier marker, as the Windows rule has it.
    if (!rest.empty() && rest[0] == '.') rest.erase(0, 4);
  } else if (rest.compare(0, marker.size(), marker) == 0) {
    // On POSIX names often start with a dot, so only the marker itself is recognised.
    rest.erase(0, marker.size());
  }
  const std::size_t sep = rest.find(separator);
  if (sep != std::string::npos) {
    rest = marker + rest.substr(sep + 1);
  } else {
    rest.clear();
  }
  directory = leading ? std::string(1, separator) + rest : rest;
}

}  // namespace

std::string ShortenPathToWidth(const std::string& path, int width, const TextWidthMeasure& measure, PathStyle style) {
  const char separator = style == PathStyle::Windows ? '\\' : '/';
  const std::string marker = std::string("...") + separator;
  const std::string rootedMarker = separator + marker;
  PathParts parts = SplitPath(path, style);
  std::string text = path;
  while ((!parts.directory.empty() || !parts.drive.empty()) && measure(text) > width) {
    if (parts.directory == rootedMarker) {
      parts.drive.clear();
      parts.directory = marker;
    } else if (parts.directory.empty()) {
      parts.drive.clear();
    } else {
      CutFirstDirectory(parts.directory, separator, marker);
    }
    text = parts.drive + parts.directory + parts.name;
  }
  return text;
}

}  // namespace lw
