// The record image's byte conventions for every column type, NULL and not NULL, and writes that
// go back through the same bytes.

#include <cmath>

#include "tests/engine/EngineTestSupport.h"

namespace lw::test {
namespace {

PracticeOptions AllTypes() {
  engine::TableSpec tableSpec;
  tableSpec.name = "ALLTYPES";
  tableSpec.columns = {{"Logical", 1, 1}, {"Numeric", 2, 8, 2}, {"Date", 3, 4},    {"Text", 4, 6},
                       {"Memo", 5, 9},    {"Compact", 9, 3},    {"Double", 10, 8}, {"Integer", 11, 4},
                       {"Short", 12, 2},  {"Time", 13, 4},      {"Stamp", 14, 8},  {"Auto", 15, 4},
                       {"Raw", 16, 3},    {"CurDouble", 17, 8}, {"Money", 18, 8},  {"CIText", 20, 4}};
  tableSpec.indexes = {{"BYTEXT", "Text"}, {"BYCITEXT", "CIText"}};
  PracticeOptions options;
  options.extraTables = {tableSpec};
  return options;
}

class RecordImage : public EngineTest {
 protected:
  RecordImage() : EngineTest(AllTypes()) {}

  void SetUp() override {
    practice.Insert("ALLTYPES", {{"Logical", std::string("T")},
                                 {"Numeric", 12.5},
                                 {"Date", std::string("2000-01-01")},
                                 {"Text", std::string("AB")},
                                 {"Memo", std::string("long text")},
                                 {"Compact", std::string("2021-03-15")},
                                 {"Double", 19.99},
                                 {"Integer", std::int64_t(-7)},
                                 {"Short", std::int64_t(300)},
                                 {"Time", std::string("01:02:03.004")},
                                 {"Stamp", std::string("2000-01-01 12:00:00")},
                                 {"Raw", std::string("xyz")},
                                 {"CurDouble", 2.5},
                                 {"Money", std::string("123.4567")},
                                 {"CIText", std::string("abc")}});
    practice.Insert("ALLTYPES", {});  // every column NULL but the auto-increment one
    table = Open("ALLTYPES");
    ASSERT_EQ(0u, engine->AdsGotoTop(table));
    full = Record(table);
    engine->AdsSkip(table, 1);
    empty = Record(table);
  }

  template <typename T>
  T Get(const std::vector<std::uint8_t>& image, const char* name, std::size_t at = 0) {
    auto bytes = Bytes(table, image, name);
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
  }

  ADSHANDLE table = -1;
  std::vector<std::uint8_t> full, empty;
};

TEST_F(RecordImage, OffsetsFollowTheColumnsAndTheLengthCoversThem) {
  std::uint32_t length = 0, offset = 0, fieldLength = 0, previousEnd = 0;
  engine->AdsGetRecordLength(table, &length);
  for (std::uint32_t field = 1; field <= 16; ++field) {
    engine->AdsGetFieldOffset(table, field, &offset);
    engine->AdsGetFieldLength(table, field, &fieldLength);
    EXPECT_EQ(previousEnd, offset) << field;
    previousEnd = offset + fieldLength;
  }
  EXPECT_EQ(previousEnd, length);
  std::uint16_t type = 0, decimals = 0;
  engine->AdsGetFieldType(table, 2, &type);
  engine->AdsGetFieldDecimals(table, 2, &decimals);
  EXPECT_EQ(2, type);
  EXPECT_EQ(2, decimals);
}

TEST_F(RecordImage, ValuesInTheirByteForms) {
  EXPECT_EQ('T', Bytes(table, full, "Logical")[0]);
  EXPECT_EQ("   12.50", Text(table, full, "Numeric"));
  EXPECT_EQ(2451545, Get<std::int32_t>(full, "Date"));
  EXPECT_EQ("AB    ", Text(table, full, "Text"));
  EXPECT_NE(0, Get<std::int32_t>(full, "Memo"));
  auto compact = Bytes(table, full, "Compact");  // 2021-03-15 packed
  EXPECT_EQ(2021, compact[0] * 128 + compact[1] / 2);
  EXPECT_EQ(3, (compact[1] % 2) * 8 + compact[2] / 32);
  EXPECT_EQ(15, compact[2] % 32);
  EXPECT_EQ(19.99, Get<double>(full, "Double"));
  EXPECT_EQ(-7, Get<std::int32_t>(full, "Integer"));
  EXPECT_EQ(300, Get<std::int16_t>(full, "Short"));
  EXPECT_EQ(3723004, Get<std::int32_t>(full, "Time"));
  EXPECT_EQ(2451545u, Get<std::uint32_t>(full, "Stamp"));
  EXPECT_EQ(43200000u, Get<std::uint32_t>(full, "Stamp", 4));
  EXPECT_EQ(1, Get<std::int32_t>(full, "Auto"));
  EXPECT_EQ("xyz", Text(table, full, "Raw"));
  EXPECT_EQ(2.5, Get<double>(full, "CurDouble"));
  EXPECT_EQ(1234567, Get<std::int64_t>(full, "Money"));
  EXPECT_EQ("abc ", Text(table, full, "CIText"));
}

TEST_F(RecordImage, NullMarkersOfEveryType) {
  EXPECT_EQ(' ', Bytes(table, empty, "Logical")[0]);
  for (const char* zeros : {"Numeric", "Date", "Text", "Compact", "Raw", "CIText"}) {
    auto bytes = Bytes(table, empty, zeros);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.size(), 0), bytes) << zeros;
  }
  EXPECT_EQ(0, Get<std::int32_t>(empty, "Memo"));
  for (const char* name : {"Double", "CurDouble"}) {
    EXPECT_EQ(32, Get<std::int32_t>(empty, name)) << name;
    EXPECT_EQ(INT32_MIN, Get<std::int32_t>(empty, name, 4)) << name;
  }
  EXPECT_EQ(INT32_MIN, Get<std::int32_t>(empty, "Integer"));
  EXPECT_EQ(0x8000, Get<std::uint16_t>(empty, "Short"));
  EXPECT_EQ(-1, Get<std::int32_t>(empty, "Time"));
  EXPECT_EQ(0u, Get<std::uint32_t>(empty, "Stamp"));
  EXPECT_EQ(0u, Get<std::uint32_t>(empty, "Money"));
  EXPECT_EQ(INT32_MIN, Get<std::int32_t>(empty, "Money", 4));
  // AdsIsEmpty agrees, and AdsGetNullRecord gives the same markers.
  std::uint16_t isEmpty = 0;
  for (std::uint32_t field = 1; field <= 16; ++field) {
    engine->AdsIsEmpty(table, field, &isEmpty);
    EXPECT_EQ(field == 12 ? 0 : 1, isEmpty) << field;  // the auto-increment column holds 2
  }
  std::vector<std::uint8_t> nulls(full.size());
  ASSERT_EQ(0u, engine->AdsGetNullRecord(table, nulls.data(), static_cast<std::uint32_t>(nulls.size())));
  auto autoBytes = Bytes(table, nulls, "Auto");
  std::int32_t autoNull;
  std::memcpy(&autoNull, autoBytes.data(), 4);
  EXPECT_EQ(-1, autoNull);
}

