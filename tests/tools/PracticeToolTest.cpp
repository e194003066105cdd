// The practice tool's commands, run in-process as the program runs them.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "common/SettingsStore.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/TestEngine.h"
#include "tests/support/TestServer.h"
#include "tests/tools/PracticeToolRun.h"

namespace lw::test {
namespace {

using ace::ADSHANDLE;

class PracticeTool : public ::testing::Test {
 protected:
  // The tool's output and messages together, as the program's users see them on a terminal.
  static ProgramRun Tool(const std::vector<std::string>& args) { return RunPractice(args); }
  std::string Practice(const std::string& name) { return (dir.Path() / name).string(); }
  std::int64_t Count(const std::string& folder, const std::string& sql) {
    SqliteDb db(folder + "/MWDDF.ADD", SqliteDb::kReadOnly);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt, nullptr);
    std::int64_t value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
  }
  TempDir dir;
};

TEST_F(PracticeTool, CreateMakesTheStoredLayoutOnceAndUsageErrorsAreClear) {
  std::string folder = Practice("new");
  EXPECT_EQ(0, Tool({"create", folder}).status);
  ProgramRun header = Tool({"export", folder, "MWTRN"});
  ASSERT_EQ(0, header.status);
  EXPECT_EQ(0u, header.out.find("Chart Number,Case Number,Entry Number,"));
  EXPECT_NE(std::string::npos, header.out.find(",NDCPrescriptionNumber\r\n"));
  EXPECT_EQ(24, Count(folder, "SELECT count(*) FROM lw_indexes WHERE table_name = 'MWTRN'"));
  ProgramRun again = Tool({"create", folder});
  EXPECT_EQ(1, again.status);
  EXPECT_NE(std::string::npos, again.out.find("already exists"));
  EXPECT_EQ(2, Tool({}).status);
  EXPECT_EQ(2, Tool({"frobnicate", "x"}).status);
  EXPECT_EQ(2, Tool({"demo", Practice("d"), "--rows", "many"}).status);
  ProgramRun help = Tool({"import", "--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("Usage: ledgerwick-practice import DIR TABLE FILE.csv"));
  EXPECT_EQ(1, Tool({"export", Practice("none"), "MWTRN"}).status);
}

TEST_F(PracticeTool, DemoIsDeterministicAndPrintsTheDiscrepanciesASearchFinds) {
  std::string a = Practice("a"), b = Practice("b");
  ProgramRun first = Tool({"demo", a, "--rows", "3000", "--seed", "11"});
  ASSERT_EQ(0, first.status) << first.out;
  ASSERT_EQ(0, Tool({"demo", b, "--rows", "3000", "--seed", "11"}).status);
  EXPECT_EQ(Tool({"export", a, "MWPAX"}).out, Tool({"export", b, "MWPAX"}).out);
  EXPECT_EQ(Tool({"export", a, "MWTRN"}).out, Tool({"export", b, "MWTRN"}).out);
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
  ASSERT_EQ(0, Tool({"create", folder}).status);
  std::string good = Practice("good.csv");
  std::ofstream(good) << "Amount,Entry Number,Chart Number,Date From,Diagnosis 1,Description\n"
                         "12.50,10,AAA,2020-02-29,T,\"with, comma\"\n"
                         ",,BBB,,F,\"\"\n";
  ProgramRun imported = Tool({"import", folder, "MWTRN", good});
  ASSERT_EQ(0, imported.status) << imported.out;
  EXPECT_EQ(11, Count(folder, "SELECT \"Entry Number\" FROM MWTRN WHERE \"Chart Number\" = 'BBB'"));
  EXPECT_EQ(1, Count(folder, "SELECT count(*) FROM MWTRN WHERE \"Description\" = '' AND \"Amount\" IS NULL"));
  std::string bad = Practice("bad.csv");
  std::ofstream(bad) << "Chart Number,Date From\nCCC,2020-01-01\nDDD,2020-13-01\n";
  ProgramRun refused = Tool({"import", folder, "MWTRN", bad});
  EXPECT_EQ(1, refused.status);
  EXPECT_NE(std::string::npos, refused.out.find("bad.csv:3:")) << refused.out;
  EXPECT_NE(std::string::npos, refused.out.find("column \"Date From\"")) << refused.out;
  EXPECT_EQ(0, Count(folder, "SELECT count(*) FROM MWTRN WHERE \"Chart Number\" = 'CCC'"));
  std::ofstream(bad) << "Chart Number,Nonsense\nCCC,1\n";
  ProgramRun unknown = Tool({"import", folder, "MWTRN", bad});
  EXPECT_EQ(1, unknown.status);
  EXPECT_NE(std::string::npos, unknown.out.find(":1: unknown column \"Nonsense\"")) << unknown.out;
  std::ofstream(bad) << "Chart Number\nTOOLONGCHART\n";
  EXPECT_EQ(1, Tool({"import", folder, "MWTRN", bad}).status);
  // What export writes, import reads back the same.
  std::string copy = Practice("copy");
  ASSERT_EQ(0, Tool({"create", copy}).status);
  std::string exported = Practice("exported.csv");
  std::ofstream(exported) << Tool({"export", folder, "MWTRN"}).out;
  ASSERT_EQ(0, Tool({"import", copy, "MWTRN", exported}).status);
  EXPECT_EQ(Tool({"export", folder, "MWTRN"}).out, Tool({"export", copy, "MWTRN"}).out);
}

TEST_F(PracticeTool, SetCurrentRecordsTheFolderAndHistoryListsChanges) {
  std::string folder = Practice("current");
  ASSERT_EQ(0, Tool({"demo", folder, "--rows", "50"}).status);
  // The history of either kind of practice, listed alike.
  std::string database;
  if (ServerMode()) database = MoveToTestServer(folder + "/MWDDF.ADD");
  std::string config = Practice("config");
  ASSERT_EQ(0, setenv("XDG_CONFIG_HOME", config.c_str(), 1));
  ASSERT_EQ(0, Tool({"set-current", folder}).status);
  EXPECT_EQ(folder, ReadCurrentPractice());
  unsetenv("XDG_CONFIG_HOME");

  EXPECT_NE(std::string::npos, Tool({"history", folder}).out.find("No changes recorded."));
  auto engine = NewEngine();
  ADSHANDLE connection = 0, table = -1;
  ASSERT_EQ(0u, engine->AdsConnect60((folder + "/MWDDF.ADD").c_str(), 3, "user", "vortelin", 0, &connection));
  ASSERT_EQ(0u, engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table));
  ASSERT_EQ(0u, engine->AdsGotoRecord(table, 1));
  double amount = 7.25;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, 46, &amount, 8));  // "Insurance 1 Amount Paid"
  ASSERT_EQ(0u, engine->AdsWriteRecord(table));
  ProgramRun history = Tool({"history", folder});
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
  const std::string folder = practice.Folder();
  const auto post = [&](std::vector<std::string> options) {
    options.insert(options.begin(), {"post-payment", folder, "--charge", std::to_string(charge)});
    return Tool(options);
  };
  ProgramRun run = post({"--amount", "30.25", "--type", "I", "--who", "1"});
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
  run = post({"--amount", "5", "--type", "K", "--who", "G"});
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.out.find("The record is locked by another user.")) << run.out;
  EXPECT_EQ(1, practice.QueryInt("SELECT count(*) FROM MWPAX"));
  ASSERT_EQ(0u, engine->AdsDisconnect(connection));

  run = Tool({"post-payment", folder, "--charge", "99", "--amount", "5", "--type", "K", "--who", "G"});
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.out.find("There is no transaction with Entry Number 99.")) << run.out;
  run = post({"--amount", "5", "--type", "P", "--who", "1"});
  EXPECT_EQ(2, run.status);
  EXPECT_NE(std::string::npos, run.out.find("fills no paid-amount field")) << run.out;
  for (const char* amount : {"1.23456", "-5", "0", "1,5", "12.", "x"}) {
    EXPECT_EQ(2, post({"--amount", amount, "--type", "K", "--who", "G"}).status) << amount;
  }
  EXPECT_EQ(2, post({"--amount", "5", "--type", "K"}).status);
  EXPECT_EQ(1, practice.QueryInt("SELECT count(*) FROM MWPAX"));
}

