#include "engine/Schema.h"

#include <sodium.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

#include "engine/DeclaredTables.h"
#include "engine/RecordCodec.h"
#include "engine/Sqlite.h"
#include "engine/StoredImages.h"
#include "engine/TextFunctions.h"

namespace lw::engine {

namespace {

// Argon2id with a small cost: the dictionary is a local file whose login runs at every search,
// so the hash is salted and slow enough to deter guessing but quick to check.
constexpr unsigned long long kHashOps = 2;
constexpr std::size_t kHashMemory = 4 * 1024 * 1024;

std::string TableDdl(const TableDef& table) {
  std::string sql = "CREATE TABLE " + table.sqlName + " (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& column = table.columns[i];
    if (i > 0) sql += ", ";
    sql += column.sqlName + " " + SqlTypeOf(column.storage);
  }
  // Index keys read NULL as a value below every other, as the record images order them, so
  // keyset positions never meet SQL's NULL comparisons.
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& column = table.columns[i];
    if (column.keySqlName.empty()) continue;
    const char* collation = ace::IsCaseInsensitiveText(column.type) ? " COLLATE NOCASE" : "";
    sql += ", " + column.keySqlName + collation + " GENERATED ALWAYS AS (ifnull(" + column.sqlName + ", " +
           kNullKeySql + ")) VIRTUAL";
  }
  sql += ")";
  return sql;
}

TableDef DefFromSpec(const TableSpec& tableSpec, int number, Status& status) {
  TableDef table;
  table.name = tableSpec.name;
  table.tableNumber = number;
  table.defaultIndex = tableSpec.defaultIndex;
  std::uint64_t recordLength = 0;
  for (const ColumnSpec& c : tableSpec.columns) {
    if (std::string problem = ColumnProblem(c.type, c.length, c.decimals); !problem.empty()) {
      status = Status::Error(ace::kInvalidArgument, "column " + c.name + " has " + problem);
      return table;
    }
    recordLength += c.length;
    if (recordLength > kMaxRecordLength) {
      status = Status::Error(ace::kInvalidArgument, "table " + tableSpec.name + " has records too long to keep");
      return table;
    }
    table.columns.push_back(ColumnDefFrom(c));
  }
  AddIndexDefsFrom(tableSpec, table, status);
  FinishLayout(table);
  return table;
}

}  // namespace

Status Exec(sqlite3* db, const std::string& sql) {
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? Status() : SqliteFailure(db, rc);
}

Status SqliteFailure(sqlite3* db, int rc) { return StorageFailure(rc, ErrorText(db)); }

Status StorageFailure(int rc, const std::string& detail) {
  // A page whose checksum does not match (see PageChecksums.h) was damaged on the disk.
  if (rc == SQLITE_IOERR_DATA) return Status::Error(ace::kDictionaryDamaged, detail + " (a damaged page)");
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return Status::Error(ace::kDatabaseBusy);
    case SQLITE_CONSTRAINT: return Status::Error(ace::kDuplicateKey, detail);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return Status::Error(ace::kDictionaryDamaged, detail);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: return Status::Error(ace::kCannotOpen, detail);
    case SQLITE_READONLY: return Status::Error(ace::kReadOnlyStorage, detail);
    case SQLITE_FULL: return Status::Error(ace::kDiskFull, detail);
    default: return Status::Error(ace::kStorageError, detail);
  }
}

Status CheckDictionaryFormat(sqlite3* db, const std::string& path) {
  Stmt format = Prepare(db, "SELECT value FROM lw_meta WHERE key = 'format'");
  if (!format) {
    int rc = sqlite3_extended_errcode(db);
    // No lw_meta table: an SQLite database of some other program.
    if ((rc & 0xff) == SQLITE_ERROR || (rc & 0xff) == SQLITE_NOTADB) return Status::Error(ace::kNotADictionary, path);
    return StorageFailure(rc, path + ": " + ErrorText(db));
  }
  int rc = sqlite3_step(format.get());
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    if ((rc & 0xff) == SQLITE_NOTADB) return Status::Error(ace::kNotADictionary, path);
    return StorageFailure(rc, path + ": " + ErrorText(db));
  }
  const unsigned char* value = rc == SQLITE_ROW ? sqlite3_column_text(format.get(), 0) : nullptr;
  if (value == nullptr || std::string(reinterpret_cast<const char*>(value)) != kDictionaryFormat) {
    return Status::Error(ace::kNotADictionary, path);
  }
  return {};
}

