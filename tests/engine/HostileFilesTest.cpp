// Damaged and hostile files around a practice: catalogs with impossible column lengths, users
// without password hashes, lock files that are links or folders, foreign databases, damaged
// pages. Each is answered with an engine error; none crashes or changes the file it looked at.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/Exceptions.h"
#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {
namespace {

class HostileFiles : public EngineTest {
 protected:
  std::uint32_t TryConnect(const std::string& path) {
    ADSHANDLE handle = 0;
    return engine->AdsConnect60(path.c_str(), 3, engine::kPracticeUser, engine::kPracticePassword, 0, &handle);
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string LockFile() const { return practice.DictionaryPath() + ".locks"; }
};

TEST_F(HostileFiles, ACatalogWithImpossibleColumnLengthsIsDamagedNotACrash) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  // Each case once crashed a tool or the program: a heap write past a zero-length double, a
  // negative length wrapping to 4 GiB, a numeric wider than its text buffer, a type code that
  // wraps to a known one, lengths whose sum wraps 32 bits.
  const char* cases[] = {
      "UPDATE lw_columns SET length = 0 WHERE column_name = 'Visit Number'",
      "UPDATE lw_columns SET length = -1 WHERE column_name = 'Visit Number'",
      "UPDATE lw_columns SET type_code = 2, length = 200, decimals = 2 WHERE column_name = 'Visit Number'",
      "UPDATE lw_columns SET type_code = 65537 WHERE column_name = 'Visit Number'",
      "UPDATE lw_columns SET length = 2147483647 WHERE column_name = 'Chart Number'",
      "UPDATE lw_columns SET length = 4294967295 WHERE column_name = 'Chart Number'",
      "UPDATE lw_columns SET type_code = 2, length = 8, decimals = 40 WHERE column_name = 'Visit Number'",
      "DELETE FROM lw_columns WHERE table_name = 'MWPAX'",
  };
  for (const char* sql : cases) {
    TempDir copy;
    std::filesystem::copy_file(practice.DictionaryPath(), copy.File("MWDDF.ADD"));
    {
      SqliteDb db(copy.File("MWDDF.ADD"));
      ASSERT_EQ(SQLITE_OK, db.OpenResult());
      ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr)) << sql;
    }
    EXPECT_EQ(ace::kDictionaryDamaged, TryConnect(copy.File("MWDDF.ADD"))) << sql;
    EXPECT_NE(std::string::npos, LastErrorText().find("MWDDF.ADD")) << sql;
    // The practice tool's loader refuses the same catalog.
    EXPECT_THROW(engine::DictionaryLoader loader(copy.File("MWDDF.ADD")), lw::EDatabaseError) << sql;
  }
}

TEST_F(HostileFiles, NewTablesRefuseLengthsTheirTypesCannotHave) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  engine::TableSpec bad;
  bad.name = "BAD";
  bad.columns = {{"Amount", 10, 0}};
  TempDir dir;
  EXPECT_THROW(engine::CreateDictionary(dir.File("MWDDF.ADD"), {bad}), lw::EDatabaseError);
  bad.columns = {{"Wide", 4, 70000}};
  EXPECT_THROW(engine::CreateDictionary(dir.File("OTHER.ADD"), {bad}), lw::EDatabaseError);
}

TEST(ColumnProblem, NaturalLengthsPassAndEverythingElseIsNamed) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  EXPECT_EQ("", engine::ColumnProblem(10, 8, 0));
  EXPECT_EQ("", engine::ColumnProblem(3, 4, 0));
  EXPECT_EQ("", engine::ColumnProblem(3, 8, 0));
  EXPECT_EQ("", engine::ColumnProblem(2, 8, 2));
  EXPECT_EQ("", engine::ColumnProblem(5, 9, 0));
  EXPECT_EQ("type 10 with the length 0 (8 expected)", engine::ColumnProblem(10, 0, 0));
  EXPECT_EQ("type 3 with the length 5 (8 expected)", engine::ColumnProblem(3, 5, 0));
  EXPECT_EQ("type 4 with the length -1 (1 to 65000 expected)", engine::ColumnProblem(4, -1, 0));
  EXPECT_EQ("the unknown type 19", engine::ColumnProblem(19, 8, 0));
  EXPECT_EQ("type 2 with 7 decimals", engine::ColumnProblem(2, 8, 7));
}

