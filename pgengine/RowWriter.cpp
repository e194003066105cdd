#include "pgengine/RowWriter.h"

#include "engine/HistoryRecords.h"
#include "engine/RowEdits.h"
#include "engine/RowWriter.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::TableDef;
using engine::Value;
using engine::WriteTransaction;

Status RecordHistory(Connection& connection, const TableDef& table, std::int64_t rowid, const char* action,
                     const std::vector<int>& columns, const std::vector<Value>& oldValues,
                     const std::vector<Value>& newValues, std::int64_t* changeNumber) {
  PGconn* pg = connection.pg();
  const std::vector<std::size_t> changed = engine::ChangedPositions(oldValues, newValues, columns.size());
  if (changed.empty()) return {};
  std::int64_t run = 0;
  LW_RETURN_IF_ERROR(connection.RunForWrite(run));
  std::int64_t change = changeNumber != nullptr ? *changeNumber : 0;
  if (change == 0) {
    Result next;
    LW_RETURN_IF_ERROR(Run(pg, "SELECT nextval('lw_change_numbers')", {}, next));
    change = next.Int(0, 0);
    if (changeNumber != nullptr) *changeNumber = change;
  }
  // One statement for every changed column of the row.
  std::string sql =
      "INSERT INTO lw_history (change, table_name, record_number, changed_at, user_name, action, run, os_user,"
      " column_name, old_value, new_value) VALUES ";
  std::vector<Param> params{std::to_string(change),   table.name,          std::to_string(rowid),
                            engine::HistoryTimeNow(), connection.User(),   std::string(action),
                            std::to_string(run),      engine::OsUserName()};
  for (std::size_t n = 0; n < changed.size(); ++n) {
    const std::size_t i = changed[n];
    const std::size_t at = params.size();
    params.push_back(table.columns[columns[i]].name);
    params.push_back(ParamOf(oldValues[i]));
    params.push_back(ParamOf(newValues[i]));
    sql += std::string(n ? ", " : "") + "($1, $2, $3, $4, $5, $6, $7, $8, $" + std::to_string(at + 1) + ", $" +
           std::to_string(at + 2) + ", $" + std::to_string(at + 3) + ")";
  }
  return Run(pg, sql, params);
}

Status UpdateRow(Connection& connection, const TableDef& table, std::int64_t rowid, const std::vector<int>& columns,
                 const std::vector<Value>& values, const std::vector<Value>* expected, const char* action) {
  PGconn* pg = connection.pg();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    LW_RETURN_IF_ERROR(engine::CheckStoredValue(table.columns[columns[i]], values[i]));
  }
  LW_RETURN_IF_ERROR(connection.BeginWrite());
  WriteTransaction<Connection> transaction(connection);
  LW_RETURN_IF_ERROR(connection.LockForTransaction(table.tableNumber, rowid));
  std::string select = "SELECT ";
  std::string update = "UPDATE " + table.sqlName + " SET ";
  std::vector<Param> params;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnDef& column = table.columns[columns[i]];
    select += (i ? ", " : "") + Quote(column.name);
    params.push_back(ParamOf(values[i]));
    update += (i ? ", " : "") + Quote(column.name) + " = $" + std::to_string(i + 1);
  }
  select += " FROM " + table.sqlName + " WHERE lw_rowid = $1 FOR UPDATE";
  params.push_back(std::to_string(rowid));
  update += " WHERE lw_rowid = $" + std::to_string(params.size());
  Result old;
  LW_RETURN_IF_ERROR(Run(pg, select, {std::to_string(rowid)}, old));
  if (old.Rows() == 0) return Status::Error(ace::kRecordNotFound);
  std::vector<Value> oldValues;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    oldValues.push_back(ValueOf(old, 0, static_cast<int>(i), table.columns[columns[i]].storage));
  }
  if (expected != nullptr && oldValues != *expected) return Status::Error(ace::kRecordChanged);
  LW_RETURN_IF_ERROR(NameViolatedServerKey(table, Run(pg, update, params)));
  LW_RETURN_IF_ERROR(RecordHistory(connection, table, rowid, action, columns, oldValues, values));
  return transaction.Commit();
}

Status InsertRow(Connection& connection, const TableDef& table, const std::vector<int>& givenColumns,
                 const std::vector<Value>& givenValues, std::int64_t& rowid) {
  PGconn* pg = connection.pg();
  LW_RETURN_IF_ERROR(connection.BeginWrite());
  WriteTransaction<Connection> transaction(connection);
  std::vector<int> columns = givenColumns;
  std::vector<Value> values = givenValues;
  if (table.autoIncColumn >= 0) {
    // The counter row stays locked until commit, so concurrent appends take turns.
    Result counter;
    LW_RETURN_IF_ERROR(
        Run(pg, "SELECT autoinc_next FROM lw_tables WHERE table_name = $1 FOR UPDATE", {table.name}, counter));
    std::int64_t next = counter.Rows() == 1 ? counter.Int(0, 0) : 1;
    next = engine::AssignAutoInc(table, columns, values, next);
    LW_RETURN_IF_ERROR(
        Run(pg, "UPDATE lw_tables SET autoinc_next = $1 WHERE table_name = $2", {std::to_string(next), table.name}));
  }
  std::string names, placeholders;
  std::vector<Param> params;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    LW_RETURN_IF_ERROR(engine::CheckStoredValue(table.columns[columns[i]], values[i]));
    names += (i ? ", " : "") + Quote(table.columns[columns[i]].name);
    placeholders += (i ? ", $" : "$") + std::to_string(i + 1);
    params.push_back(ParamOf(values[i]));
  }
  std::string sql = columns.empty() ? "INSERT INTO " + table.sqlName + " DEFAULT VALUES RETURNING lw_rowid"
                                    : "INSERT INTO " + table.sqlName + " (" + names + ") VALUES (" + placeholders +
                                          ") RETURNING lw_rowid";
  Result inserted;
  LW_RETURN_IF_ERROR(NameViolatedServerKey(table, Run(pg, sql, params, inserted)));
  rowid = inserted.Int(0, 0);
  std::vector<Value> none(columns.size());
  LW_RETURN_IF_ERROR(RecordHistory(connection, table, rowid, "insert", columns, none, values));
  return transaction.Commit();
}

}  // namespace lw::pgengine
