#include <gtest/gtest.h>

#include "data/AdsErrors.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"

namespace lw::test {
namespace {

TEST(NativeSqlCode, ReadFromRejectedStatementTexts) {
  EXPECT_EQ(ParseNativeSqlCode("Error 7200: AQE Error: State = 42000; NativeError = 42; [x] bad"), 42);
  EXPECT_EQ(ParseNativeSqlCode("error 7200: rejected. nativeerror = 2101; near 'B'"), 2101);
  EXPECT_EQ(ParseNativeSqlCode("Error 7200: rejected. NativeError = 17"), 17) << "runs to the end without ';'";
  EXPECT_EQ(ParseNativeSqlCode("Error 7200: NativeError = -3;"), -3);
  EXPECT_EQ(ParseNativeSqlCode("Error 7201: NativeError = 42;"), 0) << "only the 7200 form carries it";
  EXPECT_EQ(ParseNativeSqlCode("NativeError = 42; Error 7200:"), 42) << "both texts may stand anywhere";
  EXPECT_EQ(ParseNativeSqlCode("Error 7200: NativeError = 4x2;"), 0) << "not a number: stays 0";
  EXPECT_EQ(ParseNativeSqlCode("Error 7200: no native number"), 0);
}

TEST(EADSDatabaseError, AnErrorBuiltWhileAnotherIsBeingBuiltStaysEmpty) {
  {
    ErrorBuildingScope building;
    EADSDatabaseError nested(nullptr, "Error 7200: NativeError = 5;", 7200);
    EXPECT_EQ(nested.Message(), "");
    EXPECT_EQ(nested.AceCode, 0u);
    EXPECT_EQ(nested.NativeSqlCode, 0);
    // CheckAce does not raise at all meanwhile.
    EXPECT_NO_THROW(CheckAce(nullptr, 5000));
  }
  EXPECT_FALSE(ErrorBeingBuilt());
  EADSDatabaseError later(nullptr, "Error 7200: NativeError = 5;", 7200);
  EXPECT_EQ(later.Message(), "Error 7200: NativeError = 5;");
  EXPECT_EQ(later.NativeSqlCode, 5);
  EXPECT_FALSE(ErrorBeingBuilt()) << "building clears the flag";
}

using CheckAceTest = DataTest;

TEST_F(CheckAceTest, RecordsTheEnginesLastErrorNotTheResultHandedIn) {
  ace::Ace().AdsSetLastError(ace::kRecordLocked, "The record is locked by another user.");
  try {
    CheckAce(nullptr, 1);
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.AceCode, ace::kRecordLocked);
    EXPECT_EQ(error.Message(), "The record is locked by another user.");
    EXPECT_STREQ(error.ClassName(), "EADSDatabaseError");
  }
  EXPECT_NO_THROW(CheckAce(nullptr, 0));
}

TEST_F(CheckAceTest, CursorErrorsCarryTheCursorsDescriptionAndColumnName) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath("/srv/practice/MWDDF.ADD");
  ace::Ace().AdsSetLastError(ace::kValueDoesNotFit, "The value does not fit column \"Amount\" of MWTRN.");
  try {
    CheckAce(&c.tblChg, 1);
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "tblChg: The value does not fit column \"Amount\" of MWTRN.");
    EXPECT_EQ(error.CursorName, "tblChg");
    EXPECT_EQ(error.CursorOwnerName, "frmMain");
    EXPECT_EQ(error.CursorTableName, "MWTRN.ADT");
    EXPECT_EQ(error.CursorDatabaseName, "");
    EXPECT_EQ(error.CursorDataFolder, "/srv/practice");
    EXPECT_EQ(error.ColumnName, "Amount");
  }
  // Other codes leave ColumnName empty; the query records its DatabaseName.
  ace::Ace().AdsSetLastError(ace::kRecordLocked, "column \"Amount\" is locked");
  try {
    CheckAce(&c.qryChg, 1);
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.ColumnName, "");
    EXPECT_EQ(error.CursorDatabaseName, "AdsConnection1");
    EXPECT_EQ(error.CursorTableName, "");
  }
}

}  // namespace
}  // namespace lw::test
