#include "engine/SqlStatement.h"

#include <set>

#include "data/ace/AceApi.h"
#include "engine/KeyEqualities.h"
#include "engine/KeyViolation.h"
#include "engine/PlainRows.h"
#include "engine/ResultTable.h"
#include "engine/RowWriter.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "engine/StoredImages.h"

namespace lw::engine {

Status SqlStatement::Prepare(const std::string& text) {
  prepared_ = false;
  TranslatedSql translated;
  LW_RETURN_IF_ERROR(TranslateSql(text, connection_.Tables(), translated));
  // Let SQLite check the translation now, so a rejected statement fails at prepare time.
  std::string check = translated.sql;
  Stmt stmt = engine::Prepare(connection_.db(), check);
  if (!stmt) return SqlRejection(ace::kNativeSyntaxError, ErrorText(connection_.db()) + ".");
  text_ = text;
  translated_ = std::move(translated);
  prepared_ = true;
  return {};
}

Status SqlStatement::SetParameterNull(std::uint32_t number) {
  if (number == 0) return Status::Error(ace::kInvalidArgument, "parameters are numbered from 1");
  return {};
}

Status SqlStatement::Execute(std::unique_ptr<Cursor>& result) {
  result.reset();
  if (!prepared_) return Status::Error(ace::kSqlNotPrepared);
  if (translated_.kind == TranslatedSql::Kind::Select) {
    rowsAffected_ = -1;
    return ExecuteSelect(result);
  }
  return ExecuteWrite();
}

Status SqlStatement::ExecuteSelect(std::unique_ptr<Cursor>& result) {
  // A new result reads the practice as it is now.
  connection_.EndRead();
  LW_RETURN_IF_ERROR(connection_.Read());
  sqlite3* db = connection_.db();
  std::string name = connection_.NextTempName();
  // Key columns are ifnull(column, the NULL key): for a value that is not NULL, the same.
  std::string rest = WithKeyEqualities(
      translated_.fromWhereOrder, *translated_.table, translated_.binds,
      [](const ColumnDef& column, const std::string& placeholder) { return column.keySqlName + " = " + placeholder; });
  // Found by an index, plain rows would come in its order: they keep their record order.
  if (rest != translated_.fromWhereOrder && SelectsPlainRows("SELECT " + translated_.selectList + " " + rest)) {
    rest += " ORDER BY rowid";
  }
  std::string sql = "CREATE TEMP TABLE " + QuoteIdentifier(name) + " AS SELECT " + translated_.selectList + " " + rest;
  Stmt create = engine::Prepare(db, sql);
  if (!create) return SqlRejection(ace::kNativeSyntaxError, ErrorText(db) + ".");
  for (std::size_t i = 0; i < translated_.binds.size(); ++i)
    BindValue(create.get(), static_cast<int>(i + 1), translated_.binds[i]);
  int rc = sqlite3_step(create.get());
  if (rc != SQLITE_DONE) {
    Status failure =
        (rc & 0xff) == SQLITE_ERROR ? SqlRejection(ace::kNativeEvaluation, ErrorText(db) + ".") : SqliteFailure(db, rc);
    // The statement's own failure is the one to report; a result table left behind goes with
    // the connection.
    (void)Exec(db, "DROP TABLE IF EXISTS temp." + QuoteIdentifier(name));
    return failure;
  }
  create.reset();

  std::vector<int> expressions;
  std::shared_ptr<TableDef> table = ResultTableColumns(name, translated_, expressions);
  // An expression column takes the kind of its first value: integer, double or text.
  for (int i : expressions) {
    std::string c = "c" + std::to_string(i + 1);
    Stmt probe =
        engine::Prepare(db, "SELECT (SELECT typeof(" + c + ") FROM temp." + QuoteIdentifier(name) + " WHERE " + c +
                                " IS NOT NULL LIMIT 1), max(length(" + c + ")) FROM temp." + QuoteIdentifier(name));
    std::string kind = "text";
    int length = 1;
    if (probe && sqlite3_step(probe.get()) == SQLITE_ROW) {
      if (const unsigned char* t = sqlite3_column_text(probe.get(), 0)) kind = reinterpret_cast<const char*>(t);
      length = std::max(1, sqlite3_column_int(probe.get(), 1));
    }
    TypeExpressionColumn(table->columns[i], kind == "integer" || kind == "real", static_cast<std::uint32_t>(length));
  }
  if (Status kept = FinishResultTable(*table, "temp." + QuoteIdentifier(name)); !kept.ok()) {
    (void)Exec(db, "DROP TABLE IF EXISTS temp." + QuoteIdentifier(name));
    return kept;
  }
  result = std::make_unique<Cursor>(connection_, table, ace::kOptionReadOnly, true);
  return {};
}

namespace {

struct RowValues {
  std::int64_t rowid;
  std::vector<Value> values;
};

// Every column of the rows a condition selects, for the history of an SQL write.
Status ReadRows(sqlite3* db, const TableDef& table, const std::string& where, const std::vector<Value>& binds,
                std::vector<RowValues>& rows) {
  std::string sql = "SELECT rowid";
  for (const ColumnDef& column : table.columns) sql += ", " + column.sqlName;
  sql += " FROM " + table.sqlName + (where.empty() ? "" : " WHERE " + where);
  Stmt stmt = engine::Prepare(db, sql);
  if (!stmt) return SqlRejection(ace::kNativeSyntaxError, ErrorText(db) + ".");
  for (std::size_t i = 0; i < binds.size(); ++i) BindValue(stmt.get(), static_cast<int>(i + 1), binds[i]);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    RowValues row{sqlite3_column_int64(stmt.get(), 0), {}};
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      row.values.push_back(ValueFromStatement(stmt.get(), static_cast<int>(c + 1)));
    }
    rows.push_back(std::move(row));
  }
  return rc == SQLITE_DONE ? Status() : SqliteFailure(db, rc);
}

