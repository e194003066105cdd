#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/Exceptions.h"
#include "data/AdsErrors.h"
#include "data/PaymentPosting.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"
#include "engine/Engine.h"
#include "engine/RecordLocks.h"
#include "pgengine/Connection.h"
#include "pgengine/ServerDescriptor.h"
#include "reconcile/SearchRun.h"
#include "tests/reconcile/FrontEndDoubles.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/TestEngine.h"
#include "tests/support/TestServer.h"
#include "tests/support/ace/TracingAce.h"

namespace lw {
namespace {

using engine::Row;

class SearchRunTest : public ::testing::Test {
 protected:
  SearchRunTest() : engine_(test::NewEngine()), tracer_(*engine_), installed_(tracer_) {
    folder.current = practice.Folder();
  }

  std::int64_t Charge(const std::string& chart, double insurance1, const std::string& procedure = "99213") {
    return practice.Insert("MWTRN", Row{{"Chart Number", chart},
                                        {"Case Number", std::int64_t{1}},
                                        {"Date From", std::string("2024-03-15")},
                                        {"Procedure Code", procedure},
                                        {"Transaction Type", std::string("A")},
                                        {"Insurance 1 Amount Paid", insurance1}});
  }
  std::int64_t Payment(const std::string& chart, const std::string& type, const std::string& who) {
    return practice.Insert("MWTRN", Row{{"Chart Number", chart}, {"Transaction Type", type}, {"Who Paid", who}});
  }
  void Apply(std::int64_t payment, std::int64_t charge, double amount) {
    practice.Insert("MWPAX",
                    Row{{"Payment Reference", payment}, {"Charge Reference", charge}, {"Payment Amount", amount}});
  }
  double Stored(std::int64_t entry, const std::string& column) {
    return practice
        .QueryDouble("SELECT \"" + column + "\" FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(entry))
        .value_or(-1);
  }
  SearchOutcome Run() { return RunSearch(components(), frontEnd); }
  PracticeComponents& components() {
    if (!components_) components_ = std::make_unique<PracticeComponents>(nullptr);
    return *components_;
  }
  std::string Header() const { return practice.Folder() + "/MWDDF.ADD"; }
  std::string Line(const std::string& chart, const std::string& difference, const std::string& procedure = "99213") {
    return "Chart: " + chart + " Case Number: 1 Date From: 03/15/2024 Procedure Code: " + procedure +
           " Difference: " + difference;
  }

  test::PracticeFixture practice;
  std::unique_ptr<ace::AceApi> engine_;
  ace::TracingAce tracer_;
  ace::ScopedAce installed_;
  std::unique_ptr<PracticeComponents> components_;
  test::RecordingReport report;
  test::SettableFix fix;
  test::RecordingProgress progress;
  test::ScriptedFolder folder;
  test::CountingPump pump;
  test::RecordingButton button;
  test::TextChart chart;
  SearchFrontEnd frontEnd{button, folder, report, pump, chart, progress, fix};
};

TEST_F(SearchRunTest, ReportsEveryDiscrepancyInQueryOrder) {
  const auto agree = Charge("AAA", 50.0);
  Apply(Payment("AAA", "I", "1"), agree, 50.0);
  const auto over = Charge("BBB", 80.0);
  Apply(Payment("BBB", "I", "1"), over, 67.5);
  const auto none = Charge("CCC", 0.0);
  const auto under = Charge("DDD", 0.0, "36415");
  Apply(Payment("DDD", "J", "G"), under, 10.01);
  (void)none;

  const SearchOutcome outcome = Run();
  EXPECT_EQ(report.lines,
            (std::vector<std::string>{Header(), "", Line("BBB", "12.5"), Line("DDD", "-10.01", "36415")}));
  EXPECT_EQ(outcome.rowsChecked, 7);  // payments are checked too: every row with a type
  EXPECT_EQ(outcome.discrepancies, 2);
  EXPECT_EQ(progress.maximum, 7);
  EXPECT_EQ(progress.position, 7);
  EXPECT_EQ(pump.pumps, 1 + 7);  // after the header, then once per row
  EXPECT_EQ(folder.offered, practice.Folder());
  EXPECT_EQ(button.history, (std::vector<bool>{false, true}));
  EXPECT_EQ(Stored(over, "Insurance 1 Amount Paid"), 80.0);  // not fixing: nothing written
}

TEST_F(SearchRunTest, ChartFilterSelectsOneChartAndStatementKeepsSixLines) {
  Charge("AAA", 1.0);
  Charge("BBB", 2.0);
  EXPECT_EQ(components().qryChg.SQLCount(), 5u);
  chart.text = "BBB";
  Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), "", Line("BBB", "2")}));
  ASSERT_EQ(components().qryChg.SQLCount(), 6u);
  EXPECT_EQ(components().qryChg.SQLLine(5), "and \"Chart Number\" = 'BBB'");

  chart.text = "";
  Run();
  EXPECT_EQ(components().qryChg.SQLCount(), 6u);
  EXPECT_EQ(components().qryChg.SQLLine(5), "");
  EXPECT_EQ(report.lines.size(), 4u);
}

