// What only a practice kept on a database server has: its descriptor, the server's own failures,
// record locks held by database sessions, the dispatcher between the two providers, and the
// server form of translated SQL. The cases that need the test cluster skip without it.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "data/ace/AceErrors.h"
#include "engine/HistoryRecords.h"
#include "pgengine/Pq.h"
#include "pgengine/PracticeHistory.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerEngine.h"
#include "pgengine/SqlStatement.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

using engine::Value;

TEST(ServerDescriptor, WrittenPrivateReadBackAndRecognisedByItsFirstLine) {
  TempDir dir;
  std::string path = dir.File("MWDDF.ADD");
  ASSERT_TRUE(pgengine::WriteServerDescriptor(path, "host=db.example dbname=clinic sslmode=require").ok());
  EXPECT_TRUE(pgengine::IsServerDescriptor(path));
  EXPECT_EQ(0600u, static_cast<unsigned>(std::filesystem::status(path).permissions()) & 0777u);
  std::string conninfo;
  ASSERT_TRUE(pgengine::ReadServerDescriptor(path, conninfo).ok());
  EXPECT_EQ("host=db.example dbname=clinic sslmode=require", conninfo);
  // Never over an existing file, never a second line smuggled in.
  EXPECT_EQ(ace::kStorageError, pgengine::WriteServerDescriptor(path, "dbname=other").code());
  EXPECT_EQ(ace::kInvalidArgument, pgengine::WriteServerDescriptor(dir.File("B.ADD"), "dbname=a\nconnection=x").code());

  std::ofstream(dir.File("NOLINE.ADD")) << pgengine::kDescriptorMarker << "\n# nothing else\n";
  EXPECT_TRUE(pgengine::IsServerDescriptor(dir.File("NOLINE.ADD")));
  EXPECT_EQ(ace::kNotADictionary, pgengine::ReadServerDescriptor(dir.File("NOLINE.ADD"), conninfo).code());
  std::ofstream(dir.File("TEXT.ADD")) << "LEDGERWICK";
  EXPECT_FALSE(pgengine::IsServerDescriptor(dir.File("TEXT.ADD")));
  EXPECT_FALSE(pgengine::IsServerDescriptor(dir.File("MISSING.ADD")));
  EXPECT_EQ(ace::kDictionaryNotFound, pgengine::ReadServerDescriptor(dir.File("MISSING.ADD"), conninfo).code());
}

TEST(ServerSql, PlaceholdersRenumberedAndTypedFunctionsRenamedNullsOrderedAsEmbedded) {
  auto out = pgengine::ToServerSql(
      "SELECT instr((\"A?\"), (?2)) FROM t WHERE c LIKE ?2 AND d = ?4 ORDER BY \"x, y\" DESC, lower(e, f)",
      {Value::Int(1), Value::Text("a%"), Value::Real(2.5), Value::Int(5000000000)});
  EXPECT_EQ(
      "SELECT strpos((\"A?\"), ($1::text)) FROM t WHERE c ILIKE $1::text AND d = $2::bigint ORDER BY \"x, y\" DESC "
      "NULLS LAST, lower(e, f) NULLS FIRST",
      out.sql);
  ASSERT_EQ(2u, out.params.size());
  EXPECT_EQ("a%", *out.params[0]);
  EXPECT_EQ("5000000000", *out.params[1]);
  // A NULL parameter goes without a type; ifnull and rowid take their server names.
  out = pgengine::ToServerSql("SELECT ifnull(a, ?1) FROM t WHERE rowid = ?2", {Value(), Value::Int(3)});
  EXPECT_EQ("SELECT coalesce(a, $1) FROM t WHERE lw_rowid = $2::int", out.sql);
  EXPECT_FALSE(out.params[0].has_value());
}

// The rest needs the test cluster: the suite's server run provides it.
class OnServer : public EngineTest {
 protected:
  void SetUp() override {
    if (!practice.OnServer()) GTEST_SKIP() << "needs the practice on the test server";
    for (int i = 0; i < 3; ++i) practice.Insert("MWTRN", {{"Transaction Type", std::string("A")}});
  }

  std::uint32_t ConnectTo(const std::string& path, const char* user = "user") {
    ADSHANDLE handle = 0;
    return engine->AdsConnect60(path.c_str(), 3, user, "vortelin", 0, &handle);
  }

