#include "pgengine/ServerPractice.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>

#include "common/Exceptions.h"
#include "common/Utf8.h"
#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/StoredValue.h"
#include "pgengine/Pq.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerSchema.h"
#include "pgengine/StoredForm.h"

namespace lw::pgengine {

using engine::Catalog;
using engine::Value;

namespace {

void Check(const Status& status) {
  if (!status.ok()) throw EDatabaseError(status.text());
}

struct SqliteClose {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Sqlite = std::unique_ptr<sqlite3, SqliteClose>;
using SqliteStmt = std::unique_ptr<sqlite3_stmt, StmtFinalize>;

SqliteStmt Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    Check(Status::Error(ace::kNotADictionary, "(" + std::string(sqlite3_errmsg(db)) + ")"));
  }
  return SqliteStmt(raw);
}

bool HasColumn(sqlite3* db, const char* table, const char* column) {
  SqliteStmt info = Prepare(db, std::string("SELECT 1 FROM pragma_table_info('") + table + "') WHERE name = ?1");
  sqlite3_bind_text(info.get(), 1, column, -1, SQLITE_STATIC);
  return sqlite3_step(info.get()) == SQLITE_ROW;
}

std::vector<engine::TableSpec> SpecsOf(const Catalog& catalog) {
  std::vector<std::pair<int, engine::TableSpec>> numbered;
  for (const auto& [key, table] : catalog) {
    engine::TableSpec layout;
    layout.name = table->name;
    layout.defaultIndex = table->defaultIndex;
    for (const engine::ColumnDef& c : table->columns) layout.columns.push_back({c.name, c.type, c.length, c.decimals});
    for (const engine::IndexDef& i : table->indexes) {
      std::string keys;
      for (int s : i.segments) keys += (keys.empty() ? "" : ";") + table->columns[s].name;
      layout.indexes.push_back({i.name, keys, i.unique, i.primary});
    }
    numbered.emplace_back(table->tableNumber, std::move(layout));
  }
  std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<engine::TableSpec> layouts;
  for (auto& [number, layout] : numbered) layouts.push_back(std::move(layout));
  return layouts;
}

// Inserts rows in multi-row statements of at most `perStatement` rows.
class BatchInsert {
 public:
  BatchInsert(PGconn* pg, std::string head, int columns)
      : pg_(pg), head_(std::move(head)), columns_(columns), perStatement_(std::max(1, 30000 / columns)) {}
  void Add(std::vector<Param> row) {
    for (Param& p : row) params_.push_back(std::move(p));
    if (++rows_ == perStatement_) Flush();
  }
  void Flush() {
    if (rows_ == 0) return;
    std::string sql = head_;
    int n = 0;
    for (int r = 0; r < rows_; ++r) {
      sql += r ? ", (" : " VALUES (";
      for (int c = 0; c < columns_; ++c) sql += (c ? ", $" : "$") + std::to_string(++n);
      sql += ")";
    }
    Check(Run(pg_, sql, params_));
    params_.clear();
    rows_ = 0;
  }

 private:
  PGconn* pg_;
  std::string head_;
  int columns_;
  int perStatement_;
  int rows_ = 0;
  std::vector<Param> params_;
};

}  // namespace

ServerSession::ServerSession(const std::string& connectionString) {
  Conn conn;
  Status status = ConnectServer(connectionString, conn);
  Check(status);
  pg_ = conn.release();
}

ServerSession::~ServerSession() { PQfinish(pg_); }

void ServerSession::Execute(const std::string& sql) { Check(Run(pg_, sql)); }

void CreateServerPractice(const std::string& descriptorPath, const std::string& connectionString,
                          const std::vector<engine::TableSpec>& tables, const engine::CreateOptions& options) {
  if (std::filesystem::exists(descriptorPath)) {
    Check(Status::Error(ace::kInvalidArgument, "the file already exists: " + descriptorPath));
  }
  ServerSession session(connectionString);
  Check(CreateServerSchema(session.pg(), tables, options));
  Check(WriteServerDescriptor(descriptorPath, connectionString));
}

