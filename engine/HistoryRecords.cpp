#include "engine/HistoryRecords.h"

#include <pwd.h>
#include <unistd.h>

namespace lw::engine {

const std::string& OsUserName() {
  static const std::string name = [] {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
      return std::string(found->pw_name);
    }
    return "uid " + std::to_string(geteuid());
  }();
  return name;
}

HistoryRow& HistoryRowFor(std::vector<HistoryRow>& rows, std::int64_t change, const std::string& table,
                          std::int64_t record, bool& added) {
  added =
      rows.empty() || rows.back().change != change || rows.back().table != table || rows.back().recordNumber != record;
  if (added) {
    HistoryRow row;
    row.change = change;
    row.table = table;
    row.recordNumber = record;
    rows.push_back(std::move(row));
  }
  return rows.back();
}

std::string HistoryText(const TableDef* table, const std::string& column, const Value& value) {
  if (value.IsNull()) return "NULL";
  const int index = table != nullptr ? table->FindColumn(column) : -1;
  if (index >= 0) return TextFromValue(table->columns[index], value);
  switch (value.kind) {
    case Value::Kind::Integer: return std::to_string(value.integer);
    case Value::Kind::Real: return std::to_string(value.real);
    default: return value.bytes;
  }
}

void UndoPlan::Add(const std::string& table, std::int64_t record, const std::string& action, const std::string& column,
                   Value oldValue, Value newValue) {
  auto [at, added] = index_.emplace(std::make_pair(table, record), rows_.size());
  if (added) rows_.push_back(Row{table, record, {}, {}, {}, {}});
  Row& row = rows_[at->second];
  if (action == "insert") row.refusal = "the run added this row; an undo does not delete rows";
  if (action == "delete") row.refusal = "the run deleted this row; an undo does not bring rows back";
  std::size_t c = 0;
  while (c < row.columns.size() && row.columns[c] != column) ++c;
  if (c == row.columns.size()) {
    row.columns.push_back(column);
    row.before.push_back(std::move(oldValue));
    row.after.emplace_back();
  }
  row.after[c] = std::move(newValue);
}

std::string UndoAction(std::int64_t run) { return "undo of run " + std::to_string(run); }

}  // namespace lw::engine