TEST(NumericImage, AValueWiderThanAnyTextBufferIsStarredNotCopied) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  engine::ColumnDef column;
  column.name = "N";
  column.type = 2;
  column.length = 32;
  column.decimals = 15;
  std::vector<std::uint8_t> image(32, 0);
  engine::Value huge = engine::Value::Real(1e300);  // 300 digits before the point
  EXPECT_FALSE(engine::WriteImageFromValue(column, huge, image.data()).ok());
  engine::WriteNullImage(column, image.data());
  EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(HostileFiles, AUserWithoutAPasswordHashIsADamagedDictionary) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  practice.Execute("DROP TABLE lw_users");
  practice.Execute("CREATE TABLE lw_users (user_name TEXT, password_hash TEXT)");
  practice.Execute("INSERT INTO lw_users VALUES ('user', NULL)");
  EXPECT_EQ(ace::kDictionaryDamaged, TryConnect(practice.ConnectPath()));
  EXPECT_NE(std::string::npos, LastErrorText().find("password hash")) << LastErrorText();
}

TEST_F(HostileFiles, TheLockFileIsNeverFollowedThroughALinkNorTakenWhenNoRegularFile) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  TempDir elsewhere;
  const std::string victim = elsewhere.File("victim.txt");
  std::ofstream(victim) << "precious";
  std::filesystem::remove(LockFile());
  std::filesystem::create_symlink(victim, LockFile());
  EXPECT_EQ(ace::kStorageError, TryConnect(practice.ConnectPath()));
  EXPECT_NE(std::string::npos, LastErrorText().find("symbolic link")) << LastErrorText();
  EXPECT_EQ("precious", Bytes(victim));

  std::filesystem::remove(LockFile());
  std::filesystem::create_directory(LockFile());
  EXPECT_EQ(ace::kStorageError, TryConnect(practice.ConnectPath()));
  EXPECT_NE(std::string::npos, LastErrorText().find(".locks")) << LastErrorText();
}

TEST_F(HostileFiles, AMissingLockFileIsRecreatedWithTheDictionarysModeAndItsSpaceWritten) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  Conn();  // the fixture's own lock file exists now
  ASSERT_EQ(0, ::chmod(practice.DictionaryPath().c_str(), 0640));
  std::filesystem::remove(LockFile());
  const mode_t old = ::umask(022);
  ADSHANDLE handle = 0;
  ASSERT_EQ(0u, engine->AdsConnect60(practice.ConnectPath().c_str(), 3, engine::kPracticeUser,
                                     engine::kPracticePassword, 0, &handle))
      << LastErrorText();
  ::umask(old);
  struct stat info {};
  ASSERT_EQ(0, ::lstat(LockFile().c_str(), &info));
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(0640u, info.st_mode & 07777);
  struct stat dictionary {};
  ASSERT_EQ(0, ::stat(practice.DictionaryPath().c_str(), &dictionary));
  EXPECT_EQ(dictionary.st_gid, info.st_gid);
  // Real blocks, not a hole a full disk could refuse when the page is first touched.
  EXPECT_EQ(4096, info.st_size);
  EXPECT_GE(info.st_blocks * 512, 4096);
  engine->AdsDisconnect(handle);
}

TEST_F(HostileFiles, NewDictionariesGiveOtherUsersNoAccess) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  TempDir dir;
  const mode_t old = ::umask(0);
  engine::CreateDictionary(dir.File("MWDDF.ADD"), {});
  ::umask(old);
  for (const char* name : {"MWDDF.ADD", "MWDDF.ADD-wal"}) {
    struct stat info {};
    if (::stat(dir.File(name).c_str(), &info) != 0) continue;  // the journal may be gone already
    EXPECT_EQ(0u, info.st_mode & 0007) << name;
    EXPECT_EQ(0660u, info.st_mode & 0777) << name;
  }
}