  std::string Conninfo() {
    std::string conninfo;
    EXPECT_TRUE(pgengine::ReadServerDescriptor(practice.DictionaryPath(), conninfo).ok());
    return conninfo;
  }
};

TEST_F(OnServer, ALockHeldByADatabaseSessionThatDiesIsFree) {
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsGotoTop(table));
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 0)) << LastError();
  auto other = NewEngine();
  ADSHANDLE second = Connect(other.get()), otherTable = -1;
  ASSERT_EQ(0u, other->AdsOpenTable(second, "MWTRN", nullptr, 0, 1, 1, 1, 0, &otherTable));
  EXPECT_EQ(ace::kRecordLocked, other->AdsLockRecord(otherTable, 1));
  // The session holding the lock is ended by the server (as when its workstation dies).
  auto ended = practice.QueryInt(
      "SELECT count(pg_terminate_backend(pid)) FROM pg_locks WHERE locktype = 'advisory' AND granted AND pid <> "
      "pg_backend_pid() AND database = (SELECT oid FROM pg_database WHERE datname = current_database())");
  ASSERT_EQ(1, ended);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(0u, other->AdsLockRecord(otherTable, 1)) << LastError();
  // The first connection learns that it lost its server, with a clear error and no hang.
  engine->AdsGotoBOF(table);
  EXPECT_EQ(ace::kServerConnectionLost, engine->AdsSkip(table, 1));
  EXPECT_NE(std::string::npos, LastError().find("The connection to the practice's database server was lost"));
  EXPECT_EQ(0u, engine->AdsDisconnect(Conn()));
}

TEST_F(OnServer, ServerFailuresAreAnsweredWithTheirOwnCodes) {
  TempDir dir;
  // Nothing listens there: refused at once.
  ASSERT_TRUE(pgengine::WriteServerDescriptor(dir.File("A.ADD"), "host=127.0.0.1 port=1 dbname=x").ok());
  EXPECT_EQ(ace::kServerUnreachable, ConnectTo(dir.File("A.ADD")));
  EXPECT_NE(std::string::npos, LastError().find("could not be reached")) << LastError();
  // A server user the server does not know.
  ASSERT_TRUE(pgengine::WriteServerDescriptor(dir.File("B.ADD"), Conninfo() + " user=nobody_here").ok());
  EXPECT_EQ(ace::kServerLoginRefused, ConnectTo(dir.File("B.ADD")));
  // A database without a practice.
  ASSERT_TRUE(pgengine::WriteServerDescriptor(dir.File("C.ADD"), Conninfo() + " dbname=postgres").ok());
  EXPECT_EQ(ace::kNotADictionary, ConnectTo(dir.File("C.ADD")));
  // The practice's own users are checked against their salted hashes.
  EXPECT_EQ(ace::kLoginRefused, ConnectTo(practice.ConnectPath(), "someone"));
  auto hash = practice.QueryText("SELECT password_hash FROM lw_users");
  ASSERT_TRUE(hash);
  EXPECT_EQ(0u, hash->rfind("$argon2id$", 0)) << *hash;
}

