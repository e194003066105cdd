#pragma once
// RAII owners for SQLite handles and the few helpers every engine file needs.

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace lw::engine {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
struct BlobCloser {
  void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;
using Blob = std::unique_ptr<sqlite3_blob, BlobCloser>;

// Resets a statement when the scope ends, so a reused statement never holds a read open. The
// bindings stay: every user binds all of a statement's parameters before each step, and clearing
// walks every parameter slot (hundreds, for the cursors' numbered parameters).
class StmtReset {
 public:
  explicit StmtReset(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StmtReset() { sqlite3_reset(stmt_); }
  StmtReset(const StmtReset&) = delete;
  StmtReset& operator=(const StmtReset&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

// Prepares a statement; on failure returns null and leaves the error in the connection.
inline Stmt Prepare(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  return Stmt(stmt);
}

// A name as an SQLite identifier: in double quotes, inner quotes doubled.
inline std::string QuoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

inline std::string ErrorText(sqlite3* db) { return db != nullptr ? sqlite3_errmsg(db) : "out of memory"; }

}  // namespace lw::engine