namespace {

// Waits for another user's transaction in short jittered steps, up to kBusyTimeoutMs. SQLite's
// own handler backs off to 100 ms sleeps, so a waiter can miss every short gap between a busy
// writer's transactions and give up though the database was free most of the time.
int BusyWait(void*, int attempt) {
  thread_local std::chrono::steady_clock::time_point started;
  thread_local std::minstd_rand jitter(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&started)));
  const auto now = std::chrono::steady_clock::now();
  if (attempt == 0) started = now;
  if (now - started >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
  std::this_thread::sleep_for(std::chrono::microseconds(200 + jitter() % 1800));
  return 1;
}

}  // namespace

void SetBusyWait(sqlite3* db) { sqlite3_busy_handler(db, BusyWait, nullptr); }

Status ConfigureConnection(sqlite3* db, bool readOnly) {
  SetBusyWait(db);
  if (!readOnly) LW_RETURN_IF_ERROR(Exec(db, "PRAGMA journal_mode=WAL"));
  // A commit reported as done survives a power loss: in WAL mode only FULL syncs the log at
  // every commit (NORMAL may roll back the last fixes after the report said they were written).
  LW_RETURN_IF_ERROR(Exec(db, "PRAGMA synchronous=FULL"));
  LW_RETURN_IF_ERROR(RegisterTextFunctions(db));
  return Exec(db, "PRAGMA cache_size=-65536");
}

Status HashPassword(const std::string& password, std::string& hash) {
  if (sodium_init() < 0) return Status::Error(ace::kInternalError, "the crypto library did not start");
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), kHashOps, kHashMemory) != 0) {
    return Status::Error(ace::kInternalError, "out of memory hashing a password");
  }
  hash = out;
  return {};
}