TEST_F(RecordImage, WritesGoThroughTheSameBytes) {
  engine->AdsGotoTop(table);
  double price = 20.01;
  std::int16_t shortValue = -5;
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Double"), &price, 8)) << LastError();
  ASSERT_EQ(0u, engine->AdsSetFieldRaw(table, Field(table, "Short"), &shortValue, 2)) << LastError();
  ASSERT_EQ(0u, engine->AdsSetField(table, Field(table, "Text"), "XY    ", 6)) << LastError();
  ASSERT_EQ(0u, engine->AdsSetEmpty(table, Field(table, "Money"))) << LastError();
  ASSERT_EQ(0u, engine->AdsWriteRecord(table)) << LastError();
  EXPECT_EQ(20.01, practice.QueryDouble("SELECT \"Double\" FROM ALLTYPES WHERE rowid = 1"));
  EXPECT_EQ(-5, practice.QueryInt("SELECT \"Short\" FROM ALLTYPES WHERE rowid = 1"));
  EXPECT_EQ("XY", practice.QueryText("SELECT \"Text\" FROM ALLTYPES WHERE rowid = 1"));
  EXPECT_FALSE(practice.QueryInt("SELECT \"Money\" FROM ALLTYPES WHERE rowid = 1").has_value());
  // Untouched columns keep their values.
  EXPECT_EQ("2000-01-01", practice.QueryText("SELECT \"Date\" FROM ALLTYPES WHERE rowid = 1"));
  // Bytes that are no value of the column are refused and name the column.
  std::int32_t badDate = 5;
  EXPECT_EQ(ace::kValueDoesNotFit, engine->AdsSetFieldRaw(table, Field(table, "Date"), &badDate, 4));
  EXPECT_NE(std::string::npos, LastError().find("column \"Date\""));
  EXPECT_EQ(ace::kValueDoesNotFit, engine->AdsSetField(table, Field(table, "Text"), "TOOLONGTEXT", 11));
}

TEST_F(RecordImage, CharacterFieldsAsText) {
  engine->AdsGotoTop(table);
  char buffer[32];
  std::uint32_t length = sizeof buffer;
  ASSERT_EQ(0u, engine->AdsGetField(table, Field(table, "Text"), buffer, &length, ace::kNoTrim));
  EXPECT_STREQ("AB    ", buffer);
  length = sizeof buffer;
  ASSERT_EQ(0u, engine->AdsGetField(table, Field(table, "Text"), buffer, &length, ace::kTrimRight));
  EXPECT_STREQ("AB", buffer);
}

}  // namespace
}  // namespace lw::test
