#include "engine/RowEdits.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/ace/AceApi.h"
#include "data/ace/AceTypes.h"

namespace lw::engine {

std::vector<std::size_t> ChangedPositions(const std::vector<Value>& oldValues, const std::vector<Value>& newValues,
                                          std::size_t count) {
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < count; ++i) {
    if (!(oldValues[i] == newValues[i])) changed.push_back(i);
  }
  return changed;
}

std::int64_t AssignAutoInc(const TableDef& table, std::vector<int>& columns, std::vector<Value>& values,
                           std::int64_t next) {
  std::size_t at = columns.size();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == table.autoIncColumn) at = i;
  }
  if (at == columns.size()) {
    columns.push_back(table.autoIncColumn);
    values.push_back(Value());
  }
  if (values[at].IsNull()) values[at] = Value::Int(next);
  if (values[at].integer >= next) next = values[at].integer + 1;
  return next;
}

Status CheckedColumnBytes(const ColumnDef& column, const std::uint8_t* bytes, std::uint32_t length, bool appending,
                          std::vector<std::uint8_t>& scratch) {
  if (length != column.length && !ace::IsBlankPaddedText(column.type)) {
    return ColumnError(ace::kValueDoesNotFit, column, "expected " + std::to_string(column.length) + " bytes");
  }
  if (ace::IsLargeColumn(column.type))
    return ColumnError(ace::kColumnNotWritable, column, "large columns are not written here");
  if (column.type == ace::ColumnType::kAutoInc && !appending) return ColumnError(ace::kColumnNotWritable, column);
  Value check;
  scratch.assign(column.length, ace::IsBlankPaddedText(column.type) ? ' ' : 0);
  std::memcpy(scratch.data(), bytes, std::min(length, column.length));
  ColumnDef local = column;
  local.offset = 0;
  return ValueFromImage(local, scratch.data(), check);
}

Status ColumnBytesFromText(const TableDef& table, int column, const char* text, std::uint32_t length,
                           std::vector<std::uint8_t>& bytes) {
  const ColumnDef& def = table.columns[column];
  std::string value(text, strnlen(text, length));
  if (ace::IsBlankPaddedText(def.type)) {
    if (value.size() > def.length) return ColumnError(ace::kValueDoesNotFit, def, "longer than the column");
    if (value.find_first_not_of('\0') == std::string::npos) {
      ColumnNullBytes(table, column, bytes);
      return {};
    }
    bytes.assign(value.begin(), value.end());
    return {};
  }
  Value parsed;
  LW_RETURN_IF_ERROR(ValueFromText(def, value, parsed));
  std::vector<std::uint8_t> scratch(table.recordLength);
  LW_RETURN_IF_ERROR(WriteImageFromValue(def, parsed, scratch.data()));
  bytes.assign(scratch.begin() + def.offset, scratch.begin() + def.offset + def.length);
  return {};
}

void ColumnNullBytes(const TableDef& table, int column, std::vector<std::uint8_t>& bytes) {
  const ColumnDef& def = table.columns[column];
  std::vector<std::uint8_t> null(table.recordLength);
  WriteNullImage(def, null.data());
  bytes.assign(null.begin() + def.offset, null.begin() + def.offset + def.length);
}

Status ChangedColumnValues(const TableDef& table, const std::vector<std::uint8_t>& image,
                           const std::vector<bool>& changed, std::vector<int>& columns, std::vector<Value>& values) {
  for (std::size_t i = 0; i < changed.size(); ++i) {
    if (!changed[i]) continue;
    Value value;
    LW_RETURN_IF_ERROR(ValueFromImage(table.columns[i], image.data() + table.columns[i].offset, value));
    columns.push_back(static_cast<int>(i));
    values.push_back(std::move(value));
  }
  return {};
}

}  // namespace lw::engine