TEST_F(OnServer, OneEngineServesBothKindsAndEveryHandleKeepsItsProvider) {
  PracticeOptions options;
  options.embeddedOnly = true;
  PracticeFixture embedded(options);
  embedded.Insert("MWTRN", {{"Transaction Type", std::string("A")}});
  ADSHANDLE local = 0;
  ASSERT_EQ(0u, engine->AdsConnect60(embedded.ConnectPath().c_str(), 3, "user", "vortelin", 0, &local));
  EXPECT_LT(local, pgengine::kServerHandleBase);
  ADSHANDLE localTable = Open("MWTRN", local);
  ADSHANDLE server = Conn();
  EXPECT_GE(server, pgengine::kServerHandleBase);
  ADSHANDLE serverTable = Open("MWTRN", server);
  EXPECT_GE(serverTable, pgengine::kServerHandleBase);
  std::uint16_t type = 0;
  EXPECT_EQ(0u, engine->AdsGetHandleType(serverTable, &type));
  EXPECT_EQ(ace::kHandleTable, type);
  // The last error is the one of the provider that failed last.
  EXPECT_EQ(ace::kInvalidFieldNumber, engine->AdsGetFieldType(serverTable, 999, &type));
  EXPECT_EQ(std::to_string(ace::kInvalidFieldNumber) + " " + ace::AceErrorText(ace::kInvalidFieldNumber), LastError());
  std::uint32_t count = 0;
  EXPECT_EQ(0u, engine->AdsGetRecordCount(serverTable, ace::kCountIgnoreFilters, &count));
  EXPECT_EQ(3u, count);
  EXPECT_EQ(0u, engine->AdsGetRecordCount(localTable, ace::kCountIgnoreFilters, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(ace::kNoCurrentRecord, engine->AdsLockRecord(localTable, 0));
  EXPECT_EQ(ace::kNoCurrentRecord, LastCode());
  EXPECT_EQ(0u, engine->AdsDisconnect(local));
  EXPECT_EQ(ace::kConnectionNotOpen, engine->AdsDisconnect(local));
}

// Rewrites "Insurance 1 Amount Paid" of a record through its own connection (one run each).
void WriteAmount(ace::AceApi& engine, const std::string& connectPath, std::uint32_t record, double amount) {
  ADSHANDLE connection = 0, table = -1;
  ASSERT_EQ(0u, engine.AdsConnect60(connectPath.c_str(), 3, "user", "vortelin", 0, &connection));
  ASSERT_EQ(0u, engine.AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  ASSERT_EQ(0u, engine.AdsGotoRecord(table, record));
  ASSERT_EQ(0u, engine.AdsLockRecord(table, record));
  ASSERT_EQ(0u, engine.AdsSetFieldRaw(table, 46, &amount, 8));
  ASSERT_EQ(0u, engine.AdsWriteRecord(table));
  ASSERT_EQ(0u, engine.AdsDisconnect(connection));
}

TEST_F(OnServer, AMovedPracticeKeepsItsRunsAndTheirUndo) {
  PracticeOptions options;
  options.embeddedOnly = true;
  PracticeFixture moved(options);
  moved.Insert("MWTRN", {{"Chart Number", std::string("AAA")}, {"Insurance 1 Amount Paid", 10.0}});
  moved.Insert("MWTRN", {{"Chart Number", std::string("BBB")}, {"Insurance 1 Amount Paid", 20.0}});
  WriteAmount(*engine, moved.ConnectPath(), 1, 11.0);
  WriteAmount(*engine, moved.ConnectPath(), 2, 22.0);
  const std::string database = MoveToTestServer(moved.DictionaryPath());
  std::vector<engine::HistoryRow> rows;
  ASSERT_TRUE(pgengine::ReadPracticeHistory(moved.DictionaryPath(), {}, rows).ok());
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(1, rows[0].run);
  EXPECT_EQ(2, rows[1].run);
  EXPECT_EQ(engine::OsUserName(), rows[1].osUser);
  EXPECT_EQ("BBB", rows[1].chart);
  ASSERT_EQ(1u, rows[1].changes.size());
  EXPECT_EQ("20", rows[1].changes[0].oldText);
  EXPECT_EQ("22", rows[1].changes[0].newText);
  // The run counter moved along: the next run and the undo of a run made before the move follow on.
  WriteAmount(*engine, moved.ConnectPath(), 2, 23.0);
  engine::UndoOutcome outcome;
  ASSERT_TRUE(pgengine::UndoPracticeRun(moved.DictionaryPath(), 1, outcome).ok());
  EXPECT_EQ(4, outcome.run);
  ASSERT_EQ(1u, outcome.restored.size());
  EXPECT_EQ("AAA", outcome.restored[0].chart);
  EXPECT_EQ(
      "10",
      ServerColumn(moved.DictionaryPath(), "SELECT \"Insurance 1 Amount Paid\" FROM MWTRN WHERE rowid = 1")[0].value_or(
          ""));
  DropTestDatabase(database);
}

TEST_F(OnServer, AHistoryWithoutRunsGainsThemOnConnect) {
  practice.Execute("ALTER TABLE lw_history DROP COLUMN run, DROP COLUMN os_user");
  WriteAmount(*engine, practice.ConnectPath(), 1, 5.0);
  std::vector<engine::HistoryRow> rows;
  ASSERT_TRUE(pgengine::ReadPracticeHistory(practice.DictionaryPath(), {1, std::nullopt}, rows).ok());
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("5", rows[0].changes.at(0).newText);
}

}  // namespace
}  // namespace lw::test
