#include "engine/RowEdits.h"

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

}  // namespace lw::engine
