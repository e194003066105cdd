#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"

namespace lw::test {
namespace {

const char* const kSixAmounts[] = {"Insurance 1 Amount Paid", "Insurance 2 Amount Paid", "Insurance 3 Amount Paid",
                                   "Guarantor Amount Paid",   "Adjustment Amount",       "Attorney Amount Paid"};

// Another user of the practice: its own engine connection, changing rows directly.
class OtherUser {
 public:
  OtherUser(ace::AceApi& engine, const std::string& path) : ace_(engine) {
    Check(ace_.AdsConnect60(path.c_str(), 3, "user", kPracticePassword, 0, &connection_));
    Check(ace_.AdsOpenTable(connection_, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table_));
  }
  ~OtherUser() { ace_.AdsDisconnect(connection_); }
  std::uint32_t Lock(std::uint32_t record) {
    Check(ace_.AdsGotoRecord(table_, record));
    return ace_.AdsLockRecord(table_, record);
  }
  void Unlock(std::uint32_t record) { Check(ace_.AdsUnlockRecord(table_, record)); }
  // Changes Description (column 8) and "Insurance 1 Amount Paid" (column 46) of a row.
  void Change(std::uint32_t record, const std::string& description, double insurance1) {
    Check(Lock(record));
    Check(ace_.AdsSetField(table_, 8, description.c_str(), static_cast<std::uint32_t>(description.size())));
    Check(ace_.AdsSetFieldRaw(table_, 46, &insurance1, 8));
    Check(ace_.AdsWriteRecord(table_));
    Unlock(record);
  }

