#pragma once
// A practice in a private temporary folder: MWDDF.ADD with MWTRN and MWPAX in their stored
// layout (or a variation) and the program's dictionary user. Rows are inserted by column name
// (columns not named are NULL); a plain connection to the same practice allows independent checks.
//
// When LEDGERWICK_TEST_SERVER holds a libpq connection string (the test cluster's), the practice
// is kept on that server instead, in a database of its own, and MWDDF.ADD is its descriptor:
// the same tests then run against the server provider. Independent checks then go to the
// server (their SQL may say rowid for the record number).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Dictionary.h"
#include "tests/support/TempDir.h"
#include "tests/support/sqlite/SqliteDb.h"

namespace lw::pgengine {
class ServerLoader;
}

namespace lw::test {

struct PracticeOptions {
  std::string mwtrnDefaultIndex;  // empty: the dictionary names no default index
  std::string mwpaxDefaultIndex;
  std::vector<engine::TableSpec> extraTables;
  bool withPracticeTables = true;
  // Changes the stored layouts before the dictionary is created (indexes, columns).
  std::function<void(engine::TableSpec& mwtrn, engine::TableSpec& mwpax)> adjust;
  // Fills the new dictionary file (rows in bulk, say) before the practice moves to the server.
  std::function<void(const std::string& dictionary)> fill;
  // The practice lies in this subfolder of the temporary folder (say a name with accents);
  // empty: in the temporary folder itself.
  std::string subfolder;
  bool embeddedOnly = false;  // an embedded practice even when the suite runs on the server
};

class PracticeFixture {
 public:
  PracticeFixture();
  explicit PracticeFixture(const PracticeOptions& options);
  ~PracticeFixture();
  PracticeFixture(const PracticeFixture&) = delete;
  PracticeFixture& operator=(const PracticeFixture&) = delete;

  // The practice folder, the dictionary file, and the connect path the program builds
  // (folder + "/MWDDF.ADD").
  std::string Folder() const;
  std::string DictionaryPath() const;
  std::string ConnectPath() const;

  // Inserts a row; returns its "Entry Number" (MWTRN) or record number (other tables).
  std::int64_t Insert(const std::string& table, const engine::Row& row);
  // Several rows in one transaction.
  void InsertAll(const std::string& table, const std::vector<engine::Row>& rows);

  // A plain SQLite connection to the dictionary (opened on first use). REQUIRES: !OnServer().
  SqliteDb& Sql();
  // Whether the practice is kept on the test server.
  bool OnServer() const { return server_ != nullptr; }
  // The first column of the first row of a query, or nothing for no row / NULL.
  std::optional<std::int64_t> QueryInt(const std::string& sql);
  std::optional<double> QueryDouble(const std::string& sql);
  std::optional<std::string> QueryText(const std::string& sql);
  // Runs a statement on the plain connection; throws std::runtime_error on failure.
  void Execute(const std::string& sql);

 private:
  engine::DictionaryLoader& EmbeddedLoader();
  pgengine::ServerLoader& RemoteLoader();

  TempDir dir_;
  std::string folder_;
  std::unique_ptr<engine::DictionaryLoader> loader_;
  std::optional<SqliteDb> sql_;
  struct Server;
  std::unique_ptr<Server> server_;
};

}  // namespace lw::test
