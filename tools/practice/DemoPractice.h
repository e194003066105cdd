#pragma once
// Realistic demo data for a practice: charts with cases and charges; insurance, guarantor and
// attorney payments and adjustments applied to charges through MWPAX; payments with no
// application; applications whose paying row is missing; excluded payment types; blank and
// lower-case codes; NULL amounts; and a known number of charges whose recorded paid amounts
// disagree with their applications. The same seed always gives the same practice.

#include <cstdint>
#include <string>

namespace lw::practice {

struct DemoOptions {
  std::int64_t rows = 2000;  // MWTRN rows to generate (payments and charges together)
  std::uint64_t seed = 1;
};

struct DemoSummary {
  std::int64_t charts = 0;
  std::int64_t mwtrnRows = 0;
  std::int64_t charges = 0;
  std::int64_t payments = 0;
  std::int64_t applications = 0;
  std::int64_t unappliedPayments = 0;
  std::int64_t missingPayingRows = 0;
  std::int64_t excludedApplications = 0;
  std::int64_t blankOrLowerCaseCodes = 0;
  std::int64_t nullAmounts = 0;
  // Rows a search of the whole practice reports (recorded total differs from applied total).
  std::int64_t discrepancies = 0;
};

// Fills an empty dictionary that has MWTRN and MWPAX, then builds its indexes.
DemoSummary GenerateDemo(const std::string& dictionaryPath, const DemoOptions& options);

}  // namespace lw::practice