 private:
  void Check(std::uint32_t result) { ASSERT_EQ(result, 0u) << "other user's engine call failed"; }
  ace::AceApi& ace_;
  ace::ADSHANDLE connection_ = 0;
  ace::ADSHANDLE table_ = -1;
};

// Another process holding a row's record lock: a forked child with an engine of its own. Each
// side closes the pipe ends it does not use, so the child sees the release pipe end, and exits,
// as soon as this process stops waiting for it for any reason, a failed check included; it never
// lingers holding the lock and the test runner's output open.
class LockHolderProcess {
 public:
  LockHolderProcess(const std::string& path, std::uint32_t record) {
    int locked[2], release[2];
    if (pipe2(locked, O_CLOEXEC) != 0) return;
    if (pipe2(release, O_CLOEXEC) != 0) {
      close(locked[0]);
      close(locked[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(locked[0]);
      close(release[1]);
      auto engine = NewEngine();
      ace::ADSHANDLE connection = 0, table = -1;
      char ok = 'n';
      if (engine->AdsConnect60(path.c_str(), 3, "user", kPracticePassword, 0, &connection) == 0 &&
          engine->AdsOpenTable(connection, "MWTRN", nullptr, 0, 1, 1, 1, 0, &table) == 0 &&
          engine->AdsGotoRecord(table, record) == 0 && engine->AdsLockRecord(table, record) == 0) {
        ok = 'y';
      }
      (void)!write(locked[1], &ok, 1);
      char done;
      (void)!read(release[0], &done, 1);  // returns at the end of the pipe
      _exit(0);
    }
    close(locked[1]);
    close(release[0]);
    release_ = release[1];
    if (pid_ < 0 || read(locked[0], &answer_, 1) != 1) answer_ = 0;
    close(locked[0]);
  }
  ~LockHolderProcess() { End(); }
  LockHolderProcess(const LockHolderProcess&) = delete;
  LockHolderProcess& operator=(const LockHolderProcess&) = delete;

  bool Holds() const { return answer_ == 'y'; }
  // Lets the child end (its lock goes with it) and waits for it.
  void End() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  char answer_ = 0;
};

class UpdatesTest : public DataTest {
 protected:
  PracticeComponents& OpenOnCharge(int entry) {
    PracticeComponents& c = Components();
    c.AdsConnection1.SetIsConnected(false);
    c.AdsConnection1.SetConnectPath(Practice());
    if (c.qryChg.SQLCount() < 6) c.qryChg.AddSQL("");
    c.qryChg.Open();
    c.tblChg.Open();
    c.tblPax.Open();
    c.tblPay.Open();
    TField& field = c.qryChg.FieldByName("Entry Number");
    for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd() && field.AsInteger() != entry; c.qryChg.MoveNext()) {
    }
    EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), entry);
    return c;
  }
  std::string Stored(int entry, const std::string& column) {
    const auto values = PracticeColumn(dictionary_, "SELECT coalesce(CAST(\"" + column +
                                                        "\" AS TEXT), 'NULL') FROM MWTRN"
                                                        " WHERE \"Entry Number\" = " +
                                                        std::to_string(entry));
    return values.empty() ? "missing" : values[0];
  }
  // An amount as stored (the two kinds of practice print doubles differently).
  double StoredAmount(int entry, const std::string& column) {
    const std::string text = Stored(entry, column);
    return text == "missing" || text == "NULL" ? -1 : std::stod(text);
  }
  std::string StoredRow(int entry) {
    std::string sql = "SELECT ''";
    for (const char* column :
         {"Chart Number", "Description", "Amount", "Insurance 1 Amount Paid", "Adjustment Amount", "Date From"}) {
      sql += std::string(" || '|' || coalesce(CAST(\"") + column + "\" AS TEXT), 'NULL')";
    }
    return PracticeColumn(dictionary_, sql + " FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(entry))[0];
  }
  std::uint32_t RecordOf(int entry) {
    return static_cast<std::uint32_t>(std::stoul(
        PracticeColumn(dictionary_, "SELECT rowid FROM MWTRN WHERE \"Entry Number\" = " + std::to_string(entry))[0]));
  }
  void AssignSix(TAdsTable& table, std::int64_t firstCount) {
    std::int64_t count = firstCount;
    for (const char* column : kSixAmounts) table.FieldByName(column).SetAsCurrency(Currency::FromCount(count++));
  }
};

TEST_F(UpdatesTest, PostWritesOnlyTheSixAmountsHighestOrdinalFirst) {
  PracticeComponents& c = OpenOnCharge(1);
  const std::string description = Stored(1, "Description");
  trace_->Clear();
  c.tblChg.Edit();
  AssignSix(c.tblChg, 100000);
  c.tblChg.FieldByName("Insurance 1 Amount Paid").SetAsCurrency(Currency::FromCount(199900));
  c.tblChg.Post();
  const auto writes = trace_->CallsOf("AdsSetFieldRaw");
  std::vector<std::string> columns;
  for (const auto& call : writes) columns.push_back(call.arguments.substr(call.arguments.find(", ") + 2));
  const std::string handle = std::to_string(c.tblChg.CursorHandle());
  EXPECT_EQ(columns, (std::vector<std::string>{"59, out, 8", "57, out, 8", "48, out, 8", "47, out, 8", "46, out, 8",
                                               "45, out, 8"}));
  EXPECT_EQ(trace_->CountOf("AdsSetField"), 0);
  const auto locks = trace_->CallsOf("AdsLockRecord");
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0].arguments, handle + ", " + std::to_string(RecordOf(1)));
  EXPECT_EQ(trace_->CallsOf("AdsUnlockRecord").at(0).arguments, locks[0].arguments);
  EXPECT_EQ(trace_->CountOf("AdsWriteRecord"), 1);
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsBrowse);

  EXPECT_EQ(StoredAmount(1, "Insurance 1 Amount Paid"), 19.99);
  EXPECT_EQ(StoredAmount(1, "Insurance 2 Amount Paid"), 10.0001);
  EXPECT_EQ(StoredAmount(1, "Attorney Amount Paid"), 10.0005);
  EXPECT_EQ(Stored(1, "Description"), description) << "unassigned columns are never written";
  EXPECT_EQ(c.tblChg.FieldByName("Attorney Amount Paid").AsCurrency(), Currency::FromCount(100005))
      << "the post re-reads the row";
}

