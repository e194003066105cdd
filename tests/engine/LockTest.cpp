// Record locks between connections of one process and between processes, and their release on
// unlock, close, disconnect and the death of the holder.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

class Locks : public EngineTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) practice.Insert("MWTRN", {{"Transaction Type", std::string("A")}});
    other = NewEngine();
    ASSERT_EQ(0u, other->AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &otherConnection));
    ASSERT_EQ(0u, other->AdsOpenTable(otherConnection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &otherTable));
  }

  std::unique_ptr<ace::AceApi> other;
  ADSHANDLE otherConnection = 0;
  ADSHANDLE otherTable = -1;
};

TEST_F(Locks, ASecondConnectionIsRefusedUntilUnlock) {
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 2));
  EXPECT_EQ(ace::kRecordLocked, other->AdsLockRecord(otherTable, 2));
  std::uint32_t code = 0;
  char text[600];
  std::uint16_t length = sizeof text;
  other->AdsGetLastError(&code, text, &length);
  EXPECT_EQ(ace::kRecordLocked, code);
  EXPECT_NE(std::string::npos, std::string(text).find("locked by another user"));
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 3));  // other rows stay free
  // A write of the locked row by the other connection is refused too, and changes nothing.
  ASSERT_EQ(0u, other->AdsGotoRecord(otherTable, 2));
  ASSERT_EQ(0u, other->AdsSetField(otherTable, Field(table, "Description"), "changed", 7));
  EXPECT_EQ(ace::kRecordLocked, other->AdsWriteRecord(otherTable));
  EXPECT_FALSE(practice.QueryText("SELECT \"Description\" FROM MWTRN WHERE rowid = 2").has_value());
  other->AdsCancelUpdate(otherTable);
  ASSERT_EQ(0u, engine->AdsUnlockRecord(table, 2));
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 2));
}

TEST_F(Locks, ReleasedWhenTheTableClosesAndWhenTheConnectionEnds) {
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 1));
  ASSERT_EQ(0u, engine->AdsCloseTable(table));
  ASSERT_EQ(0u, other->AdsLockRecord(otherTable, 1));
  ASSERT_EQ(0u, other->AdsUnlockRecord(otherTable, 1));
  table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 1));
  EXPECT_EQ(ace::kRecordLocked, other->AdsLockRecord(otherTable, 1));
  ASSERT_EQ(0u, engine->AdsDisconnect(Conn()));
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 1));
}

TEST_F(Locks, AnotherProcessHoldsTheLockUntilItIsKilled) {
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto own = NewEngine();
    ADSHANDLE table = -1;
    const char result = ConnectAndOpen(*own, practice, "MWTRN", table) && own->AdsLockRecord(table, 1) == 0 ? 'L' : 'F';
    (void)!write(ready[1], &result, 1);
    for (;;) pause();
  }
  close(ready[1]);
  char result = 0;
  ASSERT_EQ(1, read(ready[0], &result, 1));
  close(ready[0]);
  ASSERT_EQ('L', result);
  EXPECT_EQ(ace::kRecordLocked, other->AdsLockRecord(otherTable, 1));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 1));
}

// Every writer honours record locks: SQL writes and row writes made without a lock of their own.
class LocksBindEveryWriter : public Locks {
 protected:
  std::uint32_t Sql(ace::AceApi& api, ADSHANDLE connection, const std::string& sql) {
    ADSHANDLE statement = -1, cursor = -1;
    EXPECT_EQ(0u, api.AdsCreateSQLStatement(connection, &statement));
    std::uint32_t result = api.AdsPrepareSQL(statement, sql.c_str());
    if (result == 0) result = api.AdsExecuteSQL(statement, &cursor);
    api.AdsCloseSQLStatement(statement);
    return result;
  }
  std::string Descriptions() {
    std::string all;
    for (int row = 1; row <= 3; ++row) {
      all +=
          practice.QueryText("SELECT \"Description\" FROM MWTRN WHERE rowid = " + std::to_string(row)).value_or("-") +
          ";";
    }
    return all;
  }
};

TEST_F(LocksBindEveryWriter, SqlUpdateAndDeleteOfALockedRowFailWholeAndChangeNothing) {
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 2));
  // The statement touches rows 1 to 3; row 2 is locked, so not even rows 1 and 3 change.
  EXPECT_EQ(ace::kRecordLocked, Sql(*other, otherConnection, "UPDATE MWTRN SET \"Description\" = 'sql'"));
  EXPECT_EQ(ace::kRecordLocked, Sql(*other, otherConnection, "DELETE FROM MWTRN WHERE \"Entry Number\" >= 2"));
  EXPECT_EQ("-;-;-;", Descriptions());
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM MWTRN"));
  EXPECT_EQ(0, practice.QueryInt("SELECT count(*) FROM lw_history WHERE action <> 'insert'"));
  // Rows outside the lock, and the locking connection itself, may still be written.
  EXPECT_EQ(0u, Sql(*other, otherConnection, "UPDATE MWTRN SET \"Description\" = 'other' WHERE \"Entry Number\" = 1"));
  EXPECT_EQ(0u, Sql(*engine, Conn(), "UPDATE MWTRN SET \"Description\" = 'own' WHERE \"Entry Number\" = 2"));
  EXPECT_EQ("other;own;-;", Descriptions());
  // The statement's own locks end with it: the holder's lock is still there, and once released
  // the other connection's statement goes through.
  EXPECT_EQ(ace::kRecordLocked, other->AdsLockRecord(otherTable, 2));
  ASSERT_EQ(0u, engine->AdsUnlockRecord(table, 2));
  EXPECT_EQ(0u, Sql(*other, otherConnection, "DELETE FROM MWTRN WHERE \"Entry Number\" = 2"));
  EXPECT_EQ(0u, engine->AdsLockRecord(table, 3));  // nothing of the statement's locks lingers
}

// A row write without an explicit lock waiting for a busy database holds the row's lock while it
// waits, so nobody can lock (and later overwrite) the row between its check and its commit.
TEST_F(LocksBindEveryWriter, AnUnlockedRowWriteHoldsTheLockForItsWholeTransaction) {
  LW_EMBEDDED_ONLY("SQLite's write lock held by another program");
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsGotoRecord(table, 1));
  ASSERT_EQ(0u, engine->AdsSetField(table, Field(table, "Description"), "written", 7));
  practice.Execute("BEGIN IMMEDIATE");  // another user's write transaction keeps the writer waiting
  std::uint32_t written = 1;
  std::thread writer([&] { written = engine->AdsWriteRecord(table); });
  bool refused = false;
  for (int attempt = 0; attempt < 200 && !refused; ++attempt) {
    std::uint32_t result = other->AdsLockRecord(otherTable, 1);
    refused = result == ace::kRecordLocked;
    if (result == 0) other->AdsUnlockRecord(otherTable, 1);
    if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  practice.Execute("COMMIT");
  writer.join();
  EXPECT_TRUE(refused) << "the row stayed free while its write was pending";
  EXPECT_EQ(0u, written);
  EXPECT_EQ("written", practice.QueryText("SELECT \"Description\" FROM MWTRN WHERE rowid = 1").value_or(""));
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 1));  // released with the commit
}

}  // namespace
}  // namespace lw::test
