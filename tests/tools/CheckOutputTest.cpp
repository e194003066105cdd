// What ledgerwick-check writes and how it ends: failed output, findings as CSV and JSON, the
// per-field detail, the chart filter's traps and rows locked by another user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/Csv.h"
#include "tests/tools/CheckFixture.h"
#include "tools/check/Interrupts.h"

namespace lw::check {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

using CheckOutput = CheckCommandTest;

TEST_F(CheckOutput, AFullDiskStopsBeforeTheRowIsRewrittenAndSaysSo) {
  Charge("ADAMS", 0.0);
  const std::int64_t baker = Charge("BAKER", -7.25);
  Charge("CLARK", 3.0);
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(CheckInto({"--folder", practice_.Folder(), "--fix"}, full), kError);
  std::fclose(full);
  // The header line already failed: nothing was checked, nothing rewritten.
  EXPECT_TRUE(Has(stderr_, "0 rows checked, 0 discrepancies, 0 rows fixed")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "cannot write to standard output: No space left on device")) << stderr_;
  EXPECT_EQ(Stored(baker, "Adjustment Amount"), -7.25);
}

TEST_F(CheckOutput, AClosedPipeEndsTheFixBetweenRowsWithTheSummaryAndTheRow) {
  std::signal(SIGPIPE, SIG_IGN);
  const std::int64_t adams = Charge("ADAMS", 1.0);
  const std::int64_t baker = Charge("BAKER", 2.0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::FILE* out = fdopen(ends[1], "w");
  // The reader takes the header and goes away, as `| head -2` would.
  ASSERT_EQ(CheckInto({"--folder", practice_.Folder(), "--chart", "NOBODY"}, out), kNoDiscrepancy);
  char drained[4096];
  ASSERT_GT(read(ends[0], drained, sizeof drained), 0);
  close(ends[0]);
  EXPECT_EQ(CheckInto({"--folder", practice_.Folder(), "--fix"}, out), kError);
  std::fclose(out);
  EXPECT_TRUE(Has(stderr_, "0 rows checked, 0 discrepancies, 0 rows fixed")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "Broken pipe")) << stderr_;
  EXPECT_EQ(Stored(adams, "Adjustment Amount"), 1.0);
  EXPECT_EQ(Stored(baker, "Adjustment Amount"), 2.0);
}

TEST_F(CheckOutput, CsvHasOneRecordPerDiscrepancyWithEveryAmount) {
  const std::int64_t charge = Charge("ADAMS", 10.0);
  Apply(charge, "I", "1", 4.5);
  Apply(charge, "Q", "", 0.25);  // counted, fits no bucket
  Charge("BAKER", 0.0);          // agrees
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--format", "csv", "--fix"}), kDiscrepancies);
  std::istringstream text(stdout_);
  CsvReader reader(text);
  const auto header = reader.Next();
  const auto record = reader.Next();
  ASSERT_TRUE(header && record);
  EXPECT_FALSE(reader.Next().has_value()) << stdout_;
  ASSERT_EQ(header->fields.size(), record->fields.size());
  std::map<std::string, std::string> values;
  for (std::size_t i = 0; i < header->fields.size(); ++i) values[header->fields[i].text] = record->fields[i].text;
  EXPECT_EQ(values["Entry Number"], std::to_string(charge));
  EXPECT_EQ(values["Chart Number"], "ADAMS");
  EXPECT_EQ(values["Date From"], "2023-01-31");
  EXPECT_EQ(values["Adjustment Amount"], "10");
  EXPECT_EQ(values["Applied Insurance 1 Amount Paid"], "4.5");
  EXPECT_EQ(values["Recorded Total"], "10");
  EXPECT_EQ(values["Applied Total"], "4.75");
  EXPECT_EQ(values["Difference"], "5.25");
  EXPECT_EQ(values["Fits No Bucket"], "0.25");
  EXPECT_EQ(values["Fixed"], "yes");
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 4.5);
}

