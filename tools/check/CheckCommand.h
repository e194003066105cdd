#pragma once
// ledgerwick-check: the search run without a window. Report lines go to `out`, progress and
// the closing summary to `err`.

#include <cstdio>
#include <string>
#include <vector>

namespace lw::check {

// Exit statuses.
inline constexpr int kNoDiscrepancy = 0;
inline constexpr int kDiscrepancies = 1;
inline constexpr int kError = 2;
inline constexpr int kInterrupted = 130;

// Runs the command. REQUIRES: an engine is installed (lw::ace::SetAce).
int RunCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal);

// Asks a running check to stop between rows (async-signal-safe; used by the SIGINT handler).
void RequestStop();

}  // namespace lw::check