TEST_F(SearchRunTest, ChartTextIsQuotedSoItCannotWidenTheSelection) {
  Charge("AAA", 1.0);
  const auto irish = Charge("O'BRIEN", 3.0);
  (void)irish;
  chart.text = "'OR'B'>'";
  Run();  // unquoted, this text would select every row
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), ""}));
  chart.text = "O'BRIEN";
  Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), "", Line("O'BRIEN", "3")}));
  EXPECT_EQ(ChartFilterLine("O'B''"), "and \"Chart Number\" = 'O''B'''''");
}

TEST_F(SearchRunTest, EmptyResultLeavesTheHeaderAndAZeroMaximum) {
  chart.text = "NOBODY";
  const SearchOutcome outcome = Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), ""}));
  EXPECT_EQ(progress.maximum, 0);
  EXPECT_EQ(progress.position, 0);
  EXPECT_EQ(outcome.rowsChecked, 0);
  EXPECT_TRUE(button.Enabled());
}

TEST_F(SearchRunTest, CancelledFolderDialogChangesNothing) {
  Charge("AAA", 1.0);
  Run();
  const std::vector<std::string> before = report.lines;
  folder.confirm = false;
  chart.text = "ZZZ";
  const SearchOutcome outcome = Run();
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(report.lines, before);
  EXPECT_TRUE(components().AdsConnection1.IsConnected());
  EXPECT_TRUE(components().qryChg.Active());
  EXPECT_EQ(components().qryChg.SQLLine(5), "");
  EXPECT_TRUE(button.Enabled());
}

TEST_F(SearchRunTest, FolderWithoutDictionaryFailsAndSearchIsEnabledAgain) {
  test::TempDir empty;
  folder.choose = empty.Path().string();
  try {
    Run();
    FAIL() << "no error";
  } catch (const EADSDatabaseError& e) {
    EXPECT_NE(e.Message().find("MWDDF.ADD"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(report.lines, (std::vector<std::string>{folder.choose + "/MWDDF.ADD", ""}));
  EXPECT_EQ(button.history, (std::vector<bool>{false, true}));
}

TEST_F(SearchRunTest, ConnectPathJoinsTheFolderWithOneSlash) {
  Charge("AAA", 1.0);
  folder.choose = practice.Folder() + "/";
  Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), "", Line("AAA", "1")}));
  EXPECT_EQ(components().AdsConnection1.DataFolder(), practice.Folder());
}

// A backslash is part of a folder's name here: "bs\x" is not the folder x inside bs.
TEST_F(SearchRunTest, BackslashInAFolderNameIsNoSeparator) {
  test::PracticeOptions inBsX;
  inBsX.subfolder = "bs/x";
  test::PracticeFixture nested(inBsX);
  nested.Insert("MWTRN", Row{{"Chart Number", std::string("NESTED")},
                             {"Transaction Type", std::string("A")},
                             {"Insurance 1 Amount Paid", 5.0}});
  const std::string parent = std::filesystem::path(nested.Folder()).parent_path().string();
  folder.choose = parent + "\\x";
  EXPECT_THROW(Run(), EADSDatabaseError);
  EXPECT_EQ(report.lines, (std::vector<std::string>{parent + "\\x/MWDDF.ADD", ""}));

  // A practice in a folder whose name holds a backslash is found there.
  test::PracticeOptions inOdd;
  inOdd.subfolder = "bs\\x";
  test::PracticeFixture odd(inOdd);
  folder.choose = odd.Folder();
  Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{odd.Folder() + "/MWDDF.ADD", ""}));
}

