#include "reconcile/ChargeRules.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "common/CivilDate.h"

namespace lw {

namespace {

constexpr std::string_view kInsurance1 = "Insurance 1 Amount Paid";
constexpr std::string_view kInsurance2 = "Insurance 2 Amount Paid";
constexpr std::string_view kInsurance3 = "Insurance 3 Amount Paid";
constexpr std::string_view kGuarantor = "Guarantor Amount Paid";
constexpr std::string_view kAdjustment = "Adjustment Amount";
constexpr std::string_view kAttorney = "Attorney Amount Paid";

// The field value occurs as a contiguous run within the letters; an empty value never does.
bool OccursWithin(std::string_view value, std::string_view letters) {
  return !value.empty() && letters.find(value) != std::string_view::npos;
}

// The six paid buckets and the MWTRN columns they are read from and written to, in order.
struct PaidField {
  Currency PaidAmounts::*bucket;
  std::string_view name;
};
constexpr PaidField kPaidFields[] = {{&PaidAmounts::insurance1, kInsurance1}, {&PaidAmounts::insurance2, kInsurance2},
                                     {&PaidAmounts::insurance3, kInsurance3}, {&PaidAmounts::guarantor, kGuarantor},
                                     {&PaidAmounts::adjustment, kAdjustment}, {&PaidAmounts::attorney, kAttorney}};

// The bucket a counted application fills, from its paying row's codes; null for none.
Currency PaidAmounts::*BucketOf(std::string_view type, std::string_view who) {
  if (type == "I") {
    if (who == "1") return &PaidAmounts::insurance1;
    if (who == "2") return &PaidAmounts::insurance2;
    if (who == "3") return &PaidAmounts::insurance3;
  } else if (OccursWithin(type, "JKLMNO")) {
    if (who == "G") return &PaidAmounts::guarantor;
    if (who == "A") return &PaidAmounts::attorney;
  } else if (OccursWithin(type, "STUV")) {
    return &PaidAmounts::adjustment;
  }
  return nullptr;
}

// Report dates count days from 30 December 1899; 1 January 1970 is day 25569.
CivilDate CivilFromReportDays(double days) {
  return CivilFromDays(static_cast<std::int64_t>(std::trunc(days)) - 25569);
}

void AppendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

Currency PaidAmounts::Sum() const { return insurance1 + insurance2 + insurance3 + guarantor + adjustment + attorney; }

ChargeTotalsBuilder::ChargeTotalsBuilder(const PaidAmounts& recorded) { totals_.recorded = recorded.Sum(); }

void ChargeTotalsBuilder::Add(const Application& application) {
  if (!application.hasPayingRow) return;
  if (OccursWithin(application.transactionType, "PZ")) return;
  const Currency amount = application.amount;
  totals_.applied += amount;
  if (auto bucket = BucketOf(application.transactionType, application.whoPaid)) totals_.buckets.*bucket += amount;
}

std::string_view PaidFieldFor(std::string_view transactionType, std::string_view whoPaid) {
  if (OccursWithin(transactionType, "PZ")) return {};
  const auto bucket = BucketOf(transactionType, whoPaid);
  for (const PaidField& field : kPaidFields) {
    if (field.bucket == bucket) return field.name;
  }
  return {};
}

ChargeTotals ComputeChargeTotals(const PaidAmounts& recorded, std::span<const Application> applications) {
  ChargeTotalsBuilder builder(recorded);
  for (const Application& application : applications) builder.Add(application);
  return builder.Totals();
}

std::string IsoDateText(double days) {
  const CivilDate date = CivilFromReportDays(days);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(date.year), date.month, date.day);
  return text;
}

std::string FormatGeneralAmount(Currency amount, char decimalSeparator) {
  const std::int64_t count = amount.Count();
  if (count == 0) return "0";
  const unsigned long long magnitude =
      count < 0 ? 0ULL - static_cast<unsigned long long>(count) : static_cast<unsigned long long>(count);
  std::string digits = std::to_string(magnitude);
  // value = 0.digits * 10^pointPos, the count having four implied fraction digits.
  int pointPos = static_cast<int>(digits.size()) - 4;
  constexpr std::size_t kPrecision = 15;
  if (digits.size() > kPrecision) {
    const std::string_view dropped = std::string_view(digits).substr(kPrecision);
    const bool aboveHalf =
        dropped[0] > '5' || (dropped[0] == '5' && dropped.find_first_not_of('0', 1) != std::string_view::npos);
    const bool exactHalf = dropped[0] == '5' && !aboveHalf;
    digits.resize(kPrecision);
    const bool odd = (digits.back() - '0') % 2 != 0;
    if (aboveHalf || (exactHalf && odd)) {
      int i = static_cast<int>(kPrecision) - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++pointPos;
      } else {
        ++digits[i];
      }
    }
  }
  while (digits.size() > 1 && digits.back() == '0' && static_cast<int>(digits.size()) > pointPos) digits.pop_back();

