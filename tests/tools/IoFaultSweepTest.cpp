// Every read, write, sync and lock a fix run does fails in turn, through a test VFS under SQLite.
// Whichever fails, the check ends with a clear error (exit 2) or, where SQLite recovers, with the
// clean run's result; the dictionary passes integrity_check, every row holds either its old or its
// fixed amounts, no record lock stays held, and a clean rerun finishes the job.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/SettingsStore.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceProvider.h"
#include "engine/Engine.h"
#include "tests/support/DictionaryContents.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/PrivateSettingsStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestVfs.h"
#include "tools/check/CheckCommand.h"

namespace lw::check {
namespace {

using engine::Row;
using Io = test::TestVfs::Io;

void Fill(test::PracticeFixture& practice) {
  auto charge = [&](const std::string& chart, double adjustment) {
    return practice.Insert("MWTRN", Row{{"Chart Number", chart},
                                        {"Case Number", std::int64_t{3}},
                                        {"Date From", std::string("2023-01-31")},
                                        {"Procedure Code", std::string("80053")},
                                        {"Transaction Type", std::string("C")},
                                        {"Adjustment Amount", adjustment}});
  };
  const auto adjusted = charge("ADAMS", 0.0);
  charge("BAKER", -7.25);
  charge("CLARK", 3.5);
  const auto adjustment =
      practice.Insert("MWTRN", Row{{"Chart Number", std::string("ADAMS")}, {"Transaction Type", std::string("S")}});
  practice.Insert("MWPAX",
                  Row{{"Payment Reference", adjustment}, {"Charge Reference", adjusted}, {"Payment Amount", -12.0}});
}

int LockedRows(const test::PracticeFixture& practice) {
  const auto engine = engine::CreateSqliteEngine();
  ace::ADSHANDLE connection = 0, table = 0;
  if (engine->AdsConnect60(practice.ConnectPath().c_str(), 3, engine::kPracticeUser, engine::kPracticePassword, 0,
                           &connection) != 0 ||
      engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table) != 0) {
    return -1;
  }
  int locked = 0;
  for (std::uint32_t record = 1; record <= 8; ++record) {
    const std::uint32_t result = engine->AdsLockRecord(table, record);
    if (result == ace::kRecordLocked) ++locked;
    if (result == 0) engine->AdsUnlockRecord(table, record);
  }
  engine->AdsDisconnect(connection);
  return locked;
}

class IoFaultSweep : public ::testing::Test {
 protected:
  IoFaultSweep() : engine_(engine::CreateSqliteEngine()), installed_(*engine_) {}

  static int Fix(const test::PracticeFixture& practice, std::string* errors = nullptr) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    RunCounts counts;
    const int status = RunCheckCommand({"--folder", practice.Folder(), "--fix"}, out, err, false, counts);
    if (errors != nullptr) {
      std::fflush(err);
      std::rewind(err);
      char buffer[4096];
      errors->assign(buffer, std::fread(buffer, 1, sizeof buffer, err));
    }
    std::fclose(out);
    std::fclose(err);
    return status;
  }

  test::PrivateSettingsStore config_;  // the settings store of this test alone
  std::unique_ptr<ace::AceApi> engine_;
  ace::ScopedAce installed_;
};

TEST_F(IoFaultSweep, EveryFailingIoOfAFixRunEndsCleanlyAndARerunFinishes) {
  LW_EMBEDDED_ONLY("failing I/O of the dictionary file");
  struct Kind {
    Io io;
    const char* name;
    int code;
  };
  const Kind kinds[] = {{Io::Read, "read", SQLITE_IOERR_READ},
                        {Io::Write, "write", SQLITE_FULL},
                        {Io::Sync, "sync", SQLITE_IOERR_FSYNC},
                        {Io::Lock, "lock", SQLITE_IOERR_LOCK}};
  std::map<std::int64_t, std::string> fixed;
  long counts[4] = {};
  {
    test::PracticeFixture practice;
    Fill(practice);
    test::TestVfs vfs;
    vfs.ResetCounts();
    ASSERT_EQ(Fix(practice), kDiscrepancies);
    for (const Kind& kind : kinds) counts[static_cast<int>(kind.io)] = vfs.Count(kind.io);
    fixed = test::PaidAmountsOf(practice.DictionaryPath());
  }
  long swept = 0, reported = 0;
  for (const Kind& kind : kinds) {
    ASSERT_GT(counts[static_cast<int>(kind.io)], 0) << kind.name;
    for (long n = 1; n <= counts[static_cast<int>(kind.io)]; ++n) {
      SCOPED_TRACE(std::string(kind.name) + " #" + std::to_string(n));
      test::PracticeFixture practice;
      Fill(practice);
      const auto original = test::PaidAmountsOf(practice.DictionaryPath());
      int status;
      std::string errors;
      {
        test::TestVfs vfs;
        vfs.ResetCounts();
        vfs.FailNth(kind.io, n, kind.code);
        status = Fix(practice, &errors);
      }
      ++swept;
      if (status == kError) {
        ++reported;
        EXPECT_FALSE(errors.empty());
      } else {
        // SQLite got past the failure (a retried lock, a read it did not need): a clean run.
        EXPECT_EQ(status, kDiscrepancies) << errors;
        EXPECT_EQ(test::PaidAmountsOf(practice.DictionaryPath()), fixed);
      }
      EXPECT_EQ(test::IntegrityOf(practice.DictionaryPath()), "ok");
      for (const auto& [entry, amounts] : test::PaidAmountsOf(practice.DictionaryPath())) {
        EXPECT_TRUE(amounts == original.at(entry) || amounts == fixed.at(entry)) << entry << ": " << amounts;
      }
      EXPECT_EQ(LockedRows(practice), 0);
      const int rerun = Fix(practice);
      EXPECT_TRUE(rerun == kDiscrepancies || rerun == kNoDiscrepancy) << rerun;
      EXPECT_EQ(test::PaidAmountsOf(practice.DictionaryPath()), fixed);
    }
  }
  std::printf("I/O points swept: %ld (reads %ld, writes %ld, syncs %ld, locks %ld); runs reporting the failure: %ld\n",
              swept, counts[0], counts[1], counts[2], counts[3], reported);
}

}  // namespace
}  // namespace lw::check
