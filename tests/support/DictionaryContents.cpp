#include "tests/support/DictionaryContents.h"

#include "tests/support/sqlite/SqliteDb.h"

namespace lw::test {

std::string IntegrityOf(const std::string& dictionary) {
  SqliteDb file(dictionary, SqliteDb::kReadOnly);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(file.get(), "PRAGMA integrity_check", -1, &stmt, nullptr);
  std::string result = sqlite3_step(stmt) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                                                        : sqlite3_errmsg(file.get());
  sqlite3_finalize(stmt);
  return result;
}

std::map<std::int64_t, std::string> PaidAmountsOf(const std::string& dictionary) {
  SqliteDb file(dictionary, SqliteDb::kReadOnly);
  std::map<std::int64_t, std::string> amounts;
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(file.get(),
                     "SELECT \"Entry Number\", quote(\"Insurance 1 Amount Paid\") || quote(\"Insurance 2 Amount Paid\")"
                     " || quote(\"Insurance 3 Amount Paid\") || quote(\"Guarantor Amount Paid\") ||"
                     " quote(\"Adjustment Amount\") || quote(\"Attorney Amount Paid\") FROM MWTRN",
                     -1, &stmt, nullptr);
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    amounts[sqlite3_column_int64(stmt, 0)] = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
  }
  sqlite3_finalize(stmt);
  return amounts;
}

}  // namespace lw::test
