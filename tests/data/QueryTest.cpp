#include <gtest/gtest.h>

#include <functional>

#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"

namespace lw::test {
namespace {

class QueryTest : public DataTest {
 protected:
  // The search run's steps up to the open of qryChg, with the given chart filter line.
  TAdsQuery& OpenQuery(const std::string& chart = "") {
    PracticeComponents& c = Components();
    c.AdsConnection1.SetIsConnected(false);
    c.AdsConnection1.SetConnectPath(Practice());
    if (c.qryChg.SQLCount() < 6) c.qryChg.AddSQL("");
    c.qryChg.SetSQLLine(5, chart.empty() ? "" : "and \"Chart Number\" = '" + chart + "'");
    c.qryChg.Open();
    return c.qryChg;
  }

  std::vector<std::string> Walk(TAdsQuery& query) {
    std::vector<std::string> entries;
    TField& entry = query.FieldByName("Entry Number");
    query.MoveFirst();
    while (!query.AtEnd()) {
      entries.push_back(std::to_string(entry.AsInteger()));
      query.MoveNext();
    }
    return entries;
  }
};

const std::vector<std::string> kRowRead = {"AdsSkip",          "AdsGetNumFields",    "AdsAtEOF",
                                           "AdsAtBOF",         "AdsIsRecordVisible", "AdsGetRecord",
                                           "AdsGetBookmark60", "AdsGetIndexHandle",  "AdsGetRecordNum"};

TEST_F(QueryTest, WalksTheSameEntriesAsSqlite) {
  TAdsQuery& query = OpenQuery();
  const auto expected = PracticeColumn(
      dictionary_, "SELECT \"Entry Number\" FROM MWTRN WHERE \"Transaction Type\" IS NOT NULL ORDER BY rowid");
  EXPECT_EQ(Walk(query), expected);
  EXPECT_EQ(query.RowCount(), static_cast<int>(expected.size()));
  EXPECT_EQ(expected.size(), static_cast<std::size_t>(kRowsWithType));

  OpenQuery("AAA");
  const auto chart = PracticeColumn(dictionary_,
                                    "SELECT \"Entry Number\" FROM MWTRN WHERE \"Transaction Type\" IS NOT NULL AND "
                                    "\"Chart Number\" = 'AAA' ORDER BY rowid");
  EXPECT_EQ(Walk(query), chart);
  EXPECT_EQ(query.RowCount(), static_cast<int>(chart.size()));
}

TEST_F(QueryTest, EmptyResultIsAtStartAndAtEndAndMovesDoNothing) {
  TAdsQuery& query = OpenQuery("ZZZ");
  EXPECT_TRUE(query.AtEnd());
  EXPECT_TRUE(query.AtStart());
  EXPECT_EQ(query.RowCount(), 0);
  EXPECT_TRUE(query.FieldByName("Entry Number").IsNull());
  query.MoveFirst();
  EXPECT_TRUE(query.AtEnd());
  trace_->Clear();
  query.MoveNext();
  EXPECT_TRUE(trace_->Calls().empty());
}

TEST_F(QueryTest, OneRowStaysReadableAfterTheEndIsReached) {
  TAdsQuery& query = OpenQuery("BBB");
  EXPECT_FALSE(query.AtEnd());
  TField& entry = query.FieldByName("Entry Number");
  EXPECT_EQ(entry.AsInteger(), 3);
  trace_->Clear();
  query.MoveNext();
  EXPECT_TRUE(query.AtEnd());
  EXPECT_EQ(trace_->Names(), (std::vector<std::string>{"AdsSkip", "AdsGetNumFields", "AdsAtEOF"}))
      << "a read that meets the end stops after AdsAtEOF";
  EXPECT_EQ(entry.AsInteger(), 3);
  trace_->Clear();
  query.MoveNext();
  EXPECT_TRUE(trace_->Calls().empty()) << "MoveNext at the end makes no engine call";
}

TEST_F(QueryTest, EachRowReadCostsNineEngineCalls) {
  TAdsQuery& query = OpenQuery();
  trace_->Clear();
  query.MoveNext();
  EXPECT_EQ(trace_->Names(), kRowRead);
  trace_->Clear();
  (void)query.FieldByName("Entry Number").AsInteger();
  EXPECT_EQ(trace_->Names(), std::vector<std::string>{"AdsGetTableType"}) << "a value read only asks the table type";
}

TEST_F(QueryTest, OpeningRunsTheSearchRunsCallSequence) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  trace_->Clear();
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  std::vector<std::string> expected = {"AdsGetSQLStmtParams",     "AdsConnect60",
                                       "AdsDDGetTableProperty",   "AdsDDGetTableProperty",
                                       "AdsDDGetTableProperty",   "AdsCreateSQLStatement",
                                       "AdsStmtSetTableLockType", "AdsStmtSetTableCharType",
                                       "AdsStmtSetTableRights",   "AdsStmtSetTableReadOnly",
                                       "AdsStmtSetTableType",     "AdsStmtConstrainUpdates",
                                       "AdsStmtReadAllColumns",   "AdsPrepareSQL",
                                       "AdsExecuteSQL",           "AdsSqlPeekStatement",
                                       "AdsGetRecordCount",       "AdsGetRecordLength",
                                       "AdsGetTableOpenOptions",  "AdsGetAllIndexes"};
  // A static result has no index: the list comes back empty, and the page size is still asked
  // (of no index, so it fails unraised and the query keeps no page size).
  expected.push_back("AdsGetIndexPageSize");
  expected.push_back("AdsGetBookmarkLength");
  for (int i = 0; i < 6; ++i) expected.push_back("AdsGetNullRecord");
  for (const char* name : {"AdsGetNumFields", "AdsGetFieldType", "AdsGetFieldLength", "AdsGetFieldName",
                           "AdsGetFieldOffset", "AdsGetColumnPermissions", "AdsGetBookmarkLength", "AdsGotoBOF"}) {
    expected.push_back(name);
  }
  expected.insert(expected.end(), kRowRead.begin(), kRowRead.end());
  EXPECT_EQ(trace_->Names(), expected);
  ASSERT_EQ(trace_->CountOf("AdsGetIndexPageSize"), 1);
  EXPECT_EQ(trace_->CallsOf("AdsGetAllIndexes")[0].result, 0u);
  EXPECT_NE(trace_->CallsOf("AdsGetIndexPageSize")[0].result, 0u);
  EXPECT_EQ(c.qryChg.AdsTableOptions.AdsIndexPageSize, 0);

