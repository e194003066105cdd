#include "tools/practice/DemoPractice.h"

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "engine/Dictionary.h"
#include "engine/Julian.h"

namespace lw::practice {

namespace {

// SplitMix64: the same sequence on every platform and library (unlike std distributions).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  std::int64_t Below(std::int64_t n) { return static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  std::uint64_t state_;
};

// The six paid-amount columns in the order the recorded total reads them.
constexpr std::array<const char*, 6> kPaidColumns = {"Insurance 1 Amount Paid", "Insurance 2 Amount Paid",
                                                     "Insurance 3 Amount Paid", "Guarantor Amount Paid",
                                                     "Adjustment Amount",       "Attorney Amount Paid"};
enum Bucket { kIns1, kIns2, kIns3, kGuarantor, kAdjustment, kAttorney, kNoBucket };

struct Payer {
  std::string type;     // Transaction Type of the paying row
  std::string whoPaid;  // its Who Paid
  bool counted;         // counts to the applied total
  Bucket bucket;        // the paid bucket it feeds
};

Payer PickPayer(Random& random, DemoSummary& summary) {
  int kind = static_cast<int>(random.Below(100));
  if (kind < 40) {
    int n = 1 + static_cast<int>(random.Below(3));
    return {"I", std::to_string(n), true, static_cast<Bucket>(kIns1 + n - 1)};
  }
  std::string jo(1, static_cast<char>('J' + random.Below(6)));
  if (kind < 62) return {jo, "G", true, kGuarantor};
  if (kind < 70) return {jo, "A", true, kAttorney};
  if (kind < 85) return {std::string(1, static_cast<char>('S' + random.Below(4))), "", true, kAdjustment};
  if (kind < 90) {
    ++summary.excludedApplications;
    return {random.Chance(50) ? "P" : "Z", "G", false, kNoBucket};
  }
  ++summary.blankOrLowerCaseCodes;
  if (kind < 95) return {jo, "g", true, kNoBucket};  // lower case: applied total only
  return {" ", "G", true, kNoBucket};                // blank type: applied total only
}

std::string Money(std::int64_t cents) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld", cents < 0 ? "-" : "",
                static_cast<long long>(std::llabs(cents) / 100), static_cast<long long>(std::llabs(cents) % 100));
  return buffer;
}

struct Application {
  std::int64_t paymentEntry;  // 0 until the payment row exists
  int payment;                // index into the chart's payments, -1 for a missing paying row
  std::int64_t cents;
  bool nullAmount;
};

}  // namespace

