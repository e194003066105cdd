// The catalog loader: a practice dictionary whose catalog rows the input rewrites (column types,
// lengths and decimals, index key lists, rows removed). Loading either fails with the engine's
// "damaged" error or gives a layout every record image fits: each column inside the record,
// its NULL marker written and read back as NULL.

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/ace/AceErrors.h"
#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Schema.h"
#include "tools/practice/PracticeLayouts.h"

namespace {

// The practice's catalog, made once (its password hash is slow on purpose).
sqlite3* Template() {
  static sqlite3* db = [] {
    sqlite3* made = nullptr;
    sqlite3_open(":memory:", &made);
    lw::engine::CreateOptions options;
    options.withIndexes = false;
    if (!lw::engine::CreateSchema(made, lw::practice::PracticeTables(), options).ok()) std::abort();
    return made;
  }();
  return db;
}

void Run(sqlite3* db, const char* sql, const std::vector<std::int64_t>& numbers, const std::string& text = {}) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
  for (std::size_t i = 0; i < numbers.size(); ++i) sqlite3_bind_int64(stmt, static_cast<int>(i + 1), numbers[i]);
  if (!text.empty() || std::string(sql).find("?9") != std::string::npos) {
    sqlite3_bind_text(stmt, 9, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  sqlite3_step(stmt);
  sqlite3_finalize(stmt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_backup* copy = sqlite3_backup_init(db, "main", Template(), "main");
  sqlite3_backup_step(copy, -1);
  sqlite3_backup_finish(copy);

  // Each operation takes 8 bytes: what to change, which row, and the new numbers.
  std::size_t at = 0;
  while (at + 8 <= size) {
    const std::uint8_t* op = data + at;
    at += 8;
    const std::int64_t table = op[0] & 1 ? 2 : 1;
    const std::int64_t row = op[1] % 130 + 1;
    const auto wide =
        static_cast<std::int64_t>(static_cast<std::int32_t>(op[4] | op[5] << 8 | op[6] << 16 | op[7] << 24));
    switch ((op[0] >> 1) % 5) {
      case 0:
        Run(db,
            "UPDATE lw_columns SET type_code = ?1, length = ?2, decimals = ?3 WHERE ordinal = ?4 AND "
            "table_name = (SELECT table_name FROM lw_tables WHERE table_number = ?5)",
            {op[2] % 24, wide, op[3] % 40, row, table});
        break;
      case 1:
        Run(db,
            "UPDATE lw_columns SET length = ?1 WHERE ordinal = ?2 AND "
            "table_name = (SELECT table_name FROM lw_tables WHERE table_number = ?3)",
            {wide, row, table});
        break;
      case 2:
        Run(db,
            "DELETE FROM lw_columns WHERE ordinal = ?1 AND "
            "table_name = (SELECT table_name FROM lw_tables WHERE table_number = ?2)",
            {row, table});
        break;
      case 3: {
        // The rest of the input (up to 64 bytes) becomes an index's key column list.
        const std::size_t n = std::min<std::size_t>(64, size - at);
        const std::string keys(reinterpret_cast<const char*>(data + at), n);
        at += n;
        Run(db,
            "UPDATE lw_indexes SET key_columns = ?9 WHERE position = ?1 AND "
            "table_name = (SELECT table_name FROM lw_tables WHERE table_number = ?2)",
            {op[1] % 8 + 1, table}, keys);
        break;
      }
      default: Run(db, "UPDATE lw_tables SET table_number = ?1 WHERE table_number = ?2", {wide, table}); break;
    }
  }

  lw::engine::Catalog catalog;
  const lw::engine::Status status = lw::engine::LoadCatalog(db, catalog);
  sqlite3_close(db);
  if (!status.ok()) {
    if (status.code() != lw::ace::kDictionaryDamaged && status.code() != lw::ace::kNotADictionary) std::abort();
    return 0;
  }
  for (const auto& [name, table] : catalog) {
    std::vector<std::uint8_t> image(table->recordLength + 1, 0xEE);
    for (const lw::engine::ColumnDef& column : table->columns) {
      if (column.offset + column.length > table->recordLength) std::abort();
      lw::engine::WriteNullImage(column, image.data());
      lw::engine::Value value;
      if (!lw::engine::ValueFromImage(column, image.data() + column.offset, value).ok() || !value.IsNull()) {
        std::abort();
      }
    }
    if (image[table->recordLength] != 0xEE) std::abort();
    for (const lw::engine::IndexDef& index : table->indexes) {
      for (int segment : index.segments) {
        if (segment < 0 || segment >= static_cast<int>(table->columns.size())) std::abort();
      }
    }
  }
  return 0;
}
