#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/Exceptions.h"
#include "data/RecordImage.h"
#include "tests/support/ScopedLocale.h"

namespace lw {
namespace {

namespace ColumnType = ace::ColumnType;

ColumnDesc Col(std::uint16_t type, std::uint32_t length, std::uint16_t decimals = 0, std::uint32_t offset = 2) {
  ColumnDesc c;
  c.name = "C";
  c.number = 1;
  c.typeCode = type;
  c.length = length;
  c.decimals = decimals;
  c.offset = offset;
  c.fieldType = *FieldTypeFromColumnType(type, static_cast<int>(length), decimals);
  return c;
}

// Proleptic Gregorian CCYYMMDD <-> Julian day, as the engine's date functions do it.
class TestDates : public DateTextConverter {
 public:
  double JulianFromText(std::string_view text) override {
    const int y = std::stoi(std::string(text.substr(0, 4)));
    const int m = std::stoi(std::string(text.substr(4, 2)));
    const int d = std::stoi(std::string(text.substr(6, 2)));
    const int a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
  }
  std::string TextFromJulian(double julian) override {
    long long j = static_cast<long long>(julian);
    long long a = j + 32044, b = (4 * a + 3) / 146097, c = a - 146097 * b / 4;
    long long d = (4 * c + 3) / 1461, e = c - 1461 * d / 4, m = (5 * e + 2) / 153;
    char text[3 * 20 + 1];  // room for any three long longs, so nothing is ever cut
    std::snprintf(text, sizeof text, "%04lld%02lld%02lld", 100 * b + d - 4800 + m / 10, m + 3 - 12 * (m / 10),
                  e - (153 * m + 2) / 5 + 1);
    return text;
  }
};

// The NULL image written for each column type, byte for byte (integers little-endian).
struct NullImage {
  std::uint16_t type;
  std::vector<std::uint8_t> bytes;  // the whole column
};

const std::vector<NullImage> kAdtNullImages = {
    {ColumnType::kLogical, {' '}},
    {ColumnType::kNumeric, {0, 0, 0, 0, 0, 0}},
    {ColumnType::kDate, {0, 0, 0, 0}},
    {ColumnType::kDate, {0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kString, {0, 0, 0, 0, 0}},
    {ColumnType::kCompactDate, {0, 0, 0}},
    {ColumnType::kDouble, {0x20, 0, 0, 0, 0, 0, 0, 0x80}},
    {ColumnType::kInteger, {0, 0, 0, 0x80}},
    {ColumnType::kShortInt, {0, 0x80}},
    {ColumnType::kTime, {0xFF, 0xFF, 0xFF, 0xFF}},
    {ColumnType::kTimestamp, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
    {ColumnType::kAutoInc, {0xFF, 0xFF, 0xFF, 0xFF}},
    {ColumnType::kRaw, {0, 0, 0, 0, 0}},
    {ColumnType::kCurDouble, {0x20, 0, 0, 0, 0, 0, 0, 0x80}},
    {ColumnType::kMoney, {0, 0, 0, 0, 0, 0, 0, 0x80}},
    {ColumnType::kCIString, {0, 0, 0, 0, 0}},
};

const std::vector<NullImage> kOtherNullImages = {
    {ColumnType::kLogical, {' '}},
    {ColumnType::kNumeric, {' ', ' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kDate, {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kString, {' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kMemo, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kBinary, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kImage, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kVarchar, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kCompactDate, {0, 0, 0}},
    {ColumnType::kDouble, {0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kInteger, {0, 0, 0, 0}},
    {ColumnType::kShortInt, {0, 0}},
    {ColumnType::kTime, {' ', ' ', ' ', ' '}},
    {ColumnType::kTimestamp, {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kAutoInc, {' ', ' ', ' ', ' '}},
    {ColumnType::kRaw, {' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kCurDouble, {0, 0, 0, 0, 0, 0, 0, 0}},
    {ColumnType::kMoney, {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
    {ColumnType::kCIString, {' ', ' ', ' ', ' ', ' '}},
};

// Writes the NULL image of each column over a filled record and checks every byte of it, that
// nothing around the column changed, and (ADT) that the read side takes it for NULL.
void ExpectNullImages(const std::vector<NullImage>& images, bool adt) {
  for (const NullImage& want : images) {
    const auto length = static_cast<std::uint32_t>(want.bytes.size());
    SCOPED_TRACE("type " + std::to_string(want.type) + ", length " + std::to_string(length) +
                 (adt ? ", ADT" : ", other table type"));
    ColumnDesc column = Col(want.type, length);
    std::uint8_t record[24];
    std::memset(record, 0x5A, sizeof record);
    image::WriteNull(column, record, adt);
    EXPECT_EQ(std::vector<std::uint8_t>(record + 2, record + 2 + length), want.bytes);
    EXPECT_EQ(record[1], 0x5A) << "wrote before its column";
    EXPECT_EQ(record[2 + length], 0x5A) << "wrote past its column";
    if (adt) {
      EXPECT_TRUE(image::IsNull(column, record, adt));
    }
  }
}

TEST(RecordImage, NullImageWrittenIsRecognisedForEveryAdtType) {
  ExpectNullImages(kAdtNullImages, true);
  // Memo and other large columns: the NULL test looks only at the first four bytes.
  for (std::uint16_t type : {ColumnType::kMemo, ColumnType::kBinary, ColumnType::kImage, ColumnType::kVarchar}) {
    ColumnDesc column = Col(type, 9);
    std::uint8_t record[16];
    std::memset(record, 0x5A, sizeof record);
    image::WriteNull(column, record, true);
    EXPECT_EQ(image::LoadInt32(record + 2), 0) << "type " << type;
    EXPECT_TRUE(image::IsNull(column, record, true)) << "type " << type;
    EXPECT_EQ(record[2 + 9], 0x5A) << "type " << type << " wrote past its column";
  }
}

TEST(RecordImage, NullImageOfOtherTableTypesIsZerosOrBlanks) { ExpectNullImages(kOtherNullImages, false); }

TEST(RecordImage, AdtNullMarkersAreExact) {
  std::uint8_t record[16] = {};
  ColumnDesc dbl = Col(ColumnType::kDouble, 8);
  image::StoreDouble(record + 2, 0.0);
  EXPECT_FALSE(image::IsNull(dbl, record, true)) << "a stored zero is a value";
  image::StoreInt32(record + 2, 32);
  image::StoreInt32(record + 6, INT32_MIN);
  EXPECT_TRUE(image::IsNull(dbl, record, true));

  ColumnDesc integer = Col(ColumnType::kInteger, 4);
  image::StoreInt32(record + 2, 0);
  EXPECT_FALSE(image::IsNull(integer, record, true));
  image::StoreInt32(record + 2, INT32_MIN);
  EXPECT_TRUE(image::IsNull(integer, record, true));

  ColumnDesc autoinc = Col(ColumnType::kAutoInc, 4);
  image::StoreInt32(record + 2, -1);
  EXPECT_TRUE(image::IsNull(autoinc, record, true));

  ColumnDesc logical = Col(ColumnType::kLogical, 1);
  record[2] = ' ';
  EXPECT_TRUE(image::IsNull(logical, record, true));
  record[2] = 'F';
  EXPECT_FALSE(image::IsNull(logical, record, true));

  ColumnDesc timestamp = Col(ColumnType::kTimestamp, 8);
  image::StoreInt32(record + 2, 0);
  image::StoreInt32(record + 6, 5000);
  EXPECT_TRUE(image::IsNull(timestamp, record, true)) << "a zero date word alone marks NULL";

  ColumnDesc money = Col(ColumnType::kMoney, 8);
  image::StoreInt64(record + 2, 0);
  EXPECT_FALSE(image::IsNull(money, record, true));
  image::StoreInt32(record + 2, 0);
  image::StoreInt32(record + 6, INT32_MIN);
  EXPECT_TRUE(image::IsNull(money, record, true));

  ColumnDesc unknown = Col(ColumnType::kString, 4);
  unknown.typeCode = 19;
  EXPECT_TRUE(image::IsNull(unknown, record, true)) << "an unmapped code is always NULL";
}

TEST(RecordImage, OtherTableTypesUseBlankAndNeverNullMarkers) {
  std::uint8_t record[16];
  std::memset(record, ' ', sizeof record);
  EXPECT_TRUE(image::IsNull(Col(ColumnType::kString, 4), record, false));
  EXPECT_TRUE(image::IsNull(Col(ColumnType::kNumeric, 4), record, false));
  EXPECT_FALSE(image::IsNull(Col(ColumnType::kDouble, 8), record, false));
  EXPECT_FALSE(image::IsNull(Col(ColumnType::kInteger, 4), record, false));
  std::memset(record, 0, sizeof record);
  EXPECT_TRUE(image::IsNull(Col(ColumnType::kDate, 4), record, false));
  EXPECT_TRUE(image::IsNull(Col(ColumnType::kCompactDate, 3), record, false));
  EXPECT_TRUE(image::IsNull(Col(ColumnType::kTime, 4), record, false)) << "other codes are always NULL";

  std::memset(record, 0x5A, sizeof record);
  image::WriteNull(Col(ColumnType::kInteger, 4), record, false);
  EXPECT_EQ(image::LoadInt32(record + 2), 0);
  image::WriteNull(Col(ColumnType::kString, 4), record, false);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 4), "    ");
}

TEST(RecordImage, TextLosesOnlyTrailingBlanks) {
  ColumnDesc column = Col(ColumnType::kString, 4);
  std::uint8_t record[8] = {};
  std::memcpy(record + 2, "AB  ", 4);
  EXPECT_EQ(image::Text(column, record), "AB");
  std::memcpy(record + 2, "    ", 4);
  EXPECT_EQ(image::Text(column, record), "");
  std::memcpy(record + 2, " A  ", 4);
  EXPECT_EQ(image::Text(column, record), " A");
}

TEST(RecordImage, TextWritesPadWithBlanksAndEmptyTextWithZerosInAdt) {
  ColumnDesc column = Col(ColumnType::kString, 4);
  std::uint8_t record[8] = {};
  image::WriteText(column, record, "AB", true);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 4), "AB  ");
  image::WriteText(column, record, "", true);
  EXPECT_TRUE(image::IsNull(column, record, true));
  image::WriteText(column, record, "", false);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 4), "    ");
  image::WriteText(column, record, "ABCDEFG", true);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 4), "ABCD");
  EXPECT_EQ(record[6], 0) << "a long text is cut at the column";
}

TEST(RecordImage, LogicalReadsYesAndTrueLettersOnly) {
  ColumnDesc column = Col(ColumnType::kLogical, 1);
  std::uint8_t record[4] = {};
  for (char c : std::string("1TYty")) {
    record[2] = static_cast<std::uint8_t>(c);
    EXPECT_TRUE(image::Logical(column, record)) << c;
  }
  for (char c : std::string("NFnf0x")) {
    record[2] = static_cast<std::uint8_t>(c);
    EXPECT_FALSE(image::Logical(column, record)) << c;
  }
  image::WriteLogical(column, record, true);
  EXPECT_EQ(record[2], 'T');
  image::WriteLogical(column, record, false);
  EXPECT_EQ(record[2], 'F');
}

TEST(RecordImage, JulianDayNumbersBecomeDayCounts) {
  TestDates dates;
  ColumnDesc date = Col(ColumnType::kDate, 4);
  std::uint8_t record[8] = {};
  image::StoreInt32(record + 2, 2451545);  // 1 January 2000
  const std::int64_t days = image::DayCount(date, record, dates);
  EXPECT_EQ(days - kDateTimeDayOffset, 36526);
  image::WriteDayCount(date, record, days, dates);
  EXPECT_EQ(image::LoadInt32(record + 2), 2451545);

  ColumnDesc textDate = Col(ColumnType::kDate, 8);
  std::uint8_t wide[12] = {};
  std::memcpy(wide + 2, "20000101", 8);
  EXPECT_EQ(image::DayCount(textDate, wide, dates), days);
  image::WriteDayCount(textDate, wide, days + 1, dates);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(wide + 2), 8), "20000102");

