#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Exceptions.h"
#include "reconcile/ChargeRules.h"
#include "tests/reconcile/FrontEndDoubles.h"
#include "tests/support/MemoryRows.h"

namespace lw {
namespace {

Currency C(std::int64_t count) { return Currency::FromCount(count); }

using test::RecordingReport;
using test::SettableFix;

// ComputeChargeTotals -------------------------------------------------------------------------

TEST(ComputeChargeTotals, RoutesEachPayingRowKindToItsBucket) {
  const std::vector<Application> applications = {
      {C(100), true, "I", "1"}, {C(200), true, "I", "2"}, {C(300), true, "I", "3"}, {C(400), true, "J", "G"},
      {C(500), true, "O", "A"}, {C(600), true, "S", ""},  {C(700), true, "V", "x"},
  };
  const ChargeTotals totals = ComputeChargeTotals(PaidAmounts{}, applications);
  EXPECT_EQ(totals.buckets, (PaidAmounts{C(100), C(200), C(300), C(400), C(1300), C(500)}));
  EXPECT_EQ(totals.applied, C(2800));
}

TEST(ComputeChargeTotals, IgnoredApplicationsCountNowhere) {
  const std::vector<Application> applications = {
      {C(100), false, "", ""},  // no paying row
      {C(200), true, "P", "G"},
      {C(300), true, "Z", "1"},
  };
  const ChargeTotals totals = ComputeChargeTotals(PaidAmounts{}, applications);
  EXPECT_EQ(totals.applied, C(0));
  EXPECT_EQ(totals.buckets, PaidAmounts{});
}

TEST(ComputeChargeTotals, UnbucketedApplicationsAddToTheAppliedTotalOnly) {
  const std::vector<Application> applications = {
      {C(1), true, "I", "4"},  {C(2), true, "K", "1"},  {C(4), true, "A", "G"},  {C(8), true, "Q", ""},
      {C(16), true, "", "G"},  {C(32), true, "i", "1"}, {C(64), true, "J", "g"}, {C(128), true, "s", ""},
      {C(256), true, "p", ""}, {C(512), true, "z", ""},  // lower-case p and z are counted
  };
  const ChargeTotals totals = ComputeChargeTotals(PaidAmounts{}, applications);
  EXPECT_EQ(totals.applied, C(1023));
  EXPECT_EQ(totals.buckets, PaidAmounts{});
}

TEST(ComputeChargeTotals, OccurrenceIsAContiguousRun) {
  const std::vector<Application> applications = {
      {C(1), true, "JK", "G"},
      {C(2), true, "JM", "G"},
      {C(4), true, "TU", "x"},
      {C(8), true, "PZ", "G"},
  };
  const ChargeTotals totals = ComputeChargeTotals(PaidAmounts{}, applications);
  EXPECT_EQ(totals.buckets.guarantor, C(1));
  EXPECT_EQ(totals.buckets.adjustment, C(4));
  EXPECT_EQ(totals.applied, C(7));  // "PZ" occurs within "PZ": ignored
}

TEST(ComputeChargeTotals, RecordedTotalAndNegativeAmounts) {
  const PaidAmounts recorded{C(1), C(2), C(3), C(4), C(-5), C(6)};
  const ChargeTotals totals = ComputeChargeTotals(recorded, std::vector<Application>{{C(-70), true, "S", ""}});
  EXPECT_EQ(totals.recorded, C(11));
  EXPECT_EQ(totals.buckets.adjustment, C(-70));
  EXPECT_EQ(totals.applied, C(-70));
}

TEST(ComputeChargeTotals, SumsLeavingTheRangeRaiseInvalidOp) {
  const Currency big = C(std::numeric_limits<std::int64_t>::max() - 1);
  EXPECT_THROW(ComputeChargeTotals(PaidAmounts{big, big, {}, {}, {}, {}}, {}), EInvalidOp);
  EXPECT_THROW(ComputeChargeTotals(PaidAmounts{}, std::vector<Application>{{big, true, "Q", ""}, {big, true, "Q", ""}}),
               EInvalidOp);
}

// FormatDiscrepancyLine -----------------------------------------------------------------------

TEST(FormatGeneralAmount, WritesTheShortestExactDecimal) {
  EXPECT_EQ(FormatGeneralAmount(C(125000), '.'), "12.5");
  EXPECT_EQ(FormatGeneralAmount(C(1), '.'), "0.0001");
  EXPECT_EQ(FormatGeneralAmount(C(-100), '.'), "-0.01");
  EXPECT_EQ(FormatGeneralAmount(C(2500000), '.'), "250");
  EXPECT_EQ(FormatGeneralAmount(C(125000), ','), "12,5");
  EXPECT_EQ(FormatGeneralAmount(C(10000000), '.'), "1000");
  EXPECT_EQ(FormatGeneralAmount(C(-1234567), '.'), "-123.4567");
  EXPECT_EQ(FormatGeneralAmount(C(999999999999999), '.'), "99999999999.9999");  // below 10^11: exact
}

TEST(FormatGeneralAmount, RoundsToFifteenSignificantDigits) {
  EXPECT_EQ(FormatGeneralAmount(C(1234567890123456789), '.'), "123456789012346");
  EXPECT_EQ(FormatGeneralAmount(C(-9'223'372'036'854'775'807), '.'), "-922337203685478");
  EXPECT_EQ(FormatGeneralAmount(C(12345678901234550), '.'), "1234567890123.46");  // half: up to even
  EXPECT_EQ(FormatGeneralAmount(C(12345678901234450), '.'), "1234567890123.44");  // half: stays even
  EXPECT_EQ(FormatGeneralAmount(C(12345678901234451), '.'), "1234567890123.45");
  EXPECT_EQ(FormatGeneralAmount(C(99999999999999999), '.'), "10000000000000");
}

TEST(FormatDiscrepancyLine, JoinsThePiecesWithTheRegionalSeparators) {
  const RegionalSettings us{'.', '/'};
  EXPECT_EQ(FormatDiscrepancyLine("SMITHJ00", 12, 36526.0, "99213", C(250000), C(125000), us),
            "Chart: SMITHJ00 Case Number: 12 Date From: 01/01/2000 Procedure Code: 99213 Difference: 12.5");
  const RegionalSettings de{',', '.'};
  EXPECT_EQ(FormatDiscrepancyLine("A", -7, 45000.0, "X", C(0), C(125000), de),
            "Chart: A Case Number: -7 Date From: 03.15.2023 Procedure Code: X Difference: -12,5");
}

TEST(FormatDiscrepancyLine, NullValuesAndANullDateSeparator) {
  EXPECT_EQ(FormatDiscrepancyLine("", 0, 0.0, "", C(1), C(0), RegionalSettings{'.', '/'}),
            "Chart:  Case Number: 0 Date From: 12/30/1899 Procedure Code:  Difference: 0.0001");
  EXPECT_EQ(FormatDiscrepancyLine("", 0, 0.0, "", C(1), C(0), RegionalSettings{'.', '\0'}),
            "Chart:  Case Number: 0 Date From: 12301899 Procedure Code:  Difference: 0.0001");
}

// CheckCharge over in-memory rows ----------------------------------------------------------------

class CheckChargeTest : public ::testing::Test {
 protected:
  void SetUp() override { report.lines.clear(); }
  std::int32_t Payment(const char* type, const char* who) {
    return practice.AddTransaction({{"Transaction Type", std::string(type)}, {"Who Paid", std::string(who)}});
  }
  void Apply(std::int32_t payment, std::int32_t charge, MemoryValue amount) {
    practice.AddApplication({{"Payment Reference", std::int64_t{payment}},
                             {"Charge Reference", std::int64_t{charge}},
                             {"Payment Amount", amount}});
  }
  ChargeCheck Check(std::int32_t charge) {
    practice.MoveToCharge(charge);
    return CheckCharge(practice.Charge(), practice.ApplicationCursor(), practice.PayingRow(), report, fix,
                       RegionalSettings{'.', '/'});
  }
  double Stored(std::int32_t entry, const char* column) {
    return MemoryDouble(practice.TransactionValue(entry, column));
  }

