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
    engine::TableSpec mwtrn = practice::SpecFromLayout(MwtrnLayout(), options.mwtrnDefaultIndex);
    engine::TableSpec mwpax = practice::SpecFromLayout(MwpaxLayout(), options.mwpaxDefaultIndex);
    if (options.adjust) options.adjust(mwtrn, mwpax);
    tables.push_back(std::move(mwtrn));
    tables.push_back(std::move(mwpax));
  }
  for (const auto& extra : options.extraTables) tables.push_back(extra);
  engine::CreateDictionary(DictionaryPath(), tables);
  if (options.fill) options.fill(DictionaryPath());
  if (!ServerMode() || options.embeddedOnly) return;
  // The same practice, moved to a database of its own on the test server.
  server_ = std::make_unique<Server>();
  server_->database = MoveToTestServer(DictionaryPath());
}

// The loaders open on first use: a practice only read through the engine keeps no other
// connection open.
engine::DictionaryLoader& PracticeFixture::EmbeddedLoader() {
  if (!loader_) loader_ = std::make_unique<engine::DictionaryLoader>(DictionaryPath());
  return *loader_;
}

pgengine::ServerLoader& PracticeFixture::RemoteLoader() {
  if (!server_->loader) server_->loader = std::make_unique<pgengine::ServerLoader>(DictionaryPath());
  return *server_->loader;
}

PracticeFixture::~PracticeFixture() {
  loader_.reset();
  sql_.reset();
  if (server_) {
    server_->loader.reset();
    DropTestDatabase(server_->database);
  }
}

std::string PracticeFixture::Folder() const { return folder_; }
std::string PracticeFixture::DictionaryPath() const { return JoinPath(folder_, engine::kDictionaryFileName); }
std::string PracticeFixture::ConnectPath() const { return JoinPath(Folder(), engine::kDictionaryFileName); }

std::int64_t PracticeFixture::Insert(const std::string& table, const engine::Row& row) {
  if (server_) return RemoteLoader().Insert(table, row);
  return EmbeddedLoader().Insert(table, row);
}

void PracticeFixture::InsertAll(const std::string& table, const std::vector<engine::Row>& rows) {
  auto all = [&](auto& loader) {
    loader.Begin();
    try {
      for (const auto& row : rows) loader.Insert(table, row);
    } catch (...) {
      loader.Rollback();
      throw;
    }
    loader.Commit();
  };
  if (server_) {
    all(RemoteLoader());
  } else {
    all(EmbeddedLoader());
  }
}

SqliteDb& PracticeFixture::Sql() {
  if (server_) throw std::logic_error("the practice is kept on the test server");
  if (!sql_) {
    sql_.emplace(SqliteDb::Require(DictionaryPath(), SqliteDb::kReadWrite));
    sql_->BusyTimeout(5000);
  }
  return *sql_;
}

namespace {
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
    auto text = ServerFirst(RemoteLoader().pg(), sql);
    if (!text) return std::nullopt;
    if (*text == "t" || *text == "f") return *text == "t" ? 1 : 0;
    return static_cast<std::int64_t>(std::strtod(text->c_str(), nullptr));
  }
  return Sql().Int(sql);
}

std::optional<double> PracticeFixture::QueryDouble(const std::string& sql) {
  if (server_) {
    auto text = ServerFirst(RemoteLoader().pg(), sql);
    if (!text) return std::nullopt;
    return std::strtod(text->c_str(), nullptr);
  }
  return Sql().Double(sql);
}

std::optional<std::string> PracticeFixture::QueryText(const std::string& sql) {
  if (server_) return ServerFirst(RemoteLoader().pg(), sql);
  return Sql().Text(sql);
}

void PracticeFixture::Execute(const std::string& sql) {
  if (server_) {
    pgengine::ServerSql server = pgengine::ToServerSql(sql, {});
    engine::Status status = pgengine::Run(RemoteLoader().pg(), server.sql);
    if (!status.ok()) throw std::runtime_error(status.text() + " in: " + server.sql);
    return;
  }
  Sql().Exec(sql);
}

}  // namespace lw::test
