#pragma once
// Conversions between a column's record-image bytes (the ADT byte conventions: little-endian
// integers, Julian dates, blank-padded text, a NULL marker per type) and its stored SQLite value.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Status.h"

namespace lw::engine {

// One column value held outside SQLite (key values, pending writes, history).
struct Value {
  enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;  // text or blob

  static Value Int(std::int64_t v) {
    Value x;
    x.kind = Kind::Integer;
    x.integer = v;
    return x;
  }
  static Value Real(double v) {
    Value x;
    x.kind = Kind::Real;
    x.real = v;
    return x;
  }
  static Value Text(std::string v) {
    Value x;
    x.kind = Kind::Text;
    x.bytes = std::move(v);
    return x;
  }
  static Value Blob(std::string v) {
    Value x;
    x.kind = Kind::Blob;
    x.bytes = std::move(v);
    return x;
  }
  bool IsNull() const { return kind == Kind::Null; }
  bool operator==(const Value& other) const;
};

// Writes the column's NULL marker into `image` at the column's offset.
void WriteNullImage(const ColumnDef& column, std::uint8_t* image);

// Writes a stored value that is not NULL into the record image (the NULL marker when it cannot
// be read as the column's type).
void WriteImageFromStoredValue(const ColumnDef& column, sqlite3_value* value, std::uint8_t* image);

// The value the column's record-image bytes hold (Null for the NULL marker). Fails with
// kValueDoesNotFit for bytes that are no value of the type (an impossible date, say).
Status ValueFromImage(const ColumnDef& column, const std::uint8_t* bytes, Value& value);

// Writes a value into the column's record-image bytes. Fails with kValueDoesNotFit when it
// does not fit the column (text too long, a number out of range, a malformed date text).
Status WriteImageFromValue(const ColumnDef& column, const Value& value, std::uint8_t* image);

// Reads result column `index` as a Value.
Value ValueFromStatement(sqlite3_stmt* stmt, int index);
// The same into an existing Value, reusing its text buffer (no allocation once it is big enough).
void AssignValueFromStatement(sqlite3_stmt* stmt, int index, Value& value);
// Copies a value into an existing one, reusing its text buffer.
void AssignValue(Value& target, const Value& source);

// Binds a value as a stored column value (Null -> SQL NULL).
void BindValue(sqlite3_stmt* stmt, int parameter, const Value& value);
// Binds a value as an index key value (Null -> the key's NULL order value, below every value).
void BindKey(sqlite3_stmt* stmt, int parameter, const Value& value);
// The key expression every generated key column uses for NULL.
inline constexpr const char* kNullKeySql = "-9e999";

// Converts a value given as text (CSV, the practice tool) to the column's stored value:
// dates "YYYY-MM-DD", timestamps ISO 8601, logicals T/F (also Y/N, 1/0), numbers with "."; an
// empty text is NULL. Fails with kValueDoesNotFit naming the column.
Status ValueFromText(const ColumnDef& column, const std::string& text, Value& value);
// The text form of a stored value (the inverse of ValueFromText; NULL is empty text).
std::string TextFromValue(const ColumnDef& column, const Value& value);

// The stored form of a value checked against the column: integers in range, text not longer
// than the column, dates and timestamps in their text forms.
Status CheckStoredValue(const ColumnDef& column, const Value& value);

// The column's error texts name it as: column "<name>".
Status ColumnError(std::uint32_t code, const ColumnDef& column, const std::string& why = {});
// A value as an error message shows it: in double quotes, cut after about 80 bytes.
std::string Shown(const std::string& text);

}  // namespace lw::engine
