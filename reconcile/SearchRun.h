#pragma once
// The search run: confirm the practice folder, point the connection at its data dictionary,
// select the transaction rows (all, or one chart's), and check each one with the charge rules,
// reporting every discrepancy and, with "Fix Balances" ticked, rewriting it. One run serves
// the window, the headless check and the tests; each supplies the front-end ports.

#include <string>

#include "data/PracticeComponents.h"
#include "reconcile/Ports.h"

namespace lw {

struct SearchFrontEnd {
  SearchButton& button;
  FolderChooser& folder;
  ReportSink& report;
  MessagePump& pump;
  ChartBox& chart;
  ProgressPort& progress;
  FixFlag& fix;
};

struct SearchOutcome {
  bool cancelled = false;  // the folder dialog was cancelled; nothing else changed
  bool stopped = false;    // the program was asked to end during the run; stopped between rows
  long long rowsChecked = 0;
  long long discrepancies = 0;
  long long rowsFixed = 0;
};

// Line 5 of the statement for a chart number: the text as a quoted SQL literal, apostrophes
// doubled, so no chart text can widen the selection. Empty for an empty chart text.
std::string ChartFilterLine(const std::string& chart);

// Runs one search. Errors are not caught: they end the run where it was, and what was done
// stays done, but the Search button is enabled again first so the user can retry.
SearchOutcome RunSearch(PracticeComponents& components, SearchFrontEnd& frontEnd);

}  // namespace lw
