#include "engine/History.h"

#include <pwd.h>
#include <unistd.h>

#include <map>
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

// The value as the practice tool writes it in CSV, "NULL" for NULL.
std::string DisplayText(const TableDef* table, const std::string& column, const Value& value) {
  if (value.IsNull()) return "NULL";
  const int index = table != nullptr ? table->FindColumn(column) : -1;
  if (index >= 0) return TextFromValue(table->columns[index], value);
  switch (value.kind) {
    case Value::Kind::Integer:
      return std::to_string(value.integer);
    case Value::Kind::Real:
      return std::to_string(value.real);
    default:
      return value.bytes;
  }
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
  std::int64_t lastChange = -1;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    const std::int64_t change = sqlite3_column_int64(stmt.get(), 2);
    const std::string table = ColumnText(stmt.get(), 6);
    const std::int64_t record = sqlite3_column_int64(stmt.get(), 7);
    if (rows.empty() || change != lastChange || rows.back().table != table || rows.back().recordNumber != record) {
      HistoryRow row;
      row.run = sqlite3_column_int64(stmt.get(), 0);
      row.osUser = ColumnText(stmt.get(), 1);
      row.time = ColumnText(stmt.get(), 3);
      row.user = ColumnText(stmt.get(), 4);
      row.action = ColumnText(stmt.get(), 5);
      row.table = table;
      row.recordNumber = record;
      rows.push_back(std::move(row));
      lastChange = change;
    }
    const std::shared_ptr<const TableDef> def = FindTable(connection, table);
    const std::string column = ColumnText(stmt.get(), 8);
    rows.back().changes.push_back({column, DisplayText(def.get(), column, ValueFromStatement(stmt.get(), 9)),
                                   DisplayText(def.get(), column, ValueFromStatement(stmt.get(), 10))});
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
  // What the run did to each row: the first old and the last new value of every column.
  struct RowUndo {
    std::string table;
    std::int64_t record = 0;
    std::vector<std::string> columns;
    std::vector<Value> before;
    std::vector<Value> after;
    std::string refusal;  // set for rows the run inserted or deleted
  };
  std::vector<RowUndo> undos;
  {
    LW_RETURN_IF_ERROR(connection.Read());
    Stmt stmt = Prepare(db,
                        "SELECT table_name, record_number, action, column_name, old_value, new_value FROM lw_history"
                        " WHERE run = ?1 ORDER BY entry");
    if (!stmt) return SqliteFailure(db, sqlite3_errcode(db));
    sqlite3_bind_int64(stmt.get(), 1, run);
    std::map<std::pair<std::string, std::int64_t>, std::size_t> seen;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      auto key = std::make_pair(ColumnText(stmt.get(), 0), sqlite3_column_int64(stmt.get(), 1));
      auto [at, added] = seen.emplace(key, undos.size());
      if (added) undos.push_back(RowUndo{key.first, key.second, {}, {}, {}, {}});
      RowUndo& undo = undos[at->second];
      const std::string action = ColumnText(stmt.get(), 2);
      if (action == "insert") undo.refusal = "the run added this row; an undo does not delete rows";
      if (action == "delete") undo.refusal = "the run deleted this row; an undo does not bring rows back";
      const std::string column = ColumnText(stmt.get(), 3);
      std::size_t c = 0;
      while (c < undo.columns.size() && undo.columns[c] != column) ++c;
      if (c == undo.columns.size()) {
        undo.columns.push_back(column);
        undo.before.push_back(ValueFromStatement(stmt.get(), 4));
        undo.after.emplace_back();
      }
      undo.after[c] = ValueFromStatement(stmt.get(), 5);
    }
    if (rc != SQLITE_DONE) return SqliteFailure(db, rc);
  }
  if (undos.empty()) return Status::Error(ace::kRecordNotFound, "the history holds no run " + std::to_string(run));
  connection.EndRead();

  const std::string action = "undo of run " + std::to_string(run);
  for (const RowUndo& undo : undos) {
    UndoneRow row{undo.table, undo.record, {}, {}, {}, undo.refusal};
    const std::shared_ptr<const TableDef> table = FindTable(connection, undo.table);
    std::vector<int> columns;
    if (table == nullptr) {
      row.reason = "its table is no longer in the dictionary";
    } else {
      for (const std::string& name : undo.columns) {
        const int column = table->FindColumn(name);
        if (column < 0) row.reason = "its column " + name + " is no longer in the table";
        columns.push_back(column);
      }
    }
    if (row.reason.empty()) {
      Status locked = connection.Locks().Lock(table->tableNumber, undo.record);
      if (!locked.ok()) {
        row.reason = locked.code() == ace::kRecordLocked ? "another user has it locked" : locked.text();
      } else {
        Status written = UpdateRow(connection, *table, undo.record, columns, undo.before, &undo.after, action.c_str());
        connection.Locks().Unlock(table->tableNumber, undo.record);
        if (written.code() == ace::kRecordChanged) {
          row.reason = "it has changed since the run";
        } else if (written.code() == ace::kRecordNotFound) {
          row.reason = "it no longer exists";
        } else if (!written.ok()) {
          return written;
        }
      }
    }
    if (table != nullptr) {
      if (table->autoIncColumn >= 0) row.keyColumn = table->columns[table->autoIncColumn].name;
      LabelRow(connection, *table, undo.record, row.key, row.chart);
    }
    (row.reason.empty() ? outcome.restored : outcome.leftAlone).push_back(std::move(row));
  }
  connection.EndRead();
  outcome.run = connection.Run();
  return {};
}

}  // namespace lw::engine
