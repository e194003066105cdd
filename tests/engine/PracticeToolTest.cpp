// The practice tool, run as its users run it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/SettingsStore.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"

namespace lw::test {
namespace {

std::string ToolPath() {
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / "tools" / "practice" / "ledgerwick-practice").string();
}

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Tool(const std::string& arguments) {
  std::string command = ToolPath() + " " + arguments + " 2>&1";
  ToolRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

class PracticeTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(ToolPath())) GTEST_SKIP() << "the practice tool is not built";
  }
  std::string Practice(const std::string& name) { return (dir.Path() / name).string(); }
  std::int64_t Count(const std::string& folder, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder + "/MWDDF.ADD").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    std::int64_t value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
  }
  TempDir dir;
};

TEST_F(PracticeTool, CreateMakesTheStoredLayoutOnceAndUsageErrorsAreClear) {
  std::string folder = Practice("new");
  EXPECT_EQ(0, Tool("create " + Quote(folder)).status);
  ToolRun header = Tool("export " + Quote(folder) + " MWTRN");
  ASSERT_EQ(0, header.status);
  EXPECT_EQ(0u, header.out.find("Chart Number,Case Number,Entry Number,"));
  EXPECT_NE(std::string::npos, header.out.find(",NDCPrescriptionNumber\r\n"));
  EXPECT_EQ(24, Count(folder, "SELECT count(*) FROM lw_indexes WHERE table_name = 'MWTRN'"));
  ToolRun again = Tool("create " + Quote(folder));
  EXPECT_EQ(1, again.status);
  EXPECT_NE(std::string::npos, again.out.find("already exists"));
  EXPECT_EQ(2, Tool("").status);
  EXPECT_EQ(2, Tool("frobnicate x").status);
  EXPECT_EQ(2, Tool("demo " + Quote(Practice("d")) + " --rows many").status);
  ToolRun help = Tool("import --help");
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("Usage: ledgerwick-practice import DIR TABLE FILE.csv"));
  EXPECT_EQ(1, Tool("export " + Quote(Practice("none")) + " MWTRN").status);
}

TEST_F(PracticeTool, DemoIsDeterministicAndPrintsTheDiscrepanciesASearchFinds) {
  std::string a = Practice("a"), b = Practice("b");
  ToolRun first = Tool("demo " + Quote(a) + " --rows 3000 --seed 11");
  ASSERT_EQ(0, first.status) << first.out;
  ASSERT_EQ(0, Tool("demo " + Quote(b) + " --rows 3000 --seed 11").status);
  EXPECT_EQ(Tool("export " + Quote(a) + " MWPAX").out, Tool("export " + Quote(b) + " MWPAX").out);
  EXPECT_EQ(Tool("export " + Quote(a) + " MWTRN").out, Tool("export " + Quote(b) + " MWTRN").out);
  std::size_t at = first.out.find("Discrepancies: ");
  ASSERT_NE(std::string::npos, at);
  std::int64_t printed = std::atoll(first.out.c_str() + at + 15);
  EXPECT_GT(printed, 0);
  // The rules, computed independently in SQL: counted applications are those whose paying row
  // exists and whose type is not P or Z; amounts compared in cents.
  std::int64_t found = Count(
      a,
      "WITH applied AS (SELECT x.\"Charge Reference\" AS c, sum(round(ifnull(x.\"Payment Amount\", 0) * 100)) AS a "
      " FROM MWPAX x JOIN MWTRN p ON p.\"Entry Number\" = x.\"Payment Reference\" "
      " WHERE p.\"Transaction Type\" IS NULL OR p.\"Transaction Type\" NOT IN ('P', 'Z') GROUP BY 1) "
      "SELECT count(*) FROM MWTRN t LEFT JOIN applied ON applied.c = t.\"Entry Number\" "
      "WHERE t.\"Transaction Type\" IS NOT NULL AND round(ifnull(\"Insurance 1 Amount Paid\", 0) * 100) + "
      "round(ifnull(\"Insurance 2 Amount Paid\", 0) * 100) + round(ifnull(\"Insurance 3 Amount Paid\", 0) * 100) + "
      "round(ifnull(\"Guarantor Amount Paid\", 0) * 100) + round(ifnull(\"Adjustment Amount\", 0) * 100) + "
      "round(ifnull(\"Attorney Amount Paid\", 0) * 100) <> ifnull(applied.a, 0)");
  EXPECT_EQ(printed, found);
  EXPECT_GT(Count(a, "SELECT count(*) FROM MWTRN WHERE \"Transaction Type\" = ''"), 0);
  EXPECT_GT(Count(a, "SELECT count(*) FROM MWTRN WHERE \"Who Paid\" = 'g'"), 0);
  EXPECT_GT(Count(a, "SELECT count(*) FROM MWPAX WHERE \"Payment Amount\" IS NULL"), 0);
}

