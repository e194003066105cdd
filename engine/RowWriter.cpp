#include "engine/RowWriter.h"

#include <chrono>
#include <ctime>

#include "engine/Julian.h"
#include "engine/KeyViolation.h"
#include "engine/RowEdits.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "engine/StoredImages.h"

namespace lw::engine {

namespace {

Status Run(sqlite3* db, sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? Status() : SqliteFailure(db, rc);
}

// The written row's image, ready for the next read (the write's trigger dropped the old one).
Status KeepImage(Connection& connection, const TableDef& table, std::int64_t rowid) {
  if (!connection.StoresImages(table)) return {};
  return connection.ImageWriterFor(table).Store(rowid);
}

}  // namespace

Status RecordHistory(Connection& connection, const TableDef& table, std::int64_t rowid, const char* action,
                     const std::vector<int>& columns, const std::vector<Value>& oldValues,
                     const std::vector<Value>& newValues, std::int64_t* changeNumber) {
  sqlite3* db = connection.db();
  const std::vector<std::size_t> changed = ChangedPositions(oldValues, newValues, columns.size());
  if (changed.empty()) return {};
  std::int64_t run = 0;
  LW_RETURN_IF_ERROR(connection.RunForWrite(run));
  std::int64_t change = changeNumber != nullptr ? *changeNumber : 0;
  if (change == 0) {
    Stmt next = Prepare(db, "SELECT ifnull(max(change), 0) + 1 FROM lw_history");
    if (!next || sqlite3_step(next.get()) != SQLITE_ROW) return SqliteFailure(db, sqlite3_errcode(db));
    change = sqlite3_column_int64(next.get(), 0);
    if (changeNumber != nullptr) *changeNumber = change;
  }
  Stmt insert = Prepare(db,
                        "INSERT INTO lw_history (change, table_name, record_number, changed_at, user_name, action,"
                        " column_name, old_value, new_value, run, os_user)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
  if (!insert) return SqliteFailure(db, sqlite3_errcode(db));
  std::string now = HistoryTimeNow();
  for (const std::size_t i : changed) {
    sqlite3_bind_int64(insert.get(), 1, change);
    sqlite3_bind_text(insert.get(), 2, table.name.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(insert.get(), 3, rowid);
    sqlite3_bind_text(insert.get(), 4, now.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(insert.get(), 5, connection.User().c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(insert.get(), 6, action, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert.get(), 7, table.columns[columns[i]].name.c_str(), -1, SQLITE_STATIC);
    BindValue(insert.get(), 8, oldValues[i]);
    BindValue(insert.get(), 9, newValues[i]);
    sqlite3_bind_int64(insert.get(), 10, run);
    sqlite3_bind_text(insert.get(), 11, connection.OsUser().c_str(), -1, SQLITE_STATIC);
    LW_RETURN_IF_ERROR(Run(db, insert.get()));
    sqlite3_reset(insert.get());
    sqlite3_clear_bindings(insert.get());
  }
  return {};
}

std::string HistoryTimeNow() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::int64_t days = ms / 86400000;
  return FormatIsoTimestamp({days + 2440588, ms % 86400000});
}

Status UpdateRow(Connection& connection, const TableDef& table, std::int64_t rowid, const std::vector<int>& columns,
                 const std::vector<Value>& values, const std::vector<Value>* expected, const char* action) {
  sqlite3* db = connection.db();
  LW_RETURN_IF_ERROR(connection.BeginWrite());
  WriteTransaction<Connection> transaction(connection);
  std::string select = "SELECT ";
  std::string update = "UPDATE " + table.sqlName + " SET ";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnDef& column = table.columns[columns[i]];
    LW_RETURN_IF_ERROR(CheckStoredValue(column, values[i]));
    select += (i ? ", " : "") + column.sqlName;
    update += (i ? ", " : "") + column.sqlName + " = ?" + std::to_string(i + 1);
  }
  select += " FROM " + table.sqlName + " WHERE rowid = ?1";
  update += " WHERE rowid = ?" + std::to_string(columns.size() + 1);
  Stmt old = Prepare(db, select);
  if (!old) return SqliteFailure(db, sqlite3_errcode(db));
  sqlite3_bind_int64(old.get(), 1, rowid);
  int rc = sqlite3_step(old.get());
  if (rc == SQLITE_DONE) return Status::Error(ace::kRecordNotFound);
  if (rc != SQLITE_ROW) return SqliteFailure(db, rc);
  std::vector<Value> oldValues;
  for (std::size_t i = 0; i < columns.size(); ++i)
    oldValues.push_back(ValueFromStatement(old.get(), static_cast<int>(i)));
  old.reset();
  if (expected != nullptr && oldValues != *expected) return Status::Error(ace::kRecordChanged);
  Stmt write = Prepare(db, update);
  if (!write) return SqliteFailure(db, sqlite3_errcode(db));
  for (std::size_t i = 0; i < values.size(); ++i) BindValue(write.get(), static_cast<int>(i + 1), values[i]);
  sqlite3_bind_int64(write.get(), static_cast<int>(columns.size() + 1), rowid);
  LW_RETURN_IF_ERROR(NameViolatedKey(table, Run(db, write.get())));
  write.reset();
  LW_RETURN_IF_ERROR(RecordHistory(connection, table, rowid, action, columns, oldValues, values));
  LW_RETURN_IF_ERROR(KeepImage(connection, table, rowid));
  return transaction.Commit();
}

Status InsertRow(Connection& connection, const TableDef& table, const std::vector<int>& givenColumns,
                 const std::vector<Value>& givenValues, std::int64_t& rowid) {
  sqlite3* db = connection.db();
  LW_RETURN_IF_ERROR(connection.BeginWrite());
  WriteTransaction<Connection> transaction(connection);
  std::vector<int> columns = givenColumns;
  std::vector<Value> values = givenValues;
  if (table.autoIncColumn >= 0) {
    Stmt counter = Prepare(db, "SELECT autoinc_next FROM lw_tables WHERE table_name = ?1");
    if (!counter) return SqliteFailure(db, sqlite3_errcode(db));
    sqlite3_bind_text(counter.get(), 1, table.name.c_str(), -1, SQLITE_STATIC);
    std::int64_t next = sqlite3_step(counter.get()) == SQLITE_ROW ? sqlite3_column_int64(counter.get(), 0) : 1;
    counter.reset();
    next = AssignAutoInc(table, columns, values, next);
    Stmt store = Prepare(db, "UPDATE lw_tables SET autoinc_next = ?1 WHERE table_name = ?2");
    if (!store) return SqliteFailure(db, sqlite3_errcode(db));
    sqlite3_bind_int64(store.get(), 1, next);
    sqlite3_bind_text(store.get(), 2, table.name.c_str(), -1, SQLITE_STATIC);
    LW_RETURN_IF_ERROR(Run(db, store.get()));
  }
  std::string names, params;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    LW_RETURN_IF_ERROR(CheckStoredValue(table.columns[columns[i]], values[i]));
    names += (i ? ", " : "") + table.columns[columns[i]].sqlName;
    params += (i ? ", ?" : "?") + std::to_string(i + 1);
  }
  std::string sql = columns.empty() ? "INSERT INTO " + table.sqlName + " DEFAULT VALUES"
                                    : "INSERT INTO " + table.sqlName + " (" + names + ") VALUES (" + params + ")";
  Stmt insert = Prepare(db, sql);
  if (!insert) return SqliteFailure(db, sqlite3_errcode(db));
  for (std::size_t i = 0; i < values.size(); ++i) BindValue(insert.get(), static_cast<int>(i + 1), values[i]);
  LW_RETURN_IF_ERROR(NameViolatedKey(table, Run(db, insert.get())));
  insert.reset();
  rowid = sqlite3_last_insert_rowid(db);
  std::vector<Value> none(columns.size());
  LW_RETURN_IF_ERROR(RecordHistory(connection, table, rowid, "insert", columns, none, values));
  LW_RETURN_IF_ERROR(KeepImage(connection, table, rowid));
  return transaction.Commit();
}

}  // namespace lw::engine