bool VerifyPassword(const std::string& hash, const std::string& password) {
  if (sodium_init() < 0) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::vector<std::string> IndexStatements(const TableDef& table) {
  std::vector<std::string> statements;
  for (const IndexDef& index : table.indexes) {
    std::string sql = std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
                      index.sqliteName + " ON " + table.sqlName + " (";
    for (std::size_t s = 0; s < index.segments.size(); ++s) {
      if (s > 0) sql += ", ";
      sql += table.columns[index.segments[s]].keySqlName;
    }
    sql += ")";
    statements.push_back(std::move(sql));
  }
  return statements;
}

Status CreateSchema(sqlite3* db, const std::vector<TableSpec>& tables, const CreateOptions& options) {
  std::string hash;
  LW_RETURN_IF_ERROR(HashPassword(options.password, hash));
  LW_RETURN_IF_ERROR(Exec(db, "BEGIN IMMEDIATE"));
  auto fail = [&](Status status) {
    // The first failure is the one to report; a rollback that fails too leaves nothing committed.
    (void)Exec(db, "ROLLBACK");
    return status;
  };
  static const char* kCatalog =
      "CREATE TABLE lw_meta (key TEXT PRIMARY KEY, value TEXT);"
      "CREATE TABLE lw_tables (table_name TEXT PRIMARY KEY COLLATE NOCASE, default_index TEXT,"
      " table_number INTEGER NOT NULL UNIQUE, autoinc_next INTEGER NOT NULL DEFAULT 1);"
      "CREATE TABLE lw_columns (table_name TEXT NOT NULL, ordinal INTEGER NOT NULL, column_name TEXT NOT NULL,"
      " type_code INTEGER NOT NULL, length INTEGER NOT NULL, decimals INTEGER NOT NULL,"
      " PRIMARY KEY (table_name, ordinal));"
      "CREATE TABLE lw_indexes (table_name TEXT NOT NULL, position INTEGER NOT NULL, index_name TEXT NOT NULL,"
      " key_columns TEXT NOT NULL, is_unique INTEGER NOT NULL, is_descending INTEGER NOT NULL,"
      " is_primary INTEGER NOT NULL, PRIMARY KEY (table_name, position));"
      "CREATE TABLE lw_users (user_name TEXT PRIMARY KEY COLLATE NOCASE, password_hash TEXT NOT NULL);"
      "CREATE TABLE lw_history (entry INTEGER PRIMARY KEY, change INTEGER NOT NULL, table_name TEXT NOT NULL,"
      " record_number INTEGER NOT NULL, changed_at TEXT NOT NULL, user_name TEXT NOT NULL, action TEXT NOT NULL,"
      " column_name TEXT, old_value, new_value, run INTEGER NOT NULL DEFAULT 0, os_user TEXT NOT NULL DEFAULT '');"
      "CREATE INDEX lw_history_change ON lw_history (change);"
      "CREATE INDEX lw_history_run ON lw_history (run);";
  Status status = Exec(db, kCatalog);
  if (!status.ok()) return fail(status);
  Stmt meta = Prepare(db, "INSERT INTO lw_meta VALUES ('format', ?1)");
  Stmt user = Prepare(db, "INSERT INTO lw_users VALUES (?1, ?2)");
  Stmt table = Prepare(db, "INSERT INTO lw_tables (table_name, default_index, table_number) VALUES (?1, ?2, ?3)");
  Stmt column = Prepare(db, "INSERT INTO lw_columns VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  Stmt index = Prepare(db, "INSERT INTO lw_indexes VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6)");
  if (!meta || !user || !table || !column || !index) return fail(SqliteFailure(db, sqlite3_errcode(db)));
  auto run = [&](sqlite3_stmt* s) {
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE ? Status() : SqliteFailure(db, rc);
  };
  sqlite3_bind_text(meta.get(), 1, kDictionaryFormat, -1, SQLITE_STATIC);
  if (!(status = run(meta.get())).ok()) return fail(status);
  sqlite3_bind_text(user.get(), 1, options.user.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(user.get(), 2, hash.c_str(), -1, SQLITE_STATIC);
  if (!(status = run(user.get())).ok()) return fail(status);
  int number = 0;
  for (const TableSpec& tableSpec : tables) {
    ++number;
    Status specStatus;
    TableDef def = DefFromSpec(tableSpec, number, specStatus);
    if (!specStatus.ok()) return fail(specStatus);
    sqlite3_bind_text(table.get(), 1, tableSpec.name.c_str(), -1, SQLITE_STATIC);
    if (tableSpec.defaultIndex.empty())
      sqlite3_bind_null(table.get(), 2);
    else
      sqlite3_bind_text(table.get(), 2, tableSpec.defaultIndex.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(table.get(), 3, number);
    if (!(status = run(table.get())).ok()) return fail(status);
    for (std::size_t i = 0; i < tableSpec.columns.size(); ++i) {
      const ColumnSpec& c = tableSpec.columns[i];
      sqlite3_bind_text(column.get(), 1, tableSpec.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int(column.get(), 2, static_cast<int>(i + 1));
      sqlite3_bind_text(column.get(), 3, c.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int(column.get(), 4, c.type);
      sqlite3_bind_int(column.get(), 5, static_cast<int>(c.length));
      sqlite3_bind_int(column.get(), 6, c.decimals);
      if (!(status = run(column.get())).ok()) return fail(status);
    }
    for (std::size_t i = 0; i < tableSpec.indexes.size(); ++i) {
      const IndexSpec& x = tableSpec.indexes[i];
      sqlite3_bind_text(index.get(), 1, tableSpec.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int(index.get(), 2, static_cast<int>(i + 1));
      sqlite3_bind_text(index.get(), 3, x.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(index.get(), 4, x.keyColumns.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int(index.get(), 5, x.unique ? 1 : 0);
      sqlite3_bind_int(index.get(), 6, x.primary ? 1 : 0);
      if (!(status = run(index.get())).ok()) return fail(status);
    }
    if (!(status = Exec(db, TableDdl(def))).ok()) return fail(status);
    if (!(status = CreateImageTable(db, def)).ok()) return fail(status);
    if (options.withIndexes) {
      for (const std::string& sql : IndexStatements(def)) {
        if (!(status = Exec(db, sql)).ok()) return fail(status);
      }
    }
  }
  if (!(status = MarkImagesComplete(db)).ok()) return fail(status);
  return Exec(db, "COMMIT");
}

}  // namespace lw::engine
