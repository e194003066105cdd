#pragma once
// Text a person can paste into a POSIX shell as one word.

#include <string>

namespace lw {

// The text unchanged when it needs no quoting, else in single quotes (a quote inside as '\'').
std::string ShellQuoted(const std::string& text);

}  // namespace lw
