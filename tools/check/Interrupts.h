#pragma once
// SIGINT and SIGTERM for ledgerwick-check. Outside a row the tool ends at once, printing the
// summary so far (exit 130 or 143): nothing is half-written there, and a tool blocked on a slow
// or stuck file must still end. Inside a row, where a rewrite may be under way, the signal only
// asks the run to stop before the next row. SIGPIPE is ignored, so a closed pipe shows up as a
// failed write, which the tool reports.

#include "tools/check/Summary.h"

namespace lw::check {

// Installs the handlers. The handler prints `counts` when it ends the tool; `terminal` says
// whether stderr may show a progress bar that must be cleared first.
void InstallInterruptHandlers(const RunCounts& counts, bool terminal);

// Marks the span in which a row may be written.
void SetInsideRow(bool inside);

// The signal that asked the run to stop between rows (SIGINT or SIGTERM), or 0.
int StopSignal();

// Records a stop request as the handler does inside a row (also used by tests).
void RequestStop(int signal);

// The exit status of a run ended by `signal`: 130 for SIGINT, 143 for SIGTERM.
int InterruptedStatus(int signal);

}  // namespace lw::check