// A chart that is not UTF-8 (written by another program) is reported as stored, and a fix
// rewrites the six amounts only: the bytes stay as they were.
TEST_F(SearchRunTest, IllFormedChartIsReportedAsStoredAndNeverRewritten) {
  // A UTF-8 server database refuses ill-formed text; only an embedded file can hold it.
  LW_EMBEDDED_ONLY("ill-formed text stored with SQLite");
  const auto charge = Charge("X", 4.0);
  const std::string where = " WHERE \"Entry Number\" = " + std::to_string(charge);
  practice.Execute("UPDATE MWTRN SET \"Chart Number\" = CAST(x'C9434F4C45' AS TEXT)" + where);
  fix.set = true;
  Run();
  // clang-format off
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), "", Line("\xC9" "COLE", "4")}));
  // clang-format on
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 0.0);
  EXPECT_EQ(practice.QueryText("SELECT hex(\"Chart Number\") FROM MWTRN" + where), "C9434F4C45");
}

TEST_F(SearchRunTest, SecondRunAfterAFixReportsOnlyUnbucketedDifferences) {
  const auto clean = Charge("AAA", 80.0);
  Apply(Payment("AAA", "I", "2"), clean, 67.5);
  const auto odd = Charge("BBB", 80.0);
  Apply(Payment("BBB", "I", "1"), odd, 60.0);
  Apply(Payment("BBB", "Q", ""), odd, 5.0);  // counts to the applied total only
  fix.set = true;
  const SearchOutcome first = Run();
  EXPECT_EQ(first.rowsFixed, 2);
  EXPECT_EQ(Stored(clean, "Insurance 1 Amount Paid"), 0.0);
  EXPECT_EQ(Stored(clean, "Insurance 2 Amount Paid"), 67.5);
  EXPECT_EQ(Stored(odd, "Insurance 1 Amount Paid"), 60.0);

  fix.set = false;
  Run();
  EXPECT_EQ(report.lines, (std::vector<std::string>{Header(), "", Line("BBB", "-5")}));
}

TEST_F(SearchRunTest, TickingFixMidRunRewritesOnlyLaterDiscrepancies) {
  const auto first = Charge("AAA", 1.0);
  const auto second = Charge("BBB", 2.0);
  const auto third = Charge("CCC", 3.0);
  // The user ticks "Fix Balances" while the second row's pump runs.
  pump.onPump = [&](int pumps) {
    if (pumps == 3) fix.set = true;
  };
  const SearchOutcome outcome = Run();
  EXPECT_EQ(outcome.rowsFixed, 2);
  EXPECT_EQ(Stored(first, "Insurance 1 Amount Paid"), 1.0);
  EXPECT_EQ(Stored(second, "Insurance 1 Amount Paid"), 0.0);
  EXPECT_EQ(Stored(third, "Insurance 1 Amount Paid"), 0.0);
}

TEST_F(SearchRunTest, ClosingTheWindowStopsBetweenRows) {
  Charge("AAA", 1.0);
  Charge("BBB", 2.0);
  Charge("CCC", 3.0);
  pump.onPump = [&](int pumps) {
    if (pumps == 3) pump.quit = true;
  };
  const SearchOutcome outcome = Run();
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.rowsChecked, 1);
  EXPECT_EQ(report.lines.size(), 3u);
  EXPECT_TRUE(button.Enabled());
}

// Holds a record lock on one MWTRN row from another process until told to stop.
class LockHolder {
 public:
  // The child takes the row's lock the way another connection's engine does, through the lock
  // file beside the dictionary and nothing else: a forked child of this multi-threaded process
  // must not enter SQLite, whose mutexes another thread may have held at the fork.
  LockHolder(const std::string& connectPath, std::uint32_t recordNumber, int tableNumber = 1) {
    std::string dictionary = connectPath;
    std::replace(dictionary.begin(), dictionary.end(), '\\', '/');
    int ready[2];
    if (pipe(ready) != 0 || pipe(release_) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release_[1]);
      char status = 'x';
      std::string conninfo;
      if (pgengine::ReadServerDescriptor(dictionary, conninfo).ok()) {
        // On a server practice: the lock as the server provider takes it, held by this session.
        pgengine::Conn session;
        pgengine::Result got;
        if (pgengine::ConnectServer(conninfo, session).ok() &&
            pgengine::Run(session.get(), "SELECT pg_try_advisory_lock($1::bigint)",
                          {std::to_string(pgengine::Connection::LockKey(tableNumber, recordNumber))}, got)
                .ok() &&
            got.Rows() == 1 && got.Text(0, 0)[0] == 't') {
          status = 'L';
        }
        (void)!write(ready[1], &status, 1);
        char ignored;
        (void)!read(release_[0], &ignored, 1);
        _exit(0);
      }
      engine::RecordLocks locks;
      if (locks.Open(dictionary).ok() && locks.Lock(tableNumber, recordNumber).ok()) status = 'L';
      (void)!write(ready[1], &status, 1);
      char ignored;
      (void)!read(release_[0], &ignored, 1);
      _exit(0);
    }
    close(ready[1]);
    close(release_[0]);
    char status = 0;
    (void)!read(ready[0], &status, 1);
    close(ready[0]);
    locked_ = status == 'L';
  }
  ~LockHolder() { Release(); }
  void Release() {
    if (pid_ <= 0) return;
    close(release_[1]);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool Locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_[2] = {-1, -1};
  bool locked_ = false;
};

