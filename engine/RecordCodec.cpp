#include "engine/RecordCodec.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/Currency.h"
#include "common/NumberText.h"
#include "common/Utf8.h"
#include "engine/Julian.h"

namespace lw::engine {

namespace {

namespace C = ace::ColumnType;

constexpr std::int64_t kFirstJulian = 1721426;  // 0001-01-01
constexpr std::int64_t kLastJulian = 5373484;   // 9999-12-31

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

bool AllZero(const std::uint8_t* bytes, std::uint32_t length) {
  for (std::uint32_t i = 0; i < length; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

void PutNumericText(const ColumnDef& column, double value, std::uint8_t* dst) {
  const std::string text = FormatFixed(value, column.decimals);
  const std::uint32_t length = column.length;
  if (text.size() > length) {
    std::memset(dst, '*', length);
    return;
  }
  std::memset(dst, ' ', length - text.size());
  std::memcpy(dst + (length - text.size()), text.data(), text.size());
}

void PutCompactDate(std::int64_t julian, std::uint8_t* dst) {
  CivilDate date = CivilFromJulian(julian);
  int packed = date.year * 2 + date.month / 8;
  dst[0] = static_cast<std::uint8_t>(packed / 256);
  dst[1] = static_cast<std::uint8_t>(packed % 256);
  dst[2] = static_cast<std::uint8_t>((date.month % 8) * 32 + date.day);
}

std::string Trimmed(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool ParseInteger(const std::string& text, std::int64_t& value) {
  const std::string t = Trimmed(text);
  const NumberRead read = ReadInteger(t, value);
  return read.ok && read.end == t.size();
}

bool ParseDouble(const std::string& text, double& value) {
  const std::string t = Trimmed(text);
  if (t.empty()) return false;
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  }
  double read = 0;
  const NumberRead outcome = ReadDouble(t, read);
  if (!outcome.ok || outcome.end != t.size() || !std::isfinite(read)) return false;
  value = read;
  return true;
}

// An exact decimal with at most four fraction digits as a count of ten-thousandths.
bool ParseMoney(const std::string& text, std::int64_t& count) {
  std::string t = Trimmed(text);
  bool negative = !t.empty() && t[0] == '-';
  std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i >= t.size()) return false;
  __int128 whole = 0;
  int fractionDigits = 0;
  bool point = false, digits = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point && ++fractionDigits > 4) return false;
      whole = whole * 10 + (c - '0');
      if (whole > (static_cast<__int128>(1) << 64)) return false;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  for (; fractionDigits < 4; ++fractionDigits) whole *= 10;
  if (negative) whole = -whole;
  if (whole > std::numeric_limits<std::int64_t>::max() || whole < std::numeric_limits<std::int64_t>::min() + 1) {
    return false;
  }
  count = static_cast<std::int64_t>(whole);
  return true;
}

std::string FormatDouble(double value) {
  // As printf's %.15g, %.16g or %.17g, whichever first reads back as the same number; to_chars
  // gives those exact texts without the locale and format-string work.
  char buffer[40];
  for (int precision = 15; precision <= 17; ++precision) {
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    double back = 0;
    std::from_chars(buffer, written.ptr, back);
    if (back == value || precision == 17) return std::string(buffer, written.ptr);
  }
  return {};
}

bool IntegerFits(std::uint16_t type, std::int64_t v) {
  switch (type) {
    case C::kInteger:
      return v > std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
    case C::kAutoInc:
      return v >= 0 && v <= std::numeric_limits<std::int32_t>::max();
    case C::kShortInt:
      return v > std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
    case C::kTime:
      return v >= 0 && v < 86400000;
    case C::kLogical:
      return v == 0 || v == 1;
    default:
      return true;
  }
}

}  // namespace

bool Value::operator==(const Value& other) const {
  if (kind != other.kind) return false;
  switch (kind) {
    case Kind::Null:
      return true;
    case Kind::Integer:
      return integer == other.integer;
    case Kind::Real:
      return real == other.real;
    default:
      return bytes == other.bytes;
  }
}

std::string Shown(const std::string& text) {
  // A value in a message: quoted, and cut (never inside a character) when it is long.
  constexpr std::size_t kMost = 80;
  if (text.size() <= kMost) return "\"" + text + "\"";
  std::size_t cut = kMost;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + text.substr(0, cut) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

Status ColumnError(std::uint32_t code, const ColumnDef& column, const std::string& why) {
  std::string text = std::string(ace::AceErrorText(code)) + " column \"" + column.name + "\"";
  text += why.empty() ? "." : ": " + why;
  return Status::WithText(code, text);
}

void WriteNullImage(const ColumnDef& column, std::uint8_t* image) {
  std::uint8_t* dst = image + column.offset;
  std::uint32_t length = column.length;
  std::memset(dst, 0, length);
  switch (column.type) {
    case C::kLogical:
      if (length > 0) dst[0] = ' ';
      break;
    case C::kDouble:
    case C::kCurDouble:
      if (length >= 8) {
        Put<std::int32_t>(dst, 32);
        Put<std::uint32_t>(dst + 4, 0x80000000u);
      }
      break;
    case C::kInteger:
      if (length >= 4) Put<std::int32_t>(dst, std::numeric_limits<std::int32_t>::min());
      break;
    case C::kShortInt:
      if (length >= 2) Put<std::uint16_t>(dst, 0x8000);
      break;
    case C::kTime:
    case C::kAutoInc:
      if (length >= 4) Put<std::int32_t>(dst, -1);
      break;
    case C::kTimestamp:
      if (length >= 8) Put<std::int32_t>(dst + 4, -1);
      break;
    case C::kMoney:
      if (length >= 8) Put<std::uint32_t>(dst + 4, 0x80000000u);
      break;
    default:
      break;
  }
}

void WriteImageFromStoredValue(const ColumnDef& column, sqlite3_value* value, std::uint8_t* image) {
  std::uint8_t* dst = image + column.offset;
  std::uint32_t length = column.length;
  switch (column.type) {
    case C::kString:
    case C::kCIString: {
      const unsigned char* text = sqlite3_value_text(value);
      std::uint32_t n = static_cast<std::uint32_t>(sqlite3_value_bytes(value));
      if (n > length) n = length;
      std::memcpy(dst, text, n);
      std::memset(dst + n, ' ', length - n);
      return;
    }
    case C::kLogical:
      dst[0] = sqlite3_value_int64(value) != 0 ? 'T' : 'F';
      return;
    case C::kNumeric:
      PutNumericText(column, sqlite3_value_double(value), dst);
      return;
    case C::kDouble:
    case C::kCurDouble:
      Put<double>(dst, sqlite3_value_double(value));
      return;
    case C::kInteger:
    case C::kTime:
    case C::kAutoInc:
      Put<std::int32_t>(dst, static_cast<std::int32_t>(sqlite3_value_int64(value)));
      return;
    case C::kShortInt:
      Put<std::int16_t>(dst, static_cast<std::int16_t>(sqlite3_value_int64(value)));
      return;
    case C::kMoney:
      Put<std::int64_t>(dst, sqlite3_value_int64(value));
      return;
    case C::kDate:
    case C::kCompactDate: {
      const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
      auto julian = ParseIsoDate(std::string_view(text, sqlite3_value_bytes(value)));
      if (!julian) break;
      if (column.type == C::kCompactDate) {
        if (length >= 3) PutCompactDate(*julian, dst);
      } else if (length == 4) {
        Put<std::int32_t>(dst, static_cast<std::int32_t>(*julian));
      } else {
        std::string compact = FormatCompactDate(*julian);
        std::memset(dst, ' ', length);
        std::memcpy(dst, compact.data(), std::min<std::size_t>(length, compact.size()));
      }
      return;
    }
    case C::kTimestamp: {
      const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
      auto stamp = ParseIsoTimestamp(std::string_view(text, sqlite3_value_bytes(value)));
      if (!stamp || length < 8) break;
      Put<std::uint32_t>(dst, static_cast<std::uint32_t>(stamp->julian));
      Put<std::uint32_t>(dst + 4, static_cast<std::uint32_t>(stamp->milliseconds));
      return;
    }
    case C::kMemo:
    case C::kBinary:
    case C::kImage:
    case C::kVarchar: {
      std::memset(dst, 0, length);
      if (length >= 4) Put<std::int32_t>(dst, sqlite3_value_bytes(value) > 0 ? 1 : 0);
      return;
    }
    case C::kRaw: {
      const void* blob = sqlite3_value_blob(value);
      std::uint32_t n = static_cast<std::uint32_t>(sqlite3_value_bytes(value));
      if (n > length) n = length;
      std::memcpy(dst, blob, n);
      std::memset(dst + n, 0, length - n);
      return;
    }
    default:
      break;
  }
  WriteNullImage(column, image);
}

Status ValueFromImage(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  value = Value();
  std::uint32_t length = column.length;
  switch (column.type) {
    case C::kLogical:
      if (bytes[0] == ' ') return {};
      value = Value::Int(bytes[0] == 'T' || bytes[0] == 't' || bytes[0] == 'Y' || bytes[0] == 'y' || bytes[0] == '1');
      return {};
    case C::kString:
    case C::kCIString: {
      if (AllZero(bytes, length)) return {};
      std::uint32_t n = 0;
      while (n < length && bytes[n] != 0) ++n;
      while (n > 0 && bytes[n - 1] == ' ') --n;
      value = Value::Text(std::string(reinterpret_cast<const char*>(bytes), n));
      return {};
    }
    case C::kNumeric: {
      if (AllZero(bytes, length)) return {};
      std::string text(reinterpret_cast<const char*>(bytes), length);
      if (Trimmed(text).empty()) return {};
      double v;
      if (!ParseDouble(text, v)) return ColumnError(ace::kValueDoesNotFit, column, "not a number");
      value = Value::Real(v);
      return {};
    }
    case C::kDate: {
      if (AllZero(bytes, length)) return {};
      std::int64_t julian;
      if (length == 4) {
        julian = Get<std::int32_t>(bytes);
      } else {
        auto parsed = ParseCompactDate(
            std::string_view(reinterpret_cast<const char*>(bytes), std::min<std::uint32_t>(8, length)));
        if (!parsed) return ColumnError(ace::kValueDoesNotFit, column, "not a date");
        julian = *parsed;
      }
      if (julian < kFirstJulian || julian > kLastJulian)
        return ColumnError(ace::kValueDoesNotFit, column, "not a date");
      value = Value::Text(FormatIsoDate(julian));
      return {};
    }
    case C::kCompactDate: {
      if (AllZero(bytes, length)) return {};
      int year = bytes[0] * 128 + bytes[1] / 2;
      int month = (bytes[1] % 2) * 8 + bytes[2] / 32;
      int day = bytes[2] % 32;
      if (!IsValidCivil(year, month, day)) return ColumnError(ace::kValueDoesNotFit, column, "not a date");
      value = Value::Text(FormatIsoDate(JulianFromCivil(year, month, day)));
      return {};
    }
    case C::kMemo:
    case C::kBinary:
    case C::kImage:
    case C::kVarchar:
      if (Get<std::int32_t>(bytes) == 0) return {};
      return ColumnError(ace::kColumnNotWritable, column, "large columns are not written from record images");
    case C::kDouble:
    case C::kCurDouble:
      if (Get<std::int32_t>(bytes) == 32 && Get<std::uint32_t>(bytes + 4) == 0x80000000u) return {};
      value = Value::Real(Get<double>(bytes));
      if (!std::isfinite(value.real)) return ColumnError(ace::kValueDoesNotFit, column, "not a finite number");
      return {};
    case C::kInteger: {
      std::int32_t v = Get<std::int32_t>(bytes);
      if (v != std::numeric_limits<std::int32_t>::min()) value = Value::Int(v);
      return {};
    }
    case C::kShortInt: {
      std::int16_t v = Get<std::int16_t>(bytes);
      if (static_cast<std::uint16_t>(v) != 0x8000) value = Value::Int(v);
      return {};
    }
    case C::kTime:
    case C::kAutoInc: {
      std::int32_t v = Get<std::int32_t>(bytes);
      if (v == -1) return {};
      // Bytes no value of the type has (a time past midnight, a negative counter) are refused
      // here rather than stored as a value no later write could take.
      if (!IntegerFits(column.type, v)) return ColumnError(ace::kValueDoesNotFit, column, "out of range");
      value = Value::Int(v);
      return {};
    }
    case C::kTimestamp: {
      std::uint32_t julian = Get<std::uint32_t>(bytes);
      if (julian == 0) return {};
      std::uint32_t ms = Get<std::uint32_t>(bytes + 4);
      if (julian < kFirstJulian || julian > kLastJulian || ms >= 86400000u) {
        return ColumnError(ace::kValueDoesNotFit, column, "not a timestamp");
      }
      value = Value::Text(FormatIsoTimestamp({julian, ms}));
      return {};
    }
    case C::kRaw:
      if (AllZero(bytes, length)) return {};
      value = Value::Blob(std::string(reinterpret_cast<const char*>(bytes), length));
      return {};
    case C::kMoney: {
      if (Get<std::uint32_t>(bytes) == 0 && Get<std::uint32_t>(bytes + 4) == 0x80000000u) return {};
      value = Value::Int(Get<std::int64_t>(bytes));
      return {};
    }
    default:
      return ColumnError(ace::kValueDoesNotFit, column, "unknown column type");
  }
}

Status WriteImageFromValue(const ColumnDef& column, const Value& value, std::uint8_t* image) {
  if (value.IsNull()) {
    WriteNullImage(column, image);
    return {};
  }
  LW_RETURN_IF_ERROR(CheckStoredValue(column, value));
  std::uint8_t* dst = image + column.offset;
  std::uint32_t length = column.length;
  switch (column.type) {
    case C::kString:
    case C::kCIString:
      std::memset(dst, ' ', length);
      std::memcpy(dst, value.bytes.data(), value.bytes.size());
      return {};
    case C::kLogical:
      dst[0] = value.integer != 0 ? 'T' : 'F';
      return {};
    case C::kNumeric:
      PutNumericText(column, value.kind == Value::Kind::Real ? value.real : static_cast<double>(value.integer), dst);
      return {};
    case C::kDouble:
    case C::kCurDouble:
      Put<double>(dst, value.kind == Value::Kind::Real ? value.real : static_cast<double>(value.integer));
      return {};
    case C::kInteger:
    case C::kTime:
    case C::kAutoInc:
      Put<std::int32_t>(dst, static_cast<std::int32_t>(value.integer));
      return {};
    case C::kShortInt:
      Put<std::int16_t>(dst, static_cast<std::int16_t>(value.integer));
      return {};
    case C::kMoney:
      Put<std::int64_t>(dst, value.integer);
      return {};
    case C::kDate: {
      std::int64_t julian = *ParseIsoDate(value.bytes);
      if (length == 4) {
        Put<std::int32_t>(dst, static_cast<std::int32_t>(julian));
      } else {
        std::string compact = FormatCompactDate(julian);
        std::memset(dst, ' ', length);
        std::memcpy(dst, compact.data(), std::min<std::size_t>(length, compact.size()));
      }
      return {};
    }
    case C::kCompactDate:
      PutCompactDate(*ParseIsoDate(value.bytes), dst);
      return {};
    case C::kTimestamp: {
      Timestamp stamp = *ParseIsoTimestamp(value.bytes);
      Put<std::uint32_t>(dst, static_cast<std::uint32_t>(stamp.julian));
      Put<std::uint32_t>(dst + 4, static_cast<std::uint32_t>(stamp.milliseconds));
      return {};
    }
    case C::kMemo:
    case C::kBinary:
    case C::kImage:
    case C::kVarchar:
      std::memset(dst, 0, length);
      Put<std::int32_t>(dst, value.bytes.empty() ? 0 : 1);
      return {};
    case C::kRaw:
      std::memset(dst, 0, length);
      std::memcpy(dst, value.bytes.data(), std::min<std::size_t>(length, value.bytes.size()));
      return {};
    default:
      return ColumnError(ace::kValueDoesNotFit, column, "unknown column type");
  }
}

Status CheckStoredValue(const ColumnDef& column, const Value& value) {
  if (value.IsNull()) return {};
  switch (column.type) {
    case C::kString:
    case C::kCIString:
      if (value.kind != Value::Kind::Text) return ColumnError(ace::kValueDoesNotFit, column, "text expected");
      // Widths are bytes of the stored UTF-8 text: "ÉÉÉÉÉ" is 5 characters but 10 bytes.
      if (value.bytes.size() > column.length) {
        return ColumnError(ace::kValueDoesNotFit, column,
                           "\"" + value.bytes + "\" is " + std::to_string(value.bytes.size()) +
                               " bytes of UTF-8 text; the column holds " + std::to_string(column.length));
      }
      return {};
    case C::kLogical:
    case C::kInteger:
    case C::kShortInt:
    case C::kTime:
    case C::kAutoInc:
    case C::kMoney:
      if (value.kind != Value::Kind::Integer) return ColumnError(ace::kValueDoesNotFit, column, "integer expected");
      if (!IntegerFits(column.type, value.integer)) return ColumnError(ace::kValueDoesNotFit, column, "out of range");
      return {};
    case C::kNumeric:
    case C::kDouble:
    case C::kCurDouble:
      if (value.kind != Value::Kind::Real && value.kind != Value::Kind::Integer) {
        return ColumnError(ace::kValueDoesNotFit, column, "number expected");
      }
      if (column.type == C::kNumeric) {
        const double v = value.kind == Value::Kind::Real ? value.real : static_cast<double>(value.integer);
        if (FormatFixed(v, column.decimals).size() > column.length)
          return ColumnError(ace::kValueDoesNotFit, column, "too wide");
      }
      return {};
    case C::kDate:
    case C::kCompactDate:
      if (value.kind != Value::Kind::Text || !ParseIsoDate(value.bytes)) {
        return ColumnError(ace::kValueDoesNotFit, column, "date YYYY-MM-DD expected");
      }
      return {};
    case C::kTimestamp:
      if (value.kind != Value::Kind::Text || !ParseIsoTimestamp(value.bytes)) {
        return ColumnError(ace::kValueDoesNotFit, column, "timestamp YYYY-MM-DD HH:MM:SS expected");
      }
      return {};
    case C::kRaw:
      if (value.bytes.size() > column.length) return ColumnError(ace::kValueDoesNotFit, column, "too long");
      return {};
    default:
      return {};
  }
}

Value ValueFromStatement(sqlite3_stmt* stmt, int index) {
  Value value;
  AssignValueFromStatement(stmt, index, value);
  return value;
}

void AssignValueFromStatement(sqlite3_stmt* stmt, int index, Value& value) {
  value.integer = 0;
  value.real = 0;
  switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
      value.kind = Value::Kind::Integer;
      value.integer = sqlite3_column_int64(stmt, index);
      value.bytes.clear();
      return;
    case SQLITE_FLOAT:
      value.kind = Value::Kind::Real;
      value.real = sqlite3_column_double(stmt, index);
      value.bytes.clear();
      return;
    case SQLITE_TEXT:
      value.kind = Value::Kind::Text;
      value.bytes.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, index)),
                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, index)));
      return;
    case SQLITE_BLOB: {
      value.kind = Value::Kind::Blob;
      const void* blob = sqlite3_column_blob(stmt, index);
      std::size_t size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, index));
      if (size == 0) {
        value.bytes.clear();
      } else {
        value.bytes.assign(static_cast<const char*>(blob), size);
      }
      return;
    }
    default:
      value.kind = Value::Kind::Null;
      value.bytes.clear();
      return;
  }
}

