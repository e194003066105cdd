// The tools as a user with no write access to the practice: a support person looking at a
// practice someone else owns. As root the programs run as "nobody" (root itself may write
// anything); as an ordinary user they run as that user on files whose modes bar writing.
// Checking, history and export work read-only; --fix is refused at once and nothing changes; a
// settings store the user may not read means nothing is recorded, and never a hang.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "data/ace/AceErrors.h"
#include "engine/Dictionary.h"
#include "engine/Engine.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every file of the folder with its bytes.
std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[entry.path().filename().string()] = bytes.str();
  }
  return files;
}

std::int64_t FirstCharge(const std::string& dictionary) {
  SqliteDb db(dictionary, SqliteDb::kReadOnly);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT min(\"Entry Number\") FROM MWTRN WHERE \"Transaction Type\" = 'A'", -1, &stmt,
                     nullptr);
  const std::int64_t entry = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  return entry;
}

class OtherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ProgramBuilt("check", "ledgerwick-check"));
    ASSERT_TRUE(ProgramBuilt("practice", "ledgerwick-practice"));
    if (getenv("LEDGERWICK_TEST_SERVER") != nullptr) GTEST_SKIP() << "file modes govern embedded practices only";
    user_ = UserWithoutPrivileges();
    folder_ = dir_.Path() / "practice";
    ASSERT_EQ(Owner("ledgerwick-practice", "demo " + Quoted(folder_.string()) + " --rows 400").status, 0);
    // The owner's own check leaves the lock file beside the dictionary, as any earlier use does.
    ASSERT_EQ(Owner("ledgerwick-check", "--folder " + Quoted(folder_.string())).status, 1);
    ASSERT_TRUE(fs::exists(folder_ / "MWDDF.ADD.locks"));
    fs::permissions(dir_.Path(), fs::perms(0755));
    if (user_) {
      // Readable by all, writable by the owner (root) alone.
      fs::permissions(folder_, fs::perms(0755));
      fs::permissions(folder_ / "MWDDF.ADD", fs::perms(0644));
      fs::permissions(folder_ / "MWDDF.ADD.locks", fs::perms(0644));
    } else {
      // Our own files: only the folder and the lock file are closed to writing.
      fs::permissions(folder_, fs::perms(0555));
      fs::permissions(folder_ / "MWDDF.ADD.locks", fs::perms(0444));
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms(0755), ignored);
  }

  static std::string Program(const std::string& name) {
    return Quoted(ProgramPath(name == "ledgerwick-check" ? "check" : "practice", name));
  }
  ProgramRun Owner(const std::string& program, const std::string& arguments) {
    return RunProgram("XDG_CONFIG_HOME=/nonexistent " + Program(program) + " " + arguments + " 2>&1");
  }
  // A minute is far beyond any of these runs: a hang ends as status 124 instead of stalling the suite.
  ProgramRun Other(const std::string& program, const std::string& arguments,
                   const std::string& config = "/nonexistent") {
    return RunProgramAs(
        user_, "XDG_CONFIG_HOME=" + Quoted(config) + " timeout 60 " + Program(program) + " " + arguments + " 2>&1");
  }

  TempDir dir_;
  fs::path folder_;
  std::optional<test::OtherUser> user_;
};

TEST_F(OtherUser, ChecksReviewsAndExportsButFixesNothing) {
  const auto before = Contents(folder_);
  const std::string folder = Quoted(folder_.string());

  const ProgramRun check = Other("ledgerwick-check", "--folder " + folder);
  EXPECT_EQ(check.status, 1) << check.out;
  EXPECT_TRUE(Has(check.out, "Chart: ")) << check.out;
  EXPECT_TRUE(Has(check.out, "404 rows checked")) << check.out;

  const ProgramRun history = Other("ledgerwick-practice", "history " + folder);
  EXPECT_EQ(history.status, 0) << history.out;
  const ProgramRun exported = Other("ledgerwick-practice", "export " + folder + " MWTRN");
  EXPECT_EQ(exported.status, 0) << exported.out;
  EXPECT_TRUE(Has(exported.out, "Entry Number")) << exported.out;

  const ProgramRun fix = Other("ledgerwick-check", "--folder " + folder + " --fix");
  EXPECT_EQ(fix.status, 2) << fix.out;
  EXPECT_TRUE(Has(fix.out, "is read-only")) << fix.out;
  EXPECT_FALSE(Has(fix.out, "Chart: ")) << fix.out;

  EXPECT_TRUE(Contents(folder_) == before) << "a run without write access changed the practice's files";
}

