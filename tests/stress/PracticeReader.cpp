#include "tests/stress/PracticeReader.h"

#include <cstdio>
#include <stdexcept>

#include "pgengine/Pq.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerPractice.h"
#include "pgengine/SqlStatement.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {

namespace {

class EmbeddedReader : public PracticeReader {
 public:
  explicit EmbeddedReader(const std::string& path) : db_(SqliteDb::Require(path, SqliteDb::kReadOnly)) {
    db_.BusyTimeout(10000);
  }
  bool OnServer() const override { return false; }

  std::vector<std::vector<Cell>> Rows(const std::string& sql) override {
    const SqliteStatement statement = db_.Prepare(sql);
    sqlite3_stmt* stmt = statement.get();
    std::vector<std::vector<Cell>> rows;
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<Cell>& row = rows.emplace_back();
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
          row.emplace_back();
        } else if (sqlite3_column_type(stmt, c) == SQLITE_FLOAT) {
          // Text that reads back as the same double, as the server writes its doubles.
          char text[32];
          std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(stmt, c));
          row.emplace_back(text);
        } else {
          row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        }
      }
    }
    if (step != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_.get()));
    return rows;
  }

 private:
  SqliteDb db_;
};

class ServerReader : public PracticeReader {
 public:
  explicit ServerReader(const std::string& path) : loader_(path) {}
  bool OnServer() const override { return true; }

  std::vector<std::vector<Cell>> Rows(const std::string& sql) override {
    const pgengine::ServerSql server = pgengine::ToServerSql(sql, {});
    pgengine::Result result;
    if (engine::Status status = pgengine::Run(loader_.pg(), server.sql, server.params, result); !status.ok()) {
      throw std::runtime_error(status.text() + " in: " + server.sql);
    }
    std::vector<std::vector<Cell>> rows(result.Rows());
    for (int r = 0; r < result.Rows(); ++r) {
      for (int c = 0; c < result.Columns(); ++c) {
        if (result.IsNull(r, c))
          rows[r].emplace_back();
        else
          rows[r].emplace_back(std::string(result.Text(r, c), result.Length(r, c)));
      }
    }
    return rows;
  }

 private:
  pgengine::ServerLoader loader_;
};

}  // namespace

std::unique_ptr<PracticeReader> PracticeReader::Open(const std::string& dictionaryPath) {
  if (pgengine::IsServerDescriptor(dictionaryPath)) return std::make_unique<ServerReader>(dictionaryPath);
  return std::make_unique<EmbeddedReader>(dictionaryPath);
}

std::int64_t PracticeReader::Int(const std::string& sql) {
  const std::string text = Text(sql);
  return text.empty() ? -1 : std::stoll(text);
}

std::string PracticeReader::Text(const std::string& sql) {
  const auto rows = Rows(sql);
  if (rows.empty() || rows[0].empty() || !rows[0][0]) return {};
  return *rows[0][0];
}

}  // namespace lw::test