  MemoryPractice practice;
  RecordingReport report;
  SettableFix fix;
};

TEST_F(CheckChargeTest, AgreeingChargeWritesNothing) {
  // 0.1 + 0.2 recorded against one application of 0.3: exact counts agree.
  const auto charge = practice.AddTransaction(
      {{"Transaction Type", std::string("A")}, {"Insurance 1 Amount Paid", 0.1}, {"Guarantor Amount Paid", 0.2}});
  Apply(Payment("I", "3"), charge, 0.3);
  fix.set = true;
  const ChargeCheck check = Check(charge);
  EXPECT_FALSE(check.discrepancy);
  EXPECT_TRUE(report.lines.empty());
  EXPECT_EQ(practice.Charge().editCount, 0);
}

TEST_F(CheckChargeTest, ReportsAndFixesFromTheBuckets) {
  const auto charge = practice.AddTransaction({{"Chart Number", std::string("JONES000")},
                                               {"Case Number", std::int64_t{4}},
                                               {"Date From", 45000.0},
                                               {"Procedure Code", std::string("99213   ")},
                                               {"Insurance 1 Amount Paid", 50.0},
                                               {"Attorney Amount Paid", 7.0}});
  Apply(Payment("I", "1"), charge, 40.0);
  Apply(Payment("K", "A"), charge, 2.5);
  Apply(Payment("T", ""), charge, 1.25);
  Apply(Payment("Q", ""), charge, 3.0);    // applied total only
  Apply(Payment("P", "1"), charge, 99.0);  // ignored
  Apply(9999, charge, 11.0);               // no paying row
  fix.set = true;
  const ChargeCheck check = Check(charge);
  ASSERT_TRUE(check.discrepancy);
  EXPECT_TRUE(check.fixed);
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_EQ(report.lines[0],
            "Chart: JONES000 Case Number: 4 Date From: 03/15/2023 Procedure Code: 99213 Difference: 10.25");
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 40.0);
  EXPECT_EQ(Stored(charge, "Attorney Amount Paid"), 2.5);
  EXPECT_EQ(Stored(charge, "Adjustment Amount"), 1.25);
  // Zero buckets are written as 0, never left NULL.
  EXPECT_TRUE(std::holds_alternative<double>(practice.TransactionValue(charge, "Insurance 2 Amount Paid")));
  EXPECT_EQ(Stored(charge, "Guarantor Amount Paid"), 0.0);

