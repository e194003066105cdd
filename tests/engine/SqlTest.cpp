// SQL statements: the search run's query with and without a chart filter, rejected texts, and
// statements that produce no cursor.

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

class Sql : public EngineTest {
 protected:
  void SetUp() override {
    practice.Insert("MWTRN", {{"Chart Number", std::string("AAA")}, {"Transaction Type", std::string("A")}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("BBB")}, {"Transaction Type", std::string("I")}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("AAA")}});  // no type: not selected
    practice.Insert("MWTRN", {{"Chart Number", std::string("AAA")}, {"Transaction Type", std::string(" ")}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("O'B")}, {"Transaction Type", std::string("Z")}});
    ASSERT_EQ(0u, engine->AdsCreateSQLStatement(Conn(), &statement));
  }

  static std::string Query(const std::string& filter) {
    return "Select \r\n \"Entry Number\"\r\nFrom MWTRN\r\nWhere\r\n Position(\"Transaction Type\" in 'ABCDEFGH') > -1 "
           "\r\n" +
           filter + "\r\n";
  }

  std::vector<std::int32_t> Run(const std::string& sql) {
    std::vector<std::int32_t> entries;
    EXPECT_EQ(0u, engine->AdsGetSQLStmtParams(sql.c_str(), nullptr)) << LastError();
    EXPECT_EQ(0u, engine->AdsPrepareSQL(statement, sql.c_str())) << LastError();
    ADSHANDLE cursor = -1;
    EXPECT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
    if (cursor <= 0) return entries;
    std::uint16_t live = 1;
    engine->AdsSqlPeekStatement(cursor, &live);
    EXPECT_EQ(0, live);
    std::uint32_t affected = 0;
    EXPECT_EQ(ace::kNoRowsAffected, engine->AdsGetRecordCount(statement, 2, &affected));
    std::uint32_t count = 0;
    engine->AdsGetRecordCount(cursor, 3, &count);
    entries = Walk(cursor, cursor, "Entry Number");
    EXPECT_EQ(entries.size(), count);
    engine->AdsCloseTable(cursor);
    return entries;
  }

  ADSHANDLE statement = -1;
};

TEST_F(Sql, SelectsEveryTypedRowAndFiltersByChart) {
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 4, 5}), Run(Query("")));
  EXPECT_EQ((std::vector<std::int32_t>{1, 4}), Run(Query("and \"Chart Number\" = 'AAA'")));
  EXPECT_EQ((std::vector<std::int32_t>{5}), Run(Query("and \"Chart Number\" = 'O''B'")));
  EXPECT_TRUE(Run(Query("and \"Chart Number\" = 'NONE'")).empty());
}

// The search run's report follows the query's rows: they come in record order on either kind
// of practice, also after a row was rewritten (a server keeps the new version elsewhere).
TEST_F(Sql, RowsComeInRecordOrderAfterARowIsRewritten) {
  practice.Execute("UPDATE MWTRN SET \"Transaction Type\" = 'B' WHERE rowid = 1");
  practice.Execute("UPDATE MWTRN SET \"Transaction Type\" = 'C' WHERE rowid = 2");
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 4, 5}), Run(Query("")));
  EXPECT_EQ((std::vector<std::int32_t>{1, 4}), Run(Query("and \"Chart Number\" = 'AAA'")));
  // Counting keeps its own shape.
  EXPECT_EQ(0u, engine->AdsPrepareSQL(statement, "SELECT count(*) FROM MWTRN")) << LastError();
  ADSHANDLE cursor = -1;
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  std::uint32_t count = 0;
  engine->AdsGetRecordCount(cursor, 3, &count);
  EXPECT_EQ(1u, count);
  engine->AdsCloseTable(cursor);
}

// UTF-8 text: a chart compares byte for byte, and UPPER and LOWER change letters beyond ASCII.
TEST_F(Sql, ChartsBeyondAsciiCompareAsStoredAndChangeCaseByUnicode) {
  // clang-format off
  const std::string ecole = "\xC3\x89" "COLE";  // ÉCOLE
  // clang-format on
  practice.Insert("MWTRN", {{"Chart Number", ecole}, {"Transaction Type", std::string("A")}});
  // clang-format off
  practice.Insert("MWTRN", {{"Chart Number", std::string("\xC3\xA9" "cole")}, {"Transaction Type", std::string("A")}});
  // clang-format on
  practice.Insert("MWTRN", {{"Chart Number", std::string("ECOLE")}, {"Transaction Type", std::string("A")}});
  EXPECT_EQ((std::vector<std::int32_t>{6}), Run(Query("and \"Chart Number\" = '" + ecole + "'")));
  EXPECT_EQ((std::vector<std::int32_t>{6, 7}), Run(Query("and Upper(\"Chart Number\") = '" + ecole + "'")));
  EXPECT_EQ((std::vector<std::int32_t>{6, 7}), Run(Query("and UCase(\"Chart Number\") = '" + ecole + "'")));
  // clang-format off
  EXPECT_EQ((std::vector<std::int32_t>{6, 7}), Run(Query("and Lower(\"Chart Number\") = '\xC3\xA9" "cole'")));
  // clang-format on
}

