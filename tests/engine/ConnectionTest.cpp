// Connecting, refusing bad dictionaries and logins, resolving table names, describing indexes.

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "engine/FileSystem.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {
namespace {

class Connecting : public EngineTest {
 protected:
  std::uint32_t TryConnect(const std::string& path, const char* password = engine::kPracticePassword,
                           std::uint16_t types = 3) {
    ADSHANDLE handle = 0;
    return engine->AdsConnect60(path.c_str(), types, engine::kPracticeUser, password, 0, &handle);
  }
};

TEST_F(Connecting, RefusesBadInputWithDistinctCodesAndClearTexts) {
  EXPECT_EQ(ace::kLoginRefused, TryConnect(practice.ConnectPath(), "wrong"));
  EXPECT_EQ("The user name or password is not valid for this data dictionary.", LastErrorText());
  EXPECT_EQ(ace::kDictionaryNotFound, TryConnect(practice.Folder() + "/missing/MWDDF.ADD"));
  EXPECT_NE(std::string::npos, LastErrorText().find("does not exist"));
  if (practice.OnServer()) {
    // A practice on a server is reached with the remote or the local server type.
    EXPECT_EQ(ace::kServerUnreachable, TryConnect(practice.ConnectPath(), engine::kPracticePassword, 4));
  } else {
    EXPECT_EQ(ace::kRemoteServerUnavailable, TryConnect(practice.ConnectPath(), engine::kPracticePassword, 2));
  }

  TempDir other;
  std::ofstream(other.File("MWDDF.ADD")) << "Not a dictionary at all, just some text.\n";
  EXPECT_EQ(ace::kNotADictionary, TryConnect(other.File("MWDDF.ADD")));
  EXPECT_NE(std::string::npos, LastErrorText().find("not a data dictionary"));

  if (practice.OnServer()) return;
  // A dictionary cut short after its first pages.
  std::filesystem::copy_file(practice.DictionaryPath(), other.File("CUT.ADD"));
  std::filesystem::resize_file(other.File("CUT.ADD"), 8192);
  std::uint32_t cut = TryConnect(other.File("CUT.ADD"));
  EXPECT_TRUE(cut == ace::kDictionaryDamaged || cut == ace::kNotADictionary) << cut;
}

// Another program holding the database exclusively, as a checkpoint or recovery briefly does.
class ExclusiveHolder {
 public:
  explicit ExclusiveHolder(const std::string& path) : db_(path) {
    held_ = sqlite3_exec(db_.get(), "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr,
                         nullptr) == SQLITE_OK;
  }
  bool Held() const { return held_; }
  void Release() { db_.Close(); }

 private:
  SqliteDb db_;
  bool held_ = false;
};

TEST_F(Connecting, ABusyDatabaseIsWaitedOnFromTheFirstStatementThenReportedAsBusy) {
  LW_EMBEDDED_ONLY("SQLite's busy database");
  // A copy of the practice that nobody else has open, so the holder can take it whole.
  TempDir lone;
  const std::string copy = lone.File("MWDDF.ADD");
  practice.Execute("VACUUM INTO '" + copy + "'");
  {
    SqliteDb db(copy);
    sqlite3_exec(db.get(), "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  {
    ExclusiveHolder holder(copy);
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(ace::kDatabaseBusy, TryConnect(copy));
    EXPECT_EQ("The database stayed busy with another user's work; try again later.", LastErrorText());
  }
  ExclusiveHolder holder(copy);
  ASSERT_TRUE(holder.Held());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.Release();
  });
  std::uint32_t result = TryConnect(copy);
  release.join();
  EXPECT_EQ(0u, result) << LastErrorText();  // a start beside a busy moment is no error
}