// The record locks an SQL write takes on the rows it changes, held until its transaction has
// ended, so a row another connection has locked is never changed behind its back and no edit
// can begin on a row while the statement is changing it.
class StatementLocks {
 public:
  StatementLocks(RecordLocks& locks, int table) : locks_(locks), table_(table) {}
  ~StatementLocks() {
    for (std::int64_t record : taken_) locks_.Unlock(table_, record);
  }
  StatementLocks(const StatementLocks&) = delete;
  StatementLocks& operator=(const StatementLocks&) = delete;

  // Takes the lock of every row not taken yet.
  Status Take(const std::vector<RowValues>& rows) {
    for (const RowValues& row : rows) {
      if (taken_.count(row.rowid) != 0) continue;
      LW_RETURN_IF_ERROR(locks_.Lock(table_, row.rowid));
      taken_.insert(row.rowid);
    }
    return {};
  }

 private:
  RecordLocks& locks_;
  int table_;
  std::set<std::int64_t> taken_;
};

}  // namespace

Status SqlStatement::ExecuteWrite() {
  sqlite3* db = connection_.db();
  const TableDef& table = *translated_.table;
  using Kind = TranslatedSql::Kind;
  std::vector<RowValues> before;
  // Every row the statement would change, or none: a locked row fails the whole statement. The
  // locks are taken before the write transaction, so waiting for another user's record lock never
  // keeps the whole database from the others, and they are held until the transaction has ended.
  StatementLocks locks(connection_.Locks(), table.tableNumber);
  if (translated_.kind != Kind::Insert) {
    LW_RETURN_IF_ERROR(connection_.Read());
    LW_RETURN_IF_ERROR(ReadRows(db, table, translated_.whereSql, translated_.binds, before));
    LW_RETURN_IF_ERROR(locks.Take(before));
    before.clear();
  }
  LW_RETURN_IF_ERROR(connection_.BeginWrite());
  auto fail = [&](Status status) {
    connection_.RollbackWrite();
    return status;
  };
  if (translated_.kind != Kind::Insert) {
    // The rows as they are now; one that came to match since is locked too.
    Status read = ReadRows(db, table, translated_.whereSql, translated_.binds, before);
    if (!read.ok()) return fail(read);
    Status locked = locks.Take(before);
    if (!locked.ok()) return fail(locked);
  }
  Stmt stmt = engine::Prepare(db, translated_.sql);
  if (!stmt) return fail(SqlRejection(ace::kNativeSyntaxError, ErrorText(db) + "."));
  for (std::size_t i = 0; i < translated_.binds.size(); ++i) {
    BindValue(stmt.get(), static_cast<int>(i + 1), translated_.binds[i]);
  }
  int rc = sqlite3_step(stmt.get());
  stmt.reset();
  if (rc != SQLITE_DONE) return fail(NameViolatedKey(table, SqliteFailure(db, rc)));
  rowsAffected_ = sqlite3_changes(db);
  // One change number for the statement; one entry per changed column of every row.
  std::int64_t change = 0;
  std::vector<int> all;
  for (std::size_t c = 0; c < table.columns.size(); ++c) all.push_back(static_cast<int>(c));
  std::vector<RowValues> after;
  if (translated_.kind == Kind::Insert) {
    Status read = ReadRows(db, table, "rowid = " + std::to_string(sqlite3_last_insert_rowid(db)), {}, after);
    if (!read.ok()) return fail(read);
    for (const RowValues& row : after) {
      std::vector<int> columns;
      std::vector<Value> none, values;
      for (int c : all) {
        if (row.values[c].IsNull()) continue;
        columns.push_back(c);
        none.emplace_back();
        values.push_back(row.values[c]);
      }
      Status history = RecordHistory(connection_, table, row.rowid, "insert", columns, none, values, &change);
      if (!history.ok()) return fail(history);
    }
  }
  for (const RowValues& old : before) {
    std::vector<RowValues> now;
    Status read = ReadRows(db, table, "rowid = " + std::to_string(old.rowid), {}, now);
    if (!read.ok()) return fail(read);
    std::vector<int> columns;
    std::vector<Value> oldValues, newValues;
    for (int c : all) {
      Value current = now.empty() ? Value() : now[0].values[c];
      if (current == old.values[c]) continue;
      columns.push_back(c);
      oldValues.push_back(old.values[c]);
      newValues.push_back(std::move(current));
    }
    if (columns.empty()) continue;
    Status history = RecordHistory(connection_, table, old.rowid, now.empty() ? "delete" : "update", columns, oldValues,
                                   newValues, &change);
    if (!history.ok()) return fail(history);
  }
  // The written rows' images, ready for the next read (the statement's triggers dropped them).
  if (connection_.StoresImages(table)) {
    ImageWriter& images = connection_.ImageWriterFor(table);
    for (const RowValues& row : after) {
      if (Status stored = images.Store(row.rowid); !stored.ok()) return fail(stored);
    }
    for (const RowValues& row : before) {
      if (Status stored = images.Store(row.rowid); !stored.ok()) return fail(stored);
    }
  }
  return connection_.CommitWrite();
}

}  // namespace lw::engine