TEST_F(Sql, ResultTakesTheColumnTypeOfItsSource) {
  std::string sql = Query("");
  engine->AdsPrepareSQL(statement, sql.c_str());
  ADSHANDLE cursor = -1;
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor));
  std::uint16_t fields = 0, type = 0;
  engine->AdsGetNumFields(cursor, &fields);
  engine->AdsGetFieldType(cursor, 1, &type);
  EXPECT_EQ(1, fields);
  EXPECT_EQ(15, type);
  // The result is static: rows written afterwards do not appear in it.
  practice.Insert("MWTRN", {{"Transaction Type", std::string("B")}});
  EXPECT_EQ(4u, Walk(cursor, cursor, "Entry Number").size());
}

TEST_F(Sql, AnApostropheInTheChartTextIsRejectedWithTheNativeError) {
  std::string sql = Query("and \"Chart Number\" = 'O'B'");
  std::uint32_t prepared = engine->AdsPrepareSQL(statement, sql.c_str());
  EXPECT_EQ(ace::kSqlError, prepared);
  std::string text = LastError();
  EXPECT_EQ(0u, text.find("7200 Error 7200: ")) << text;
  EXPECT_NE(std::string::npos, text.find("NativeError = 2102;")) << text;
  ADSHANDLE cursor = -1;
  EXPECT_EQ(ace::kSqlNotPrepared, engine->AdsExecuteSQL(statement, &cursor));
  // An unknown column and an unknown table carry their own numbers.
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "SELECT \"No Such\" FROM MWTRN"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2103;"));
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "SELECT * FROM NOWHERE"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2104;"));
  EXPECT_EQ(ace::kSqlError, engine->AdsGetSQLStmtParams("SELECT (1 FROM MWTRN", nullptr));
}

TEST_F(Sql, AStatementThatIsNotASelectYieldsNoCursorAndCountsRows) {
  ASSERT_EQ(0u,
            engine->AdsPrepareSQL(statement, "UPDATE MWTRN SET \"Description\" = 'x' WHERE \"Chart Number\" = 'AAA'"))
      << LastError();
  ADSHANDLE cursor = -1;
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  EXPECT_EQ(0, cursor);
  std::uint32_t affected = 0;
  ASSERT_EQ(0u, engine->AdsGetRecordCount(statement, 2, &affected));
  EXPECT_EQ(3u, affected);
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM MWTRN WHERE \"Description\" = 'x'"));
  // The history holds the old and new value of every changed row, as one change.
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM lw_history WHERE action = 'update' AND change = 1 AND "
                                 "column_name = 'Description' AND old_value IS NULL AND new_value = 'x'"));
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM lw_history"));
  ASSERT_EQ(0u, engine->AdsPrepareSQL(statement, "DELETE FROM MWTRN WHERE \"Entry Number\" = 5"));
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  // Chart Number, Entry Number and Transaction Type were not NULL.
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM lw_history WHERE action = 'delete' AND record_number = 5"));
  ASSERT_EQ(0u, engine->AdsPrepareSQL(statement, "INSERT INTO MWTRN (\"Chart Number\") VALUES ('NEW')"));
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  EXPECT_EQ(1, practice.QueryInt("SELECT count(*) FROM lw_history WHERE action = 'insert' AND new_value = 'NEW'"));
  std::uint16_t type = 0;
  ASSERT_EQ(0u, engine->AdsGetHandleType(statement, &type));
  EXPECT_EQ(ace::kHandleStatement, type);
  ASSERT_EQ(0u, engine->AdsCloseSQLStatement(statement));
  EXPECT_EQ(ace::kStatementClosed, engine->AdsCloseSQLStatement(statement));
}

TEST_F(Sql, LiteralsAreBoundNotPasted) {
  // A text that would end the literal and add a condition if pasted stays one value.
  EXPECT_TRUE(Run("SELECT \"Entry Number\" FROM MWTRN WHERE \"Chart Number\" = 'x'' OR ''1''=''1'").empty());
  EXPECT_EQ((std::vector<std::int32_t>{1, 3, 4}),
            Run("SELECT m.\"Entry Number\" FROM \"MWTRN.ADT\" m WHERE m.\"Chart Number\" = 'AAA' ORDER BY 1"));
}

}  // namespace
}  // namespace lw::test

namespace lw::test {
namespace {

class SqlDialect : public EngineTest {
 protected:
  void SetUp() override {
    practice.Insert("MWTRN",
                    {{"Chart Number", std::string("AAA")}, {"Transaction Type", std::string("A")}, {"Amount", 10.0}});
    practice.Insert("MWTRN",
                    {{"Chart Number", std::string("ABB")}, {"Transaction Type", std::string("I")}, {"Amount", -4.5}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("BBB")}, {"Amount", 7.0}});
    practice.Insert("MWTRN", {{"Chart Number", std::string("CCC")}, {"Transaction Type", std::string("S")}});
    ASSERT_EQ(0u, engine->AdsCreateSQLStatement(Conn(), &statement));
  }

