// A fix run whose database session the server ends: while a charge's record lock is held before
// its write, and inside the write transaction itself. The run ends at once with the lost
// connection's error as the window and the check tool show errors; the charge being written is
// either wholly written with its history or not at all; the lock goes with the session; the
// next run finishes the job. Runs on the suite's server run only.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <optional>

#include "common/Exceptions.h"
#include "data/AdsErrors.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"
#include "pgengine/Pq.h"
#include "reconcile/SearchRun.h"
#include "tests/pgengine/ServerFailureSupport.h"
#include "tests/reconcile/FrontEndDoubles.h"
#include "tests/support/Programs.h"
#include "tests/support/TestEngine.h"

namespace lw::test {
namespace {

using Clock = std::chrono::steady_clock;

// No step of a failing run may wait anywhere near this long: the provider's own bounds
// (statement, lock and link timeouts) are all shorter.
constexpr auto kNoHang = std::chrono::seconds(30);

class ConnectionLost : public ::testing::Test {
 protected:
  ConnectionLost() : engine_(NewEngine()), hooked_(*engine_), installed_(hooked_) {}

  void SetUp() override {
    if (!practice.OnServer()) GTEST_SKIP() << "needs the practice on the test server";
    rows = std::make_unique<FixPractice>(practice, 5);
    admin = std::make_unique<AdminSession>(PracticeConninfo(practice));
    folder.current = practice.Folder();
    fix.set = true;
  }

  void ExpectWritten(const std::vector<std::string>& written) { test::ExpectWritten(*admin, *rows, written); }

  // Runs a search with "Fix Balances" ticked; the engine error that ended it, if one did.
  std::optional<EADSDatabaseError> FixRun(SearchOutcome* outcome = nullptr) {
    const auto started = Clock::now();
    std::optional<EADSDatabaseError> failure;
    try {
      SearchOutcome done = RunSearch(components, frontEnd);
      if (outcome) *outcome = done;
    } catch (const EADSDatabaseError& e) {
      failure = e;
    }
    EXPECT_LT(Clock::now() - started, kNoHang);
    EXPECT_TRUE(button.Enabled());
    return failure;
  }

  void ExpectConnectionLost(const std::optional<EADSDatabaseError>& failure) {
    ASSERT_TRUE(failure) << "the run ended without an error";
    EXPECT_EQ(failure->AceCode, ace::kServerConnectionLost) << failure->Message();
    EXPECT_NE(failure->Message().find("The connection to the practice's database server was lost"), std::string::npos)
        << failure->Message();
  }

  // The next run (the user pressing Search again) fixes what is left and leaves no lock.
  void ExpectRerunFinishes(int left) {
    hooked_.afterLock = nullptr;
    hooked_.beforeWrite = nullptr;
    SearchOutcome outcome;
    EXPECT_FALSE(FixRun(&outcome));
    EXPECT_EQ(outcome.rowsFixed, left);
    ExpectWritten(rows->charts);
    EXPECT_EQ(admin->RecordLocksHeld(), 0);
  }

