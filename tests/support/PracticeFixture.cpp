#include "tests/support/PracticeFixture.h"

#include <filesystem>
#include <stdexcept>

#include "common/Path.h"
#include "engine/PracticeLayouts.h"

namespace lw::test {

PracticeFixture::PracticeFixture() : PracticeFixture(PracticeOptions{}) {}

PracticeFixture::PracticeFixture(const PracticeOptions& options)
    : folder_(options.subfolder.empty() ? dir_.Path().string() : dir_.File(options.subfolder)) {
  std::filesystem::create_directories(folder_);
  std::vector<engine::TableSpec> tables;
  if (options.withPracticeTables) {
    tables.push_back(engine::SpecFromLayout(MwtrnLayout(), options.mwtrnDefaultIndex));
    tables.push_back(engine::SpecFromLayout(MwpaxLayout(), options.mwpaxDefaultIndex));
  }
  for (const auto& extra : options.extraTables) tables.push_back(extra);
  engine::CreateDictionary(DictionaryPath(), tables);
  loader_ = std::make_unique<engine::DictionaryLoader>(DictionaryPath());
}

PracticeFixture::~PracticeFixture() {
  loader_.reset();
  if (sql_ != nullptr) sqlite3_close_v2(sql_);
}

std::string PracticeFixture::Folder() const { return folder_; }
std::string PracticeFixture::DictionaryPath() const { return JoinPath(folder_, engine::kDictionaryFileName); }
std::string PracticeFixture::ConnectPath() const { return JoinPath(Folder(), engine::kDictionaryFileName); }

std::int64_t PracticeFixture::Insert(const std::string& table, const engine::Row& row) {
  return loader_->Insert(table, row);
}

void PracticeFixture::InsertAll(const std::string& table, const std::vector<engine::Row>& rows) {
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
}  // namespace

std::optional<std::int64_t> PracticeFixture::QueryInt(const std::string& sql) {
  return QueryFirst<std::int64_t>(Sql(), sql, [](sqlite3_stmt* s) { return sqlite3_column_int64(s, 0); });
}

std::optional<double> PracticeFixture::QueryDouble(const std::string& sql) {
  return QueryFirst<double>(Sql(), sql, [](sqlite3_stmt* s) { return sqlite3_column_double(s, 0); });
}

std::optional<std::string> PracticeFixture::QueryText(const std::string& sql) {
  return QueryFirst<std::string>(Sql(), sql, [](sqlite3_stmt* s) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
  });
}

void PracticeFixture::Execute(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(Sql(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error(message + " in: " + sql);
  }
}

}  // namespace lw::test
