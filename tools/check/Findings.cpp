#include "tools/check/Findings.h"

#include <array>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>
#include <vector>

#include "common/Csv.h"

namespace lw::check {

namespace {

struct PaidField {
  const char* column;  // the MWTRN column
  const char* key;     // its JSON key
  Currency PaidAmounts::*member;
};

constexpr std::array<PaidField, 6> kPaidFields{{
    {"Insurance 1 Amount Paid", "insurance_1", &PaidAmounts::insurance1},
    {"Insurance 2 Amount Paid", "insurance_2", &PaidAmounts::insurance2},
    {"Insurance 3 Amount Paid", "insurance_3", &PaidAmounts::insurance3},
    {"Guarantor Amount Paid", "guarantor", &PaidAmounts::guarantor},
    {"Adjustment Amount", "adjustment", &PaidAmounts::adjustment},
    {"Attorney Amount Paid", "attorney", &PaidAmounts::attorney},
}};

std::string Amount(Currency amount) { return FormatGeneralAmount(amount, '.'); }

class PlainReport final : public FindingsWriter {
 public:
  PlainReport(bool detail, Output& output, const RegionalSettings& settings)
      : detail_(detail), output_(output), settings_(settings) {}
  void ReportLine(const std::string& line) override {
    output_.Write(line);
    output_.Write("\n");
    output_.EndRecord();
  }
  void RowChecked(const ChargeCheck& check) override {
    if (!detail_ || !check.discrepancy) return;
    output_.Write(DetailText(check, settings_));
    output_.EndRecord();
  }
  void Finish() override {}

 private:
  bool detail_;
  Output& output_;
  RegionalSettings settings_;
};

class CsvFindings final : public FindingsWriter {
 public:
  explicit CsvFindings(Output& output) : output_(output) {
    std::vector<std::string> header{"Entry Number", "Chart Number", "Case Number", "Date From", "Procedure Code"};
    for (const PaidField& field : kPaidFields) header.emplace_back(field.column);
    for (const PaidField& field : kPaidFields) header.push_back(std::string("Applied ") + field.column);
    for (const char* name : {"Recorded Total", "Applied Total", "Difference", "Fits No Bucket", "Fixed"})
      header.emplace_back(name);
    Write(header);
  }
  void ReportLine(const std::string&) override {}
  void RowChecked(const ChargeCheck& check) override {
    if (!check.discrepancy) return;
    const Finding& f = check.finding;
    std::vector<std::string> record{std::to_string(f.entryNumber), f.chartNumber, std::to_string(f.caseNumber),
                                    IsoDateText(f.dateFrom), f.procedureCode};
    for (const PaidField& field : kPaidFields) record.push_back(Amount(f.recordedAmounts.*field.member));
    for (const PaidField& field : kPaidFields) record.push_back(Amount(f.totals.buckets.*field.member));
    record.push_back(Amount(f.totals.recorded));
    record.push_back(Amount(f.totals.applied));
    record.push_back(Amount(f.Difference()));
    record.push_back(Amount(f.Unbucketed()));
    record.push_back(check.fixed ? "yes" : "no");
    Write(record);
  }
  void Finish() override {}

 private:
  void Write(const std::vector<std::string>& fields) {
    std::ostringstream text;
    WriteCsvRecord(text, fields, {});
    output_.Write(text.str());
    output_.EndRecord();
  }
  Output& output_;
};

// A JSON array written one finding at a time, so a long run's findings stream out as they are
// found; Finish closes the array, also after an error, so the document stays well-formed.
class JsonFindings final : public FindingsWriter {
 public:
  explicit JsonFindings(Output& output) : output_(output) {}
  void ReportLine(const std::string&) override {}
  void RowChecked(const ChargeCheck& check) override {
    if (!check.discrepancy) return;
    const Finding& f = check.finding;
    nlohmann::ordered_json record;
    record["entry_number"] = f.entryNumber;
    record["chart_number"] = f.chartNumber;
    record["case_number"] = f.caseNumber;
    record["date_from"] = IsoDateText(f.dateFrom);
    record["procedure_code"] = f.procedureCode;
    nlohmann::ordered_json recorded, buckets;
    for (const PaidField& field : kPaidFields) {
      recorded[field.key] = DoubleFromCurrency(f.recordedAmounts.*field.member);
      buckets[field.key] = DoubleFromCurrency(f.totals.buckets.*field.member);
    }
    record["recorded"] = std::move(recorded);
    record["buckets"] = std::move(buckets);
    record["recorded_total"] = DoubleFromCurrency(f.totals.recorded);
    record["applied_total"] = DoubleFromCurrency(f.totals.applied);
    record["difference"] = DoubleFromCurrency(f.Difference());
    record["fits_no_bucket"] = DoubleFromCurrency(f.Unbucketed());
    record["fixed"] = check.fixed;
    // Texts from a practice may hold invalid UTF-8; they are written with replacement characters.
    const std::string text = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    output_.Write(first_ ? "[\n" : ",\n");
    output_.Write(text);
    output_.EndRecord();
    first_ = false;
  }
  void Finish() override {
    output_.Write(first_ ? "[]\n" : "\n]\n");
    output_.EndRecord();
  }

 private:
  Output& output_;
  bool first_ = true;
};

}  // namespace

std::string DetailText(const ChargeCheck& check, const RegionalSettings& settings) {
  const Finding& f = check.finding;
  auto amount = [&](Currency value) { return FormatGeneralAmount(value, settings.decimalSeparator); };
  std::string text = "    Entry Number: " + std::to_string(f.entryNumber) + "\n";
  for (const PaidField& field : kPaidFields) {
    const Currency recorded = f.recordedAmounts.*field.member;
    const Currency applied = f.totals.buckets.*field.member;
    text += std::string("    ") + field.column + ": recorded " + amount(recorded) + ", applications " +
            amount(applied) + (recorded == applied ? "" : "  <- differs") + "\n";
  }
  text += "    Total: recorded " + amount(f.totals.recorded) + ", applied " + amount(f.totals.applied) +
          ", difference " + amount(f.Difference()) + "\n";
  if (f.Unbucketed() != Currency()) {
    text += "    Applied but fitting no paid amount: " + amount(f.Unbucketed()) + " (a fix cannot clear this part)\n";
  }
  text += check.fixed ? "    Fixed: the six paid amounts now hold the applications' values\n" : "    Not fixed\n";
  return text;
}

std::unique_ptr<FindingsWriter> MakeFindingsWriter(FindingsFormat format, bool detail, Output& output,
                                                   const RegionalSettings& settings) {
  switch (format) {
    case FindingsFormat::Csv: return std::make_unique<CsvFindings>(output);
    case FindingsFormat::Json: return std::make_unique<JsonFindings>(output);
    case FindingsFormat::Plain: break;
  }
  return std::make_unique<PlainReport>(detail, output, settings);
}

}  // namespace lw::check