TEST_F(Connecting, RefusesAPracticeOnANetworkFileSystemAndNamesIt) {
  LW_EMBEDDED_ONLY("the file system of the dictionary file");
  std::string asked;
  std::string presented;
  auto previous = engine::SetFileSystemTypeProbe([&](const std::string& path) {
    asked = path;
    return presented;
  });
  for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "fuse.rclone"}) {
    presented = type;
    EXPECT_EQ(ace::kNetworkFileSystem, TryConnect(practice.ConnectPath())) << type;
    EXPECT_NE(std::string::npos, LastErrorText().find(std::string("(") + type + ")")) << LastErrorText();
    EXPECT_NE(std::string::npos, LastErrorText().find("belongs on a database server")) << LastErrorText();
  }
  EXPECT_EQ(practice.DictionaryPath(), asked);
  for (const char* type : {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "fuse", "fuse.portal", ""}) {
    presented = type;
    EXPECT_EQ(0u, TryConnect(practice.ConnectPath())) << type << ": " << LastErrorText();
  }
  engine::SetFileSystemTypeProbe(std::move(previous));
  // The machine's own mount table names the temporary folder's file system, a local one.
  std::string local = engine::MountedFileSystemType(practice.DictionaryPath());
  EXPECT_FALSE(local.empty());
  EXPECT_FALSE(engine::IsNetworkFileSystem(local)) << local;
}

TEST_F(Connecting, ResolvesTableNamesAndTheFolderQualifiedRetry) {
  ADSHANDLE table = -1;
  for (const char* name : {"MWTRN", "mwtrn.adt", "MWTRN.ADT"}) {
    EXPECT_EQ(0u, engine->AdsOpenTable(Conn(), name, nullptr, 0, 1, 1, 1, 0, &table)) << name;
    engine->AdsCloseTable(table);
  }
  EXPECT_EQ(ace::kNotInDictionary, engine->AdsOpenTable(Conn(), "NOSUCH", nullptr, 0, 1, 1, 1, 0, &table));
  std::string qualified = practice.Folder() + "/MWTRN.ADT";
  EXPECT_EQ(0u, engine->AdsOpenTable(Conn(), qualified.c_str(), nullptr, 3, 1, 1, 1, 0, &table)) << LastError();
  TempDir elsewhere;
  std::string outside = elsewhere.File("MWTRN.ADT");
  EXPECT_EQ(ace::kNotInDictionary, engine->AdsOpenTable(Conn(), outside.c_str(), nullptr, 3, 1, 1, 1, 0, &table));
}

TEST_F(Connecting, DefaultIndexPropertyAnswersNameOrNoDefault) {
  char buffer[200];
  std::uint16_t length = sizeof buffer;
  EXPECT_EQ(ace::kNoDefaultIndex,
            engine->AdsDDGetTableProperty(Conn(), "MWTRN.ADT", ace::kDDDefaultIndex, buffer, &length));
  PracticeOptions options;
  options.mwtrnDefaultIndex = "IDXENTRYNUMBER";
  PracticeFixture withDefault(options);
  ADSHANDLE connection = 0;
  ASSERT_EQ(0u, engine->AdsConnect60(withDefault.ConnectPath().c_str(), 3, "user", "vortelin", 0, &connection));
  length = sizeof buffer;
  ASSERT_EQ(0u, engine->AdsDDGetTableProperty(connection, "MWTRN", ace::kDDDefaultIndex, buffer, &length));
  EXPECT_STREQ("IDXENTRYNUMBER", buffer);
  length = sizeof buffer;
  EXPECT_EQ(ace::kNotInDictionary,
            engine->AdsDDGetTableProperty(connection, "NOSUCH", ace::kDDDefaultIndex, buffer, &length));
}

TEST_F(Connecting, DescribesTheStoredIndexListAndChoosesByKeyColumns) {
  ADSHANDLE table = Open("MWTRN");
  std::uint16_t count = 0;
  engine->AdsGetNumIndexes(table, &count);
  ASSERT_EQ(24, count);
  ADSHANDLE first = -1;
  std::uint16_t room = 1;
  EXPECT_EQ(ace::kInsufficientBuffer, engine->AdsGetAllIndexes(table, &first, &room));
  EXPECT_EQ(24, room);
  std::vector<ADSHANDLE> handles(24);
  room = 24;
  ASSERT_EQ(0u, engine->AdsGetAllIndexes(table, handles.data(), &room));
  EXPECT_EQ(first, handles[0]);
  std::vector<std::string> keys;
  std::string chosen;
  for (ADSHANDLE index : handles) {
    char name[260];
    std::uint16_t length = sizeof name;
    engine->AdsGetIndexName(index, name, &length);
    std::uint16_t segments = 0;
    engine->AdsGetNumSegments(index, &segments);
    std::string key;
    for (std::uint16_t s = 0; s < segments; ++s) {
      char column[510];
      std::uint16_t columnLength = sizeof column;
      ASSERT_EQ(0u, engine->AdsGetSegmentFieldname(index, s, column, &columnLength));
      key += (s ? ";" : "") + std::string(column);
    }
    char column[510];
    std::uint16_t columnLength = sizeof column;
    EXPECT_EQ(ace::kInvalidSegment, engine->AdsGetSegmentFieldname(index, segments, column, &columnLength));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (chosen.empty() && key == "ENTRY NUMBER") chosen = name;
    keys.push_back(key);
  }
  EXPECT_EQ("CC ENTRY NUMBER", keys[0]);
  EXPECT_EQ("IDXENTRYNUMBER", chosen);
  std::uint16_t unique = 0, primary = 0;
  engine->AdsIsIndexUnique(handles[8], &unique);
  engine->AdsIsIndexPrimaryKey(handles[8], &primary);
  EXPECT_EQ(1, unique);
  EXPECT_EQ(1, primary);
  std::uint32_t pageSize = 0;
  EXPECT_EQ(0u, engine->AdsGetIndexPageSize(first, &pageSize));
  EXPECT_GT(pageSize, 0u);
}

