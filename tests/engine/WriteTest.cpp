// Row writes: only the columns set are written, in one transaction, with a history record;
// appends, cancels, refusals; and a writer killed again and again leaves every row whole.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class Writes : public EngineTest {
 protected:
  void SetUp() override {
    practice.Insert("MWTRN", {{"Chart Number", std::string("AAA")},
                              {"Insurance 1 Amount Paid", 10.0},
                              {"Description", std::string("before")}});
    table = Open("MWTRN");
    ASSERT_EQ(0u, engine->AdsGotoTop(table));
  }
  ADSHANDLE table = -1;
};

TEST_F(Writes, OnlyTheColumnsSetAreWrittenAndTheHistoryKeepsOldAndNew) {
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 0));
  // Another user changes a column this edit does not touch.
  practice.Execute("UPDATE MWTRN SET \"Description\" = 'theirs' WHERE rowid = 1");
  double amount = 12.5;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Insurance 1 Amount Paid"), &amount, 8));
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Guarantor Amount Paid"), &amount, 8));
  ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  ASSERT_EQ(0u, engine->AdsUnlockRecord(table, 1));
  EXPECT_EQ("theirs", practice.QueryText("SELECT \"Description\" FROM MWTRN WHERE rowid = 1"));
  EXPECT_EQ(12.5, practice.QueryDouble("SELECT \"Guarantor Amount Paid\" FROM MWTRN WHERE rowid = 1"));
  EXPECT_EQ(2, practice.QueryInt("SELECT count(*) FROM lw_history WHERE change = 1 AND action = 'update'"));
  EXPECT_EQ(10.0,
            practice.QueryDouble("SELECT old_value FROM lw_history WHERE column_name = 'Insurance 1 Amount Paid'"));
  EXPECT_EQ(12.5,
            practice.QueryDouble("SELECT new_value FROM lw_history WHERE column_name = 'Insurance 1 Amount Paid'"));
  EXPECT_FALSE(practice.QueryDouble("SELECT old_value FROM lw_history WHERE column_name = 'Guarantor Amount Paid'"));
  EXPECT_EQ("user", practice.QueryText("SELECT user_name FROM lw_history LIMIT 1"));
  EXPECT_EQ(1, practice.QueryInt("SELECT record_number FROM lw_history LIMIT 1"));
  // The record read after the write shows the stored row.
  EXPECT_EQ(12.5, Double(table, Record(table), "Insurance 1 Amount Paid"));
}

TEST_F(Writes, CancelDropsTheEditAndTheAutoIncrementColumnIsTheEngines) {
  double amount = 99;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Amount"), &amount, 8));
  EXPECT_EQ(99.0, Double(table, Record(table), "Amount"));  // the pending edit's image
  ASSERT_EQ(0u, engine->AdsCancelUpdate(table));
  ASSERT_EQ(0u, engine->AdsWriteRecord(table));  // nothing pending: nothing written
  EXPECT_FALSE(practice.QueryDouble("SELECT \"Amount\" FROM MWTRN WHERE rowid = 1"));
  std::int32_t entry = 50;
  EXPECT_EQ(ace::kColumnNotWritable, engine->AdsSetFieldRaw(table, Field(table, "Entry Number"), &entry, 4));
}

TEST_F(Writes, AppendAssignsAutoIncrementAboveTheHighest) {
  practice.Insert("MWTRN", {{"Entry Number", std::int64_t(40)}});
  ASSERT_EQ(0u, engine->AdsAppendRecord(table));
  ASSERT_EQ(0u, engine->AdsSetField(table, Field(table, "Chart Number"), "NEW", 3));
  ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  EXPECT_EQ(41, Int32(table, Record(table), "Entry Number"));
  EXPECT_EQ(41, practice.QueryInt("SELECT \"Entry Number\" FROM MWTRN WHERE \"Chart Number\" = 'NEW'"));
  EXPECT_EQ(1, practice.QueryInt("SELECT count(DISTINCT change) FROM lw_history WHERE action = 'insert'"));
}