std::int64_t MovePracticeToServer(const std::string& dictionaryPath, const std::string& connectionString) {
  if (IsServerDescriptor(dictionaryPath)) {
    Check(Status::Error(ace::kInvalidArgument, "(the practice is kept on a database server already)"));
  }
  if (!std::filesystem::exists(dictionaryPath)) Check(Status::Error(ace::kDictionaryNotFound, dictionaryPath));
  // Every committed change in the dictionary file itself, so the file alone is the practice.
  {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(dictionaryPath.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Sqlite db(raw);
    if (rc != SQLITE_OK) Check(Status::Error(ace::kStorageError, dictionaryPath + ": " + sqlite3_errmsg(raw)));
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_exec(raw, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  }
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(dictionaryPath.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  Sqlite db(raw);
  if (rc != SQLITE_OK) Check(Status::Error(ace::kStorageError, dictionaryPath + ": " + sqlite3_errmsg(raw)));
  sqlite3_busy_timeout(raw, 5000);
  // One read transaction: the copy is one consistent state of the practice.
  sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
  Catalog catalog;
  Check(engine::LoadCatalog(raw, catalog));

  ServerSession session(connectionString);
  PGconn* pg = session.pg();
  engine::CreateOptions options;
  options.withIndexes = false;
  Check(CreateServerSchema(pg, SpecsOf(catalog), options));
  Catalog server;
  Check(LoadServerCatalog(pg, server));
  Check(Run(pg, "BEGIN"));
  Check(Run(pg, "DELETE FROM lw_users"));
  {
    SqliteStmt users = Prepare(raw, "SELECT user_name, password_hash FROM lw_users");
    while (sqlite3_step(users.get()) == SQLITE_ROW) {
      Check(Run(pg, "INSERT INTO lw_users VALUES ($1, $2)",
                {reinterpret_cast<const char*>(sqlite3_column_text(users.get(), 0)),
                 reinterpret_cast<const char*>(sqlite3_column_text(users.get(), 1))}));
    }
  }
  std::int64_t copied = 0;
  for (const auto& [key, table] : catalog) {
    const engine::TableDef& target = *server.at(UpperCaseUtf8(table->name));
    std::string list = "rowid";
    std::string head = "INSERT INTO " + target.sqlName + " (lw_rowid";
    for (const engine::ColumnDef& c : table->columns) {
      list += ", " + c.sqlName;
      head += ", " + Quote(c.name);
    }
    head += ")";
    BatchInsert insert(pg, head, static_cast<int>(table->columns.size()) + 1);
    SqliteStmt rows = Prepare(raw, "SELECT " + list + " FROM " + table->sqlName + " ORDER BY rowid");
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
      std::vector<Param> row{std::to_string(sqlite3_column_int64(rows.get(), 0))};
      for (std::size_t c = 0; c < table->columns.size(); ++c) {
        row.push_back(ParamOf(engine::ValueFromStatement(rows.get(), static_cast<int>(c + 1))));
      }
      insert.Add(std::move(row));
      ++copied;
    }
    insert.Flush();
    Check(Run(pg,
              "SELECT setval(pg_get_serial_sequence($1, 'lw_rowid'), (SELECT coalesce(max(lw_rowid), 0) + 1 FROM " +
                  target.sqlName + "), false)",
              {target.sqlName}));
    SqliteStmt counter = Prepare(raw, "SELECT autoinc_next FROM lw_tables WHERE table_name = ?1");
    sqlite3_bind_text(counter.get(), 1, table->name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(counter.get()) == SQLITE_ROW) {
      Check(Run(pg, "UPDATE lw_tables SET autoinc_next = $1 WHERE table_name = $2",
                {std::to_string(sqlite3_column_int64(counter.get(), 0)), table->name}));
    }
  }
  {
    // The history keeps its runs: an undo of a run made before the move works after it. A
    // dictionary from before runs were kept has none (run 0).
    const bool hasRuns = HasColumn(raw, "lw_history", "run");
    BatchInsert history(pg,
                        "INSERT INTO lw_history (change, table_name, record_number, changed_at, user_name, action,"
                        " column_name, old_value, new_value, run, os_user)",
                        11);
    SqliteStmt entries = Prepare(raw, std::string("SELECT change, table_name, record_number, changed_at, user_name,"
                                                  " action, column_name, old_value, new_value, ") +
                                          (hasRuns ? "run, os_user" : "0, ''") + " FROM lw_history ORDER BY entry");
    while (sqlite3_step(entries.get()) == SQLITE_ROW) {
      std::vector<Param> row;
      for (int c = 0; c < 11; ++c) row.push_back(ParamOf(engine::ValueFromStatement(entries.get(), c)));
      history.Add(std::move(row));
    }
    history.Flush();
    Check(Run(pg, "SELECT setval('lw_change_numbers', (SELECT coalesce(max(change), 0) + 1 FROM lw_history), false)"));
    SqliteStmt lastRun = Prepare(raw, "SELECT CAST(value AS INTEGER) FROM lw_meta WHERE key = 'last_run'");
    if (sqlite3_step(lastRun.get()) == SQLITE_ROW) {
      Check(Run(pg, "INSERT INTO lw_meta VALUES ('last_run', $1)",
                {std::to_string(sqlite3_column_int64(lastRun.get(), 0))}));
    }
  }
  Check(Run(pg, "COMMIT"));
  Check(CreateServerIndexes(pg, server));
  db.reset();
  std::error_code error;
  std::filesystem::rename(dictionaryPath, dictionaryPath + ".moved", error);
  if (error) Check(Status::Error(ace::kStorageError, dictionaryPath + ": " + error.message()));
  for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(dictionaryPath + suffix, error);
  Check(WriteServerDescriptor(dictionaryPath, connectionString));
  return copied;
}

struct ServerLoader::Impl {
  std::unique_ptr<ServerSession> session;
  Catalog catalog;
};

ServerLoader::ServerLoader(const std::string& descriptorPath) : impl_(std::make_unique<Impl>()) {
  std::string conninfo;
  Check(ReadServerDescriptor(descriptorPath, conninfo));
  impl_->session = std::make_unique<ServerSession>(conninfo);
  Check(LoadServerCatalog(impl_->session->pg(), impl_->catalog));
}

ServerLoader::~ServerLoader() = default;

PGconn* ServerLoader::pg() const { return impl_->session->pg(); }

void ServerLoader::Begin() { Check(Run(pg(), "BEGIN")); }

void ServerLoader::Commit() { Check(Run(pg(), "COMMIT")); }

void ServerLoader::Rollback() { (void)Run(pg(), "ROLLBACK"); }

std::int64_t ServerLoader::Insert(const std::string& tableName, const engine::Row& row) {
  auto found = impl_->catalog.find(UpperCaseUtf8(tableName));
  if (found == impl_->catalog.end()) Check(Status::Error(ace::kNotInDictionary, tableName));
  const engine::TableDef& def = *found->second;
  std::vector<Value> values;
  std::vector<bool> given;
  Check(engine::StoredRowValues(def, row, values, given));
  std::int64_t assigned = 0;
  if (def.autoIncColumn >= 0) {
    Result counter;
    Check(Run(pg(), "SELECT autoinc_next FROM lw_tables WHERE table_name = $1 FOR UPDATE", {def.name}, counter));
    std::int64_t next = counter.Rows() == 1 ? counter.Int(0, 0) : 1;
    Value& value = values[def.autoIncColumn];
    if (!given[def.autoIncColumn] || value.IsNull()) value = Value::Int(next);
    assigned = value.integer;
    if (assigned >= next) {
      Check(Run(pg(), "UPDATE lw_tables SET autoinc_next = $1 WHERE table_name = $2",
                {std::to_string(assigned + 1), def.name}));
    }
  }
  std::string names = "", placeholders = "";
  std::vector<Param> params;
  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    if (values[c].IsNull()) continue;
    params.push_back(ParamOf(values[c]));
    names += (names.empty() ? "" : ", ") + Quote(def.columns[c].name);
    placeholders += (placeholders.empty() ? "$" : ", $") + std::to_string(params.size());
  }
  std::string sql = params.empty() ? "INSERT INTO " + def.sqlName + " DEFAULT VALUES RETURNING lw_rowid"
                                   : "INSERT INTO " + def.sqlName + " (" + names + ") VALUES (" + placeholders +
                                         ") RETURNING lw_rowid";
  Result inserted;
  Check(Run(pg(), sql, params, inserted));
  return def.autoIncColumn >= 0 ? assigned : inserted.Int(0, 0);
}

void ServerLoader::ForEachRow(
    const std::string& tableName,
    const std::function<void(const std::vector<std::string>& values, const std::vector<bool>& isNull)>& visit) {
  auto found = impl_->catalog.find(UpperCaseUtf8(tableName));
  if (found == impl_->catalog.end()) Check(Status::Error(ace::kNotInDictionary, tableName));
  const engine::TableDef& def = *found->second;
  std::string list;
  for (const engine::ColumnDef& c : def.columns) list += (list.empty() ? "" : ", ") + c.sqlName;
  // In pages, so a large table never sits in memory whole.
  std::int64_t after = 0;
  for (;;) {
    Result rows;
    Check(Run(pg(),
              "SELECT lw_rowid, " + list + " FROM " + def.sqlName + " WHERE lw_rowid > $1 ORDER BY lw_rowid LIMIT 5000",
              {std::to_string(after)}, rows));
    if (rows.Rows() == 0) return;
    std::vector<std::string> values(def.columns.size());
    std::vector<bool> isNull(def.columns.size());
    for (int r = 0; r < rows.Rows(); ++r) {
      after = rows.Int(r, 0);
      for (std::size_t c = 0; c < def.columns.size(); ++c) {
        Value value = ValueOf(rows, r, static_cast<int>(c + 1), def.columns[c].storage);
        isNull[c] = value.IsNull();
        values[c] = engine::TextFromValue(def.columns[c], value);
      }
      visit(values, isNull);
    }
  }
}

std::vector<std::string> ServerLoader::ColumnNames(const std::string& tableName) {
  auto found = impl_->catalog.find(UpperCaseUtf8(tableName));
  if (found == impl_->catalog.end()) Check(Status::Error(ace::kNotInDictionary, tableName));
  std::vector<std::string> names;
  for (const engine::ColumnDef& c : found->second->columns) names.push_back(c.name);
  return names;
}

}  // namespace lw::pgengine
