#include "engine/History.h"

#include <utility>

#include "engine/RecordCodec.h"
#include "engine/RowWriter.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"

namespace lw::engine {

namespace {

bool HasColumn(sqlite3* db, const char* table, const char* column) {
  Stmt info = Prepare(db, std::string("SELECT 1 FROM pragma_table_info('") + table + "') WHERE name = ?1");
  if (!info) return false;
  sqlite3_bind_text(info.get(), 1, column, -1, SQLITE_STATIC);
  return sqlite3_step(info.get()) == SQLITE_ROW;
}

std::string ColumnText(sqlite3_stmt* stmt, int index) {
  const unsigned char* text = sqlite3_column_text(stmt, index);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// What names a row to a person: its auto-increment value and its chart, read as it is now.
void LabelRow(Connection& connection, const TableDef& table, std::int64_t rowid, std::optional<std::int64_t>& key,
              std::optional<std::string>& chart) {
  const int chartColumn = table.FindColumn("Chart Number");
  if (table.autoIncColumn < 0 && chartColumn < 0) return;
  std::string sql = "SELECT ";
  sql += table.autoIncColumn >= 0 ? table.columns[table.autoIncColumn].sqlName : "NULL";
  sql += ", ";
  sql += chartColumn >= 0 ? table.columns[chartColumn].sqlName : "NULL";
  sql += " FROM " + table.sqlName + " WHERE rowid = ?1";
  Stmt stmt = Prepare(connection.db(), sql);
  if (!stmt) return;
  sqlite3_bind_int64(stmt.get(), 1, rowid);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return;
  if (table.autoIncColumn >= 0 && sqlite3_column_type(stmt.get(), 0) != SQLITE_NULL) {
    key = sqlite3_column_int64(stmt.get(), 0);
  }
  if (chartColumn >= 0) chart = ColumnText(stmt.get(), 1);
}

std::shared_ptr<const TableDef> FindTable(Connection& connection, const std::string& name) {
  std::shared_ptr<const TableDef> table;
  if (!connection.ResolveTable(name, table).ok()) return nullptr;
  return table;
}

// The embedded engine's calls for ApplyUndo.
struct UndoThroughEngine {
  Connection& connection;
  std::shared_ptr<const TableDef> Find(const std::string& name) { return FindTable(connection, name); }
  Status Lock(const TableDef& table, std::int64_t record) { return connection.Locks().Lock(table.tableNumber, record); }
  void Unlock(const TableDef& table, std::int64_t record) { connection.Locks().Unlock(table.tableNumber, record); }
  Status Restore(const TableDef& table, std::int64_t record, const std::vector<int>& columns,
                 const std::vector<Value>& before, const std::vector<Value>& expected, const std::string& action) {
    return UpdateRow(connection, table, record, columns, before, &expected, action.c_str());
  }
  void Label(const TableDef& table, std::int64_t record, std::optional<std::int64_t>& key,
             std::optional<std::string>& chart) {
    LabelRow(connection, table, record, key, chart);
  }
};

}  // namespace

Status UpgradeHistory(sqlite3* db) {
  if (HasColumn(db, "lw_history", "run")) return {};
  LW_RETURN_IF_ERROR(Exec(db, "BEGIN IMMEDIATE"));
  Status status = Exec(db,
                       "ALTER TABLE lw_history ADD COLUMN run INTEGER NOT NULL DEFAULT 0;"
                       "ALTER TABLE lw_history ADD COLUMN os_user TEXT NOT NULL DEFAULT '';"
                       "CREATE INDEX IF NOT EXISTS lw_history_run ON lw_history (run);");
  if (!status.ok()) {
    (void)Exec(db, "ROLLBACK");
    return status;
  }
  return Exec(db, "COMMIT");
}

Status AllocateRun(sqlite3* db, std::int64_t& run) {
  LW_RETURN_IF_ERROR(Exec(db,
                          "INSERT INTO lw_meta (key, value) VALUES ('last_run', 1)"
                          " ON CONFLICT (key) DO UPDATE SET value = CAST(value AS INTEGER) + 1"));
  Stmt read = Prepare(db, "SELECT CAST(value AS INTEGER) FROM lw_meta WHERE key = 'last_run'");
  if (!read) return SqliteFailure(db, sqlite3_errcode(db));
  const int rc = sqlite3_step(read.get());
  if (rc != SQLITE_ROW) return SqliteFailure(db, rc);
  run = sqlite3_column_int64(read.get(), 0);
  return {};
}

Status ReadHistory(Connection& connection, const HistoryFilter& filter, std::vector<HistoryRow>& rows) {
  sqlite3* db = connection.db();
  const bool hasRuns = HasColumn(db, "lw_history", "run");
  std::string sql = std::string("SELECT ") + (hasRuns ? "run, os_user" : "0, ''") +
                    ", change, changed_at, user_name, action, table_name, record_number, column_name, old_value,"
                    " new_value FROM lw_history";
  if (filter.run != 0) sql += hasRuns ? " WHERE run = ?1" : " WHERE 0";
  sql += " ORDER BY entry";
  LW_RETURN_IF_ERROR(connection.Read());
  Stmt stmt = Prepare(db, sql);
  if (!stmt) return SqliteFailure(db, sqlite3_errcode(db));
  if (filter.run != 0 && hasRuns) sqlite3_bind_int64(stmt.get(), 1, filter.run);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    bool added = false;
    HistoryRow& row = HistoryRowFor(rows, sqlite3_column_int64(stmt.get(), 2), ColumnText(stmt.get(), 6),
                                    sqlite3_column_int64(stmt.get(), 7), added);
    if (added) {
      row.run = sqlite3_column_int64(stmt.get(), 0);
      row.osUser = ColumnText(stmt.get(), 1);
      row.time = ColumnText(stmt.get(), 3);
      row.user = ColumnText(stmt.get(), 4);
      row.action = ColumnText(stmt.get(), 5);
    }
    const std::shared_ptr<const TableDef> def = FindTable(connection, row.table);
    const std::string column = ColumnText(stmt.get(), 8);
    row.changes.push_back({column, HistoryText(def.get(), column, ValueFromStatement(stmt.get(), 9)),
                           HistoryText(def.get(), column, ValueFromStatement(stmt.get(), 10))});
  }
  if (rc != SQLITE_DONE) return SqliteFailure(db, rc);
  stmt.reset();
  for (HistoryRow& row : rows) {
    if (const auto def = FindTable(connection, row.table)) {
      if (def->autoIncColumn >= 0) row.keyColumn = def->columns[def->autoIncColumn].name;
      LabelRow(connection, *def, row.recordNumber, row.key, row.chart);
    }
  }
  if (filter.entry) {
    std::erase_if(rows, [&](const HistoryRow& row) { return row.key != filter.entry; });
  }
  return {};
}

Status UndoRun(Connection& connection, std::int64_t run, UndoOutcome& outcome) {
  if (connection.ReadOnly()) return Status::Error(ace::kReadOnlyStorage, connection.DictionaryPath());
  sqlite3* db = connection.db();
  if (!HasColumn(db, "lw_history", "run")) return Status::Error(ace::kRecordNotFound, "no run " + std::to_string(run));
  UndoPlan plan;
  {
    LW_RETURN_IF_ERROR(connection.Read());
    Stmt stmt = Prepare(db,
                        "SELECT table_name, record_number, action, column_name, old_value, new_value FROM lw_history"
                        " WHERE run = ?1 ORDER BY entry");
    if (!stmt) return SqliteFailure(db, sqlite3_errcode(db));
    sqlite3_bind_int64(stmt.get(), 1, run);
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      plan.Add(ColumnText(stmt.get(), 0), sqlite3_column_int64(stmt.get(), 1), ColumnText(stmt.get(), 2),
               ColumnText(stmt.get(), 3), ValueFromStatement(stmt.get(), 4), ValueFromStatement(stmt.get(), 5));
    }
    if (rc != SQLITE_DONE) return SqliteFailure(db, rc);
  }
  if (plan.Rows().empty())
    return Status::Error(ace::kRecordNotFound, "the history holds no run " + std::to_string(run));
  connection.EndRead();
  UndoThroughEngine provider{connection};
  LW_RETURN_IF_ERROR(ApplyUndo(plan, run, provider, outcome));
  connection.EndRead();
  outcome.run = connection.Run();
  return {};
}

}  // namespace lw::engine