TEST_F(PracticeTool, ImportKeepsAutoIncrementValuesAndRefusesABadFileWhole) {
  std::string folder = Practice("p");
  ASSERT_EQ(0, Tool("create " + Quote(folder)).status);
  std::string good = Practice("good.csv");
  std::ofstream(good) << "Amount,Entry Number,Chart Number,Date From,Diagnosis 1,Description\n"
                         "12.50,10,AAA,2020-02-29,T,\"with, comma\"\n"
                         ",,BBB,,F,\"\"\n";
  ToolRun imported = Tool("import " + Quote(folder) + " MWTRN " + Quote(good));
  ASSERT_EQ(0, imported.status) << imported.out;
  EXPECT_EQ(11, Count(folder, "SELECT \"Entry Number\" FROM MWTRN WHERE \"Chart Number\" = 'BBB'"));
  EXPECT_EQ(1, Count(folder, "SELECT count(*) FROM MWTRN WHERE \"Description\" = '' AND \"Amount\" IS NULL"));
  std::string bad = Practice("bad.csv");
  std::ofstream(bad) << "Chart Number,Date From\nCCC,2020-01-01\nDDD,2020-13-01\n";
  ToolRun refused = Tool("import " + Quote(folder) + " MWTRN " + Quote(bad));
  EXPECT_EQ(1, refused.status);
  EXPECT_NE(std::string::npos, refused.out.find("bad.csv:3:")) << refused.out;
  EXPECT_NE(std::string::npos, refused.out.find("column \"Date From\"")) << refused.out;
  EXPECT_EQ(0, Count(folder, "SELECT count(*) FROM MWTRN WHERE \"Chart Number\" = 'CCC'"));
  std::ofstream(bad) << "Chart Number,Nonsense\nCCC,1\n";
  ToolRun unknown = Tool("import " + Quote(folder) + " MWTRN " + Quote(bad));
  EXPECT_EQ(1, unknown.status);
  EXPECT_NE(std::string::npos, unknown.out.find(":1: unknown column \"Nonsense\"")) << unknown.out;
  std::ofstream(bad) << "Chart Number\nTOOLONGCHART\n";
  EXPECT_EQ(1, Tool("import " + Quote(folder) + " MWTRN " + Quote(bad)).status);
  // What export writes, import reads back the same.
  std::string copy = Practice("copy");
  ASSERT_EQ(0, Tool("create " + Quote(copy)).status);
  std::string exported = Practice("exported.csv");
  std::ofstream(exported) << Tool("export " + Quote(folder) + " MWTRN").out;
  ASSERT_EQ(0, Tool("import " + Quote(copy) + " MWTRN " + Quote(exported)).status);
  EXPECT_EQ(Tool("export " + Quote(folder) + " MWTRN").out, Tool("export " + Quote(copy) + " MWTRN").out);
}