  std::vector<std::int32_t> Entries(const std::string& where) {
    std::string sql = "SELECT \"Entry Number\" FROM MWTRN WHERE " + where;
    EXPECT_EQ(0u, engine->AdsPrepareSQL(statement, sql.c_str())) << where << ": " << LastError();
    ADSHANDLE cursor = -1;
    EXPECT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << where << ": " << LastError();
    if (cursor <= 0) return {};
    auto entries = Walk(cursor, cursor, "Entry Number");
    engine->AdsCloseTable(cursor);
    return entries;
  }

  ADSHANDLE statement = -1;
};

TEST_F(SqlDialect, ConditionsOfTheDialect) {
  using V = std::vector<std::int32_t>;
  EXPECT_EQ((V{3}), Entries("\"Transaction Type\" IS NULL"));
  EXPECT_EQ((V{1, 2, 4}), Entries("NOT \"Transaction Type\" IS NULL"));
  EXPECT_EQ((V{1, 2}), Entries("\"Chart Number\" LIKE 'A%'"));
  EXPECT_EQ((V{1, 4}), Entries("\"Transaction Type\" IN ('A', 'S')"));
  EXPECT_EQ((V{1, 3}), Entries("\"Amount\" BETWEEN 5 AND 10.5"));
  EXPECT_EQ((V{2, 3}), Entries("\"Amount\" < 8 AND (\"Chart Number\" <> 'AAA' OR \"Amount\" > 100)"));
  EXPECT_EQ((V{2}), Entries("\"Amount\" * 2 = -9"));
  EXPECT_EQ((V{1, 2}), Entries("Position('A' in \"Chart Number\") = 1"));
  EXPECT_EQ((V{2}), Entries("SUBSTRING(\"Chart Number\" FROM 2 FOR 2) = 'BB' AND UPPER(\"Transaction Type\") = 'I'"));
}

TEST_F(SqlDialect, StarListsEveryColumnAndExpressionsGetTheirKind) {
  ASSERT_EQ(0u, engine->AdsPrepareSQL(statement,
                                      "SELECT *, \"Amount\" * 2 AS Twice, \"Chart Number\" || 'x' FROM MWTRN "
                                      "ORDER BY \"Amount\" DESC"));
  ADSHANDLE cursor = -1;
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  std::uint16_t fields = 0, type = 0;
  engine->AdsGetNumFields(cursor, &fields);
  EXPECT_EQ(124, fields);
  char name[129];
  std::uint16_t length = sizeof name;
  engine->AdsGetFieldName(cursor, 123, name, &length);
  EXPECT_STREQ("Twice", name);
  engine->AdsGetFieldType(cursor, 123, &type);
  EXPECT_EQ(10, type);
  engine->AdsGetFieldType(cursor, 124, &type);
  EXPECT_EQ(4, type);
  engine->AdsGotoTop(cursor);
  EXPECT_EQ(20.0, Double(cursor, Record(cursor), "Twice"));
  EXPECT_EQ("AAAx", EngineTest::Text(cursor, Record(cursor), "EXPR124"));
  // A static result cannot be edited.
  EXPECT_EQ(ace::kTableReadOnly, engine->AdsSetField(cursor, 1, "X", 1));
  std::uint32_t options = 0;
  engine->AdsGetTableOpenOptions(cursor, &options);
  EXPECT_EQ(0u, options & ace::kOptionUpdateRight);
}

// Regression (found by fuzzing): a select item naming an earlier item's alias read the table's
// column list at index -1.
TEST_F(SqlDialect, AnItemNamingAnEarlierAliasIsNoTableColumn) {
  const std::uint32_t prepared =
      engine->AdsPrepareSQL(statement, "SELECT POSITION('A' IN \"Chart Number\") AS p, p FROM MWTRN");
  ADSHANDLE cursor = -1;
  const std::uint32_t executed = prepared == 0 ? engine->AdsExecuteSQL(statement, &cursor) : prepared;
  EXPECT_EQ(ace::kSqlError, executed) << "SQLite has no alias within the select list";
  EXPECT_NE(std::string::npos, LastError().find("Error 7200:")) << LastError();
}

TEST_F(SqlDialect, RefusesWhatItCannotRun) {
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "SELECT * FROM MWTRN, MWPAX"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2105;"));
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "DROP TABLE MWTRN"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2101;"));
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "SELECT \"Amount\" FROM MWTRN WHERE \"Amount\" >"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2101;"));
  EXPECT_EQ(ace::kSqlError, engine->AdsPrepareSQL(statement, "SELECT x.\"Amount\" FROM MWTRN m"));
  EXPECT_NE(std::string::npos, LastError().find("NativeError = 2104;"));
  EXPECT_EQ(3, practice.QueryInt("SELECT count(*) FROM MWTRN WHERE \"Transaction Type\" IS NOT NULL"));
  std::uint16_t parameters = 0;
  ASSERT_EQ(0u, engine->AdsGetSQLStmtParams("SELECT * FROM MWTRN WHERE \"Chart Number\" = :chart AND 'x:y' = ?",
                                            &parameters));
  EXPECT_EQ(2, parameters);
}

}  // namespace
}  // namespace lw::test