  // Fixed rows whose unbucketed applications are non-zero are reported again, and the same six
  // values are written again.
  report.lines.clear();
  const ChargeCheck again = Check(charge);
  EXPECT_TRUE(again.discrepancy);
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_NE(report.lines[0].find("Difference: -3"), std::string::npos);
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 40.0);
}

TEST_F(CheckChargeTest, ChargeWithoutApplicationsIsReportedUnlessItsFieldsAddToZero) {
  const auto zero = practice.AddTransaction({{"Insurance 2 Amount Paid", 5.0}, {"Adjustment Amount", -5.0}});
  const auto nonzero = practice.AddTransaction({{"Guarantor Amount Paid", 5.0}});
  EXPECT_FALSE(Check(zero).discrepancy);
  fix.set = true;
  EXPECT_TRUE(Check(nonzero).fixed);
  EXPECT_EQ(Stored(nonzero, "Guarantor Amount Paid"), 0.0);
  EXPECT_EQ(Stored(zero, "Adjustment Amount"), -5.0);
}

TEST_F(CheckChargeTest, FixFlagIsReadAfterTheLineIsAppended) {
  const auto charge = practice.AddTransaction({{"Guarantor Amount Paid", 5.0}});
  class TickOnAppend : public RecordingReport {
   public:
    explicit TickOnAppend(SettableFix& fix) : fix_(fix) {}
    void AppendReportLine(const std::string& line) override {
      RecordingReport::AppendReportLine(line);
      fix_.set = true;
    }
    SettableFix& fix_;
  } ticking(fix);
  practice.MoveToCharge(charge);
  const ChargeCheck check = CheckCharge(practice.Charge(), practice.ApplicationCursor(), practice.PayingRow(), ticking,
                                        fix, RegionalSettings{});
  EXPECT_TRUE(check.fixed);
  EXPECT_EQ(Stored(charge, "Guarantor Amount Paid"), 0.0);
}

// Another workstation posts to the charge between the run's walk and its lock: the rewrite
// walks again under the lock, while the line keeps the first walk's difference.
TEST_F(CheckChargeTest, TheRewriteUsesTheApplicationsAsTheyStandOnceLocked) {
  const auto charge = practice.AddTransaction({{"Insurance 1 Amount Paid", 50.0}, {"Guarantor Amount Paid", 10.0}});
  Apply(Payment("I", "1"), charge, 50.0);
  const auto posted = Payment("I", "1");
  fix.set = true;
  fix.onRead = [&] {
    Apply(posted, charge, 30.0);
    practice.Transactions().SetValue(charge - 1, practice.Transactions().ColumnIndex("Insurance 1 Amount Paid"), 80.0);
  };
  const ChargeCheck check = Check(charge);
  EXPECT_TRUE(check.fixed);
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_NE(report.lines[0].find("Difference: 10"), std::string::npos) << report.lines[0];
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 80.0);
  EXPECT_EQ(Stored(charge, "Guarantor Amount Paid"), 0.0);
}