TEST_F(Connecting, DisconnectClosesItsHandlesAndUnknownHandlesAreRefused) {
  ADSHANDLE table = Open("MWPAX");
  ASSERT_EQ(0u, engine->AdsDisconnect(Conn()));
  std::uint16_t count = 0;
  EXPECT_EQ(ace::kInvalidHandle, engine->AdsGetNumFields(table, &count));
  EXPECT_EQ(ace::kConnectionNotOpen, engine->AdsDisconnect(Conn()));
  std::uint16_t type = 0;
  EXPECT_EQ(ace::kInvalidHandle, engine->AdsGetHandleType(12345, &type));
}

// Descriptions take no engine lock: they must stay right while another thread opens and closes
// tables, which adds handles (past the first block of entries) and removes others.
TEST_F(Connecting, DescribesOneTableWhileAnotherThreadOpensAndClosesTables) {
  ADSHANDLE table = Open("MWTRN");
  ADSHANDLE byEntry = Index(table, "IDXENTRYNUMBER");
  ADSHANDLE other = Connect();
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread churn([&] {
    for (int i = 0; i < 300; ++i) {
      ADSHANDLE opened = 0;
      if (engine->AdsOpenTable(other, "MWTRN", nullptr, 0, 1, 1, 1, 0, &opened) != 0 ||
          engine->AdsCloseTable(opened) != 0) {
        ++failures;
      }
    }
    done = true;
  });
  int rounds = 0;
  while (!done || rounds == 0) {
    ++rounds;
    char name[129];
    std::uint16_t length = sizeof name;
    std::uint16_t segments = 0;
    ADSHANDLE again = 0;
    if (engine->AdsGetFieldName(table, 1, name, &length) != 0 || std::string(name) != "Chart Number" ||
        engine->AdsGetNumSegments(byEntry, &segments) != 0 || segments != 1 ||
        engine->AdsGetIndexHandle(table, "IDXENTRYNUMBER", &again) != 0 || again != byEntry) {
      ++failures;
    }
  }
  churn.join();
  EXPECT_EQ(0, failures.load());
  // Handles handed out while the other thread worked are as good as the first ones.
  ADSHANDLE late = Open("MWPAX");
  std::uint16_t count = 0;
  EXPECT_EQ(0u, engine->AdsGetNumFields(late, &count));
  EXPECT_EQ(6, count);
}

TEST_F(Connecting, AnIdleConnectionDoesNotHoldOtherUsersWritesOutOfTheFile) {
  if (practice.OnServer()) GTEST_SKIP() << "a file checkpoint of the embedded engine";
  practice.Insert("MWTRN", {{"Chart Number", std::string("A")}});
  ADSHANDLE table = Open("MWTRN");
  ASSERT_EQ(0u, engine->AdsGotoTop(table));  // reads, and so holds a snapshot
  practice.Execute("UPDATE MWTRN SET \"Chart Number\" = 'B'");
  // A full checkpoint must wait for every reader; it succeeds once the idle snapshot is given up.
  EXPECT_EQ(0, practice.QueryInt("PRAGMA wal_checkpoint(TRUNCATE)"));
  ASSERT_EQ(0u, engine->AdsGotoTop(table));
  EXPECT_EQ('B', EngineTest::Text(table, Record(table), "Chart Number")[0]);
}

}  // namespace
}  // namespace lw::test
