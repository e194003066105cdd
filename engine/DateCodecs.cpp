// Date, compact date, time and timestamp columns (ColumnCodecs.h). Stored values are ISO 8601
// text ("YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS.mmm"); times are milliseconds since midnight.

#include <algorithm>
#include <string_view>

#include "engine/ColumnCodecs.h"
#include "engine/Julian.h"

namespace lw::engine {

namespace {

constexpr std::int64_t kFirstJulian = 1721426;  // 0001-01-01
constexpr std::int64_t kLastJulian = 5373484;   // 9999-12-31
constexpr std::int64_t kMillisecondsPerDay = 86400000;

std::string_view StoredText(sqlite3_value* value) {
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return std::string_view(text, sqlite3_value_bytes(value));
}

// A date column is a 4-byte Julian day, or compact "YYYYMMDD" text when it is longer.
void PutDate(std::int64_t julian, std::uint32_t length, std::uint8_t* dst) {
  if (length == 4) {
    Put<std::int32_t>(dst, static_cast<std::int32_t>(julian));
  } else {
    std::string compact = FormatCompactDate(julian);
    std::memset(dst, ' ', length);
    std::memcpy(dst, compact.data(), std::min<std::size_t>(length, compact.size()));
  }
}

void PutCompactDate(std::int64_t julian, std::uint8_t* dst) {
  CivilDate date = CivilFromJulian(julian);
  int packed = date.year * 2 + date.month / 8;
  dst[0] = static_cast<std::uint8_t>(packed / 256);
  dst[1] = static_cast<std::uint8_t>(packed % 256);
  dst[2] = static_cast<std::uint8_t>((date.month % 8) * 32 + date.day);
}

Status CheckDate(const ColumnDef& column, const Value& value) {
  if (value.kind != Value::Kind::Text || !ParseIsoDate(value.bytes)) {
    return ColumnError(ace::kValueDoesNotFit, column, "date YYYY-MM-DD expected");
  }
  return {};
}

Status DateFromText(const ColumnDef& column, const std::string& text, Value& value) {
  auto julian = ParseIsoDate(Trimmed(text));
  if (!julian) return ColumnError(ace::kValueDoesNotFit, column, "date YYYY-MM-DD expected, got " + Shown(text));
  value = Value::Text(FormatIsoDate(*julian));
  return {};
}

}  // namespace

// Date.

bool DateCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  auto julian = ParseIsoDate(StoredText(value));
  if (!julian) return false;
  PutDate(*julian, column.length, dst);
  return true;
}
Status DateCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  const std::uint32_t length = column.length;
  if (AllZero(bytes, length)) return {};
  std::int64_t julian;
  if (length == 4) {
    julian = Get<std::int32_t>(bytes);
  } else {
    auto parsed =
        ParseCompactDate(std::string_view(reinterpret_cast<const char*>(bytes), std::min<std::uint32_t>(8, length)));
    if (!parsed) return ColumnError(ace::kValueDoesNotFit, column, "not a date");
    julian = *parsed;
  }
  if (julian < kFirstJulian || julian > kLastJulian) return ColumnError(ace::kValueDoesNotFit, column, "not a date");
  value = Value::Text(FormatIsoDate(julian));
  return {};
}
Status DateCodec::Check(const ColumnDef& column, const Value& value) { return CheckDate(column, value); }
Status DateCodec::FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst) {
  PutDate(*ParseIsoDate(value.bytes), column.length, dst);
  return {};
}
Status DateCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return DateFromText(column, text, value);
}

// Compact date.

bool CompactDateCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  auto julian = ParseIsoDate(StoredText(value));
  if (!julian) return false;
  if (column.length >= 3) PutCompactDate(*julian, dst);
  return true;
}
Status CompactDateCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  if (AllZero(bytes, column.length)) return {};
  int year = bytes[0] * 128 + bytes[1] / 2;
  int month = (bytes[1] % 2) * 8 + bytes[2] / 32;
  int day = bytes[2] % 32;
  if (!IsValidCivil(year, month, day)) return ColumnError(ace::kValueDoesNotFit, column, "not a date");
  value = Value::Text(FormatIsoDate(JulianFromCivil(year, month, day)));
  return {};
}
Status CompactDateCodec::Check(const ColumnDef& column, const Value& value) { return CheckDate(column, value); }
Status CompactDateCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  PutCompactDate(*ParseIsoDate(value.bytes), dst);
  return {};
}
Status CompactDateCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  return DateFromText(column, text, value);
}

