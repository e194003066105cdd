#pragma once
// The search run: confirm the practice folder, point the connection at its data dictionary,
// select the transaction rows (all, or one chart's), and check each one with the charge rules,
// reporting every discrepancy and, with "Fix Balances" ticked, rewriting it. One run serves
// the window, the headless check and the tests; each supplies the front-end ports.

#include <cstdint>
#include <exception>
#include <string>

#include "data/PracticeComponents.h"
#include "reconcile/ChargeRules.h"
#include "reconcile/Ports.h"

namespace lw {

// The query row whose check failed, as far as it could be read.
struct FailedRow {
  bool known = false;  // false: the row could not be read (the failure may be the reason)
  std::int32_t entryNumber = 0;
  std::string chartNumber;
};

// Optional watcher of a run's rows (the headless check uses it; the window does not).
class RowObserver {
 public:
  virtual ~RowObserver() = default;
  // A row's check begins: from here to RowChecked or RowFailed the row may be written.
  virtual void RowStarting() {}
  virtual void RowChecked(const ChargeCheck& check) {}
  // A row's check failed. True carries on with the next row (the error is dropped); false lets
  // the error end the run as usual.
  virtual bool RowFailed(const FailedRow& row, const std::exception& error) { return false; }
};

struct SearchFrontEnd {
  SearchButton& button;
  FolderChooser& folder;
  ReportSink& report;
  MessagePump& pump;
  ChartBox& chart;
  ProgressPort& progress;
  FixFlag& fix;
  RowObserver* rows = nullptr;
};

struct SearchOutcome {
  bool cancelled = false;  // the folder dialog was cancelled; nothing else changed
  bool stopped = false;    // the program was asked to end during the run; stopped between rows
  long long rowsChecked = 0;
  long long discrepancies = 0;
  long long rowsFixed = 0;
  long long rowsSkipped = 0;  // failed rows the observer chose to pass over
};

// Line 5 of the statement for a chart number: the text as a quoted SQL literal, apostrophes
// doubled, so no chart text can widen the selection. Empty for an empty chart text.
std::string ChartFilterLine(const std::string& chart);

// Runs one search. Errors are not caught: they end the run where it was, and what was done
// stays done, but the Search button is enabled again first so the user can retry.
SearchOutcome RunSearch(PracticeComponents& components, SearchFrontEnd& frontEnd);

}  // namespace lw
