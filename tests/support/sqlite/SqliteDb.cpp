#include "tests/support/sqlite/SqliteDb.h"

#include <stdexcept>
#include <utility>

namespace lw::test {

SqliteDb::SqliteDb(const std::string& path, int flags)
    : openResult_(sqlite3_open_v2(path.c_str(), &db_, flags, nullptr)) {}

SqliteDb SqliteDb::Require(const std::string& path, int flags) {
  SqliteDb db(path, flags);
  if (db.OpenResult() != SQLITE_OK) throw std::runtime_error("cannot open " + path);
  return db;
}

SqliteDb::SqliteDb(SqliteDb&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), openResult_(other.openResult_) {}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
  if (this != &other) {
    Close();
    db_ = std::exchange(other.db_, nullptr);
    openResult_ = other.openResult_;
  }
  return *this;
}

void SqliteDb::Close() {
  // The _v2 close waits for statements still open instead of failing.
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteDb::Exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw std::runtime_error(message + " in: " + sql);
  }
}

SqliteStatement SqliteDb::Prepare(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
  }
  return SqliteStatement(statement);
}

namespace {
template <typename T, typename Read>
std::optional<T> First(SqliteDb& db, const std::string& sql, Read read) {
  SqliteStatement statement = db.Prepare(sql);
  if (sqlite3_step(statement.get()) != SQLITE_ROW || sqlite3_column_type(statement.get(), 0) == SQLITE_NULL) {
    return std::nullopt;
  }
  return read(statement.get());
}
}  // namespace

std::optional<std::int64_t> SqliteDb::Int(const std::string& sql) {
  return First<std::int64_t>(*this, sql, [](sqlite3_stmt* s) { return sqlite3_column_int64(s, 0); });
}

std::optional<double> SqliteDb::Double(const std::string& sql) {
  return First<double>(*this, sql, [](sqlite3_stmt* s) { return sqlite3_column_double(s, 0); });
}

std::optional<std::string> SqliteDb::Text(const std::string& sql) {
  return First<std::string>(*this, sql, [](sqlite3_stmt* s) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
  });
}

std::vector<std::optional<std::string>> SqliteDb::Column(const std::string& sql) {
  SqliteStatement statement = Prepare(sql);
  std::vector<std::optional<std::string>> values;
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(statement.get(), 0);
    if (text == nullptr) {
      values.emplace_back();
    } else {
      values.emplace_back(reinterpret_cast<const char*>(text));
    }
  }
  return values;
}

}  // namespace lw::test
