// A server that restarts in the middle of a fix run, on a throwaway cluster of the test's own
// (so the suites sharing the test cluster are not disturbed): the run ends with the lost
// connection's error and no hang, a connect while the server is down is refused at once as
// unreachable, and once it is back the next run connects and finishes the job. Runs on the
// suite's server run only, where the server programs are known to be installed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "common/Exceptions.h"
#include "data/AdsErrors.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"
#include "pgengine/ServerPractice.h"
#include "reconcile/SearchRun.h"
#include "tests/pgengine/ServerFailureSupport.h"
#include "tests/reconcile/FrontEndDoubles.h"
#include "tests/support/Programs.h"
#include "tests/support/TestEngine.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

using Clock = std::chrono::steady_clock;

// A cluster of its own under /tmp, removed with this object.
class ThrowawayCluster {
 public:
  ThrowawayCluster()
      : dir_("/tmp/lw-restart-" + std::to_string(getpid()) + "-" + std::to_string(std::random_device{}() % 100000)) {
    started_ = Script("start");
  }
  ~ThrowawayCluster() { Script("stop"); }
  bool Started() const { return started_; }
  bool Down() { return Script("down"); }
  bool Up() { return Script("up"); }
  std::string Conninfo(const std::string& database) const {
    return "host=" + dir_ + " user=ledgerwick dbname=" + database;
  }

 private:
  bool Script(const char* action) {
    return RunProgram(Quoted(LEDGERWICK_SERVER_CLUSTER) + " " + action + " " + Quoted(dir_) + " 2>&1").status == 0;
  }
  std::string dir_;
  bool started_ = false;
};

TEST(ServerRestart, AFixRunEndsClearlyAndTheNextRunConnectsAndFinishes) {
  if (!ServerMode()) GTEST_SKIP() << "runs with the suite's server run";
  ThrowawayCluster cluster;
  ASSERT_TRUE(cluster.Started());
  PracticeOptions options;
  options.embeddedOnly = true;
  PracticeFixture practice(options);
  FixPractice rows(practice, 4);
  pgengine::ServerSession(cluster.Conninfo("postgres")).Execute("CREATE DATABASE practice");
  pgengine::MovePracticeToServer(practice.DictionaryPath(), cluster.Conninfo("practice"));

  auto engine = NewEngine();
  HookedAce hooked(*engine);
  ace::ScopedAce installed(hooked);
  PracticeComponents components(nullptr);
  RecordingReport report;
  SettableFix fix;
  fix.set = true;
  RecordingProgress progress;
  ScriptedFolder folder;
  folder.current = practice.Folder();
  CountingPump pump;
  RecordingButton button;
  TextChart chart;
  SearchFrontEnd frontEnd{button, folder, report, pump, chart, progress, fix};

  // The server restarts while the second charge is locked; while it is down a workstation that
  // connects is told at once that the server cannot be reached.
  std::string first, restartedAt;
  std::uint32_t connectWhileDown = 0;
  Clock::duration connectTook{};
  hooked.afterLock = [&](int n) {
    const std::string locked = report.lines.back().substr(7, 2);  // "Chart: C2 ..."
    if (n == 1) first = locked;
    if (n != 2) return;
    restartedAt = locked;
    ASSERT_TRUE(cluster.Down());
    auto other = NewEngine();
    ace::ADSHANDLE connection = 0;
    const auto asked = Clock::now();
    connectWhileDown = other->AdsConnect60(practice.ConnectPath().c_str(), ace::kServerRemote | ace::kServerLocal,
                                           "user", "vortelin", 0, &connection);
    connectTook = Clock::now() - asked;
    ASSERT_TRUE(cluster.Up());
  };
  const auto started = Clock::now();
  std::optional<EADSDatabaseError> failure;
  try {
    RunSearch(components, frontEnd);
  } catch (const EADSDatabaseError& e) {
    failure = e;
  }
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(120));  // two pg_ctl runs included
  EXPECT_TRUE(button.Enabled());
  ASSERT_FALSE(restartedAt.empty());
  ASSERT_TRUE(failure) << "the run ended without an error";
  EXPECT_EQ(failure->AceCode, ace::kServerConnectionLost) << failure->Message();
  EXPECT_NE(failure->Message().find("The connection to the practice's database server was lost"), std::string::npos)
      << failure->Message();
  EXPECT_EQ(connectWhileDown, ace::kServerUnreachable);
  EXPECT_LT(connectTook, std::chrono::seconds(5));

  AdminSession server(cluster.Conninfo("practice"));
  ExpectWritten(server, rows, {first});
  EXPECT_EQ(server.RecordLocksHeld(), 0);

  // The user presses Search again: the run reconnects and finishes.
  hooked.afterLock = nullptr;
  const SearchOutcome outcome = RunSearch(components, frontEnd);
  EXPECT_EQ(outcome.rowsFixed, 3);
  ExpectWritten(server, rows, rows.charts);
  EXPECT_EQ(server.RecordLocksHeld(), 0);
}

}  // namespace
}  // namespace lw::test
