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

struct Charge {
  std::int64_t cents;
  std::vector<Application> applications;
  std::int64_t caseNumber;
  std::int64_t date;
  const char* procedure;
  char type;
};

// One chart before any of it is written: its payers, and its charges with their shares of the
// payments.
struct ChartPlan {
  std::vector<Payer> payers;
  std::vector<std::int64_t> paymentTotals;  // what each payment applied, over all the charges
  std::vector<bool> paymentUsed;            // false: a payment with no application
  std::vector<Charge> charges;
};

// An MWPAX row, written once every MWTRN row exists.
struct PendingApplication {
  std::int64_t payment;
  std::int64_t charge;
  std::optional<double> amount;
  std::string whoPaid;
};

// What the generation carries from chart to chart. The draws from `random` come in one fixed
// order, which is what makes a seed's practice the same every time: moving a draw changes them all.
struct Generation {
  Generation(const std::string& dictionaryPath, std::uint64_t seed) : random(seed), loader(dictionaryPath) {}
  Random random;
  engine::DictionaryLoader loader;
  DemoSummary summary;
  std::int64_t base = engine::JulianFromCivil(2019, 1, 1);  // every date falls in the six years from here
  std::int64_t missingReference = 900000000;                // the next paying row that does not exist
  std::vector<PendingApplication> applications;
};

ChartPlan PlanChart(Generation& g) {
  static const char* kProcedures[] = {"99213", "99214", "99203", "90837", "85025",
                                      "80053", "71046", "93000", "36415", "J1100"};
  Random& random = g.random;
  int chargeCount = 1 + static_cast<int>(random.Below(5));
  int paymentCount = static_cast<int>(random.Below(4));
  ChartPlan plan;
  plan.paymentTotals.assign(paymentCount, 0);
  for (int p = 0; p < paymentCount; ++p) plan.payers.push_back(PickPayer(random, g.summary));
  plan.charges.resize(chargeCount);
  plan.paymentUsed.assign(paymentCount, false);
  for (Charge& charge : plan.charges) {
    charge.cents = 2000 + random.Below(48000);
    charge.caseNumber = 1 + random.Below(3);
    charge.date = g.base + random.Below(6 * 365);
    charge.procedure = kProcedures[random.Below(10)];
    charge.type = static_cast<char>('A' + random.Below(8));
    std::int64_t left = charge.cents;
    for (int p = 0; p < paymentCount && left > 0; ++p) {
      if (!random.Chance(55)) continue;
      std::int64_t cents = 1 + random.Below(left);
      left -= cents;
      bool nullAmount = random.Chance(2);
      if (nullAmount) ++g.summary.nullAmounts;
      charge.applications.push_back({0, p, nullAmount ? 0 : cents, nullAmount});
      plan.paymentUsed[p] = true;
      plan.paymentTotals[p] += cents;
    }
    if (random.Chance(3)) {
      ++g.summary.missingPayingRows;
      charge.applications.push_back({g.missingReference++, -1, 100 + random.Below(5000), false});
    }
  }
  return plan;
}

// The chart's paying rows, written before its charges so applications can refer to their entry
// numbers; returns those entry numbers.
std::vector<std::int64_t> InsertPayments(Generation& g, const std::string& chart, const ChartPlan& plan) {
  Random& random = g.random;
  std::vector<std::int64_t> paymentEntries(plan.payers.size(), 0);
  for (std::size_t p = 0; p < plan.payers.size(); ++p) {
    if (!plan.paymentUsed[p]) ++g.summary.unappliedPayments;
    std::int64_t total = plan.paymentUsed[p] ? plan.paymentTotals[p] : 500 + random.Below(20000);
    engine::Row row = {{"Chart Number", chart},
                       {"Case Number", std::int64_t(1)},
                       {"Date From", engine::FormatIsoDate(g.base + random.Below(6 * 365))},
                       {"Transaction Type", plan.payers[p].type},
                       {"Who Paid", plan.payers[p].whoPaid},
                       {"Amount", Money(-total)},
                       {"Description", std::string(plan.payers[p].type == "I" ? "Insurance payment" : "Payment")},
                       {"Check Number", std::to_string(100000 + random.Below(900000))},
                       {"Deposit ID", std::int64_t(1 + random.Below(5000))}};
    paymentEntries[p] = g.loader.Insert("MWTRN", row);
    ++g.summary.payments;
    ++g.summary.mwtrnRows;
  }
  return paymentEntries;
}

// The charge's counted applications by the paid bucket they feed; `applied` gets their total.
std::array<std::int64_t, 6> AppliedByBucket(const Charge& charge, const std::vector<Payer>& payers,
                                            std::int64_t& applied) {
  std::array<std::int64_t, 6> buckets{};
  applied = 0;
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
  return buckets;
}

