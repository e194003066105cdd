#pragma once
// Paths are POSIX paths: "/" separates folders, and "\" is an ordinary character of a name.

#include <string>
#include <string_view>

namespace lw {

inline constexpr char kPathSeparator = '/';

// `folder` and `name` joined by one separator; a folder that already ends in one gets no
// second ("/srv/practice/" and "MWDDF.ADD" give "/srv/practice/MWDDF.ADD").
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace lw
