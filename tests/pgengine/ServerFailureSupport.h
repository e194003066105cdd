#pragma once
// What the server failure tests share: a fix-run practice whose rows each disagree with their
// applications, an engine that lets a test act right after a record lock is taken or right
// before a row is written, and an administrator's session on the practice's server that ends
// other sessions and looks at what they hold.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pgengine/Pq.h"
#include "pgengine/ServerPractice.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/ace/TracingAce.h"

namespace lw::test {

// Calls `afterLock` after every record lock the engine grants (with the count of locks so far)
// and `beforeWrite` before every row write (with the count of writes so far).
class HookedAce : public ace::TracingAce {
 public:
  using TracingAce::TracingAce;
  std::uint32_t AdsLockRecord(ace::ADSHANDLE table, std::uint32_t recordNumber) override;
  std::uint32_t AdsWriteRecord(ace::ADSHANDLE table) override;

  std::function<void(int)> afterLock;
  std::function<void(int)> beforeWrite;

 private:
  int locks_ = 0;
  int writes_ = 0;
};

// One database session of the test's own on the practice's server.
class AdminSession {
 public:
  explicit AdminSession(const std::string& conninfo);
  // The first column of the first row (empty text for none or NULL); throws on failure.
  std::string Text(const std::string& sql);
  std::int64_t Int(const std::string& sql) { return std::stoll("0" + Text(sql)); }
  void Execute(const std::string& sql) { session_.Execute(sql); }

  // Ends every other session of the practice's database that holds a record lock; returns how
  // many it ended, once they are gone.
  int EndLockHolders();
  // Record locks held on the practice's database by any session.
  std::int64_t RecordLocksHeld();
  // Waits (up to `limit`) for a session of the practice's database that waits for a table lock
  // while running a statement that starts with `statementStart`; its process id, or 0.
  int WaitForBlockedStatement(const std::string& statementStart, std::chrono::seconds limit);
  // Ends one session and waits for it to be gone.
  bool EndSession(int pid);
  // The process ids of every other session of the practice's database.
  std::vector<int> OtherSessions();

 private:
  pgengine::ServerSession session_;
};

// Holds the practice's history table locked so the next row write stops inside its write
// transaction (its row already updated, its history entries not yet added); ends the writing
// session there, then lets go. Runs on a thread of its own while the main thread writes.
class WriteInterrupter {
 public:
  explicit WriteInterrupter(const std::string& conninfo);
  ~WriteInterrupter();
  // Takes the lock and starts watching; the first blocked write is ended.
  void Arm();
  // Waits for the watcher; true when a write was caught inside its transaction and ended.
  bool Caught();

 private:
  std::string conninfo_;
  std::unique_ptr<AdminSession> holder_;
  std::thread watcher_;
  bool caught_ = false;
};

// A practice of `charges` charges, each in a chart of its own ("C1", "C2", ...) with one
// insurance payment applied that disagrees with the charge's recorded amount (80.00 recorded,
// 50.00 applied), so a fix run writes every charge.
struct FixPractice {
  explicit FixPractice(PracticeFixture& practice, int charges);
  // Entry Number and record number of each chart's charge.
  std::map<std::string, std::int64_t> entry;
  std::map<std::string, std::int64_t> record;
  std::vector<std::string> charts;
};

constexpr double kRecorded = 80.0;
constexpr double kApplied = 50.0;

// Each of the practice's charges written wholly (the applied amount, with history entries) when
// its chart is in `written`, otherwise not at all (the recorded amount, no history).
void ExpectWritten(AdminSession& server, const FixPractice& practice, const std::vector<std::string>& written);

// The practice's libpq connection string, from its descriptor.
std::string PracticeConninfo(const PracticeFixture& practice);

}  // namespace lw::test