TEST_F(CheckOutput, JsonIsAWellFormedArrayOfFindingsEvenWhenEmpty) {
  const std::int64_t charge = Charge("ADAMS", 10.0);
  Apply(charge, "J", "G", 10.5);
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--format=json"}), kDiscrepancies);
  const auto findings = nlohmann::json::parse(stdout_);
  ASSERT_EQ(findings.size(), 1u) << stdout_;
  const auto& f = findings[0];
  EXPECT_EQ(f["entry_number"], charge);
  EXPECT_EQ(f["chart_number"], "ADAMS");
  EXPECT_EQ(f["case_number"], 3);
  EXPECT_EQ(f["procedure_code"], "80053");
  EXPECT_EQ(f["recorded"]["adjustment"], 10.0);
  EXPECT_EQ(f["buckets"]["guarantor"], 10.5);
  EXPECT_EQ(f["difference"], -0.5);
  EXPECT_EQ(f["fits_no_bucket"], 0.0);
  EXPECT_EQ(f["fixed"], false);

  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--format=json", "--chart", "NOBODY"}), kNoDiscrepancy);
  EXPECT_TRUE(nlohmann::json::parse(stdout_).empty()) << stdout_;
}

TEST_F(CheckOutput, DetailBreaksEachLineDownAndThePlainReportStaysAsItWas) {
  const std::int64_t charge = Charge("ADAMS", 10.0);
  Apply(charge, "I", "2", 4.0);
  Apply(charge, "I", "7", 1.0);  // no bucket for Who Paid 7
  EXPECT_EQ(Check({"--folder", practice_.Folder()}), kDiscrepancies);
  const std::string line = "Chart: ADAMS Case Number: 3 Date From: 01/31/2023 Procedure Code: 80053 Difference: 5\n";
  EXPECT_EQ(stdout_, Header() + line);
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--detail", "--fix"}), kDiscrepancies);
  EXPECT_EQ(stdout_.find(Header() + line), 0u) << stdout_;
  EXPECT_TRUE(Has(stdout_, "    Entry Number: " + std::to_string(charge) + "\n")) << stdout_;
  EXPECT_TRUE(Has(stdout_, "    Insurance 2 Amount Paid: recorded 0, applications 4  <- differs\n")) << stdout_;
  EXPECT_TRUE(Has(stdout_, "    Insurance 1 Amount Paid: recorded 0, applications 0\n")) << stdout_;
  EXPECT_TRUE(Has(stdout_, "    Total: recorded 10, applied 5, difference 5\n")) << stdout_;
  EXPECT_TRUE(Has(stdout_, "Applied but fitting no paid amount: 1 (a fix cannot clear this part)")) << stdout_;
  EXPECT_TRUE(Has(stdout_, "    Fixed: the six paid amounts now hold the applications' values\n")) << stdout_;
  // The part outside every bucket stays: the next run reports the row again.
  EXPECT_EQ(Check({"--folder", practice_.Folder()}), kDiscrepancies);
  EXPECT_TRUE(Has(stdout_, "Difference: -1\n")) << stdout_;
}

TEST_F(CheckOutput, AnEmptyChartIsRefusedAndANearMissIsNamed) {
  Charge("adams", 1.0);  // stored in lower case: the chart box can never select it
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--chart", "", "--fix"}), kError);
  EXPECT_TRUE(Has(stderr_, "--chart needs a chart number")) << stderr_;
  EXPECT_EQ(Stored(1, "Adjustment Amount"), 1.0);

  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--chart", "Adams "}), kNoDiscrepancy);
  EXPECT_TRUE(Has(stderr_, "no transaction row has the chart number \"ADAMS \"")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "holds the chart number \"adams\", which differs only in case or trailing blanks"))
      << stderr_;
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--chart", "ZED"}), kNoDiscrepancy);
  EXPECT_TRUE(Has(stderr_, "no transaction row has the chart number \"ZED\"")) << stderr_;
  EXPECT_FALSE(Has(stderr_, "differs only")) << stderr_;
}

