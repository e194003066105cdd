// Text, raw, large and unknown columns (ColumnCodecs.h).

#include <algorithm>

#include "common/Utf8.h"
#include "engine/ColumnCodecs.h"

namespace lw::engine {

// Text.

bool TextCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  const unsigned char* text = sqlite3_value_text(value);
  std::uint32_t n = static_cast<std::uint32_t>(sqlite3_value_bytes(value));
  if (n > column.length) n = column.length;
  std::memcpy(dst, text, n);
  std::memset(dst + n, ' ', column.length - n);
  return true;
}
Status TextCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  const std::uint32_t length = column.length;
  if (AllZero(bytes, length)) return {};
  std::uint32_t n = 0;
  while (n < length && bytes[n] != 0) ++n;
  while (n > 0 && bytes[n - 1] == ' ') --n;
  value = Value::Text(std::string(reinterpret_cast<const char*>(bytes), n));
  return {};
}
Status TextCodec::Check(const ColumnDef& column, const Value& value) {
  if (value.kind != Value::Kind::Text) return ColumnError(ace::kValueDoesNotFit, column, "text expected");
  // Widths are bytes of the stored UTF-8 text: "ÉÉÉÉÉ" is 5 characters but 10 bytes.
  if (value.bytes.size() > column.length) {
    return ColumnError(ace::kValueDoesNotFit, column,
                       "\"" + value.bytes + "\" is " + std::to_string(value.bytes.size()) +
                           " bytes of UTF-8 text; the column holds " + std::to_string(column.length));
  }
  return {};
}
Status TextCodec::FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst) {
  std::memset(dst, ' ', column.length);
  std::memcpy(dst, value.bytes.data(), value.bytes.size());
  return {};
}
Status TextCodec::FromText(const ColumnDef& column, const std::string& text, Value& value) {
  std::string t = text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  // Text given to the engine is UTF-8; bytes of another encoding would show as U+FFFD and
  // never match what a user types.
  if (!IsValidUtf8(t)) return ColumnError(ace::kValueDoesNotFit, column, "the text is not UTF-8");
  value = Value::Text(t);
  return {};
}

// Raw bytes.

bool RawCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  const void* blob = sqlite3_value_blob(value);
  std::uint32_t n = static_cast<std::uint32_t>(sqlite3_value_bytes(value));
  if (n > column.length) n = column.length;
  std::memcpy(dst, blob, n);
  std::memset(dst + n, 0, column.length - n);
  return true;
}
Status RawCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value& value) {
  if (AllZero(bytes, column.length)) return {};
  value = Value::Blob(std::string(reinterpret_cast<const char*>(bytes), column.length));
  return {};
}
Status RawCodec::Check(const ColumnDef& column, const Value& value) {
  if (value.bytes.size() > column.length) return ColumnError(ace::kValueDoesNotFit, column, "too long");
  return {};
}
Status RawCodec::FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst) {
  std::memset(dst, 0, column.length);
  std::memcpy(dst, value.bytes.data(), std::min<std::size_t>(column.length, value.bytes.size()));
  return {};
}
Status RawCodec::FromText(const ColumnDef&, const std::string& text, Value& value) {
  value = Value::Blob(text);
  return {};
}

// Large columns.

bool LargeColumnCodec::FromStored(const ColumnDef& column, sqlite3_value* value, std::uint8_t* dst) {
  std::memset(dst, 0, column.length);
  if (column.length >= 4) Put<std::int32_t>(dst, sqlite3_value_bytes(value) > 0 ? 1 : 0);
  return true;
}
Status LargeColumnCodec::ToValue(const ColumnDef& column, const std::uint8_t* bytes, Value&) {
  if (Get<std::int32_t>(bytes) == 0) return {};
  return ColumnError(ace::kColumnNotWritable, column, "large columns are not written from record images");
}
Status LargeColumnCodec::Check(const ColumnDef&, const Value&) { return {}; }
Status LargeColumnCodec::FromValue(const ColumnDef& column, const Value& value, std::uint8_t* dst) {
  std::memset(dst, 0, column.length);
  Put<std::int32_t>(dst, value.bytes.empty() ? 0 : 1);
  return {};
}
Status LargeTextCodec::FromText(const ColumnDef&, const std::string& text, Value& value) {
  value = Value::Text(text);
  return {};
}
Status LargeBinaryCodec::FromText(const ColumnDef&, const std::string& text, Value& value) {
  value = Value::Blob(text);
  return {};
}

// Unknown codes.

bool UnknownCodec::FromStored(const ColumnDef&, sqlite3_value*, std::uint8_t*) { return false; }
Status UnknownCodec::ToValue(const ColumnDef& column, const std::uint8_t*, Value&) {
  return ColumnError(ace::kValueDoesNotFit, column, "unknown column type");
}
Status UnknownCodec::Check(const ColumnDef&, const Value&) { return {}; }
Status UnknownCodec::FromValue(const ColumnDef& column, const Value&, std::uint8_t*) {
  return ColumnError(ace::kValueDoesNotFit, column, "unknown column type");
}
Status UnknownCodec::FromText(const ColumnDef&, const std::string& text, Value& value) {
  value = Value::Text(text);
  return {};
}

}  // namespace lw::engine