// The owner's program has the practice open, with changes still in the write-ahead log: the other
// user reads them through the owner's WAL index without being able to write to it.
TEST_F(OtherUser, ReadsAPracticeInUseIncludingChangesNotYetInTheFile) {
  if (!user_) GTEST_SKIP() << "needs a second user: run as root to check this as \"nobody\"";
  fs::permissions(folder_, fs::perms(0755));
  const auto engine = engine::CreateSqliteEngine();
  ace::ADSHANDLE connection = 0;
  const std::string dictionary = (folder_ / "MWDDF.ADD").string();
  ASSERT_EQ(
      engine->AdsConnect60(dictionary.c_str(), 3, engine::kPracticeUser, engine::kPracticePassword, 0, &connection),
      0u);
  const ProgramRun posted =
      Owner("ledgerwick-practice", "post-payment " + Quoted(folder_.string()) + " --charge " +
                                       std::to_string(FirstCharge(dictionary)) + " --amount 1.25 --type I --who 1");
  ASSERT_EQ(posted.status, 0) << posted.out;
  ASSERT_TRUE(fs::exists(dictionary + "-wal"));
  ASSERT_GT(fs::file_size(dictionary + "-wal"), 0u) << "the owner's open connection keeps the log";
  fs::permissions(dictionary + "-wal", fs::perms(0644));
  fs::permissions(dictionary + "-shm", fs::perms(0644));

  const ProgramRun check = Other("ledgerwick-check", "--folder " + Quoted(folder_.string()));
  EXPECT_EQ(check.status, 1) << check.out;
  EXPECT_TRUE(Has(check.out, "405 rows checked")) << "the posted payment row is in the log only: " << check.out;
  const ProgramRun fix = Other("ledgerwick-check", "--folder " + Quoted(folder_.string()) + " --fix");
  EXPECT_EQ(fix.status, 2) << fix.out;
  EXPECT_TRUE(Has(fix.out, "is read-only")) << fix.out;
  EXPECT_EQ(engine->AdsDisconnect(connection), 0u);
}

TEST_F(OtherUser, AnUnreadableSettingsStoreMeansNothingRecorded) {
  const fs::path config = dir_.Path() / "config";
  fs::create_directories(config / "ledgerwick");
  {
    std::ofstream store(config / "ledgerwick" / "registry.reg");
    store << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Medisoft]\r\n"
          << "\"Current Practice\"=\"" << folder_.string() << "\"\r\n";
  }
  if (user_) {
    // The other user's own store, which it may not read (as after a careless chmod).
    fs::permissions(config, fs::perms(0755));
    fs::permissions(config / "ledgerwick", fs::perms(0755));
    ASSERT_EQ(::chown((config / "ledgerwick" / "registry.reg").c_str(), user_->uid, user_->gid), 0);
  }
  fs::permissions(config / "ledgerwick" / "registry.reg", fs::perms(0));

  const ProgramRun check = Other("ledgerwick-check", "", config.string());
  EXPECT_EQ(check.status, 2) << check.out;
  EXPECT_TRUE(Has(check.out, "No current practice is recorded in")) << check.out;
  EXPECT_TRUE(Has(check.out, "Permission denied")) << check.out;

  // Recording a practice would replace a store it could not read: refused, and the store is kept.
  const ProgramRun record = Other("ledgerwick-practice", "set-current " + Quoted(folder_.string()), config.string());
  EXPECT_EQ(record.status, 1) << record.out;
  EXPECT_TRUE(Has(record.out, "Cannot read the settings store")) << record.out;
  EXPECT_EQ(fs::status(config / "ledgerwick" / "registry.reg").permissions(), fs::perms::none);

  // A folder of the store that may not be entered: the same.
  fs::permissions(config / "ledgerwick" / "registry.reg", fs::perms(0600));
  fs::permissions(config / "ledgerwick", fs::perms(0));
  const ProgramRun hidden = Other("ledgerwick-check", "", config.string());
  EXPECT_EQ(hidden.status, 2) << hidden.out;
  EXPECT_TRUE(Has(hidden.out, "No current practice is recorded in")) << hidden.out;
  fs::permissions(config / "ledgerwick", fs::perms(0755));
}

}  // namespace
}  // namespace lw::test