  const auto options = trace_->CallsOf("AdsStmtSetTableReadOnly");
  EXPECT_EQ(options[0].arguments, std::to_string(c.qryChg.StatementHandle()) + ", 1");
  EXPECT_EQ(trace_->CallsOf("AdsStmtSetTableType")[0].arguments.substr(
                trace_->CallsOf("AdsStmtSetTableType")[0].arguments.size() - 1),
            "3");
  EXPECT_EQ(trace_->CallsOf("AdsGetRecordCount")[0].result, ace::kNoRowsAffected);
  EXPECT_EQ(c.qryChg.RowsAffected(), -1);
  EXPECT_TRUE(c.qryChg.Prepared());
  EXPECT_FALSE(c.qryChg.CanModify()) << "a static result may not be modified";

  trace_->Clear();
  (void)c.qryChg.RowCount();
  ASSERT_EQ(trace_->Calls().size(), 1u);
  EXPECT_EQ(trace_->Calls()[0].arguments.substr(0, trace_->Calls()[0].arguments.rfind(',')),
            std::to_string(c.qryChg.CursorHandle()) + ", 3");
}

TEST_F(QueryTest, StatementTextEndsEveryLineWithCrLf) {
  TAdsQuery& query = OpenQuery();
  const auto prepares = trace_->CallsOf("AdsPrepareSQL");
  ASSERT_FALSE(prepares.empty());
  const std::string text =
      "Select \r\n \"Entry Number\"\r\nFrom MWTRN\r\nWhere\r\n Position(\"Transaction Type\" in 'ABCDEFGH') > -1 "
      "\r\n\r\n";
  EXPECT_EQ(query.SQLText(), text);
  EXPECT_NE(prepares.back().arguments.find("\"" + text + "\""), std::string::npos);
}

TEST_F(QueryTest, ChangingALineClosesTheQueryEvenWithTheSameText) {
  TAdsQuery& query = OpenQuery();
  Components().tblChg.Open();
  trace_->Clear();
  query.SetSQLLine(5, "");
  EXPECT_FALSE(query.Active());
  EXPECT_FALSE(query.Prepared());
  EXPECT_EQ(trace_->Names().front(), "AdsGetSQLStmtParams");
  EXPECT_EQ(trace_->CountOf("AdsClearAllScopes"), 1) << "the following table drops its range";
  EXPECT_TRUE(Components().tblChg.Active());
}

TEST_F(QueryTest, StatementIsReusedAcrossClosesAndForgottenAtDisconnect) {
  TAdsQuery& query = OpenQuery();
  const ace::ADSHANDLE statement = query.StatementHandle();
  ASSERT_NE(statement, -1);
  query.Close();
  EXPECT_FALSE(query.Prepared());
  trace_->Clear();
  query.Open();
  EXPECT_EQ(query.StatementHandle(), statement);
  EXPECT_EQ(trace_->CountOf("AdsCreateSQLStatement"), 0);
  EXPECT_EQ(trace_->Names().front(), "AdsGetHandleType");
  Components().AdsConnection1.SetIsConnected(false);
  EXPECT_EQ(query.StatementHandle(), -1);
  EXPECT_EQ(trace_->CountOf("AdsCloseSQLStatement"), 0) << "a disconnect drops the handle without closing it";
  trace_->Clear();
  query.Open();
  EXPECT_EQ(trace_->CountOf("AdsCreateSQLStatement"), 1);
}

TEST_F(QueryTest, RejectedStatementCarriesThePrefixAndKeepsTheStatement) {
  TAdsQuery& query = OpenQuery();
  query.Close();
  const ace::ADSHANDLE statement = query.StatementHandle();
  const auto expectUnclosedText = [&](const char* step, const std::function<void()>& action) {
    try {
      action();
      ADD_FAILURE() << step << " accepted an unclosed text literal";
    } catch (const EADSDatabaseError& error) {
      EXPECT_EQ(error.Message().rfind("qryChg: Error 7200: ", 0), 0u) << step << ": " << error.Message();
      EXPECT_EQ(error.CursorName, "qryChg") << step;
      EXPECT_EQ(error.AceCode, ace::kSqlError) << step;
      EXPECT_EQ(error.NativeSqlCode, ace::kNativeUnterminatedText) << step << ": " << error.Message();
    }
  };
  // The engine's parameter check already refuses the text; the line is replaced all the same,
  // so every later open is rejected too.
  expectUnclosedText("the line change", [&] { query.SetSQLLine(5, "and \"Chart Number\" = 'O'B'"); });
  for (const char* run : {"the first open", "the second open"}) {
    expectUnclosedText(run, [&] { query.Open(); });
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.StatementHandle(), statement);
  }
}

