// Three fix runs, a process posting payments, one SQL writer and a user holding one charge
// locked, all at once on one practice: no payment is lost (the final state equals an independent
// recomputation), nothing hangs, and a run that meets the held row stops with the lock error and
// leaves that row as it was. Once on an embedded practice, once on a practice kept on the test
// server (LEDGERWICK_TEST_SERVER; skipped without it).
//   LEDGERWICK_STRESS_ROWS      MWTRN rows of the demo practice (default 3000)
//   LEDGERWICK_STRESS_PAYMENTS  payments posted at least (default 40)
//   LEDGERWICK_STRESS_UPDATES   SQL updates at least (default 40)

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "common/Exceptions.h"
#include "data/AdsErrors.h"
#include "data/PaymentPosting.h"
#include "data/PracticeComponents.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"
#include "engine/Engine.h"
#include "tests/stress/StressSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestEngine.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

using Clock = std::chrono::steady_clock;

// A forked helper process running `body` until the parent says stop (closes the pipe) and the
// body says it has done enough. Its exit status is the body's.
class Helper {
 public:
  template <class Body>
  explicit Helper(Body body) {
    int stop[2];
    if (pipe(stop) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(stop[1]);
      stopFd_ = stop[0];
      int status = body(*this);
      std::fflush(nullptr);
      _exit(status);
    }
    close(stop[0]);
    stopWrite_ = stop[1];
  }
  ~Helper() {
    Stop();
    Wait(Clock::now() + std::chrono::seconds(1));
    if (!done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // In the helper: whether the parent has asked it to stop.
  bool StopAsked() const {
    pollfd p{stopFd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }
  void Stop() {
    if (stopWrite_ >= 0) close(stopWrite_);
    stopWrite_ = -1;
  }
  std::optional<int> Wait(Clock::time_point deadline) {
    while (!done_) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        done_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        break;
      }
      if (Clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int stopFd_ = -1;
  int stopWrite_ = -1;
  bool done_ = false;
  int status_ = 0;
};

struct Kind {
  const char* type;
  const char* who;
  int bucket;  // index into kPaidColumns
};
constexpr Kind kKinds[] = {{"I", "1", 0}, {"I", "2", 1}, {"I", "3", 2}, {"K", "G", 3}, {"S", "", 4}, {"M", "A", 5}};

std::vector<std::string> Lines(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

enum class Kept { Embedded, OnServer };

// The practice's database on the test server, dropped when the test ends.
struct ServerCopy {
  std::string database;
  ~ServerCopy() {
    if (!database.empty()) DropTestDatabase(database);
  }
};

void PrintTo(Kept kept, std::ostream* out) { *out << (kept == Kept::OnServer ? "server" : "embedded"); }

class Contention : public ::testing::TestWithParam<Kept> {};

TEST_P(Contention, FixRunsPostingAndSqlWritesTogetherLoseNoPaymentAndNeverHang) {
  const bool onServer = GetParam() == Kept::OnServer;
  if (onServer && !ServerMode()) GTEST_SKIP() << "needs the test server (LEDGERWICK_TEST_SERVER)";
  const std::string check = BuiltProgram("tools/check/ledgerwick-check");
  ASSERT_TRUE(std::filesystem::exists(check)) << "ledgerwick-check is not built (no " << check << ")";
  const std::int64_t rows = StressCount("LEDGERWICK_STRESS_ROWS", 3000);
  const std::int64_t minimumPayments = StressCount("LEDGERWICK_STRESS_PAYMENTS", 40);
  const std::int64_t minimumUpdates = StressCount("LEDGERWICK_STRESS_UPDATES", 40);
  TempDir dir;
  const std::string folder = (dir.Path() / "practice").string();
  const std::string dictionary = folder + "/MWDDF.ADD";
  MakeDemoPractice(folder, rows, 5);

  // The charges, and the last of them made to disagree: the row a user keeps locked.
  std::vector<std::int32_t> charges;
  std::int64_t held = 0, heldRecord = 0;
  std::string heldDescription;
  std::map<std::int64_t, SixPaid> before;
  {
    SqliteDb db = PlainConnection(dictionary);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT \"Entry Number\", rowid FROM MWTRN WHERE \"Amount\" > 0 ORDER BY rowid", -1,
                       &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      charges.push_back(static_cast<std::int32_t>(sqlite3_column_int64(stmt, 0)));
      held = sqlite3_column_int64(stmt, 0);
      heldRecord = sqlite3_column_int64(stmt, 1);
    }
    sqlite3_finalize(stmt);
    db.Exec("UPDATE MWTRN SET \"Guarantor Amount Paid\" = 123456.78 WHERE rowid = " + std::to_string(heldRecord));
    heldDescription =
        db.Text("SELECT \"Description\" FROM MWTRN WHERE rowid = " + std::to_string(heldRecord)).value_or("");
  }
  before = ReadPaid(*PracticeReader::Open(dictionary));
  ASSERT_NE(held, 0);
  // Every process below reaches the practice through its MWDDF.ADD, whichever kind it is.
  ServerCopy server;
  if (onServer) server.database = MoveToTestServer(dictionary);
  charges.erase(std::remove(charges.begin(), charges.end(), held), charges.end());

  const std::string connectPath = dictionary;
  // A user who keeps the held charge locked throughout.
  Helper holder([&](Helper& self) {
    auto engine = test::NewEngine();
    ace::ADSHANDLE connection = 0, table = -1;
    if (engine->AdsConnect60(connectPath.c_str(), ace::kServerLocal, kPracticeUserName, kPracticePassword, 0,
                             &connection) != 0 ||
        engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table) != 0 ||
        engine->AdsLockRecord(table, static_cast<std::uint32_t>(heldRecord)) != 0) {
      return 3;
    }
    std::ofstream((dir.Path() / "held").string()) << "locked\n";
    while (!self.StopAsked()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
  });
  while (!std::filesystem::exists(dir.Path() / "held")) {
    ASSERT_FALSE(holder.Wait(Clock::now()).has_value()) << "the lock holder could not lock the row";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  const std::string postings = (dir.Path() / "postings").string();
  Helper poster([&](Helper& self) {
    auto engine = test::NewEngine();
    ace::ScopedAce installed(*engine);
    std::mt19937 random(7);
    std::FILE* log = std::fopen(postings.c_str(), "w");
    std::int64_t posted = 0;
    while (posted < minimumPayments || !self.StopAsked()) {
      const std::int32_t charge = charges[random() % charges.size()];
      const Kind& kind = kKinds[random() % std::size(kKinds)];
      const std::int64_t cents = 1 + random() % 20000;
      for (;;) {
        try {
          PostPayment(connectPath,
                      {charge, Currency::FromCount(cents * 100), kind.type, kind.who, kPaidColumns[kind.bucket]});
          std::fprintf(log, "posted %d %d %lld\n", charge, kind.bucket, static_cast<long long>(cents * 100));
          ++posted;
          break;
        } catch (const EADSDatabaseError& e) {
          if (e.AceCode != ace::kRecordLocked) {
            std::fprintf(log, "error %s\n", e.Message().c_str());
            break;
          }
          std::fprintf(log, "locked %d\n", charge);  // a fix holds the charge: the clerk tries again
          std::fflush(log);
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } catch (const Exception& e) {
          std::fprintf(log, "error %s\n", e.Message().c_str());
          break;
        }
      }
      std::fflush(log);
    }
    std::fclose(log);
    return 0;
  });

  const std::string updates = (dir.Path() / "updates").string();
  Helper writer([&](Helper& self) {
    auto engine = test::NewEngine();
    ace::ADSHANDLE connection = 0;
    if (engine->AdsConnect60(connectPath.c_str(), ace::kServerLocal, kPracticeUserName, kPracticePassword, 0,
                             &connection) != 0) {
      return 3;
    }
    std::mt19937 random(11);
    std::FILE* log = std::fopen(updates.c_str(), "w");
    std::int64_t done = 0;
    for (std::int64_t n = 1; done < minimumUpdates || !self.StopAsked(); ++n) {
      const std::int64_t entry = n % 10 == 0 ? held : charges[random() % charges.size()];
      const std::string sql = "UPDATE MWTRN SET \"Description\" = 'note " + std::to_string(n) +
                              "' WHERE \"Entry Number\" = " + std::to_string(entry);
      ace::ADSHANDLE statement = -1, cursor = -1;
      engine->AdsCreateSQLStatement(connection, &statement);
      std::uint32_t result = engine->AdsPrepareSQL(statement, sql.c_str());
      if (result == 0) result = engine->AdsExecuteSQL(statement, &cursor);
      engine->AdsCloseSQLStatement(statement);
      if (result == 0) {
        std::fprintf(log, "updated %lld %lld\n", static_cast<long long>(entry), static_cast<long long>(n));
        ++done;
      } else if (result == ace::kRecordLocked) {
        std::fprintf(log, "locked %lld\n", static_cast<long long>(entry));
      } else {
        std::fprintf(log, "error %u\n", result);
        ++done;
      }
      std::fflush(log);
    }
    std::fclose(log);
    return 0;
  });

  std::vector<std::unique_ptr<Child>> fixes;
  for (int i = 0; i < 3; ++i) {
    fixes.push_back(std::make_unique<Child>(std::vector<std::string>{check, "--folder", folder, "--fix"},
                                            (dir.Path() / ("fix" + std::to_string(i))).string()));
  }
  const auto deadline = Clock::now() + std::chrono::minutes(20);
  int hung = 0;
  std::vector<int> fixStatus;
  for (auto& fix : fixes) {
    std::optional<int> status = fix->WaitUntil(deadline);
    if (!status) ++hung;
    fixStatus.push_back(status.value_or(-999));
  }
  poster.Stop();
  writer.Stop();
  if (!poster.Wait(deadline + std::chrono::minutes(2))) ++hung;
  if (!writer.Wait(deadline + std::chrono::minutes(2))) ++hung;
  holder.Stop();
  ASSERT_EQ(hung, 0) << "a process hung";

  // Every fix run met the held row (or, earlier, a charge held past the retry by the poster).
  for (std::size_t i = 0; i < fixes.size(); ++i) {
    EXPECT_EQ(fixStatus[i], 2) << fixes[i]->Output();
    EXPECT_NE(fixes[i]->Output().find("The record is locked by another user."), std::string::npos)
        << fixes[i]->Output();
  }

  // The independent recomputation: what every charge must hold now.
  std::map<std::int64_t, SixPaid> expectedUnfixed = before;
  std::int64_t posted = 0, posterRetries = 0, posterErrors = 0;
  for (const std::string& line : Lines(postings)) {
    std::istringstream fields(line);
    std::string what;
    fields >> what;
    if (what == "posted") {
      std::int64_t charge, bucket, count;
      fields >> charge >> bucket >> count;
      expectedUnfixed[charge][bucket] += count;
      ++posted;
    } else if (what == "locked") {
      ++posterRetries;
    } else {
      ++posterErrors;
      ADD_FAILURE() << "poster: " << line;
    }
  }
  std::map<std::int64_t, std::int64_t> lastNote;
  std::int64_t sqlUpdates = 0, sqlRefusals = 0, heldRefusals = 0;
  for (const std::string& line : Lines(updates)) {
    std::istringstream fields(line);
    std::string what;
    std::int64_t entry = 0, n = 0;
    fields >> what >> entry;
    if (what == "updated") {
      fields >> n;
      lastNote[entry] = n;
      ++sqlUpdates;
      EXPECT_NE(entry, held) << "an SQL update went through the held lock";
    } else if (what == "locked") {
      ++sqlRefusals;
      if (entry == held) ++heldRefusals;
    } else {
      ADD_FAILURE() << "SQL writer: " << line;
    }
  }

  auto db = PracticeReader::Open(dictionary);
  if (!db->OnServer()) {
    EXPECT_EQ("ok", db->Text("PRAGMA integrity_check"));
  }
  const auto now = ReadPaid(*db);
  const auto buckets = RecomputeBuckets(*db);
  std::int64_t lost = 0, fixedRows = 0;
  for (const auto& [entry, six] : now) {
    if (entry == held) {
      EXPECT_EQ(six, before.at(entry)) << "the held row was written";
      continue;
    }
    const SixPaid fromApplications = buckets.count(entry) ? buckets.at(entry) : SixPaid{};
    const SixPaid unfixed = expectedUnfixed.count(entry) ? expectedUnfixed.at(entry) : SixPaid{};
    if (six == fromApplications) {
      if (six != unfixed) ++fixedRows;
    } else if (six != unfixed) {
      if (++lost <= 5) ADD_FAILURE() << "entry " << entry << " holds neither its buckets nor its posted amounts";
    }
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(
      db->Int("SELECT count(*) FROM lw_history WHERE table_name = 'MWTRN' AND action = 'update' AND record_number = " +
              std::to_string(heldRecord)),
      0);
  EXPECT_EQ(heldDescription,
            db->Text("SELECT \"Description\" FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(held)));
  for (const auto& [entry, n] : lastNote) {
    EXPECT_EQ("note " + std::to_string(n),
              db->Text("SELECT \"Description\" FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(entry)));
  }
  std::printf(
      "contention (%s): %lld rows; 3 fix runs (exit %d %d %d); %lld payments posted (%lld lock retries, %lld errors); "
      "%lld SQL updates, %lld refused for a lock (%lld on the held row); %lld rows fixed; %lld payments lost\n",
      onServer ? "server practice" : "embedded practice", static_cast<long long>(rows), fixStatus[0], fixStatus[1],
      fixStatus[2], static_cast<long long>(posted), static_cast<long long>(posterRetries),
      static_cast<long long>(posterErrors), static_cast<long long>(sqlUpdates), static_cast<long long>(sqlRefusals),
      static_cast<long long>(heldRefusals), static_cast<long long>(fixedRows), static_cast<long long>(lost));
}

INSTANTIATE_TEST_SUITE_P(Practice, Contention, ::testing::Values(Kept::Embedded, Kept::OnServer),
                         [](const ::testing::TestParamInfo<Kept>& info) {
                           return info.param == Kept::OnServer ? std::string("Server") : std::string("Embedded");
                         });

}  // namespace
}  // namespace lw::test
