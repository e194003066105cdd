#pragma once
// One plain SQLite connection, closed when it goes: tests and benchmarks open dictionary files
// beside the engine with it to set up or check what the engine cannot be asked. No test framework
// here, so the benchmarks link it too.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lw::test {

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteStatement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

class SqliteDb {
 public:
  static constexpr int kReadOnly = SQLITE_OPEN_READONLY;
  static constexpr int kReadWrite = SQLITE_OPEN_READWRITE;
  static constexpr int kCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

  // Opens `path` with the given flags. A failed open keeps SQLite's handle (it holds the
  // message) and OpenResult() tells why; Require() throws instead.
  explicit SqliteDb(const std::string& path, int flags = kCreate);
  // Opens `path` or throws std::runtime_error("cannot open <path>").
  static SqliteDb Require(const std::string& path, int flags = kCreate);
  ~SqliteDb() { Close(); }
  SqliteDb(SqliteDb&& other) noexcept;
  SqliteDb& operator=(SqliteDb&& other) noexcept;
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  sqlite3* get() const { return db_; }
  int OpenResult() const { return openResult_; }
  // Closes now (a holder of a lock lets it go); later calls find no connection.
  void Close();
  void BusyTimeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

  // Runs statements; throws std::runtime_error naming the SQL on failure.
  void Exec(const std::string& sql);
  // Prepares one statement; throws std::runtime_error naming the SQL on failure.
  SqliteStatement Prepare(const std::string& sql);
  // The first column of the first row, or nothing for no row or NULL. Throw as Prepare does.
  std::optional<std::int64_t> Int(const std::string& sql);
  std::optional<double> Double(const std::string& sql);
  std::optional<std::string> Text(const std::string& sql);
  // The first column of every row, NULL as nothing.
  std::vector<std::optional<std::string>> Column(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
  int openResult_ = SQLITE_MISUSE;
};

}  // namespace lw::test
