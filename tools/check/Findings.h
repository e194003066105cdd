#pragma once
// What ledgerwick-check writes to standard output: the report lines as the window writes them
// (optionally with a per-field breakdown under each), or the findings as data, one CSV or JSON
// record per discrepancy. Numbers and dates in CSV and JSON do not depend on the locale.

#include <memory>
#include <string>

#include "common/RegionalSettings.h"
#include "reconcile/ChargeRules.h"
#include "tools/check/Output.h"

namespace lw::check {

enum class FindingsFormat { Plain, Csv, Json };

class FindingsWriter {
 public:
  virtual ~FindingsWriter() = default;
  // A report line of the search run (the header lines, then one line per discrepancy).
  virtual void ReportLine(const std::string& line) = 0;
  // A row has been checked (and fixed, if it was).
  virtual void RowChecked(const ChargeCheck& check) = 0;
  // The run has ended, however it ended: completes the document.
  virtual void Finish() = 0;
};

// `detail` adds the breakdown under each plain report line.
std::unique_ptr<FindingsWriter> MakeFindingsWriter(FindingsFormat format, bool detail, Output& output,
                                                   const RegionalSettings& settings);

// The breakdown of a finding, one indented line per field, in the regional separators.
std::string DetailText(const ChargeCheck& check, const RegionalSettings& settings);

}  // namespace lw::check
