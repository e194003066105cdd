// The refusals that need an engine answering out of the ordinary: a decorator bends single
// answers of the real engine.

#include <gtest/gtest.h>

#include <cstring>

#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"

namespace lw::test {
namespace {

class BendingAce : public ace::TracingAce {
 public:
  using TracingAce::TracingAce;
  std::uint16_t fieldTypeOverride = 0;  // reported for column 2 when set
  bool duplicateIndexNames = false;     // every index answers the same name
  bool connectWithoutHandle = false;    // a successful connect yielding handle 0
  std::string segmentName;              // reported for every key column when set

  std::uint32_t AdsGetFieldType(ace::ADSHANDLE table, std::uint32_t field, std::uint16_t* type) override {
    const std::uint32_t result = TracingAce::AdsGetFieldType(table, field, type);
    if (fieldTypeOverride && field == 2) *type = fieldTypeOverride;
    return result;
  }
  std::uint32_t AdsGetIndexName(ace::ADSHANDLE index, char* buffer, std::uint16_t* length) override {
    const std::uint32_t result = TracingAce::AdsGetIndexName(index, buffer, length);
    if (duplicateIndexNames) std::strcpy(buffer, "PRIMARY");
    return result;
  }
  std::uint32_t AdsGetSegmentFieldname(ace::ADSHANDLE index, std::uint16_t segment, char* buffer,
                                       std::uint16_t* length) override {
    const std::uint32_t result = TracingAce::AdsGetSegmentFieldname(index, segment, buffer, length);
    if (result == 0 && !segmentName.empty()) std::strcpy(buffer, segmentName.c_str());
    return result;
  }
  std::uint32_t AdsConnect60(const char* path, std::uint16_t types, const char* user, const char* password,
                             std::uint32_t options, ace::ADSHANDLE* connection) override {
    const std::uint32_t result = TracingAce::AdsConnect60(path, types, user, password, options, connection);
    if (connectWithoutHandle) *connection = 0;
    return result;
  }
};

class RefusalsTest : public DataTest {
 protected:
  void SetUp() override {
    engine_ = NewEngine();
    bending_ = new BendingAce(*engine_);
    trace_.reset(bending_);
    installed_ = std::make_unique<ace::ScopedAce>(*trace_);
  }
  BendingAce* bending_ = nullptr;
};

TEST_F(RefusalsTest, UnknownColumnTypeFailsTheOpen) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  bending_->fieldTypeOverride = 19;
  try {
    c.tblPax.Open();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "tblPax: Unknown field type (19) encountered.");
    EXPECT_EQ(error.AceCode, 5121u);
  }
  EXPECT_FALSE(c.tblPax.Active());
  EXPECT_EQ(bending_->CountOf("AdsCloseTable"), 1);
}

TEST_F(RefusalsTest, DuplicateIndexNamesFailTheOpen) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  bending_->duplicateIndexNames = true;
  EXPECT_LW_ERROR(c.tblPax.Open(), "EDatabaseError", "tblPax: Duplicate index name 'PRIMARY'");
  EXPECT_FALSE(c.tblPax.Active());
}

TEST_F(RefusalsTest, ConnectionWithoutAHandleIsAnInternalError) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  bending_->connectWithoutHandle = true;
  EXPECT_LW_ERROR(c.tblChg.Open(), "EADSDatabaseError", "tblChg: Internal Error: invalid connection handle.");
  EXPECT_LW_ERROR(c.qryChg.Open(), "EADSDatabaseError", "qryChg: Internal Error: invalid connection handle.");
}

TEST_F(RefusalsTest, ScopedDetailCannotTakeALinkRange) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  c.tblChg.Scoped = true;
  EXPECT_LW_ERROR(c.tblChg.Open(), "EADSDatabaseError",
                  "tblChg: Cannot set range on table when there is an active scope.");
  EXPECT_FALSE(c.tblChg.Active());
}

TEST_F(RefusalsTest, DetailKeyColumnWithoutAFieldFailsAtTheMasterChange) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.tblChg.Open();  // the query is closed: nothing to follow yet
  bending_->segmentName = "NO SUCH COLUMN";
  EXPECT_LW_ERROR(c.qryChg.Open(), "EDatabaseError", "tblChg: Field 'NO SUCH COLUMN' not found");
  EXPECT_TRUE(c.qryChg.Active());
}

TEST_F(RefusalsTest, EachBoundCountsAsAppliedOnlyOnceItsScopeIsSet) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  c.tblChg.Open();
  bending_->FailNth("AdsSetScope", 2, ace::kInternalError);  // the bottom bound of the next range
  EXPECT_THROW(c.qryChg.MoveNext(), EADSDatabaseError);
  bending_->Clear();
  c.qryChg.MoveFirst();  // back to the range applied before: the bottom still differs
  EXPECT_EQ(bending_->CountOf("AdsSetScope"), 2);
  EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), c.qryChg.FieldByName("Entry Number").AsInteger());
}

// Taking any failure as the end of the key's segments built a key of no segments: a scope over
// every row, whose applications a fix then summed into the charge.
TEST_F(RefusalsTest, AFailingSegmentLookupWhileBuildingAKeyIsRaisedNotAShorterKey) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  c.tblChg.Open();
  bending_->Clear();
  bending_->FailNth("AdsGetSegmentFieldname", 1, ace::kStorageError);
  EXPECT_THROW(c.qryChg.MoveNext(), EADSDatabaseError);
  EXPECT_EQ(bending_->CountOf("AdsSetScope"), 0);
}

// A cursor that finds a handle already set when it opens.
class StuckTable : public TAdsTable {
 public:
  using TAdsTable::TAdsTable;
  void LeaveHandle() { cursor_ = 12345; }
  ~StuckTable() override { cursor_ = ace::kNoHandle; }
};

TEST_F(RefusalsTest, OpeningOverAnExistingHandleIsRefused) {
  StuckTable table("tblStuck", &owner_);
  table.SetTableName("MWTRN");
  table.LeaveHandle();
  EXPECT_LW_ERROR(table.Open(), "EADSDatabaseError", "tblStuck: Table is already open.");
}

TEST_F(RefusalsTest, DatesWithoutAPositiveDayCountAreNotValidTimestamps) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.tblChg.SetIndexFieldNames("");
  c.tblChg.Open();
  c.tblChg.Edit();
  TField& date = c.tblChg.FieldByName("Date From");
  date.SetValue(DateTimeValue{-693594.0});  // day 0, the day before 1 January of year 1
  EXPECT_LW_ERROR(date.AsDateTime(), "EConvertError", "'0.0' is not a valid timestamp");
  TField& modified = c.tblChg.FieldByName("Date Modified");
  modified.SetValue(DateTimeValue{-693594.0});
  EXPECT_LW_ERROR(modified.AsDateTime(), "EConvertError", "'0.0' is not a valid timestamp");
  modified.SetValue(DateTimeValue{36526.25});
  EXPECT_DOUBLE_EQ(modified.AsDateTime(), 36526.25);
  c.tblChg.Cancel();
}

}  // namespace
}  // namespace lw::test
