// The update history by run, on either kind of practice: run numbers per connection, nothing
// recorded for unchanged values, and undo with its refusals.

#include "engine/HistoryRecords.h"
#include "pgengine/PracticeHistory.h"
#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class History : public EngineTest {
 protected:
  void SetUp() override {
    for (const char* chart : {"AAA", "BBB", "CCC"}) {
      practice.Insert("MWTRN", {{"Chart Number", std::string(chart)}, {"Insurance 1 Amount Paid", 10.0}});
    }
  }
  // Rewrites one amount of a row through the engine, under the row's lock.
  void Write(ADSHANDLE table, std::uint32_t record, const char* column, double value) {
    ASSERT_EQ(0u, engine->AdsGotoRecord(table, record)) << LastError();
    ASSERT_EQ(0u, engine->AdsLockRecord(table, record)) << LastError();
    ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, column), &value, 8)) << LastError();
    ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
    ASSERT_EQ(0u, engine->AdsUnlockRecord(table, record)) << LastError();
  }
  std::uint32_t RunOf(ADSHANDLE connection) {
    std::uint32_t run = 99;
    EXPECT_EQ(0u, engine->LwGetRunNumber(connection, &run));
    return run;
  }
  double Amount(int record, const char* column = "Insurance 1 Amount Paid") {
    return practice
        .QueryDouble("SELECT \"" + std::string(column) + "\" FROM MWTRN WHERE rowid = " + std::to_string(record))
        .value_or(-1);
  }
  engine::UndoOutcome Undo(std::int64_t run, std::uint32_t expectedCode = 0) {
    engine::UndoOutcome outcome;
    EXPECT_EQ(expectedCode, pgengine::UndoPracticeRun(practice.DictionaryPath(), run, outcome).code());
    return outcome;
  }
};

TEST_F(History, EachConnectionWritesUnderItsOwnRunAndUnchangedValuesRecordNothing) {
  const ADSHANDLE first = Connect();
  const ADSHANDLE table = Open("MWTRN", first);
  EXPECT_EQ(RunOf(first), 0u);
  Write(table, 1, "Insurance 1 Amount Paid", 12.5);
  Write(table, 2, "Insurance 1 Amount Paid", 7.0);
  EXPECT_EQ(RunOf(first), 1u);

  const ADSHANDLE second = Connect();
  const ADSHANDLE other = Open("MWTRN", second);
  Write(other, 1, "Insurance 1 Amount Paid", 12.5);  // the value it already holds
  EXPECT_EQ(RunOf(second), 0u);
  EXPECT_EQ(2, practice.QueryInt("SELECT count(*) FROM lw_history"));
  Write(other, 3, "Insurance 1 Amount Paid", 1.0);
  EXPECT_EQ(RunOf(second), 2u);
  EXPECT_EQ(2, practice.QueryInt("SELECT count(*) FROM lw_history WHERE run = 1"));
  EXPECT_EQ(engine::OsUserName(), practice.QueryText("SELECT os_user FROM lw_history WHERE run = 2"));
  EXPECT_FALSE(engine::OsUserName().empty());
}

TEST_F(History, ReadingNamesEachRowByEntryNumberAndChartAndFilters) {
  const ADSHANDLE connection = Connect();
  const ADSHANDLE table = Open("MWTRN", connection);
  Write(table, 2, "Insurance 1 Amount Paid", 4.25);
  Write(table, 2, "Guarantor Amount Paid", 1.0);
  std::vector<engine::HistoryRow> rows;
  ASSERT_TRUE(pgengine::ReadPracticeHistory(practice.DictionaryPath(), {1, 2}, rows).ok());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].keyColumn, "Entry Number");
  EXPECT_EQ(rows[0].key, 2);
  EXPECT_EQ(rows[0].chart, "BBB");
  EXPECT_EQ(rows[0].user, "user");
  ASSERT_EQ(rows[0].changes.size(), 1u);
  EXPECT_EQ(rows[0].changes[0].column, "Insurance 1 Amount Paid");
  EXPECT_EQ(rows[0].changes[0].oldText, "10");
  EXPECT_EQ(rows[0].changes[0].newText, "4.25");
  EXPECT_EQ(rows[1].changes[0].oldText, "NULL");
  rows.clear();
  ASSERT_TRUE(pgengine::ReadPracticeHistory(practice.DictionaryPath(), {0, 3}, rows).ok());
  EXPECT_TRUE(rows.empty());
  ASSERT_TRUE(pgengine::ReadPracticeHistory(practice.DictionaryPath(), {2, std::nullopt}, rows).ok());
  EXPECT_TRUE(rows.empty());
}

TEST_F(History, UndoPutsBackTheRunLeavesRowsChangedSinceAndIsItselfARun) {
  const ADSHANDLE connection = Connect();
  const ADSHANDLE table = Open("MWTRN", connection);
  Write(table, 1, "Insurance 1 Amount Paid", 11.0);
  Write(table, 1, "Insurance 1 Amount Paid", 12.0);  // twice: the undo goes back to the first old value
  Write(table, 1, "Guarantor Amount Paid", 3.0);
  Write(table, 2, "Insurance 1 Amount Paid", 20.0);
  engine->AdsDisconnect(connection);
  practice.Execute("UPDATE MWTRN SET \"Insurance 1 Amount Paid\" = 21 WHERE rowid = 2");  // someone else, later

  const engine::UndoOutcome undo = Undo(1);
  EXPECT_EQ(undo.run, 2);
  ASSERT_EQ(undo.restored.size(), 1u);
  EXPECT_EQ(undo.restored[0].key, 1);
  EXPECT_EQ(undo.restored[0].chart, "AAA");
  ASSERT_EQ(undo.leftAlone.size(), 1u);
  EXPECT_EQ(undo.leftAlone[0].key, 2);
  EXPECT_EQ(undo.leftAlone[0].reason, "it has changed since the run");
  EXPECT_EQ(Amount(1), 10.0);
  EXPECT_FALSE(practice.QueryDouble("SELECT \"Guarantor Amount Paid\" FROM MWTRN WHERE rowid = 1"));
  EXPECT_EQ(Amount(2), 21.0);
  EXPECT_EQ("undo of run 1", practice.QueryText("SELECT action FROM lw_history WHERE run = 2"));

  const engine::UndoOutcome again = Undo(2);
  EXPECT_EQ(again.run, 3);
  EXPECT_EQ(again.restored.size(), 1u);
  EXPECT_EQ(Amount(1), 12.0);
  EXPECT_EQ(Amount(1, "Guarantor Amount Paid"), 3.0);

  Undo(42, ace::kRecordNotFound);
}

TEST_F(History, UndoLeavesALockedRowAlone) {
  const ADSHANDLE connection = Connect();
  const ADSHANDLE table = Open("MWTRN", connection);
  Write(table, 3, "Insurance 1 Amount Paid", 30.0);
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 3));
  const engine::UndoOutcome undo = Undo(1);
  ASSERT_EQ(undo.leftAlone.size(), 1u);
  EXPECT_EQ(undo.leftAlone[0].reason, "another user has it locked");
  EXPECT_EQ(undo.run, 0);
  EXPECT_EQ(Amount(3), 30.0);
}

}  // namespace
}  // namespace lw::test
