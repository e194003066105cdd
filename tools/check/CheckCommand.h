#pragma once
// ledgerwick-check: the search run without a window. Report lines (or findings as CSV or JSON)
// go to `out`, progress, messages and the closing summary to `err`.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/check/Summary.h"

namespace lw::check {

// Exit statuses.
inline constexpr int kNoDiscrepancy = 0;
inline constexpr int kDiscrepancies = 1;
inline constexpr int kError = 2;

// Runs the command, keeping its counts in `counts` as it goes (the signal handler prints them).
// REQUIRES: an engine is installed (lw::ace::SetAce).
int RunCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal,
                    RunCounts& counts);

}  // namespace lw::check
