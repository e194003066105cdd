#include "engine/RecordCodec.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "engine/ColumnCodecs.h"

namespace lw::engine {

namespace {

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

}  // namespace

std::string Trimmed(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool Value::operator==(const Value& other) const {
  if (kind != other.kind) return false;
  switch (kind) {
    case Kind::Null: return true;
    case Kind::Integer: return integer == other.integer;
    case Kind::Real: return real == other.real;
    default: return bytes == other.bytes;
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
  std::memset(dst, 0, column.length);
  WithCodec(column.type, [&](auto codec) { codec.MarkNull(dst, column.length); });
}

void WriteImageFromStoredValue(const ColumnDef& column, sqlite3_value* value, std::uint8_t* image) {
  std::uint8_t* dst = image + column.offset;
  if (!WithCodec(column.type, [&](auto codec) { return codec.FromStored(column, value, dst); })) {
    WriteNullImage(column, image);
  }
}

Status ValueFromImage(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  value = Value();
  return WithCodec(column.type, [&](auto codec) { return codec.ToValue(column, bytes, value); });
}

Status WriteImageFromValue(const ColumnDef& column, const Value& value, std::uint8_t* image) {
  if (value.IsNull()) {
    WriteNullImage(column, image);
    return {};
  }
  return WithCodec(column.type, [&](auto codec) -> Status {
    LW_RETURN_IF_ERROR(codec.Check(column, value));
    return codec.FromValue(column, value, image + column.offset);
  });
}

Status CheckStoredValue(const ColumnDef& column, const Value& value) {
  if (value.IsNull()) return {};
  return WithCodec(column.type, [&](auto codec) { return codec.Check(column, value); });
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
    case Value::Kind::Null: sqlite3_bind_null(stmt, parameter); break;
    case Value::Kind::Integer: sqlite3_bind_int64(stmt, parameter, value.integer); break;
    case Value::Kind::Real: sqlite3_bind_double(stmt, parameter, value.real); break;
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
  LW_RETURN_IF_ERROR(WithCodec(column.type, [&](auto codec) { return codec.FromText(column, text, value); }));
  return CheckStoredValue(column, value);
}

std::string TextFromValue(const ColumnDef& column, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null: return {};
    case Value::Kind::Integer:
      return WithCodec(column.type, [&](auto codec) { return codec.IntegerText(value.integer); });
    case Value::Kind::Real: return FormatDouble(value.real);
    default: return value.bytes;
  }
}

}  // namespace lw::engine