// Case beyond ASCII counts too: "école" stored in lower case is named for "ÉCOLE".
TEST_F(CheckOutput, ANearMissBeyondAsciiIsNamed) {
  // clang-format off
  Charge("\xC3\xA9" "cole", 1.0);
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--chart", "\xC3\xA9" "cole"}), kNoDiscrepancy);
  EXPECT_TRUE(Has(stderr_, "no transaction row has the chart number \"\xC3\x89" "COLE\"")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "holds the chart number \"\xC3\xA9" "cole\", which differs only in case")) << stderr_;
  // clang-format on
}

class LockedRow : public CheckCommandTest {
 protected:
  // Another user of the practice holds the lock of `record`.
  void HoldLock(std::uint32_t record) {
    other_ = test::NewEngine();
    ASSERT_EQ(0u, other_->AdsConnect60(practice_.ConnectPath().c_str(), 3, engine::kPracticeUser,
                                       engine::kPracticePassword, 0, &connection_));
    ASSERT_EQ(0u, other_->AdsOpenTable(connection_, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table_));
    ASSERT_EQ(0u, other_->AdsLockRecord(table_, record));
  }
  ~LockedRow() override {
    if (other_ && connection_ != 0) other_->AdsDisconnect(connection_);
  }
  std::unique_ptr<ace::AceApi> other_;
  ace::ADSHANDLE connection_ = 0;
  ace::ADSHANDLE table_ = 0;
};

TEST_F(LockedRow, EndsTheRunByDefaultNamingTheRowAndWhatWasDone) {
  const std::int64_t adams = Charge("ADAMS", 1.0);
  const std::int64_t baker = Charge("BAKER", 2.0);
  const std::int64_t clark = Charge("CLARK", 3.0);
  HoldLock(static_cast<std::uint32_t>(baker));
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--fix"}), kError);
  EXPECT_TRUE(Has(stderr_, "1 row checked, 1 discrepancy, 1 row fixed")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "stopped at Entry Number " + std::to_string(baker) + ", chart BAKER")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "locked by another user")) << stderr_;
  EXPECT_EQ(Stored(adams, "Adjustment Amount"), 0.0);
  EXPECT_EQ(Stored(clark, "Adjustment Amount"), 3.0);
}

TEST_F(LockedRow, SkipLockedListsTheRowCarriesOnAndExitsTwo) {
  Charge("ADAMS", 1.0);
  const std::int64_t baker = Charge("BAKER", 2.0);
  const std::int64_t clark = Charge("CLARK", 3.0);
  HoldLock(static_cast<std::uint32_t>(baker));
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--fix", "--skip-locked"}), kError);
  EXPECT_TRUE(Has(stderr_, "skipped Entry Number " + std::to_string(baker) + ", chart BAKER: ")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "2 rows checked, 2 discrepancies, 2 rows fixed, 1 locked row skipped")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "1 locked row was skipped")) << stderr_;
  EXPECT_EQ(Stored(baker, "Adjustment Amount"), 2.0);
  EXPECT_EQ(Stored(clark, "Adjustment Amount"), 0.0);
  EXPECT_EQ(Check({"--folder", practice_.Folder(), "--skip-locked"}), kError);
  EXPECT_TRUE(Has(stderr_, "--skip-locked goes with --fix")) << stderr_;
}

TEST_F(CheckOutput, AStopRequestBeforeARowEndsTheRunThereWithStatus130) {
  Charge("ADAMS", 1.0);
  RequestStop(SIGINT);
  const int status = Check({"--folder", practice_.Folder(), "--fix"});
  RequestStop(0);
  EXPECT_EQ(status, 130);
  EXPECT_TRUE(Has(stderr_, "0 rows checked, 0 discrepancies, 0 rows fixed")) << stderr_;
  EXPECT_TRUE(Has(stderr_, "interrupted")) << stderr_;
  EXPECT_EQ(Stored(1, "Adjustment Amount"), 1.0);
}

}  // namespace
}  // namespace lw::check