TEST_F(UpdatesTest, DetailsStayWhereTheyWereAfterTheChargePosts) {
  PracticeComponents& c = OpenOnCharge(1);
  for (c.tblPax.MoveFirst(); !c.tblPax.AtEnd(); c.tblPax.MoveNext()) {
  }
  const int lastPayment = c.tblPax.FieldByName("Payment Reference").AsInteger();
  const bool payingRow = !c.tblPay.FieldByName("Entry Number").IsNull();
  trace_->Clear();
  c.tblChg.Edit();
  AssignSix(c.tblChg, 0);
  c.tblChg.Post();
  EXPECT_EQ(trace_->CountOf("AdsSetScope"), 0);
  EXPECT_EQ(trace_->CountOf("AdsGotoBOF"), 0);
  EXPECT_TRUE(c.tblPax.AtEnd());
  EXPECT_EQ(c.tblPax.FieldByName("Payment Reference").AsInteger(), lastPayment);
  EXPECT_EQ(!c.tblPay.FieldByName("Entry Number").IsNull(), payingRow);
}

TEST_F(UpdatesTest, AnotherUsersChangeSurvivesInEveryColumnButTheSixAssigned) {
  PracticeComponents& c = OpenOnCharge(1);
  OtherUser other(*engine_, Practice());
  other.Change(RecordOf(1), "Changed meanwhile", 1.25);
  EXPECT_EQ(c.tblChg.FieldByName("Description").AsString(), "Office visit") << "read before the change";
  c.tblChg.Edit();
  EXPECT_EQ(c.tblChg.FieldByName("Description").AsString(), "Changed meanwhile") << "re-read under the lock";
  AssignSix(c.tblChg, 30000);
  c.tblChg.Post();
  EXPECT_EQ(Stored(1, "Description"), "Changed meanwhile");
  EXPECT_EQ(StoredAmount(1, "Insurance 1 Amount Paid"), 3.0);
}

TEST_F(UpdatesTest, ASecondEditorGetsTheLockErrorAndNothingIsWritten) {
  PracticeComponents& c = OpenOnCharge(1);
  const std::string before = StoredRow(1);
  OtherUser other(*engine_, Practice());
  ASSERT_EQ(other.Lock(RecordOf(1)), 0u);
  try {
    c.tblChg.Edit();
    FAIL() << "edited a row another connection holds";
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.AceCode, ace::kRecordLocked);
    EXPECT_EQ(error.Message().rfind(std::string("tblChg: ") + ace::AceErrorText(ace::kRecordLocked), 0), 0u)
        << error.Message();
  }
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsBrowse);
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Amount").SetAsFloat(1), "EDatabaseError", "tblChg: Dataset not in edit mode");
  EXPECT_EQ(StoredRow(1), before);
  other.Unlock(RecordOf(1));
  c.tblChg.Edit();
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsEdit);
}

TEST_F(UpdatesTest, ALockHeldByAnotherProcessRefusesTheEdit) {
  PracticeComponents& c = OpenOnCharge(1);
  const std::uint32_t record = RecordOf(1);
  LockHolderProcess holder(Practice(), record);
  ASSERT_TRUE(holder.Holds());
  const std::string before = StoredRow(1);
  try {
    c.tblChg.Edit();
    ADD_FAILURE() << "edited a row another process holds";
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.AceCode, ace::kRecordLocked);
  }
  EXPECT_EQ(StoredRow(1), before);
  holder.End();
  c.tblChg.Edit();  // the lock died with its process
  c.tblChg.Cancel();
}

TEST_F(UpdatesTest, AFailedWriteKeepsTheEditAndItsLockUntilCancelled) {
  PracticeComponents& c = OpenOnCharge(1);
  const std::string before = StoredRow(1);
  c.tblChg.Edit();
  AssignSix(c.tblChg, 5);
  trace_->FailNth("AdsWriteRecord", 1, ace::kDatabaseBusy);
  EXPECT_THROW(c.tblChg.Post(), EADSDatabaseError);
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsEdit);
  EXPECT_TRUE(c.tblChg.Modified());
  trace_->Clear();
  c.tblChg.Cancel();
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(trace_->CountOf("AdsUnlockRecord"), 1);
  EXPECT_EQ(StoredRow(1), before);
  EXPECT_EQ(c.tblChg.FieldByName("Insurance 1 Amount Paid").AsCurrency(), Currency::FromCount(199900));
}

