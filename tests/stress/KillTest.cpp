// Fix runs killed at random moments: the practice stays whole after every kill, and a final
// run leaves it exactly as one uninterrupted fix run does.
//   LEDGERWICK_STRESS_KILLS  number of SIGKILLs (default 40)
//   LEDGERWICK_STRESS_ROWS   MWTRN rows of the demo practice (default 3000)

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/stress/StressSupport.h"
#include "tests/support/TempDir.h"

namespace lw::test {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// The dictionary's files, copied or removed together.
void CopyPractice(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const char* suffix : {"-wal", "-shm"}) fs::remove(to / (std::string("MWDDF.ADD") + suffix));
  fs::copy_file(from / "MWDDF.ADD", to / "MWDDF.ADD", fs::copy_options::overwrite_existing);
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    check_ = BuiltProgram("tools/check/ledgerwick-check");
    ASSERT_TRUE(fs::exists(check_)) << "ledgerwick-check is not built (no " << check_ << ")";
  }

  // Runs a fix over the practice to its end; returns its exit status.
  int FixToTheEnd(const fs::path& folder) {
    Child run({check_, "--folder", folder.string(), "--fix"}, (dir_.Path() / "final.out").string());
    return run.WaitUntil(Clock::now() + std::chrono::minutes(10)).value_or(-1);
  }

  // Rows neither wholly as before nor wholly as one fix leaves them; history entries whose last
  // new value is not the row's value; rows without history that changed.
  std::string Inconsistencies(const fs::path& folder) {
    SqliteDb db = PlainConnection((folder / "MWDDF.ADD").string());
    // Every check counts rows (-1: none came back).
    auto count = [&db](const std::string& sql) { return db.Int(sql).value_or(-1); };
    std::string problems;
    if (std::string ok = db.Text("PRAGMA integrity_check").value_or(""); ok != "ok")
      problems += "integrity_check: " + ok + "\n";
    db.Exec("ATTACH '" + (dir_.Path() / "initial" / "MWDDF.ADD").string() + "' AS old");
    db.Exec("ATTACH '" + (dir_.Path() / "reference" / "MWDDF.ADD").string() + "' AS new");
    std::string asOld = "1", asNew = "1";
    for (const char* c : kPaidColumns) {
      asOld += " AND m." + Quoted(c) + " IS o." + Quoted(c);
      asNew += " AND m." + Quoted(c) + " IS n." + Quoted(c);
    }
    std::int64_t torn = count(
        "SELECT count(*) FROM MWTRN m JOIN old.MWTRN o ON o.rowid = m.rowid JOIN new.MWTRN n ON n.rowid = m.rowid"
        " WHERE NOT (" +
        asOld + ") AND NOT (" + asNew + ")");
    if (torn != 0) problems += std::to_string(torn) + " rows neither all old nor all new\n";
    for (const char* c : kPaidColumns) {
      std::int64_t untrue = count(
          "SELECT count(*) FROM lw_history h JOIN MWTRN m ON m.rowid = h.record_number WHERE h.table_name = 'MWTRN'"
          " AND h.column_name = '" +
          std::string(c) +
          "' AND h.entry = (SELECT max(entry) FROM lw_history x"
          " WHERE x.table_name = 'MWTRN' AND x.record_number = h.record_number AND x.column_name = h.column_name)"
          " AND NOT (h.new_value IS m." +
          Quoted(c) + ")");
      std::int64_t unrecorded =
          count("SELECT count(*) FROM MWTRN m JOIN old.MWTRN o ON o.rowid = m.rowid WHERE NOT (m." + Quoted(c) +
                " IS o." + Quoted(c) +
                ") AND m.rowid NOT IN (SELECT record_number FROM lw_history WHERE table_name = 'MWTRN'"
                " AND column_name = '" +
                std::string(c) + "')");
      if (untrue != 0) problems += std::string(c) + ": " + std::to_string(untrue) + " history entries not in the row\n";
      if (unrecorded != 0)
        problems += std::string(c) + ": " + std::to_string(unrecorded) + " changes without history\n";
    }
    return problems;
  }

  TempDir dir_;
  std::string check_;
};

TEST_F(KillTest, FixRunsKilledAtRandomMomentsLeaveEveryRowWholeAndTheHistoryTrue) {
  const std::int64_t kills = StressCount("LEDGERWICK_STRESS_KILLS", 40);
  const std::int64_t rows = StressCount("LEDGERWICK_STRESS_ROWS", 3000);
  const fs::path initial = dir_.Path() / "initial", reference = dir_.Path() / "reference", live = dir_.Path() / "live";
  MakeDemoPractice(initial.string(), rows, 11);
  CopyPractice(initial, reference);
  const auto started = Clock::now();
  ASSERT_EQ(1, FixToTheEnd(reference));  // discrepancies found (and fixed)
  const auto fullRun = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);

  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<int> moment(0, static_cast<int>(fullRun.count()));
  constexpr int kRestoreEvery = 4;  // fresh discrepancies now and then, so kills meet writes
  int killedMidRun = 0, finishedFirst = 0, failures = 0;
  for (std::int64_t i = 0; i < kills; ++i) {
    if (i % kRestoreEvery == 0) CopyPractice(initial, live);
    Child run({check_, "--folder", live.string(), "--fix"}, (dir_.Path() / "run.out").string());
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    run.WaitUntil(Clock::now());
    if (run.Finished()) {
      ++finishedFirst;
    } else {
      run.Kill();
      ++killedMidRun;
    }
    if (std::string problems = Inconsistencies(live); !problems.empty()) {
      ++failures;
      ADD_FAILURE() << "after kill " << i << ":\n" << problems;
      if (failures >= 5) break;
    }
  }
  // One more run to its end leaves the practice as the uninterrupted run left its copy.
  const int last = FixToTheEnd(live);
  EXPECT_TRUE(last == 0 || last == 1) << last;
  EXPECT_EQ(ReadPaid(*PracticeReader::Open((reference / "MWDDF.ADD").string())),
            ReadPaid(*PracticeReader::Open((live / "MWDDF.ADD").string())));
  std::printf(
      "kill test: %lld tries (%d killed mid-run, %d finished first), %d failures; %lld rows, full fix run %lld ms\n",
      static_cast<long long>(kills), killedMidRun, finishedFirst, failures, static_cast<long long>(rows),
      static_cast<long long>(fullRun.count()));
}

}  // namespace
}  // namespace lw::test