// Time.

bool TimeCodec::Fits(std::int64_t v) { return v >= 0 && v < kMillisecondsPerDay; }
void TimeCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 4) Put<std::int32_t>(dst, -1);
}
bool TimeCodec::FromStored(const ColumnDef&, sqlite3_value* value, std::uint8_t* dst) {
  Put<std::int32_t>(dst, static_cast<std::int32_t>(sqlite3_value_int64(value)));
  return true;
}
Status TimeCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  std::int32_t v = Get<std::int32_t>(bytes);
  if (v == -1) return {};
  // Bytes no value of the type has (a time past midnight) are refused here rather than stored
  // as a value no later write could take.
  if (!Fits(v)) return ColumnError(ace::kValueDoesNotFit, column, "out of range");
  value = Value::Int(v);
  return {};
}
Status TimeCodec::Check(const ColumnDef& column, const Value& value) {
  return CheckIntegerValue(column, value, Fits(value.integer));
}
Status TimeCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  Put<std::int32_t>(dst, static_cast<std::int32_t>(value.integer));
  return {};
}
Status TimeCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  auto ms = ParseIsoTime(Trimmed(text));
  if (!ms) return ColumnError(ace::kValueDoesNotFit, column, "time HH:MM:SS expected, got " + Shown(text));
  value = Value::Int(*ms);
  return {};
}
std::string TimeCodec::IntegerText(std::int64_t milliseconds) { return FormatIsoTime(milliseconds); }

// Timestamp.

void TimestampCodec::MarkNull(std::uint8_t* dst, std::uint32_t length) {
  if (length >= 8) Put<std::int32_t>(dst + 4, -1);
}
bool TimestampCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  auto stamp = ParseIsoTimestamp(StoredText(value));
  if (!stamp || column.length < 8) return false;
  Put<std::uint32_t>(dst, static_cast<std::uint32_t>(stamp->julian));
  Put<std::uint32_t>(dst + 4, static_cast<std::uint32_t>(stamp->milliseconds));
  return true;
}
Status TimestampCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  std::uint32_t julian = Get<std::uint32_t>(bytes);
  if (julian == 0) return {};
  std::uint32_t ms = Get<std::uint32_t>(bytes + 4);
  if (julian < kFirstJulian || julian > kLastJulian || ms >= kMillisecondsPerDay) {
    return ColumnError(ace::kValueDoesNotFit, column, "not a timestamp");
  }
  value = Value::Text(FormatIsoTimestamp({julian, ms}));
  return {};
}
Status TimestampCodec::Check(const ColumnDef& column, const Value& value) {
  if (value.kind != Value::Kind::Text || !ParseIsoTimestamp(value.bytes)) {
    return ColumnError(ace::kValueDoesNotFit, column, "timestamp YYYY-MM-DD HH:MM:SS expected");
  }
  return {};
}
Status TimestampCodec::FromValue(const ColumnDef&, const Value& value, std::uint8_t* dst) {
  Timestamp stamp = *ParseIsoTimestamp(value.bytes);
  Put<std::uint32_t>(dst, static_cast<std::uint32_t>(stamp.julian));
  Put<std::uint32_t>(dst + 4, static_cast<std::uint32_t>(stamp.milliseconds));
  return {};
}
Status TimestampCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  auto stamp = ParseIsoTimestamp(Trimmed(text));
  if (!stamp) return ColumnError(ace::kValueDoesNotFit, column, "timestamp expected, got " + Shown(text));
  value = Value::Text(FormatIsoTimestamp(*stamp));
  return {};
}

}  // namespace lw::engine