// Takes the first `room` bytes, then refuses every write, as a full disk does.
class FullAfter : public std::streambuf {
 public:
  explicit FullAfter(std::streamsize room) : room_(room) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (room_ == 0) return traits_type::eof();
    --room_;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    const std::streamsize taken = std::min(n, room_);
    room_ -= taken;
    return taken;
  }

 private:
  std::streamsize room_;
};

TEST_F(PracticeTool, OutputThatCannotBeWrittenIsAFailureNotASuccess) {
  const std::string folder = Practice("full");
  ASSERT_EQ(0, Tool({"demo", folder, "--rows", "300"}).status);
  const std::streamsize whole = static_cast<std::streamsize>(PracticeOutput({"export", folder, "MWTRN"}).out.size());
  for (std::streamsize room : {std::streamsize{0}, std::streamsize{100}, whole - 1}) {
    FullAfter buffer(room);
    std::ostream out(&buffer);
    std::ostringstream err;
    EXPECT_EQ(1, practice::RunPracticeTool({"export", folder, "MWTRN"}, out, err)) << room;
    EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos) << err.str();
  }
  FullAfter buffer(10);
  std::ostream out(&buffer);
  std::ostringstream err;
  EXPECT_EQ(1, practice::RunPracticeTool({"--help"}, out, err));
  EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace lw::test