// The paid amounts the charge row records: the applied buckets, with an empty one now and then
// left NULL, and now and then one amount off or NULL where an amount belongs.
std::array<std::optional<std::int64_t>, 6> RecordedAmounts(Generation& g, const std::array<std::int64_t, 6>& buckets) {
  Random& random = g.random;
  std::array<std::optional<std::int64_t>, 6> recorded;
  for (int b = 0; b < 6; ++b) {
    if (buckets[b] != 0 || random.Chance(70)) recorded[b] = buckets[b];
  }
  if (random.Chance(4)) {
    int b = static_cast<int>(random.Below(6));
    if (recorded[b] && *recorded[b] != 0 && random.Chance(50)) {
      recorded[b].reset();  // a NULL where an amount belongs
      ++g.summary.nullAmounts;
    } else {
      recorded[b] = recorded[b].value_or(0) + (random.Chance(50) ? 1 : -1) * (1 + random.Below(5000));
    }
  }
  return recorded;
}

// The charge's MWTRN row; its applications wait until every MWTRN row exists.
void InsertCharge(Generation& g, const std::string& chart, const Charge& charge, const std::vector<Payer>& payers,
                  const std::vector<std::int64_t>& paymentEntries) {
  static const char* kProviders[] = {"DRA", "DRB", "DRC", "NPJ"};
  Random& random = g.random;
  std::int64_t applied = 0;
  const std::array<std::int64_t, 6> buckets = AppliedByBucket(charge, payers, applied);
  const std::array<std::optional<std::int64_t>, 6> recorded = RecordedAmounts(g, buckets);
  std::int64_t recordedTotal = 0;
  for (const auto& r : recorded) recordedTotal += r.value_or(0);
  if (recordedTotal != applied) ++g.summary.discrepancies;
  engine::Row row = {{"Chart Number", chart},
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
  std::int64_t entry = g.loader.Insert("MWTRN", row);
  ++g.summary.charges;
  ++g.summary.mwtrnRows;
  for (const Application& a : charge.applications) {
    std::int64_t payment = a.payment < 0 ? a.paymentEntry : paymentEntries[a.payment];
    std::optional<double> amount;
    if (!a.nullAmount) amount = static_cast<double>(a.cents) / 100.0;
    g.applications.push_back({payment, entry, amount, a.payment < 0 ? "G" : payers[a.payment].whoPaid});
  }
}

// One chart: its payments and charges. Returns the MWTRN rows written.
std::int64_t AddChart(Generation& g) {
  ++g.summary.charts;
  char chart[24];
  std::snprintf(chart, sizeof chart, "P%07lld", static_cast<long long>(g.summary.charts));
  const ChartPlan plan = PlanChart(g);
  const std::vector<std::int64_t> paymentEntries = InsertPayments(g, chart, plan);
  for (const Charge& charge : plan.charges) InsertCharge(g, chart, charge, plan.payers, paymentEntries);
  return static_cast<std::int64_t>(plan.charges.size() + plan.payers.size());
}

void InsertApplications(Generation& g) {
  Random& random = g.random;
  std::int64_t sinceApplicationCommit = 0;
  for (const PendingApplication& a : g.applications) {
    engine::Row row = {
        {"Payment Reference", a.payment},
        {"Charge Reference", a.charge},
        {"Who Paid", a.whoPaid},
        {"Deposit ID", std::int64_t(1 + random.Below(5000))},
        {"Date Modified", engine::FormatIsoTimestamp({g.base + random.Below(6 * 365), random.Below(86400000)})}};
    if (a.amount) row.push_back({"Payment Amount", *a.amount});
    g.loader.Insert("MWPAX", row);
    ++g.summary.applications;
    if (++sinceApplicationCommit > 50000) {
      g.loader.Commit();
      g.loader.Begin();
      sinceApplicationCommit = 0;
    }
  }
}

}  // namespace

DemoSummary GenerateDemo(const std::string& dictionaryPath, const DemoOptions& options) {
  Generation g(dictionaryPath, options.seed);
  g.loader.Begin();
  std::int64_t sinceCommit = 0;
  while (g.summary.mwtrnRows < options.rows) {
    sinceCommit += AddChart(g);
    if (sinceCommit > 50000) {
      g.loader.Commit();
      g.loader.Begin();
      sinceCommit = 0;
    }
  }
  InsertApplications(g);
  g.loader.Commit();
  g.loader.CreateIndexes();
  return g.summary;
}

}  // namespace lw::practice