TEST_F(CheckChargeTest, ARowThatAgreesOnceLockedIsLeftUnwritten) {
  const auto charge = practice.AddTransaction({{"Guarantor Amount Paid", 10.0}});
  Apply(Payment("K", "G"), charge, 4.0);
  fix.set = true;  // meanwhile another user corrected the row by hand
  fix.onRead = [&] {
    practice.Transactions().SetValue(charge - 1, practice.Transactions().ColumnIndex("Guarantor Amount Paid"), 4.0);
  };
  const ChargeCheck check = Check(charge);
  EXPECT_TRUE(check.discrepancy);
  EXPECT_FALSE(check.fixed);
  EXPECT_EQ(report.lines.size(), 1u);
  EXPECT_EQ(practice.Charge().editCount, 1);
  EXPECT_EQ(practice.Charge().cancelCount, 1);
  EXPECT_EQ(practice.Charge().postCount, 0);
}

TEST_F(CheckChargeTest, AFailureInTheSecondWalkCancelsTheEdit) {
  const auto charge = practice.AddTransaction({{"Guarantor Amount Paid", 10.0}});
  const auto payment = Payment("K", "G");
  fix.set = true;
  fix.onRead = [&] { Apply(payment, charge, 1e300); };  // an amount no Currency holds
  EXPECT_THROW(Check(charge), EInvalidOp);
  EXPECT_EQ(practice.Charge().cancelCount, 1);
  EXPECT_EQ(practice.Charge().postCount, 0);
  EXPECT_EQ(Stored(charge, "Guarantor Amount Paid"), 10.0);
}

TEST(PaidFieldFor, NamesTheColumnEachCountedKindFills) {
  EXPECT_EQ(PaidFieldFor("I", "2"), "Insurance 2 Amount Paid");
  EXPECT_EQ(PaidFieldFor("K", "A"), "Attorney Amount Paid");
  EXPECT_EQ(PaidFieldFor("M", "G"), "Guarantor Amount Paid");
  EXPECT_EQ(PaidFieldFor("U", ""), "Adjustment Amount");
  for (auto [type, who] : {std::pair{"I", "4"}, {"J", "1"}, {"P", "1"}, {"Z", "G"}, {"Q", "G"}, {"", "G"}}) {
    EXPECT_EQ(PaidFieldFor(type, who), "") << type << who;
  }
}

TEST_F(CheckChargeTest, MissingColumnFailsWithTheCursorPrefix) {
  const auto charge = practice.AddTransaction({});
  practice.Transactions().RemoveColumn("Adjustment Amount");
  try {
    Check(charge);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblChg: Field 'Adjustment Amount' not found");
  }
}

TEST_F(CheckChargeTest, UnconvertibleAmountStopsTheCheckAndWritesNothing) {
  const auto charge = practice.AddTransaction({{"Insurance 1 Amount Paid", 1e300}});
  fix.set = true;
  EXPECT_THROW(Check(charge), EInvalidOp);
  EXPECT_TRUE(report.lines.empty());
  EXPECT_EQ(practice.Charge().editCount, 0);
}

TEST_F(CheckChargeTest, FailedPostKeepsTheLineAndCommitsNothing) {
  const auto charge = practice.AddTransaction({{"Insurance 1 Amount Paid", 5.0}});
  fix.set = true;
  practice.Charge().failNextPost = true;
  EXPECT_THROW(Check(charge), EDatabaseError);
  EXPECT_EQ(report.lines.size(), 1u);
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 5.0);
}

TEST_F(CheckChargeTest, IgnoredApplicationsAreNeverConverted) {
  // A bad amount on an application that is left out cannot end the run.
  const auto charge = practice.AddTransaction({});
  Apply(Payment("Z", ""), charge, 1e300);
  Apply(424242, charge, 1e300);
  EXPECT_FALSE(Check(charge).discrepancy);
}

}  // namespace
}  // namespace lw