DemoSummary GenerateDemo(const std::string& dictionaryPath, const DemoOptions& options) {
  DemoSummary summary;
  Random random(options.seed);
  engine::DictionaryLoader loader(dictionaryPath);
  static const char* kProcedures[] = {"99213", "99214", "99203", "90837", "85025",
                                      "80053", "71046", "93000", "36415", "J1100"};
  static const char* kProviders[] = {"DRA", "DRB", "DRC", "NPJ"};
  struct PendingApplication {
    std::int64_t payment;
    std::int64_t charge;
    std::optional<double> amount;
    std::string whoPaid;
  };
  std::vector<PendingApplication> applications;
  std::int64_t missingReference = 900000000;
  std::int64_t base = engine::JulianFromCivil(2019, 1, 1);
  loader.Begin();
  std::int64_t sinceCommit = 0;
  while (summary.mwtrnRows < options.rows) {
    ++summary.charts;
    char chart[24];
    std::snprintf(chart, sizeof chart, "P%07lld", static_cast<long long>(summary.charts));
    int chargeCount = 1 + static_cast<int>(random.Below(5));
    int paymentCount = static_cast<int>(random.Below(4));
    std::vector<Payer> payers;
    std::vector<std::int64_t> paymentTotals(paymentCount, 0);
    for (int p = 0; p < paymentCount; ++p) payers.push_back(PickPayer(random, summary));
    struct Charge {
      std::int64_t cents;
      std::vector<Application> applications;
      std::int64_t caseNumber;
      std::int64_t date;
      const char* procedure;
      char type;
    };
    std::vector<Charge> charges(chargeCount);
    std::vector<bool> paymentUsed(paymentCount, false);
    for (Charge& charge : charges) {
      charge.cents = 2000 + random.Below(48000);
      charge.caseNumber = 1 + random.Below(3);
      charge.date = base + random.Below(6 * 365);
      charge.procedure = kProcedures[random.Below(10)];
      charge.type = static_cast<char>('A' + random.Below(8));
      std::int64_t left = charge.cents;
      for (int p = 0; p < paymentCount && left > 0; ++p) {
        if (!random.Chance(55)) continue;
        std::int64_t cents = 1 + random.Below(left);
        left -= cents;
        bool nullAmount = random.Chance(2);
        if (nullAmount) ++summary.nullAmounts;
        charge.applications.push_back({0, p, nullAmount ? 0 : cents, nullAmount});
        paymentUsed[p] = true;
        paymentTotals[p] += cents;
      }
      if (random.Chance(3)) {
        ++summary.missingPayingRows;
        charge.applications.push_back({missingReference++, -1, 100 + random.Below(5000), false});
      }
    }
    // Payment rows first, so applications can refer to their entry numbers.
    std::vector<std::int64_t> paymentEntries(paymentCount, 0);
    for (int p = 0; p < paymentCount; ++p) {
      if (!paymentUsed[p]) ++summary.unappliedPayments;
      std::int64_t total = paymentUsed[p] ? paymentTotals[p] : 500 + random.Below(20000);
      engine::Row row = {{"Chart Number", std::string(chart)},
                         {"Case Number", std::int64_t(1)},
                         {"Date From", engine::FormatIsoDate(base + random.Below(6 * 365))},
                         {"Transaction Type", payers[p].type},
                         {"Who Paid", payers[p].whoPaid},
                         {"Amount", Money(-total)},
                         {"Description", std::string(payers[p].type == "I" ? "Insurance payment" : "Payment")},
                         {"Check Number", std::to_string(100000 + random.Below(900000))},
                         {"Deposit ID", std::int64_t(1 + random.Below(5000))}};
      paymentEntries[p] = loader.Insert("MWTRN", row);
      ++summary.payments;
      ++summary.mwtrnRows;
    }
    for (Charge& charge : charges) {
      std::array<std::int64_t, 6> buckets{};
      std::int64_t applied = 0;
      for (const Application& a : charge.applications) {
        if (a.payment < 0) continue;  // no paying row: ignored by the rules
        const Payer& payer = payers[a.payment];
        if (!payer.counted) continue;
        applied += a.cents;
        if (payer.bucket != kNoBucket)
          buckets[payer.bucket] += a.cents;
        else
          buckets[kGuarantor] += a.cents;  // entered by hand under the guarantor
      }
      std::array<std::optional<std::int64_t>, 6> recorded;
      for (int b = 0; b < 6; ++b) {
        if (buckets[b] != 0 || random.Chance(70)) recorded[b] = buckets[b];
      }
      if (random.Chance(4)) {
        int b = static_cast<int>(random.Below(6));
        if (recorded[b] && *recorded[b] != 0 && random.Chance(50)) {
          recorded[b].reset();  // a NULL where an amount belongs
          ++summary.nullAmounts;
        } else {
          recorded[b] = recorded[b].value_or(0) + (random.Chance(50) ? 1 : -1) * (1 + random.Below(5000));
        }
      }
      std::int64_t recordedTotal = 0;
      for (const auto& r : recorded) recordedTotal += r.value_or(0);
      if (recordedTotal != applied) ++summary.discrepancies;
      engine::Row row = {{"Chart Number", std::string(chart)},
                         {"Case Number", charge.caseNumber},
                         {"Date From", engine::FormatIsoDate(charge.date)},
                         {"Date To", engine::FormatIsoDate(charge.date)},
                         {"Date Created", engine::FormatIsoDate(charge.date + random.Below(5))},
                         {"Procedure Code", std::string(charge.procedure)},
                         {"Attending Provider", std::string(kProviders[random.Below(4)])},
                         {"Transaction Type", std::string(1, charge.type)},
                         {"Description", std::string("Office visit")},
                         {"Units", 1.0},
                         {"Amount", Money(charge.cents)},
                         {"Diagnosis 1", std::string("T")},
                         {"Diagnosis Code 1", std::string(random.Chance(50) ? "I10" : "E11.9")}};
      for (int b = 0; b < 6; ++b) {
        if (recorded[b]) row.push_back({kPaidColumns[b], Money(*recorded[b])});
      }
      std::int64_t entry = loader.Insert("MWTRN", row);
      ++summary.charges;
      ++summary.mwtrnRows;
      for (const Application& a : charge.applications) {
        std::int64_t payment = a.payment < 0 ? a.paymentEntry : paymentEntries[a.payment];
        std::optional<double> amount;
        if (!a.nullAmount) amount = static_cast<double>(a.cents) / 100.0;
        applications.push_back({payment, entry, amount, a.payment < 0 ? "G" : payers[a.payment].whoPaid});
      }
    }
    sinceCommit += chargeCount + paymentCount;
    if (sinceCommit > 50000) {
      loader.Commit();
      loader.Begin();
      sinceCommit = 0;
    }
  }
  std::int64_t sinceApplicationCommit = 0;
  for (const PendingApplication& a : applications) {
    engine::Row row = {
        {"Payment Reference", a.payment},
        {"Charge Reference", a.charge},
        {"Who Paid", a.whoPaid},
        {"Deposit ID", std::int64_t(1 + random.Below(5000))},
        {"Date Modified", engine::FormatIsoTimestamp({base + random.Below(6 * 365), random.Below(86400000)})}};
    if (a.amount) row.push_back({"Payment Amount", *a.amount});
    loader.Insert("MWPAX", row);
    ++summary.applications;
    if (++sinceApplicationCommit > 50000) {
      loader.Commit();
      loader.Begin();
      sinceApplicationCommit = 0;
    }
  }
  loader.Commit();
  loader.CreateIndexes();
  return summary;
}

}  // namespace lw::practice
