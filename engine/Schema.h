#pragma once
// The dictionary file's own layout: the catalog tables, the data tables with their generated
// key columns and indexes, users and the update history. Shared by dictionary creation, the
// loader and the engine's connect checks.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/Status.h"

namespace lw::engine {

// The value of lw_meta's "format" entry that marks a dictionary of this engine.
inline constexpr const char* kDictionaryFormat = "ledgerwick-dictionary-1";

// Refuses a file that is no SQLite database or lacks this engine's format marker
// (kNotADictionary); any other failure is reported as what it is. Reads only: every opener calls
// it before anything is written, so a look at the wrong file never changes that file.
Status CheckDictionaryFormat(sqlite3* db, const std::string& path);

// Connection settings every dictionary connection uses: WAL with durable commits, a bounded
// busy wait, the text functions of TextFunctions.h. A read-only connection leaves the journal
// mode as the file has it.
Status ConfigureConnection(sqlite3* db, bool readOnly = false);
// How long a busy database is waited on before kDatabaseBusy is reported.
inline constexpr int kBusyTimeoutMs = 5000;
// Makes the connection wait for a busy database (up to kBusyTimeoutMs) from its next statement.
void SetBusyWait(sqlite3* db);

// Writes catalog, users and tables into an empty database.
Status CreateSchema(sqlite3* db, const std::vector<TableSpec>& tables, const CreateOptions& options);

// CREATE INDEX statements for the table's catalog indexes (IF NOT EXISTS).
std::vector<std::string> IndexStatements(const TableDef& table);

// A salted password hash (libsodium's Argon2id string form) and its check.
Status HashPassword(const std::string& password, std::string& hash);
bool VerifyPassword(const std::string& hash, const std::string& password);

// Runs a statement without results.
Status Exec(sqlite3* db, const std::string& sql);
// Maps an SQLite failure to an engine status: busy -> kDatabaseBusy, constraint ->
// kDuplicateKey, corruption -> kDictionaryDamaged, cannot open -> kCannotOpen, read-only ->
// kReadOnlyStorage, disk full -> kDiskFull, any other (I/O) -> kStorageError. The detail is
// the connection's error text, or the one given.
Status SqliteFailure(sqlite3* db, int rc);
Status StorageFailure(int rc, const std::string& detail);

}  // namespace lw::engine