void AssignValue(Value& target, const Value& source) {
  target.kind = source.kind;
  target.integer = source.integer;
  target.real = source.real;
  target.bytes.assign(source.bytes);
}

void BindValue(sqlite3_stmt* stmt, int parameter, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null:
      sqlite3_bind_null(stmt, parameter);
      break;
    case Value::Kind::Integer:
      sqlite3_bind_int64(stmt, parameter, value.integer);
      break;
    case Value::Kind::Real:
      sqlite3_bind_double(stmt, parameter, value.real);
      break;
    case Value::Kind::Text:
      sqlite3_bind_text(stmt, parameter, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_STATIC);
      break;
    case Value::Kind::Blob:
      sqlite3_bind_blob(stmt, parameter, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_STATIC);
      break;
  }
}

void BindKey(sqlite3_stmt* stmt, int parameter, const Value& value) {
  if (value.IsNull()) {
    sqlite3_bind_double(stmt, parameter, -std::numeric_limits<double>::infinity());
  } else {
    BindValue(stmt, parameter, value);
  }
}

Status ValueFromText(const ColumnDef& column, const std::string& text, Value& value) {
  value = Value();
  if (text.empty()) return {};
  switch (column.type) {
    case C::kLogical: {
      std::string t = Trimmed(text);
      if (t == "T" || t == "t" || t == "Y" || t == "y" || t == "1")
        value = Value::Int(1);
      else if (t == "F" || t == "f" || t == "N" || t == "n" || t == "0")
        value = Value::Int(0);
      else
        return ColumnError(ace::kValueDoesNotFit, column, "logical T or F expected, got " + Shown(text));
      return {};
    }
    case C::kNumeric:
    case C::kDouble:
    case C::kCurDouble: {
      double v;
      if (!ParseDouble(text, v))
        return ColumnError(ace::kValueDoesNotFit, column, "number expected, got " + Shown(text));
      value = Value::Real(v);
      break;
    }
    case C::kInteger:
    case C::kShortInt:
    case C::kAutoInc: {
      std::int64_t v;
      if (!ParseInteger(text, v))
        return ColumnError(ace::kValueDoesNotFit, column, "integer expected, got " + Shown(text));
      value = Value::Int(v);
      break;
    }
    case C::kTime: {
      auto ms = ParseIsoTime(Trimmed(text));
      if (!ms) return ColumnError(ace::kValueDoesNotFit, column, "time HH:MM:SS expected, got " + Shown(text));
      value = Value::Int(*ms);
      break;
    }
    case C::kMoney: {
      std::int64_t count;
      if (!ParseMoney(text, count))
        return ColumnError(ace::kValueDoesNotFit, column, "amount expected, got " + Shown(text));
      value = Value::Int(count);
      break;
    }
    case C::kDate:
    case C::kCompactDate: {
      auto julian = ParseIsoDate(Trimmed(text));
      if (!julian) return ColumnError(ace::kValueDoesNotFit, column, "date YYYY-MM-DD expected, got " + Shown(text));
      value = Value::Text(FormatIsoDate(*julian));
      break;
    }
    case C::kTimestamp: {
      auto stamp = ParseIsoTimestamp(Trimmed(text));
      if (!stamp) return ColumnError(ace::kValueDoesNotFit, column, "timestamp expected, got " + Shown(text));
      value = Value::Text(FormatIsoTimestamp(*stamp));
      break;
    }
    case C::kBinary:
    case C::kImage:
    case C::kRaw:
      value = Value::Blob(text);
      break;
    default: {
      std::string t = text;
      if (ace::IsBlankPaddedText(column.type)) {
        while (!t.empty() && t.back() == ' ') t.pop_back();
        // Text given to the engine is UTF-8; bytes of another encoding would show as U+FFFD and
        // never match what a user types.
        if (!IsValidUtf8(t)) return ColumnError(ace::kValueDoesNotFit, column, "the text is not UTF-8");
      }
      value = Value::Text(t);
      break;
    }
  }
  return CheckStoredValue(column, value);
}

std::string TextFromValue(const ColumnDef& column, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null:
      return {};
    case Value::Kind::Integer:
      if (column.type == C::kLogical) return value.integer != 0 ? "T" : "F";
      if (column.type == C::kMoney) return FormatCurrency(Currency::FromCount(value.integer));
      if (column.type == C::kTime) return FormatIsoTime(value.integer);
      return std::to_string(value.integer);
    case Value::Kind::Real:
      return FormatDouble(value.real);
    default:
      return value.bytes;
  }
}

}  // namespace lw::engine
