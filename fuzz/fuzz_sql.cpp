// The SQL dialect translator over the practice's catalog: any text either translates or is
// rejected with the engine's "Error 7200" text. A translation goes to SQLite's own parser, as the
// engine sends it (SQLite refusing it is a rejection the engine reports), and may never number
// more parameters than the literals it binds and the statement's own parameters.

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/ace/AceErrors.h"
#include "engine/Catalog.h"
#include "engine/Schema.h"
#include "engine/SqlTranslator.h"
#include "tools/practice/PracticeLayouts.h"

namespace {

struct Practice {
  sqlite3* db = nullptr;
  lw::engine::Catalog catalog;
};

const Practice& ThePractice() {
  static Practice practice = [] {
    Practice made;
    sqlite3_open(":memory:", &made.db);
    lw::engine::CreateOptions options;
    if (!lw::engine::CreateSchema(made.db, lw::practice::PracticeTables(), options).ok()) std::abort();
    if (!lw::engine::LoadCatalog(made.db, made.catalog).ok()) std::abort();
    return made;
  }();
  return practice;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Practice& practice = ThePractice();
  const std::string text(reinterpret_cast<const char*>(data), size);
  int parameters = 0;
  const lw::engine::Status scanned = lw::engine::ScanSql(text, parameters);
  if (!scanned.ok() && scanned.code() != lw::ace::kSqlError) std::abort();

  lw::engine::TranslatedSql translated;
  const lw::engine::Status status = lw::engine::TranslateSql(text, practice.catalog, translated);
  if (!status.ok()) {
    if (status.code() != lw::ace::kSqlError || status.text().rfind("Error 7200:", 0) != 0) std::abort();
    return 0;
  }
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(practice.db, translated.sql.c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK && stmt != nullptr) {
    if (sqlite3_bind_parameter_count(stmt) > static_cast<int>(translated.binds.size()) + parameters) std::abort();
  }
  sqlite3_finalize(stmt);
  return 0;
}