  PracticeFixture practice;
  std::unique_ptr<ace::AceApi> engine_;
  HookedAce hooked_;
  ace::ScopedAce installed_;
  std::unique_ptr<FixPractice> rows;
  std::unique_ptr<AdminSession> admin;
  PracticeComponents components{nullptr};
  RecordingReport report;
  SettableFix fix;
  RecordingProgress progress;
  ScriptedFolder folder;
  CountingPump pump;
  RecordingButton button;
  TextChart chart;
  SearchFrontEnd frontEnd{button, folder, report, pump, chart, progress, fix};
};

TEST_F(ConnectionLost, WhileTheRowLockIsHeldBeforeTheWrite) {
  // The third charge's lock is taken, then its session ends before anything is written.
  std::vector<std::string> locked;
  hooked_.afterLock = [&](int n) {
    locked.push_back(report.lines.back().substr(7, 2));  // "Chart: C3 ..."
    if (n == 3) {
      EXPECT_EQ(admin->EndLockHolders(), 1);
    }
  };
  // The server's word that it ended the idle session is the engine's error, never text of its
  // own on the program's standard error (the check tool's report of errors).
  ::testing::internal::CaptureStderr();
  std::optional<EADSDatabaseError> failure = FixRun();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ExpectConnectionLost(failure);
  ASSERT_EQ(locked.size(), 3u);
  ExpectWritten({locked[0], locked[1]});
  EXPECT_EQ(admin->RecordLocksHeld(), 0);
  // Another workstation can take the row at once.
  auto other = NewEngine();
  ace::ADSHANDLE connection = 0, table = -1;
  ASSERT_EQ(0u, other->AdsConnect60(practice.ConnectPath().c_str(), ace::kServerRemote | ace::kServerLocal, "user",
                                    "vortelin", 0, &connection));
  ASSERT_EQ(0u, other->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  EXPECT_EQ(0u, other->AdsLockRecord(table, static_cast<std::uint32_t>(rows->record.at(locked[2]))));
  EXPECT_EQ(0u, other->AdsDisconnect(connection));
  ExpectRerunFinishes(3);
}

TEST_F(ConnectionLost, WhenTheServerStopsAnsweringTheRunEndsWithinTheAnswerDeadline) {
  // The run's database session stops (as on a paused machine) while the third charge's lock is
  // held: nothing on the server ever answers or times out, so only the program's own deadline
  // can end the wait.
  pgengine::SetAnswerDeadline(std::chrono::seconds(2));
  std::vector<int> stopped;
  std::vector<std::string> locked;
  hooked_.afterLock = [&](int n) {
    locked.push_back(report.lines.back().substr(7, 2));
    if (n != 3) return;
    for (int pid : admin->OtherSessions()) {
      if (kill(pid, SIGSTOP) == 0) stopped.push_back(pid);
    }
  };
  const auto started = Clock::now();
  std::optional<EADSDatabaseError> failure = FixRun();
  const auto waited = Clock::now() - started;
  for (int pid : stopped) {
    kill(pid, SIGCONT);
    admin->EndSession(pid);
  }
  pgengine::SetAnswerDeadline(std::chrono::milliseconds(0));
  ASSERT_FALSE(stopped.empty());
  ExpectConnectionLost(failure);
  EXPECT_NE(failure->Message().find("did not answer within 2 s"), std::string::npos) << failure->Message();
  EXPECT_LT(waited, std::chrono::seconds(10));
  ASSERT_EQ(locked.size(), 3u);
  ExpectWritten({locked[0], locked[1]});
  EXPECT_EQ(admin->RecordLocksHeld(), 0);
  ExpectRerunFinishes(3);
}

TEST_F(ConnectionLost, InsideTheWriteTransactionAfterTheRowIsUpdated) {
  WriteInterrupter interrupter(PracticeConninfo(practice));
  std::string writing;
  hooked_.beforeWrite = [&](int n) {
    if (n != 2) return;
    writing = report.lines.back().substr(7, 2);
    interrupter.Arm();
  };
  std::optional<EADSDatabaseError> failure = FixRun();
  ASSERT_TRUE(interrupter.Caught()) << "the write was not caught inside its transaction";
  ExpectConnectionLost(failure);
  // The row's update went with its transaction: the row as it was, without history.
  const std::string first = report.lines[2].substr(7, 2);
  ASSERT_NE(first, writing);
  ExpectWritten({first});
  EXPECT_EQ(admin->RecordLocksHeld(), 0);
  ExpectRerunFinishes(4);
}

TEST_F(ConnectionLost, TheCheckToolSaysSoAndStopsAndItsNextRunFinishes) {
  const std::string check =
      Quoted(ProgramPath("check", "ledgerwick-check")) + " --folder " + Quoted(practice.Folder()) + " --fix 2>&1";
  WriteInterrupter interrupter(PracticeConninfo(practice));
  interrupter.Arm();
  const auto started = Clock::now();
  const ProgramRun run = RunProgram(check);
  EXPECT_LT(Clock::now() - started, kNoHang);
  ASSERT_TRUE(interrupter.Caught()) << run.out;
  EXPECT_EQ(run.status, 2) << run.out;
  EXPECT_NE(run.out.find("The connection to the practice's database server was lost"), std::string::npos) << run.out;
  ExpectWritten({});  // the first write was the one ended
  EXPECT_EQ(admin->RecordLocksHeld(), 0);

  const ProgramRun rerun = RunProgram(check);
  EXPECT_EQ(rerun.status, 1) << rerun.out;  // discrepancies found, and fixed
  ExpectWritten(rows->charts);
  EXPECT_EQ(RunProgram(check).status, 0);
}

}  // namespace
}  // namespace lw::test
