#include "pgengine/StoredForm.h"

#include <charconv>
#include <cstdlib>

#include "engine/KeyViolation.h"

namespace lw::pgengine {

using engine::Storage;

const char* ServerTypeOf(Storage storage) {
  switch (storage) {
    case Storage::Integer: return "bigint";
    case Storage::Real: return "double precision";
    case Storage::Blob: return "bytea";
    default: return "text COLLATE \"C\"";
  }
}

Param ParamOf(const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null: return std::nullopt;
    case Value::Kind::Integer: return std::to_string(value.integer);
    case Value::Kind::Real: {
      char buffer[40];
      auto written = std::to_chars(buffer, buffer + sizeof buffer, value.real);
      return std::string(buffer, written.ptr);
    }
    case Value::Kind::Blob: return HexBytes(value.bytes);
    default: return value.bytes;
  }
}

void AssignValueOf(const Result& result, int row, int column, Storage storage, Value& value) {
  if (result.IsNull(row, column)) {
    value.kind = Value::Kind::Null;
    return;
  }
  const char* text = result.Text(row, column);
  int length = result.Length(row, column);
  switch (storage) {
    case Storage::Integer:
      value.kind = Value::Kind::Integer;
      std::from_chars(text, text + length, value.integer);
      break;
    case Storage::Real:
      value.kind = Value::Kind::Real;
      // The server writes the shortest text that reads back exactly; "Infinity" and "NaN" too.
      if (std::from_chars(text, text + length, value.real).ec != std::errc()) value.real = std::strtod(text, nullptr);
      break;
    case Storage::Blob:
      value.kind = Value::Kind::Blob;
      value.bytes = BytesFromHex(text, length);
      break;
    default:
      value.kind = Value::Kind::Text;
      value.bytes.assign(text, length);
      break;
  }
}

Value ValueOf(const Result& result, int row, int column, Storage storage) {
  Value value;
  AssignValueOf(result, row, column, storage, value);
  return value;
}

std::vector<std::string> KeyExpressions(const ColumnDef& column) {
  const std::string& name = column.sqlName;
  std::string placeholder;
  switch (column.storage) {
    case Storage::Integer:
    case Storage::Real: placeholder = "0"; break;
    case Storage::Blob: placeholder = "'\\x'::bytea"; break;
    default: placeholder = "''"; break;
  }
  std::string value = "COALESCE(" + name + ", " + placeholder + ")";
  // Case-insensitive character columns order by their ASCII lower-case form.
  if (ace::IsCaseInsensitiveText(column.type)) value = "lower(" + value + ")";
  return {"(" + name + " IS NOT NULL)", "(" + value + ")"};
}

std::vector<Param> KeyParams(const ColumnDef& column, const Value& value) {
  if (value.IsNull()) {
    std::string placeholder = column.storage == Storage::Blob ? "\\x" : column.storage == Storage::Text ? "" : "0";
    return {std::string("f"), placeholder};
  }
  Param param = ParamOf(value);
  if (ace::IsCaseInsensitiveText(column.type) && param) {
    for (char& c : *param) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return {std::string("t"), param};
}

std::string IndexKeyList(const TableDef& table, const IndexDef& index) {
  std::string list;
  for (int column : index.segments) {
    for (const std::string& expression : KeyExpressions(table.columns[column])) list += expression + ", ";
  }
  return list + "lw_rowid";
}

std::string ServerIndexName(const TableDef& table, std::size_t position) {
  std::string name = table.name + "__" + std::to_string(position + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Quote(name);
}

std::string ServerUniqueIndexName(const TableDef& table, std::size_t position) {
  std::string name = ServerIndexName(table, position);
  return name.insert(name.size() - 1, "u");
}

engine::Status NameViolatedServerKey(const TableDef& table, engine::Status failure) {
  if (failure.code() != ace::kDuplicateKey) return failure;
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    if (table.indexes[i].unique && failure.text().find(ServerUniqueIndexName(table, i)) != std::string::npos) {
      return engine::DuplicateKeyIn(table, table.indexes[i]);
    }
  }
  return failure;
}

}  // namespace lw::pgengine
