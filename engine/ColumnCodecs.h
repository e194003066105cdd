#pragma once
// Each column type's conversions in one place: a codec per type (or per types that behave
// alike) says how its values sit in a record image, how a stored SQLite value becomes those
// bytes, and how values are checked and read from text. RecordCodec.cpp picks a column's codec
// with one switch (WithCodec) and calls it directly, so a row costs no virtual call per column.
//
// Every codec has these static functions:
//   void MarkNull(std::uint8_t* dst, std::uint32_t length)
//       writes the NULL marker over bytes already zeroed;
//   bool FromStored(const ColumnDef&, sqlite3_value*, std::uint8_t* dst)
//       writes a stored value that is not NULL; false when it cannot be read as the type;
//   Status ToValue(const ColumnDef&, const std::uint8_t* bytes, Value&)
//       reads the bytes into a Null value (left Null for the NULL marker);
//   Status Check(const ColumnDef&, const Value&)
//       checks a value that is not Null against the column;
//   Status FromValue(const ColumnDef&, const Value&, std::uint8_t* dst)
//       writes a value that is not Null and has passed Check;
//   Status FromText(const ColumnDef&, const std::string&, Value&)
//       reads a text that is not empty (Check runs afterwards);
//   std::string IntegerText(std::int64_t)
//       the text form of an integer value.

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "data/ace/AceTypes.h"
#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

template <typename T>
void Put(std::uint8_t* dst, T value) {
  std::memcpy(dst, &value, sizeof value);  // every supported platform is little-endian
}
template <typename T>
T Get(const std::uint8_t* src) {
  T value;
  std::memcpy(&value, src, sizeof value);
  return value;
}

inline bool AllZero(const std::uint8_t* bytes, std::uint32_t length) {
  for (std::uint32_t i = 0; i < length; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// The text without leading and trailing blanks and tabs.
std::string Trimmed(const std::string& text);

// The check every integer-valued column makes: an integer value, within the type's range.
Status CheckIntegerValue(const ColumnDef& column, const Value& value, bool fits);

// What most codecs share: no NULL marker beyond zero bytes, integers shown in decimal.
struct CodecDefaults {
  static void MarkNull(std::uint8_t*, std::uint32_t) {}
  static std::string IntegerText(std::int64_t v) { return std::to_string(v); }
};

// Numbers (NumberCodecs.cpp).

struct LogicalCodec : CodecDefaults {  // 'T' / 'F', a blank for NULL
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
  static std::string IntegerText(std::int64_t v) { return v != 0 ? "T" : "F"; }
};

struct NumericCodec : CodecDefaults {  // right-aligned decimal text with the column's decimals
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct DoubleCodec : CodecDefaults {  // an 8-byte double (double and currency-double columns)
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct IntegerCodec : CodecDefaults {  // a 4-byte signed integer, its lowest value for NULL
  static bool Fits(std::int64_t v);
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct ShortIntCodec : CodecDefaults {  // a 2-byte signed integer, its lowest value for NULL
  static bool Fits(std::int64_t v);
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct AutoIncCodec : CodecDefaults {  // a 4-byte counter from 0, -1 for NULL
  static bool Fits(std::int64_t v);
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct MoneyCodec : CodecDefaults {  // an 8-byte count of ten-thousandths
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
  static std::string IntegerText(std::int64_t count);
};

// Dates and times (DateCodecs.cpp).

struct DateCodec : CodecDefaults {  // a 4-byte Julian day, or "YYYYMMDD" text in 8 bytes
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct CompactDateCodec : CodecDefaults {  // year, month and day packed into 3 bytes
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct TimeCodec : CodecDefaults {  // 4 bytes of milliseconds since midnight, -1 for NULL
  static bool Fits(std::int64_t v);
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
  static std::string IntegerText(std::int64_t milliseconds);
};

struct TimestampCodec : CodecDefaults {  // a 4-byte Julian day, then 4 bytes of milliseconds
  static void MarkNull(std::uint8_t* dst, std::uint32_t length);
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

// Text and bytes (TextCodecs.cpp).

struct TextCodec : CodecDefaults {  // blank-padded text (both cases of text columns)
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

struct RawCodec : CodecDefaults {  // zero-padded bytes
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

// Memo, binary, image and varchar: the value lives outside the record, whose first four bytes
// only say whether there is one.
struct LargeColumnCodec : CodecDefaults {
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
};
struct LargeTextCodec : LargeColumnCodec {  // memo and varchar
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};
struct LargeBinaryCodec : LargeColumnCodec {  // binary and image
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

// A code the engine does not know: NULL only, and text kept as it is given.
struct UnknownCodec : CodecDefaults {
  static bool FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst);
  static Status ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value);
  static Status Check(const ColumnDef& column, const Value& value);
  static Status FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst);
  static Status FromText(const ColumnDef& column, const std::string& text, Value& value);
};

// Calls visit(codec) with the codec of the column type code and returns what it returns.
template <typename Visit>
decltype(auto) WithCodec(std::uint16_t type, Visit&& visit) {
  namespace C = ace::ColumnType;
  switch (type) {
    case C::kLogical: return visit(LogicalCodec{});
    case C::kNumeric: return visit(NumericCodec{});
    case C::kDouble:
    case C::kCurDouble: return visit(DoubleCodec{});
    case C::kInteger: return visit(IntegerCodec{});
    case C::kShortInt: return visit(ShortIntCodec{});
    case C::kAutoInc: return visit(AutoIncCodec{});
    case C::kMoney: return visit(MoneyCodec{});
    case C::kDate: return visit(DateCodec{});
    case C::kCompactDate: return visit(CompactDateCodec{});
    case C::kTime: return visit(TimeCodec{});
    case C::kTimestamp: return visit(TimestampCodec{});
    case C::kString:
    case C::kCIString: return visit(TextCodec{});
    case C::kRaw: return visit(RawCodec{});
    case C::kMemo:
    case C::kVarchar: return visit(LargeTextCodec{});
    case C::kBinary:
    case C::kImage: return visit(LargeBinaryCodec{});
    default: return visit(UnknownCodec{});
  }
}

}  // namespace lw::engine