TEST_F(QueryTest, Error7209DropsTheStatement) {
  TAdsQuery& query = OpenQuery();
  query.Close();
  trace_->FailNth("AdsExecuteSQL", 1, ace::kSqlNotPrepared);
  trace_->Clear();
  try {
    query.Open();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), std::string("qryChg: ") + ace::AceErrorText(ace::kSqlNotPrepared));
    EXPECT_EQ(error.AceCode, ace::kSqlNotPrepared);
  }
  EXPECT_EQ(trace_->CountOf("AdsCloseSQLStatement"), 1);
  EXPECT_EQ(query.StatementHandle(), -1);
  EXPECT_FALSE(query.Active());
  query.Open();
  EXPECT_TRUE(query.Active());
}

TEST_F(QueryTest, StatementWithoutResultIsRefusedAfterTheCount) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.SetSQL({"UPDATE MWTRN SET \"Amount\" = \"Amount\" WHERE \"Entry Number\" = -5"});
  trace_->Clear();
  try {
    c.qryChg.Open();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(),
              "qryChg: The SQL statement did not generate a cursor handle.  Use TAdsQuery.ExecSQL to execute SQL "
              "statements that are not SELECT statements");
    EXPECT_EQ(error.AceCode, 5121u);
  }
  EXPECT_EQ(trace_->CountOf("AdsGetRecordCount"), 1) << "rows affected are read before the refusal";
  EXPECT_EQ(c.qryChg.RowsAffected(), 0);
  EXPECT_FALSE(c.qryChg.Active());
}

TEST_F(QueryTest, QueryRefusalsWithoutAConnection) {
  TAdsQuery lonely("qryLonely", &owner_);
  lonely.SetSQL({"Select \"Entry Number\" From MWTRN"});
  EXPECT_LW_ERROR(lonely.Open(), "EADSDatabaseError",
                  "qryLonely: The DatabaseName property has not been assigned a value.");
  lonely.SetDatabaseName("NoSuchConnection");
  EXPECT_LW_ERROR(lonely.Open(), "EADSDatabaseError", "qryLonely: Internal Error: invalid connection handle.");
  EXPECT_LW_ERROR(lonely.RowCount(), "EDatabaseError", "qryLonely: Cannot perform this operation on a closed dataset");
  EXPECT_LW_ERROR(lonely.FieldByName("Entry Number"), "EDatabaseError", "qryLonely: Field 'Entry Number' not found");
}

TEST_F(QueryTest, NothingTouchesTheDatabaseWhenTheComponentsAreCreated) {
  trace_->Clear();
  PracticeComponents& c = Components();
  EXPECT_EQ(trace_->Names(), std::vector<std::string>{"AdsGetSQLStmtParams"});
  EXPECT_EQ(c.qryChg.SQLCount(), 5u);
  EXPECT_FALSE(c.AdsConnection1.IsConnected());
  EXPECT_FALSE(c.qryChg.Active());
  EXPECT_FALSE(c.tblChg.Active());
}

TEST_F(QueryTest, ParametersAreScannedOutsideQuotes) {
  PracticeComponents& c = Components();
  // Any quote character switches quoting, so a back quote inside an apostrophe text ends it.
  c.qryChg.SetSQL({"Select \"Entry Number\" From MWTRN Where \"Chart Number\" = 'A`:chart' or 'x' = '::y'"});
  ASSERT_EQ(c.qryChg.Params().size(), 1u);
  EXPECT_EQ(c.qryChg.Params()[0].name, "chart'");
  EXPECT_FALSE(c.qryChg.Params()[0].value.has_value());
}

}  // namespace
}  // namespace lw::test