  // A Currency stays below 10^15 in magnitude even after rounding, so the general format's
  // scientific notation (from 10^15 on) never applies: fixed notation only.
  std::string out;
  if (count < 0) out.push_back('-');
  if (pointPos <= 0) {
    out.push_back('0');
    if (decimalSeparator != '\0') out.push_back(decimalSeparator);
    out.append(static_cast<std::size_t>(-pointPos), '0');
    out.append(digits);
    return out;
  }
  if (static_cast<int>(digits.size()) <= pointPos) {
    out.append(digits);
    out.append(static_cast<std::size_t>(pointPos) - digits.size(), '0');
    return out;
  }
  out.append(digits, 0, static_cast<std::size_t>(pointPos));
  if (decimalSeparator != '\0') out.push_back(decimalSeparator);
  out.append(digits, static_cast<std::size_t>(pointPos));
  return out;
}

std::string FormatDiscrepancyLine(std::string_view chartNumber, std::int32_t caseNumber, double dateFrom,
                                  std::string_view procedureCode, Currency recorded, Currency applied,
                                  const RegionalSettings& settings) {
  const CivilDate date = CivilFromReportDays(dateFrom);
  const int year = static_cast<int>(date.year), month = date.month, day = date.day;
  char yearText[16];
  std::snprintf(yearText, sizeof yearText, "%04d", year);

  std::string line;
  line.reserve(120);
  line.append("Chart: ").append(chartNumber);
  line.append(" Case Number: ").append(std::to_string(caseNumber));
  line.append(" Date From: ");
  AppendTwoDigits(line, month);
  if (settings.dateSeparator != '\0') line.push_back(settings.dateSeparator);
  AppendTwoDigits(line, day);
  if (settings.dateSeparator != '\0') line.push_back(settings.dateSeparator);
  line.append(yearText);
  line.append(" Procedure Code: ").append(procedureCode);
  line.append(" Difference: ").append(FormatGeneralAmount(recorded - applied, settings.decimalSeparator));
  return line;
}

namespace {

PaidAmounts ReadRecorded(RowReader& charge) {
  PaidAmounts recorded;
  for (const PaidField& field : kPaidFields) recorded.*field.bucket = charge.ReadAmount(field.name);
  return recorded;
}

// The charge's totals: its six recorded amounts against its applications, walked from the
// first to the end with the paying row following each.
ChargeTotals WalkCharge(RowReader& charge, RowWalker& applications, RowReader& payingRow) {
  ChargeTotalsBuilder totals(ReadRecorded(charge));
  std::string type;
  std::string who;
  for (applications.MoveFirst(); !applications.AtEnd(); applications.MoveNext()) {
    Application application;
    application.hasPayingRow = !payingRow.IsNull("Entry Number");
    if (application.hasPayingRow) {
      type = payingRow.ReadText("Transaction Type");
      who = payingRow.ReadText("Who Paid");
      application.transactionType = type;
      application.whoPaid = who;
      // Amounts of ignored applications are never read, so they cannot fail a conversion.
      if (!OccursWithin(type, "PZ")) application.amount = applications.ReadAmount("Payment Amount");
    }
    totals.Add(application);
  }
  return totals.Totals();
}

// Leaves edit state after a failure, keeping the failure as the one the user sees.
void CancelQuietly(EditableRow& charge) {
  try {
    charge.Cancel();
  } catch (...) {
  }
}

}  // namespace

void AssignBuckets(const PaidAmounts& buckets, EditableRow& charge) {
  // All six, a zero bucket as 0 (never NULL), even where a field already holds the value.
  for (const PaidField& field : kPaidFields) charge.AssignDouble(field.name, DoubleFromCurrency(buckets.*field.bucket));
}

bool RewriteUnderLock(EditableRow& charge, RowWalker& applications, RowReader& payingRow) {
  charge.Edit();
  ChargeTotals now;
  try {
    now = WalkCharge(charge, applications, payingRow);
  } catch (...) {
    CancelQuietly(charge);
    throw;
  }
  if (now.recorded == now.applied) {
    charge.Cancel();
    return false;
  }
  AssignBuckets(now.buckets, charge);
  charge.Post();
  return true;
}

ChargeCheck CheckCharge(EditableRow& charge, RowWalker& applications, RowReader& payingRow, ReportSink& report,
                        const FixFlag& fixFlag, const RegionalSettings& settings) {
  const ChargeTotals result = WalkCharge(charge, applications, payingRow);
  ChargeCheck check;
  if (result.recorded == result.applied) return check;
  check.discrepancy = true;
  // The six amounts as the walk found them, for the finding (read before any rewrite).
  const PaidAmounts recorded = ReadRecorded(charge);
  // Read in the line's order, so a missing column fails at the same field every time.
  const std::string chart = charge.ReadText("Chart Number");
  const std::int32_t caseNumber = charge.ReadInteger("Case Number");
  const double dateFrom = charge.ReadDateTime("Date From");
  const std::string procedure = charge.ReadText("Procedure Code");
  report.AppendReportLine(
      FormatDiscrepancyLine(chart, caseNumber, dateFrom, procedure, result.recorded, result.applied, settings));
  // The buckets of the walk above may be stale by now: another workstation may have posted a
  // payment to this charge since. The rewrite walks again under the row's lock.
  if (fixFlag.IsSet()) check.fixed = RewriteUnderLock(charge, applications, payingRow);
  Finding& finding = check.finding;
  finding.entryNumber = charge.ReadInteger("Entry Number");
  finding.chartNumber = chart;
  finding.caseNumber = caseNumber;
  finding.dateFrom = dateFrom;
  finding.procedureCode = procedure;
  finding.recordedAmounts = recorded;
  finding.totals = result;
  return check;
}

}  // namespace lw
