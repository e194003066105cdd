// Record locks between connections of one process and between processes, and their release on
// unlock, close, disconnect and the death of the holder.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class Locks : public EngineTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) practice.Insert("MWTRN", {{"Transaction Type", std::string("A")}});
    other = engine::CreateSqliteEngine();
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
    auto own = engine::CreateSqliteEngine();
    ADSHANDLE connection = 0, table = -1;
    char result = 'F';
    if (own->AdsConnect60(practice.ConnectPath().c_str(), 1, "user", "vortelin", 0, &connection) == 0 &&
        own->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table) == 0 &&
        own->AdsLockRecord(table, 1) == 0) {
      result = 'L';
    }
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

}  // namespace
}  // namespace lw::test
