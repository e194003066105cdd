#pragma once
// The charge reconciliation rules: for one MWTRN row (the charge) and the MWPAX rows applied
// to it, compare the six recorded paid amounts with the applications, report a difference and,
// when fixing, rewrite the six amounts from the applications.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/Currency.h"
#include "common/RegionalSettings.h"
#include "reconcile/Ports.h"
#include "reconcile/RowAccess.h"

namespace lw {

// The six paid-amount values, in the order the rules read and write them.
struct PaidAmounts {
  Currency insurance1;
  Currency insurance2;
  Currency insurance3;
  Currency guarantor;
  Currency adjustment;
  Currency attorney;

  Currency Sum() const;  // overflow-checked
  bool operator==(const PaidAmounts&) const = default;
};

// One application as the rules see it: its applied amount and its paying row's codes.
struct Application {
  Currency amount;
  bool hasPayingRow = true;  // false: the Payment Reference matches no Entry Number
  std::string_view transactionType;
  std::string_view whoPaid;
};

struct ChargeTotals {
  Currency recorded;
  Currency applied;
  PaidAmounts buckets;
};

// Adds applications one at a time, so the cursor walk needs no intermediate list.
class ChargeTotalsBuilder {
 public:
  explicit ChargeTotalsBuilder(const PaidAmounts& recorded);
  void Add(const Application& application);
  const ChargeTotals& Totals() const { return totals_; }

 private:
  ChargeTotals totals_;
};

// The paid-amount column a counted application fills, from its paying row's Transaction Type
// and Who Paid; empty when it fills none (or is ignored).
std::string_view PaidFieldFor(std::string_view transactionType, std::string_view whoPaid);

// The recorded total, applied total and six paid buckets of a charge. No side effects.
ChargeTotals ComputeChargeTotals(const PaidAmounts& recorded, std::span<const Application> applications);

// "Chart: … Case Number: … Date From: mm/dd/yyyy Procedure Code: … Difference: …"
// `dateFrom` is days since 30 December 1899. The difference is recorded minus applied.
std::string FormatDiscrepancyLine(std::string_view chartNumber, std::int32_t caseNumber, double dateFrom,
                                  std::string_view procedureCode, Currency recorded, Currency applied,
                                  const RegionalSettings& settings);

// A date of days since 30 December 1899 as "YYYY-MM-DD", whatever the regional settings.
std::string IsoDateText(double days);

// An amount in the general number format: up to 15 significant digits (rounded half to even),
// no grouping, no trailing zeros, no separator for a whole number.
std::string FormatGeneralAmount(Currency amount, char decimalSeparator);

// Assigns the six buckets as doubles. REQUIRES: the charge in edit state.
void AssignBuckets(const PaidAmounts& buckets, EditableRow& charge);

// Rewrites the charge from its applications as they stand once it is locked: puts it in edit
// state (which locks and re-reads the row), walks the applications again, and assigns and posts
// that walk's buckets; when the row now agrees, cancels the edit and writes nothing. Returns
// whether the row was written. A failure after the edit began cancels the edit (releasing the
// lock) and propagates.
bool RewriteUnderLock(EditableRow& charge, RowWalker& applications, RowReader& payingRow);

// A charge whose totals differ, as data: what its line shows and every amount behind it.
struct Finding {
  std::int32_t entryNumber = 0;
  std::string chartNumber;
  std::int32_t caseNumber = 0;
  double dateFrom = 0;  // days since 30 December 1899
  std::string procedureCode;
  PaidAmounts recordedAmounts;
  ChargeTotals totals;

  Currency Difference() const { return totals.recorded - totals.applied; }
  // The counted amount that fits no bucket: a fix writes the buckets, so it cannot clear this.
  Currency Unbucketed() const { return totals.applied - totals.buckets.Sum(); }
};

struct ChargeCheck {
  bool discrepancy = false;
  bool fixed = false;  // the row was rewritten (not when it agreed once locked)
  Finding finding;     // filled when there is a discrepancy, from the first walk
};

// Checks the charge: reads its six amounts, walks its applications (the paying row following
// each), appends the discrepancy line when the totals differ and, if the fix flag is set at
// that moment, rewrites the row under its lock (RewriteUnderLock). The line always shows the
// first walk, and so does the finding; its "Entry Number" is read last.
ChargeCheck CheckCharge(EditableRow& charge, RowWalker& applications, RowReader& payingRow, ReportSink& report,
                        const FixFlag& fixFlag, const RegionalSettings& settings);

}  // namespace lw
