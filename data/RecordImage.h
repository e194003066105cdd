#pragma once
// The column list entry of an open cursor and the byte conventions of a record image: the
// NULL markers of each column type, the internal value read from a column's bytes, and the
// bytes written for a value. All integers in record images are little-endian.
//
// These functions see only bytes; the engine calls some conversions need (the table type,
// date text) are made by the caller and handed in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/FieldTypes.h"

namespace lw {

// One column of an open cursor, as the engine describes it.
struct ColumnDesc {
  std::string name;               // at most 128 characters
  std::uint16_t number = 0;       // from 1; the number every engine call uses
  std::uint16_t typeCode = 0;     // the engine's column type code
  std::uint32_t length = 0;       // bytes in the record image
  std::uint16_t decimals = 0;     // numeric columns only
  std::uint32_t offset = 0;       // where the column starts in the record image
  std::uint32_t permissions = 0;  // 2: update granted, 4: insert granted
  FieldTypeInfo fieldType{FieldType::ftString};
  bool modified = false;  // assigned since the edit began
};

inline constexpr std::uint32_t kPermissionUpdate = 2;
inline constexpr std::uint32_t kPermissionInsert = 4;

// Days from 1 January of year 1 (day 1) to the Julian day number 0.
inline constexpr std::int64_t kJulianDayOffset = 1721425;
// Days from 1 January of year 1 (day 1) to 30 December 1899 (date-time 0).
inline constexpr std::int64_t kDateTimeDayOffset = 693594;
inline constexpr double kMillisecondsPerDay = 86400000.0;

// Date text conversions the engine does for date columns that are not 4-byte Julian days.
class DateTextConverter {
 public:
  virtual ~DateTextConverter() = default;
  virtual double JulianFromText(std::string_view text) = 0;
  virtual std::string TextFromJulian(double julian) = 0;
};

namespace image {

std::int16_t LoadInt16(const std::uint8_t* p);
std::int32_t LoadInt32(const std::uint8_t* p);
std::uint32_t LoadUInt32(const std::uint8_t* p);
std::int64_t LoadInt64(const std::uint8_t* p);
double LoadDouble(const std::uint8_t* p);
void StoreInt16(std::uint8_t* p, std::int16_t v);
void StoreInt32(std::uint8_t* p, std::int32_t v);
void StoreInt64(std::uint8_t* p, std::int64_t v);
void StoreDouble(std::uint8_t* p, double v);

// Whether the column holds its NULL marker. `adt` chooses the marker table of ADT tables
// (engine table type 3) over that of the other table types.
bool IsNull(const ColumnDesc& column, const std::uint8_t* record, bool adt);

// Text of a character column with every trailing blank removed.
std::string Text(const ColumnDesc& column, const std::uint8_t* record);
// Logical: true for "1", "T", "Y", "t", "y".
bool Logical(const ColumnDesc& column, const std::uint8_t* record);
// Numeric text parsed with "." as decimal separator.
double NumericAsDouble(const ColumnDesc& column, const std::uint8_t* record);
std::int32_t NumericAsInteger(const ColumnDesc& column, const std::uint8_t* record);
// The day count (1 January of year 1 is day 1) of a date (code 3) or compact date (code 9).
std::int64_t DayCount(const ColumnDesc& column, const std::uint8_t* record, DateTextConverter& dates);
// Milliseconds since day 0 of a timestamp (code 14); a negative result becomes 0.
double TimestampMilliseconds(const ColumnDesc& column, const std::uint8_t* record);

// Writes the column's NULL image.
void WriteNull(const ColumnDesc& column, std::uint8_t* record, bool adt);
void WriteText(const ColumnDesc& column, std::uint8_t* record, std::string_view text, bool adt);
void WriteLogical(const ColumnDesc& column, std::uint8_t* record, bool value);
// Numeric (code 2) columns: fails with "Numeric out of range." when the text does not fit.
void WriteNumeric(const ColumnDesc& column, std::uint8_t* record, double value);
// Date (code 3) and compact date (code 9) from a day count; date text longer than the column
// fails with "Something's wrong with ADS date functions".
void WriteDayCount(const ColumnDesc& column, std::uint8_t* record, std::int64_t dayCount, DateTextConverter& dates);
// Timestamp (code 14) from milliseconds since day 0.
void WriteTimestamp(const ColumnDesc& column, std::uint8_t* record, double milliseconds);
void WriteBytes(const ColumnDesc& column, std::uint8_t* record, std::string_view bytes);

}  // namespace image
}  // namespace lw
