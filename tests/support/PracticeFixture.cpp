#include "tests/support/PracticeFixture.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "common/Path.h"
#include "pgengine/Pq.h"
#include "pgengine/ServerPractice.h"
#include "pgengine/SqlStatement.h"
#include "tests/support/TestServer.h"
#include "tools/practice/PracticeLayouts.h"

namespace lw::test {

struct PracticeFixture::Server {
  std::string database;
  std::unique_ptr<pgengine::ServerLoader> loader;
};

PracticeFixture::PracticeFixture() : PracticeFixture(PracticeOptions{}) {}

PracticeFixture::PracticeFixture(const PracticeOptions& options)
    : folder_(options.subfolder.empty() ? dir_.Path().string() : dir_.File(options.subfolder)) {
  std::filesystem::create_directories(folder_);
  std::vector<engine::TableSpec> tables;
  if (options.withPracticeTables) {
    tables.push_back(practice::SpecFromLayout(MwtrnLayout(), options.mwtrnDefaultIndex));
    tables.push_back(practice::SpecFromLayout(MwpaxLayout(), options.mwpaxDefaultIndex));
  }
  for (const auto& extra : options.extraTables) tables.push_back(extra);
  engine::CreateDictionary(DictionaryPath(), tables);
  if (!ServerMode() || options.embeddedOnly) {
    loader_ = std::make_unique<engine::DictionaryLoader>(DictionaryPath());
    return;
  }
  // The same practice, moved to a database of its own on the test server.
  server_ = std::make_unique<Server>();
  server_->database = MoveToTestServer(DictionaryPath());
  server_->loader = std::make_unique<pgengine::ServerLoader>(DictionaryPath());
}

PracticeFixture::~PracticeFixture() {
  loader_.reset();
  if (sql_ != nullptr) sqlite3_close_v2(sql_);
  if (server_) {
    server_->loader.reset();
    DropTestDatabase(server_->database);
  }
}

std::string PracticeFixture::Folder() const { return folder_; }
std::string PracticeFixture::DictionaryPath() const { return JoinPath(folder_, engine::kDictionaryFileName); }
std::string PracticeFixture::ConnectPath() const { return JoinPath(Folder(), engine::kDictionaryFileName); }

std::int64_t PracticeFixture::Insert(const std::string& table, const engine::Row& row) {
  if (server_) return server_->loader->Insert(table, row);
  return loader_->Insert(table, row);
}

void PracticeFixture::InsertAll(const std::string& table, const std::vector<engine::Row>& rows) {
  if (server_) {
    server_->loader->Begin();
    try {
      for (const auto& row : rows) server_->loader->Insert(table, row);
    } catch (...) {
      server_->loader->Rollback();
      throw;
    }
    server_->loader->Commit();
    return;
  }
  loader_->Begin();
  try {
    for (const auto& row : rows) loader_->Insert(table, row);
  } catch (...) {
    loader_->Rollback();
    throw;
  }
  loader_->Commit();
}

sqlite3* PracticeFixture::Sql() {
  if (server_) throw std::logic_error("the practice is kept on the test server");
  if (sql_ == nullptr) {
    if (sqlite3_open_v2(DictionaryPath().c_str(), &sql_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + DictionaryPath());
    }
    sqlite3_busy_timeout(sql_, 5000);
  }
  return sql_;
}

namespace {
template <typename T, typename Read>
std::optional<T> QueryFirst(sqlite3* db, const std::string& sql, Read read) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + sql);
  }
  std::optional<T> result;
  if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) result = read(stmt);
  sqlite3_finalize(stmt);
  return result;
}

// The first field of the first row of a query on the server, or nothing for no row / NULL.
std::optional<std::string> ServerFirst(PGconn* pg, const std::string& sql) {
  pgengine::ServerSql server = pgengine::ToServerSql(sql, {});
  pgengine::Result result;
  engine::Status status = pgengine::Run(pg, server.sql, {}, result);
  if (!status.ok()) throw std::runtime_error(status.text() + " in: " + server.sql);
  if (result.Rows() == 0 || result.Columns() == 0 || result.IsNull(0, 0)) return std::nullopt;
  return std::string(result.Text(0, 0), result.Length(0, 0));
}
}  // namespace

std::optional<std::int64_t> PracticeFixture::QueryInt(const std::string& sql) {
  if (server_) {
    auto text = ServerFirst(server_->loader->pg(), sql);
    if (!text) return std::nullopt;
    if (*text == "t" || *text == "f") return *text == "t" ? 1 : 0;
    return static_cast<std::int64_t>(std::strtod(text->c_str(), nullptr));
  }
  return QueryFirst<std::int64_t>(Sql(), sql, [](sqlite3_stmt* s) { return sqlite3_column_int64(s, 0); });
}

std::optional<double> PracticeFixture::QueryDouble(const std::string& sql) {
  if (server_) {
    auto text = ServerFirst(server_->loader->pg(), sql);
    if (!text) return std::nullopt;
    return std::strtod(text->c_str(), nullptr);
  }
  return QueryFirst<double>(Sql(), sql, [](sqlite3_stmt* s) { return sqlite3_column_double(s, 0); });
}

std::optional<std::string> PracticeFixture::QueryText(const std::string& sql) {
  if (server_) return ServerFirst(server_->loader->pg(), sql);
  return QueryFirst<std::string>(Sql(), sql, [](sqlite3_stmt* s) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
  });
}

void PracticeFixture::Execute(const std::string& sql) {
  if (server_) {
    pgengine::ServerSql server = pgengine::ToServerSql(sql, {});
    engine::Status status = pgengine::Run(server_->loader->pg(), server.sql);
    if (!status.ok()) throw std::runtime_error(status.text() + " in: " + server.sql);
    return;
  }
  char* error = nullptr;
  if (sqlite3_exec(Sql(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error(message + " in: " + sql);
  }
}

}  // namespace lw::test