TEST_F(HostileFiles, AFileThatIsNoDictionaryIsRefusedUnchanged) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  TempDir dir;
  // A foreign SQLite database in rollback-journal mode, and an empty file.
  const std::string foreign = dir.File("FOREIGN.ADD");
  {
    SqliteDb db(foreign);
    ASSERT_EQ(SQLITE_OK, db.OpenResult());
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.get(), "CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('x')", nullptr,
                                      nullptr, nullptr));
  }
  const std::string empty = dir.File("EMPTY.ADD");
  std::ofstream{empty};
  for (const std::string& path : {foreign, empty}) {
    const std::string before = Bytes(path);
    EXPECT_EQ(ace::kNotADictionary, TryConnect(path)) << path;
    EXPECT_THROW(engine::DictionaryLoader loader(path), lw::EDatabaseError) << path;
    EXPECT_THROW((void)engine::DictionaryColumnNames(path, "MWTRN"), lw::EDatabaseError) << path;
    EXPECT_EQ(before, Bytes(path)) << path;
    EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << path;
    EXPECT_FALSE(std::filesystem::exists(path + ".locks")) << path;
  }
  // A folder where the dictionary should be.
  std::filesystem::create_directory(dir.File("FOLDER.ADD"));
  EXPECT_EQ(ace::kDictionaryNotFound, TryConnect(dir.File("FOLDER.ADD")));
}

TEST_F(HostileFiles, AByteFlippedOnTheDiskInAStoredAmountIsADamagedDictionary) {
  LW_EMBEDDED_ONLY("the dictionary and lock files themselves");
  practice.Insert("MWTRN", {{"Chart Number", std::string("SMITH")}, {"Guarantor Amount Paid", 12.5}});
  practice.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  // SQLite keeps the amount as a big-endian IEEE double: 12.5 becomes 13.0 when 0x29 is 0x2A.
  std::string bytes = Bytes(practice.DictionaryPath());
  const std::string amount("\x40\x29\x00\x00\x00\x00\x00\x00", 8);
  const std::size_t at = bytes.find(amount);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find(amount, at + 1), std::string::npos);
  bytes[at + 1] = '\x2A';
  std::ofstream(practice.DictionaryPath(), std::ios::binary | std::ios::in | std::ios::out)
      .write(bytes.data(), bytes.size());
  // A fresh engine reads the page from the disk.
  const auto fresh = engine::CreateSqliteEngine();
  ADSHANDLE connection = 0, table = 0;
  std::uint32_t result = fresh->AdsConnect60(practice.ConnectPath().c_str(), 3, engine::kPracticeUser,
                                             engine::kPracticePassword, 0, &connection);
  if (result == 0) result = fresh->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table);
  if (result == 0) result = fresh->AdsGotoTop(table);
  EXPECT_EQ(ace::kDictionaryDamaged, result);
  char text[600];
  std::uint16_t length = sizeof text;
  std::uint32_t code = 0;
  fresh->AdsGetLastError(&code, text, &length);
  EXPECT_NE(std::string::npos, std::string(text).find("damaged page")) << text;
  fresh->AdsDisconnect(connection);
}

TEST_F(HostileFiles, ACommitStillInTheLogSurvivesACrashAndReadsBackChecked) {
  LW_EMBEDDED_ONLY("the dictionary and its log files themselves");
  practice.Insert("MWTRN", {{"Chart Number", std::string("CRASHED")}, {"Guarantor Amount Paid", 12.5}});
  // The files as a machine that lost power leaves them: the commit only in the log, no index.
  TempDir crashed;
  for (const char* suffix : {"", "-wal"}) {
    std::filesystem::copy_file(practice.DictionaryPath() + suffix, crashed.File(std::string("MWDDF.ADD") + suffix));
  }
  SqliteDb db(crashed.File("MWDDF.ADD"));
  ASSERT_EQ(SQLITE_OK, db.OpenResult());
  sqlite3_stmt* count = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db.get(),
                                          "SELECT count(*) FROM MWTRN WHERE \"Chart Number\" = 'CRASHED'"
                                          " AND \"Guarantor Amount Paid\" = 12.5",
                                          -1, &count, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(count));
  EXPECT_EQ(1, sqlite3_column_int(count, 0));
  sqlite3_finalize(count);
  // Moved into the dictionary itself, every page still passes its checksum.
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db.get(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr));
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &check, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(check));
  EXPECT_STREQ("ok", reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
  sqlite3_finalize(check);
}

}  // namespace
}  // namespace lw::test
