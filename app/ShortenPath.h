#pragma once
// Shortens a folder path to fit a width, dropping leading directories in favour of a "..." marker
// (C:\Program Files\Practice\Data1 -> C:\...\Practice\Data1 -> C:\...\Data1 -> ...\Data1 -> Data1).
// Qt-free: the caller measures text, so the rule is tested without a window.

#include <functional>
#include <string>

namespace lw {

enum class PathStyle {
  // Backslash separators; the last backslash or colon ends the directory part; "C:" is a drive.
  Windows,
  // Slash separators, no drives; a colon is an ordinary character.
  Posix,
};

// Width of a text in pixels, in the font it will be shown in.
using TextWidthMeasure = std::function<int(const std::string& text)>;

// The path as it should be shown in `width` pixels: the whole path when it fits, otherwise the
// first shortening that fits, or the bare name part when nothing does.
std::string ShortenPathToWidth(const std::string& path, int width, const TextWidthMeasure& measure,
                               PathStyle style = PathStyle::Posix);

}  // namespace lw