  ColumnDesc narrow = Col(ColumnType::kDate, 6);
  EXPECT_THROW(
      {
        try {
          image::WriteDayCount(narrow, wide, days, dates);
        } catch (const EDatabaseError& e) {
          EXPECT_STREQ(e.what(), "Something's wrong with ADS date functions");
          throw;
        }
      },
      EDatabaseError);
}

TEST(RecordImage, CompactDatesPackYearMonthDay) {
  TestDates dates;
  ColumnDesc compact = Col(ColumnType::kCompactDate, 3);
  ColumnDesc date = Col(ColumnType::kDate, 4);
  std::uint8_t record[8] = {};
  image::StoreInt32(record + 2, static_cast<std::int32_t>(dates.JulianFromText("20240229")));
  const std::int64_t leapDay = image::DayCount(date, record, dates);
  image::WriteDayCount(compact, record, leapDay, dates);
  // year 2024, month 2, day 29: b0 = (4048 + 0) / 256, b1 = 4048 % 256, b2 = 2 * 32 + 29
  EXPECT_EQ(record[2], 15);
  EXPECT_EQ(record[3], 208);
  EXPECT_EQ(record[4], 93);
  EXPECT_EQ(image::DayCount(compact, record, dates), leapDay);
}

TEST(RecordImage, TimestampsSplitDaysAndMilliseconds) {
  ColumnDesc column = Col(ColumnType::kTimestamp, 8);
  std::uint8_t record[12] = {};
  const double ms = (730120.0) * kMillisecondsPerDay + 3600000.0 * 13 + 1;
  image::WriteTimestamp(column, record, ms);
  EXPECT_EQ(image::LoadInt32(record + 2), 2451545);
  EXPECT_EQ(image::LoadInt32(record + 6), 46800001);
  EXPECT_DOUBLE_EQ(image::TimestampMilliseconds(column, record), ms);
  image::StoreInt32(record + 2, 5);  // before day 0: clamps at 0
  EXPECT_EQ(image::TimestampMilliseconds(column, record), 0);
}

TEST(RecordImage, NumericTextIsRightAlignedFixedNotation) {
  // Stored numeric text keeps "." as its separator whatever the process locale says.
  test::ScopedLocale comma(test::kCommaLocale);
  ColumnDesc column = Col(ColumnType::kNumeric, 7, 2);
  std::uint8_t record[12] = {};
  image::WriteNumeric(column, record, 123.456);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 7), " 123.46");
  EXPECT_DOUBLE_EQ(image::NumericAsDouble(column, record), 123.46);
  image::WriteNumeric(column, record, -5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 7), "  -5.00");

  ColumnDesc whole = Col(ColumnType::kNumeric, 6, 0);
  image::WriteNumeric(whole, record, 123456);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 6), "123456");

  ColumnDesc small = Col(ColumnType::kNumeric, 3, 0);
  ASSERT_EQ(small.fieldType.type, FieldType::ftSmallint);
  image::WriteNumeric(small, record, 42);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 2), 3), " 42");
  EXPECT_EQ(image::NumericAsInteger(small, record), 42);

  for (double tooWide : {1234567.0, 99999.99}) {
    try {
      image::WriteNumeric(column, record, tooWide);
      ADD_FAILURE() << tooWide << " fitted";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Numeric out of range.");
    }
  }
  EXPECT_THROW(image::WriteNumeric(whole, record, 1e7), EDatabaseError);
  EXPECT_THROW(image::WriteNumeric(small, record, 12345), EDatabaseError);
}

}  // namespace
}  // namespace lw