TEST_F(SearchRunTest, RowLockedByAnotherProcessIsLeftUntouched) {
  const auto locked = Charge("AAA", 9.0);  // the first row inserted: record number 1
  fix.set = true;
  LockHolder holder(Header(), 1);
  ASSERT_TRUE(holder.Locked());
  try {
    Run();
    FAIL() << "no error";
  } catch (const EADSDatabaseError& e) {
    EXPECT_EQ(e.AceCode, ace::kRecordLocked);
    EXPECT_EQ(e.Message().rfind("tblChg: ", 0), 0u) << e.Message();
  }
  EXPECT_EQ(report.lines.size(), 3u);  // the row's line stays in the report
  EXPECT_EQ(Stored(locked, "Insurance 1 Amount Paid"), 9.0);
  EXPECT_TRUE(button.Enabled());
  holder.Release();
  LockHolder next(Header(), 1);
  EXPECT_TRUE(next.Locked());
}

TEST_F(SearchRunTest, FailedWriteCancelsTheEditAndReleasesTheLock) {
  const auto charge = Charge("AAA", 9.0);
  fix.set = true;
  tracer_.FailNth("AdsWriteRecord", 1, 5000, "the disk is full");
  EXPECT_THROW(Run(), EADSDatabaseError);
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 9.0);
  EXPECT_NE(components().tblChg.State(), TDataSetState::dsEdit);
  LockHolder other(Header(), 1);
  EXPECT_TRUE(other.Locked()) << "the failed fix still holds the row's lock";
}

// Regression: the fix wrote the buckets it computed before locking the row, erasing a payment
// another workstation posted in between. The fix flag is read after the line is appended and
// before the lock, so posting at that read forces the interleaving.
TEST_F(SearchRunTest, LostUpdatePaymentPostedBetweenTheWalkAndTheLockSurvivesTheFix) {
  const auto charge = Charge("AAA", 50.0);
  practice.Execute("UPDATE MWTRN SET \"Guarantor Amount Paid\" = 10 WHERE \"Entry Number\" = " +
                   std::to_string(charge));
  Apply(Payment("AAA", "I", "1"), charge, 50.0);
  PostedPayment posted;
  fix.set = true;
  fix.onRead = [&] {
    ASSERT_EQ(report.lines.size(), 3u);  // the line is out; the row is not locked yet
    posted = PostPayment(practice.DictionaryPath(), {static_cast<std::int32_t>(charge), Currency::FromCount(300000),
                                                     "I", "1", "Insurance 1 Amount Paid"});
  };
  const SearchOutcome outcome = Run();
  EXPECT_EQ(outcome.rowsFixed, 1);
  EXPECT_EQ(posted.paidAfter, Currency::FromCount(800000));
  EXPECT_EQ(report.lines.back(), Line("AAA", "10"));  // the line shows the first walk
  EXPECT_EQ(Stored(charge, "Insurance 1 Amount Paid"), 80.0);
  EXPECT_EQ(Stored(charge, "Guarantor Amount Paid"), 0.0);
}

TEST_F(SearchRunTest, ARowCorrectedBetweenTheWalkAndTheLockIsNotWritten) {
  const auto charge = Charge("AAA", 60.0);
  Apply(Payment("AAA", "I", "1"), charge, 50.0);
  fix.set = true;
  fix.onRead = [&] {
    practice.Execute("UPDATE MWTRN SET \"Insurance 1 Amount Paid\" = 50 WHERE \"Entry Number\" = " +
                     std::to_string(charge));
  };
  const SearchOutcome outcome = Run();
  EXPECT_EQ(outcome.discrepancies, 1);
  EXPECT_EQ(outcome.rowsFixed, 0);
  EXPECT_EQ(practice.QueryInt("SELECT count(*) FROM lw_history WHERE action = 'update'"), 0);
  LockHolder other(Header(), 1);
  EXPECT_TRUE(other.Locked()) << "the cancelled edit still holds the row's lock";
}

}  // namespace
}  // namespace lw