TEST_F(UpdatesTest, MovingTheMasterPostsTheDetailsPendingChanges) {
  PracticeComponents& c = OpenOnCharge(1);
  c.tblChg.Edit();
  c.tblChg.FieldByName("Adjustment Amount").SetAsCurrency(Currency::FromCount(77700));
  c.qryChg.MoveNext();
  EXPECT_EQ(c.tblChg.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(StoredAmount(1, "Adjustment Amount"), 7.77);
  // An edit without assignments is cancelled instead: the lock is released, nothing written.
  c.tblChg.Edit();
  trace_->Clear();
  c.qryChg.MoveNext();
  EXPECT_EQ(trace_->CountOf("AdsWriteRecord"), 0);
  EXPECT_EQ(trace_->CountOf("AdsUnlockRecord"), 1);
}

TEST_F(UpdatesTest, EditingRefusals) {
  PracticeComponents& c = OpenOnCharge(1);
  EXPECT_LW_ERROR(c.tblChg.Post(), "EDatabaseError", "tblChg: Dataset not in edit or insert mode");
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Amount").SetAsFloat(2), "EDatabaseError", "tblChg: Dataset not in edit mode");

  trace_->FailNth("AdsLockRecord", 1, ace::kStaticView);
  try {
    c.tblChg.Edit();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "tblChg: This table is based on a static VIEW. Static VIEWs can not be updated.");
    EXPECT_EQ(error.AceCode, ace::kStaticView);
  }

  c.tblChg.Edit();
  c.tblChg.FieldByName("Amount").ReadOnly = true;
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Amount").SetAsFloat(2), "EDatabaseError", "Field 'Amount' cannot be modified");
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Units").SetAsString("many"), "EDatabaseError",
                  "Invalid value for field 'Units'");
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Case Number").SetValue(3.0e12), "EDatabaseError",
                  "Invalid value for field 'Case Number'");
  c.tblChg.Cancel();

  // A charge without applications leaves tblPay without a row: no partial row is ever appended.
  OpenOnCharge(3);
  EXPECT_LW_ERROR(c.tblPay.Edit(), "EADSDatabaseError", "tblPay: Cannot edit: there is no current row.");
  EXPECT_LW_ERROR(c.qryChg.Edit(), "EDatabaseError", "qryChg: Cannot modify a read-only dataset");
}

TEST_F(UpdatesTest, ReadOnlyTableCannotBeEdited) {
  PracticeComponents& c = Components();
  c.tblChg.ReadOnly = true;
  OpenOnCharge(1);
  EXPECT_LW_ERROR(c.tblChg.Edit(), "EDatabaseError", "tblChg: Cannot modify a read-only dataset");
}

TEST_F(UpdatesTest, OptimisticPostNoticesAnotherUsersChange) {
  PracticeComponents& c = Components();
  c.tblChg.AdsTableOptions.AdsRecordLockingMode = TAdsRecordLockingMode::lmOptimistic;
  OpenOnCharge(1);
  trace_->Clear();
  c.tblChg.Edit();
  EXPECT_EQ(trace_->CountOf("AdsLockRecord"), 0) << "no lock while editing optimistically";
  AssignSix(c.tblChg, 1);
  OtherUser other(*engine_, Practice());
  other.Change(RecordOf(1), "Someone else", 2.5);
  try {
    c.tblChg.Post();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "tblChg: Record was changed by another user.");
    EXPECT_EQ(error.AceCode, ace::kRecordChanged);
  }
  EXPECT_EQ(StoredAmount(1, "Insurance 1 Amount Paid"), 2.5);
  EXPECT_EQ(trace_->CountOf("AdsUnlockRecord"), 1) << "the optimistic lock is released";
  c.tblChg.Cancel();
}

}  // namespace
}  // namespace lw::test