TEST_F(Writes, AUniqueIndexRefusesADuplicateAndTheRowStaysAsItWas) {
  ADSHANDLE pax = Open("MWPAX");
  const std::int32_t payment = 7;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(0u, engine->AdsAppendRecord(pax));
    std::int32_t charge = i;
    engine->AdsSetFieldRaw(pax, Field(pax, "Payment Reference"), &payment, 4);
    engine->AdsSetFieldRaw(pax, Field(pax, "Charge Reference"), &charge, 4);
    ASSERT_EQ(0u, engine->AdsWriteRecord(pax)) << LastError();
  }
  std::int32_t duplicate = 0;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(pax, Field(pax, "Charge Reference"), &duplicate, 4));
  EXPECT_EQ(ace::kDuplicateKey, engine->AdsWriteRecord(pax));
  // The index and its columns as the catalog names them, not the generated key columns.
  const std::string named = "index PRIMARY of MWPAX (Payment Reference, Charge Reference)";
  EXPECT_NE(std::string::npos, LastError().find(named)) << LastError();
  EXPECT_EQ(std::string::npos, LastError().find("__key")) << LastError();
  EXPECT_EQ(1, practice.QueryInt("SELECT \"Charge Reference\" FROM MWPAX WHERE rowid = 2"));
  // A new row and an SQL statement that would repeat the key are told the same.
  ASSERT_EQ(0u, engine->AdsAppendRecord(pax));
  engine->AdsSetFieldRaw(pax, Field(pax, "Payment Reference"), &payment, 4);
  engine->AdsSetFieldRaw(pax, Field(pax, "Charge Reference"), &duplicate, 4);
  EXPECT_EQ(ace::kDuplicateKey, engine->AdsWriteRecord(pax));
  EXPECT_NE(std::string::npos, LastError().find(named)) << LastError();
  ADSHANDLE statement = 0, cursor = 0;
  ASSERT_EQ(0u, engine->AdsCreateSQLStatement(Conn(), &statement));
  ASSERT_EQ(
      0u, engine->AdsPrepareSQL(statement, "UPDATE MWPAX SET \"Charge Reference\" = 0 WHERE \"Charge Reference\" = 1"));
  EXPECT_EQ(ace::kDuplicateKey, engine->AdsExecuteSQL(statement, &cursor));
  EXPECT_NE(std::string::npos, LastError().find(named)) << LastError();
  engine->AdsCloseSQLStatement(statement);
  EXPECT_EQ(2, practice.QueryInt("SELECT count(*) FROM MWPAX"));
}

TEST(WriterKilled, EveryRowHoldsAllItsOldOrAllItsNewValues) {
  PracticeFixture practice;
  for (int i = 0; i < 10; ++i) practice.Insert("MWTRN", {{"Transaction Type", std::string("A")}});
  const char* columns[] = {"Insurance 1 Amount Paid", "Insurance 2 Amount Paid", "Insurance 3 Amount Paid",
                           "Guarantor Amount Paid",   "Adjustment Amount",       "Attorney Amount Paid"};
  for (int round = 0; round < 6; ++round) {
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto own = NewEngine();
      ADSHANDLE table = -1;
      if (!ConnectAndOpen(*own, practice, "MWTRN", table)) _exit(1);
      std::uint32_t fields[6];
      for (int c = 0; c < 6; ++c) fields[c] = FieldNumber(*own, table, columns[c]);
      char go = 'G';
      (void)!write(ready[1], &go, 1);
      for (double value = round * 100000;; value += 1) {
        own->AdsGotoRecord(table, 1 + static_cast<std::uint32_t>(value) % 10);
        own->AdsLockRecord(table, 0);
        for (int c = 5; c >= 0; --c) own->AdsSetFieldRaw(table, fields[c], &value, 8);
        own->AdsWriteRecord(table);
        own->AdsUnlockRecord(table, 0);
      }
    }
    close(ready[1]);
    char go = 0;
    ASSERT_EQ(1, read(ready[0], &go, 1));
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(30 + 25 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
  }
  if (!practice.OnServer()) {
    EXPECT_EQ("ok", practice.QueryText("PRAGMA integrity_check"));
  }
  EXPECT_EQ(0, practice.QueryInt(
                   "SELECT count(*) FROM MWTRN WHERE NOT (\"Insurance 1 Amount Paid\" IS NOT DISTINCT FROM "
                   "\"Insurance 2 Amount Paid\" AND \"Insurance 2 Amount Paid\" IS NOT DISTINCT FROM "
                   "\"Insurance 3 Amount Paid\" AND \"Insurance 3 Amount Paid\" IS NOT DISTINCT FROM "
                   "\"Guarantor Amount Paid\" AND \"Guarantor Amount Paid\" IS NOT DISTINCT FROM \"Adjustment Amount\" "
                   "AND \"Adjustment Amount\" IS NOT DISTINCT FROM \"Attorney Amount Paid\")"));
  EXPECT_GT(practice.QueryInt("SELECT count(*) FROM MWTRN WHERE \"Attorney Amount Paid\" IS NOT NULL").value_or(0), 0);
  // The history saw every committed write: one change per write, six columns each.
  EXPECT_EQ(0, practice.QueryInt(
                   "SELECT count(*) FROM (SELECT change FROM lw_history GROUP BY change HAVING count(*) <> 6) AS odd"));
}

}  // namespace
}  // namespace lw::test

namespace lw::test {
namespace {

TEST_F(Writes, ABusyDatabaseIsWaitedOnThenReported) {
  double amount = 1;
  // Another program holds the write lock briefly: the write waits and then goes through.
  const char* holdWrites =
      practice.OnServer() ? "BEGIN; LOCK TABLE mwtrn IN SHARE ROW EXCLUSIVE MODE" : "BEGIN IMMEDIATE";
  practice.Execute(holdWrites);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    practice.Execute("COMMIT");
  });
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Amount"), &amount, 8));
  EXPECT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  release.join();
  // Held for longer than the engine waits: reported as busy, and the edit is kept.
  practice.Execute(holdWrites);
  amount = 2;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Amount"), &amount, 8));
  EXPECT_EQ(ace::kDatabaseBusy, engine->AdsWriteRecord(table));
  practice.Execute("COMMIT");
  EXPECT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  EXPECT_EQ(2.0, practice.QueryDouble("SELECT \"Amount\" FROM MWTRN WHERE rowid = 1"));
}

}  // namespace
}  // namespace lw::test