TEST_F(PracticeTool, SetCurrentRecordsTheFolderAndHistoryListsChanges) {
  std::string folder = Practice("current");
  ASSERT_EQ(0, Tool("demo " + Quote(folder) + " --rows 50").status);
  // The history of either kind of practice, listed alike.
  std::string database;
  if (ServerMode()) database = MoveToTestServer(folder + "/MWDDF.ADD");
  std::string config = Practice("config");
  ASSERT_EQ(0, setenv("XDG_CONFIG_HOME", config.c_str(), 1));
  ASSERT_EQ(0, Tool("set-current " + Quote(folder)).status);
  EXPECT_EQ(folder, ReadCurrentPractice());
  unsetenv("XDG_CONFIG_HOME");

  EXPECT_NE(std::string::npos, Tool("history " + Quote(folder)).out.find("No changes recorded."));
  auto engine = NewEngine();
  ADSHANDLE connection = 0, table = -1;
  ASSERT_EQ(0u, engine->AdsConnect60((folder + "/MWDDF.ADD").c_str(), 3, "user", "vortelin", 0, &connection));
  ASSERT_EQ(0u, engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  ASSERT_EQ(0u, engine->AdsGotoRecord(table, 1));
  double amount = 7.25;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, 46, &amount, 8));  // "Insurance 1 Amount Paid"
  ASSERT_EQ(0u, engine->AdsWriteRecord(table));
  ToolRun history = Tool("history " + Quote(folder));
  EXPECT_NE(std::string::npos, history.out.find("  MWTRN Entry Number 1, chart P0000001: update at ")) << history.out;
  EXPECT_NE(std::string::npos, history.out.find("    Insurance 1 Amount Paid: NULL -> 7.25\n")) << history.out;
  engine->AdsDisconnect(connection);
  if (!database.empty()) DropTestDatabase(database);
}

TEST_F(PracticeTool, PostPaymentPostsUnderTheChargesLockAndRefusesWhatItCannotPost) {
  PracticeFixture practice;
  const std::int64_t charge = practice.Insert("MWTRN", {{"Chart Number", std::string("SMITH000")},
                                                        {"Case Number", std::int64_t(3)},
                                                        {"Transaction Type", std::string("A")},
                                                        {"Insurance 1 Amount Paid", 50.0}});
  const std::string folder = Quote(practice.Folder());
  const std::string post = "post-payment " + folder + " --charge " + std::to_string(charge);
  ToolRun run = Tool(post + " --amount 30.25 --type I --who 1");
  ASSERT_EQ(0, run.status) << run.out;
  EXPECT_EQ(run.out, "Posted payment 2 to charge 1: Insurance 1 Amount Paid 50 -> 80.25\n");
  EXPECT_EQ(80.25, practice.QueryDouble("SELECT \"Insurance 1 Amount Paid\" FROM MWTRN WHERE rowid = 1"));
  EXPECT_EQ("SMITH000|3|I|1|-30.25",
            practice.QueryText("SELECT rtrim(\"Chart Number\") || '|' || \"Case Number\" || '|' ||"
                               " \"Transaction Type\" || '|' || \"Who Paid\" || '|' || \"Amount\""
                               " FROM MWTRN WHERE \"Entry Number\" = 2"));
  EXPECT_EQ("2|1|30.25", practice.QueryText("SELECT \"Payment Reference\" || '|' || \"Charge Reference\" || '|' ||"
                                            " \"Payment Amount\" FROM MWPAX"));

  // A charge another user holds locked: nothing is posted, and the lock error says why.
  auto engine = NewEngine();
  ADSHANDLE connection = 0, table = -1;
  ASSERT_EQ(0u, engine->AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &connection));
  ASSERT_EQ(0u, engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  ASSERT_EQ(0u, engine->AdsLockRecord(table, 1));
  run = Tool(post + " --amount 5 --type K --who G");
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.out.find("The record is locked by another user.")) << run.out;
  EXPECT_EQ(1, practice.QueryInt("SELECT count(*) FROM MWPAX"));
  ASSERT_EQ(0u, engine->AdsDisconnect(connection));

  run = Tool("post-payment " + folder + " --charge 99 --amount 5 --type K --who G");
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.out.find("There is no transaction with Entry Number 99.")) << run.out;
  run = Tool(post + " --amount 5 --type P --who 1");
  EXPECT_EQ(2, run.status);
  EXPECT_NE(std::string::npos, run.out.find("fills no paid-amount field")) << run.out;
  for (const char* amount : {"1.23456", "-5", "0", "1,5", "12.", "x"}) {
    EXPECT_EQ(2, Tool(post + " --amount " + amount + " --type K --who G").status) << amount;
  }
  EXPECT_EQ(2, Tool(post + " --amount 5 --type K").status);
  EXPECT_EQ(1, practice.QueryInt("SELECT count(*) FROM MWPAX"));
}

}  // namespace
}  // namespace lw::test
