// Conversions between stored values, their text forms and record-image bytes, and the date
// calls of the interface.

#include "common/Exceptions.h"
#include "engine/Julian.h"
#include "engine/RecordCodec.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/ScopedLocale.h"

namespace lw::test {
namespace {

using engine::ColumnDef;
using engine::Value;

ColumnDef Column(std::uint16_t type, std::uint32_t length, std::uint16_t decimals = 0) {
  ColumnDef column;
  column.name = "C";
  column.type = type;
  column.length = length;
  column.decimals = decimals;
  column.storage = engine::StorageOf(type);
  return column;
}

TEST(Julian, CivilDatesRoundTripAcrossLeapRules) {
  EXPECT_EQ(2451545, engine::JulianFromCivil(2000, 1, 1));
  EXPECT_EQ(1721426, engine::JulianFromCivil(1, 1, 1));
  for (std::int64_t day : {1721426LL, 2415020LL, 2451604LL, 2451605LL, 2488070LL, 5373484LL}) {
    auto civil = engine::CivilFromJulian(day);
    EXPECT_EQ(day, engine::JulianFromCivil(civil.year, civil.month, civil.day)) << day;
  }
  EXPECT_TRUE(engine::ParseIsoDate("2000-02-29").has_value());
  EXPECT_FALSE(engine::ParseIsoDate("1900-02-29").has_value());
  EXPECT_FALSE(engine::ParseIsoDate("2021-04-31").has_value());
  EXPECT_FALSE(engine::ParseIsoDate("2021-4-3").has_value());
  EXPECT_EQ("1899-12-30", engine::FormatIsoDate(2415019));
  auto stamp = engine::ParseIsoTimestamp("2020-05-06T07:08:09.5");
  ASSERT_TRUE(stamp.has_value());
  EXPECT_EQ(((7 * 60 + 8) * 60 + 9) * 1000 + 500, stamp->milliseconds);
  EXPECT_EQ("2020-05-06 07:08:09.500", engine::FormatIsoTimestamp(*stamp));
  EXPECT_FALSE(engine::ParseIsoTimestamp("2020-05-06 24:00:00").has_value());
}

TEST(ValueText, EveryTypeReadsItsTextFormAndRefusesOthers) {
  struct Case {
    std::uint16_t type;
    std::uint32_t length;
    const char* text;
    bool ok;
    const char* back;  // the text form read back ("" to skip)
  };
  const Case cases[] = {
      // clang-format off
      {1, 1, "T", true, "T"},
      {1, 1, "n", true, "F"},
      {1, 1, "maybe", false, ""},
      {4, 4, "ABCD", true, "ABCD"},
      {4, 4, "ABCDE", false, ""},
      {4, 4, "AB  ", true, "AB"},
      {4, 8, "\xC3\x89\xC3\x89\xC3\x89\xC3\x89", true, "\xC3\x89\xC3\x89\xC3\x89\xC3\x89"},  // ÉÉÉÉ: 8 bytes
      {4, 8, "\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89", false, ""},                        // ÉÉÉÉÉ: 10 bytes
      {4, 8, "\xC9" "COLE", false, ""},                                                     // Latin-1 É
      // clang-format on
      {10, 8, "19.99", true, "19.99"},
      {10, 8, " +12.50 ", true, "12.5"},
      {10, 8, "1,5", false, ""},
      {10, 8, "1e3", true, "1000"},
      {11, 4, "-2147483647", true, ""},
      {11, 4, "-2147483648", false, ""},
      {11, 4, "12x", false, ""},
      {12, 2, "32767", true, ""},
      {12, 2, "40000", false, ""},
      {15, 4, "-1", false, ""},
      {18, 8, "123.4567", true, "123.4567"},
      {18, 8, "0.00001", false, ""},
      {18, 8, "-0.5", true, "-0.5000"},
      {3, 4, "2020-01-31", true, "2020-01-31"},
      {3, 4, "31/01/2020", false, ""},
      {14, 8, "2020-01-31 10:00:00", true, "2020-01-31 10:00:00.000"},
      {13, 4, "25:00:00", false, ""},
  };
  // Numbers keep "." under a locale whose separator is a comma.
  for (const char* locale : {"C", kCommaLocale}) {
    ScopedLocale scoped(locale);
    for (const Case& c : cases) {
      ColumnDef column = Column(c.type, c.length);
      Value value;
      engine::Status status = engine::ValueFromText(column, c.text, value);
      EXPECT_EQ(c.ok, status.ok()) << locale << ": " << c.type << " " << c.text << ": " << status.text();
      if (!c.ok) {
        EXPECT_EQ(ace::kValueDoesNotFit, status.code());
        EXPECT_NE(std::string::npos, status.text().find("column \"C\""));
        continue;
      }
      if (*c.back) {
        EXPECT_EQ(c.back, engine::TextFromValue(column, value)) << c.text;
      }
    }
  }
  // A width is counted in bytes, and the message says so.
  Value tooLong;
  const engine::Status status =
      engine::ValueFromText(Column(4, 8), "\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89", tooLong);
  EXPECT_NE(status.text().find("is 10 bytes of UTF-8 text; the column holds 8"), std::string::npos) << status.text();
  Value empty;
  ASSERT_TRUE(engine::ValueFromText(Column(11, 4), "", empty).ok());
  EXPECT_TRUE(empty.IsNull());
}

TEST(ValueImage, EveryValueSurvivesTheRoundTripThroughItsBytes) {
  const std::pair<ColumnDef, Value> cases[] = {
      {Column(1, 1), Value::Int(1)},
      {Column(2, 8, 2), Value::Real(-12.25)},
      {Column(3, 4), Value::Text("1999-12-31")},
      {Column(3, 8), Value::Text("1999-12-31")},
      {Column(4, 5), Value::Text(" A")},
      {Column(9, 3), Value::Text("2024-02-29")},
      {Column(10, 8), Value::Real(0.1)},
      {Column(11, 4), Value::Int(-5)},
      {Column(12, 2), Value::Int(-300)},
      {Column(13, 4), Value::Int(86399999)},
      {Column(14, 8), Value::Text("2001-02-03 04:05:06.007")},
      {Column(15, 4), Value::Int(7)},
      {Column(16, 2), Value::Blob("\x01\x02")},
      {Column(18, 8), Value::Int(-1234567)},
      {Column(20, 3), Value::Text("abc")},
  };
  ScopedLocale comma(kCommaLocale);
  for (const auto& [column, value] : cases) {
    std::vector<std::uint8_t> image(column.length, 0xAA);
    ASSERT_TRUE(engine::WriteImageFromValue(column, value, image.data()).ok()) << column.type;
    Value back;
    ASSERT_TRUE(engine::ValueFromImage(column, image.data(), back).ok()) << column.type;
    EXPECT_TRUE(back == value) << column.type;
    engine::WriteNullImage(column, image.data());
    ASSERT_TRUE(engine::ValueFromImage(column, image.data(), back).ok()) << column.type;
    EXPECT_TRUE(back.IsNull()) << column.type;
  }
  // Numeric text is written with its point.
  std::vector<std::uint8_t> numeric(8);
  ASSERT_TRUE(engine::WriteImageFromValue(Column(2, 8, 2), Value::Real(-12.25), numeric.data()).ok());
  EXPECT_EQ(std::string(numeric.begin(), numeric.end()), "  -12.25");
  // A numeric too wide for its column is refused, not cut.
  std::vector<std::uint8_t> image(4);
  EXPECT_FALSE(engine::WriteImageFromValue(Column(2, 4, 2), Value::Real(123.5), image.data()).ok());
}

// Found by fuzzing: a time image past midnight read as a value no write could store.
TEST(ValueImage, BytesNoValueOfTheTypeHasAreRefused) {
  const std::pair<ColumnDef, std::int32_t> cases[] = {
      {Column(13, 4), 89915136}, {Column(13, 4), 86400000}, {Column(13, 4), -2}, {Column(15, 4), -5}};
  for (const auto& [column, stored] : cases) {
    std::uint8_t image[4];
    std::memcpy(image, &stored, 4);
    Value value;
    const engine::Status status = engine::ValueFromImage(column, image, value);
    EXPECT_EQ(ace::kValueDoesNotFit, status.code()) << column.type << " " << stored;
  }
}

TEST(DateCalls, ConvertBetweenJulianDaysAndCompactText) {
  auto engine = NewEngine();
  double julian = 0;
  ASSERT_EQ(0u, engine->AdsConvertStringToJulian("20000101", 8, &julian));
  EXPECT_EQ(2451545.0, julian);
  ASSERT_EQ(0u, engine->AdsConvertStringToJulian("        ", 8, &julian));
  EXPECT_EQ(0.0, julian);
  EXPECT_EQ(ace::kInvalidArgument, engine->AdsConvertStringToJulian("20001301", 8, &julian));
  char text[16];
  std::uint16_t length = sizeof text;
  ASSERT_EQ(0u, engine->AdsConvertJulianToString(2451604, text, &length));
  EXPECT_STREQ("20000229", text);
  length = 4;
  EXPECT_EQ(ace::kInsufficientBuffer, engine->AdsConvertJulianToString(2451604, text, &length));
}

TEST(Loader, RefusesUnknownColumnsAndValuesThatDoNotFit) {
  PracticeFixture practice;
  EXPECT_THROW(practice.Insert("MWTRN", {{"No Such Column", std::string("x")}}), EDatabaseError);
  EXPECT_THROW(practice.Insert("MWTRN", {{"Chart Number", std::string("NINECHARS")}}), EDatabaseError);
  EXPECT_THROW(practice.Insert("MWTRN", {{"Case Number", 1.5}}), EDatabaseError);
  EXPECT_THROW(practice.Insert("NOTABLE", {}), EDatabaseError);
  try {
    practice.Insert("MWTRN", {{"Date From", std::string("yesterday")}});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("column \"Date From\"")) << e.Message();
  }
  EXPECT_EQ(0, practice.QueryInt("SELECT count(*) FROM MWTRN"));
  // A failed batch leaves nothing behind.
  EXPECT_THROW(practice.InsertAll("MWTRN", {{{"Chart Number", std::string("A")}}, {{"Case Number", std::string("x")}}}),
               EDatabaseError);
  EXPECT_EQ(0, practice.QueryInt("SELECT count(*) FROM MWTRN"));
  EXPECT_EQ(1, practice.Insert("MWTRN", {{"Chart Number", std::string("A")}}));
}

}  // namespace
}  // namespace lw::test
