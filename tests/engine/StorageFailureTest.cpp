// Storage failures, at connect and at write, are each reported as what they are; a write is on
// the disk before it is reported done.

#include <sqlite3.h>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestVfs.h"

namespace lw::test {
namespace {

class Storage : public EngineTest {
 protected:
  void SetUp() override { practice.Insert("MWTRN", {{"Description", std::string("stored")}}); }

  std::uint32_t TryConnect() {
    ADSHANDLE handle = 0;
    return engine->AdsConnect60(practice.ConnectPath().c_str(), 3, "user", "vortelin", 0, &handle);
  }
  // Puts a new Description into record 1 of a fresh cursor and writes it.
  std::uint32_t WriteDescription(ADSHANDLE table, const std::string& text) {
    EXPECT_EQ(0u, engine->AdsGotoRecord(table, 1)) << LastError();
    EXPECT_EQ(0u, engine->AdsSetField(table, Field(table, "Description"), text.c_str(), text.size()));
    return engine->AdsWriteRecord(table);
  }
  std::string Stored() { return practice.QueryText("SELECT \"Description\" FROM MWTRN").value_or(""); }
};

TEST_F(Storage, ACommitIsSyncedToTheLogBeforeTheWriteIsReportedDone) {
  LW_EMBEDDED_ONLY("failures of the dictionary file's storage");
  TestVfs vfs;
  ADSHANDLE table = Open("MWTRN");
  int before = vfs.WalSyncs();
  ASSERT_EQ(0u, WriteDescription(table, "durable")) << LastError();
  EXPECT_GT(vfs.WalSyncs(), before);
  ADSHANDLE statement = -1, cursor = -1;
  ASSERT_EQ(0u, engine->AdsCreateSQLStatement(Conn(), &statement));
  ASSERT_EQ(0u, engine->AdsPrepareSQL(statement, "UPDATE MWTRN SET \"Description\" = 'by sql'"));
  before = vfs.WalSyncs();
  ASSERT_EQ(0u, engine->AdsExecuteSQL(statement, &cursor)) << LastError();
  EXPECT_GT(vfs.WalSyncs(), before);
}

TEST_F(Storage, ConnectFailuresNameTheirCause) {
  LW_EMBEDDED_ONLY("failures of the dictionary file's storage");
  TestVfs vfs;
  vfs.RefuseOpens(true);
  EXPECT_EQ(ace::kCannotOpen, TryConnect());
  EXPECT_NE(std::string::npos, LastError().find("could not be opened")) << LastError();
  vfs.RefuseOpens(false);
  vfs.FailReads(SQLITE_IOERR_READ);
  EXPECT_EQ(ace::kStorageError, TryConnect());
  EXPECT_NE(std::string::npos, LastError().find("could not be read or written")) << LastError();
  vfs.FailReads(0);
  EXPECT_EQ(0u, TryConnect()) << LastError();
}

TEST_F(Storage, WriteFailuresNameTheirCauseAndChangeNothing) {
  LW_EMBEDDED_ONLY("failures of the dictionary file's storage");
  TestVfs vfs;
  ADSHANDLE table = Open("MWTRN");
  vfs.FailWrites(SQLITE_FULL);
  EXPECT_EQ(ace::kDiskFull, WriteDescription(table, "lost"));
  EXPECT_NE(std::string::npos, LastError().find("The disk holding the practice is full")) << LastError();
  vfs.FailWrites(SQLITE_IOERR_WRITE);
  EXPECT_EQ(ace::kStorageError, WriteDescription(table, "lost"));
  EXPECT_NE(std::string::npos, LastError().find("could not be read or written")) << LastError();
  vfs.FailWrites(0);
  EXPECT_EQ("stored", Stored());
  EXPECT_EQ(0, practice.QueryInt("SELECT count(*) FROM lw_history WHERE action = 'update'"));
  EXPECT_EQ(0u, WriteDescription(table, "after")) << LastError();
  EXPECT_EQ("after", Stored());
}

TEST_F(Storage, AWriteToAReadOnlyPracticeSaysSo) {
  LW_EMBEDDED_ONLY("failures of the dictionary file's storage");
  TestVfs vfs;
  vfs.OpenReadOnly(true);
  ADSHANDLE table = Open("MWTRN");
  EXPECT_EQ(ace::kReadOnlyStorage, WriteDescription(table, "lost"));
  EXPECT_NE(std::string::npos, LastError().find("read-only")) << LastError();
  EXPECT_EQ("stored", Stored());
}

}  // namespace
}  // namespace lw::test
