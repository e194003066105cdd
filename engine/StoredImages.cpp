#include "engine/StoredImages.h"

#include <cstring>

#include "engine/RecordCodec.h"
#include "engine/Schema.h"

namespace lw::engine {

namespace {

// Rows given their images per transaction while upgrading.
constexpr int kFillBatch = 5000;

// Equal bytes between two differing runs that are still worth storing rather than starting a
// new run (a run costs two varints).
constexpr std::uint32_t kJoinGap = 3;

void PutVarint(std::string& out, std::uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7f) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

bool GetVarint(const std::uint8_t* data, std::size_t size, std::size_t& at, std::uint32_t& value) {
  value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (at >= size) return false;
    std::uint8_t byte = data[at++];
    value |= static_cast<std::uint32_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

std::vector<std::string> TriggerNames(const TableDef& table) {
  std::string base = PlainImageTableName(table);
  return {base + "_insert", base + "_update", base + "_delete"};
}

Status Run(sqlite3* db, sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? Status() : SqliteFailure(db, rc);
}

std::string ColumnList(const TableDef& table) {
  std::string list;
  for (const ColumnDef& column : table.columns) list += ", " + column.sqlName;
  return list;
}

}  // namespace

std::string PlainImageTableName(const TableDef& table) { return "lw_images_" + std::to_string(table.tableNumber); }

std::string ImageTableName(const TableDef& table) { return QuoteIdentifier(PlainImageTableName(table)); }

std::vector<std::uint8_t> NullImage(const TableDef& table) {
  std::vector<std::uint8_t> image(table.recordLength, 0);
  for (const ColumnDef& column : table.columns) WriteNullImage(column, image.data());
  return image;
}

void BuildImage(const TableDef& table, sqlite3_stmt* stmt, int first, const std::uint8_t* nullImage,
                std::uint8_t* image) {
  // Starts from the all-NULL image: most columns of a practice row are NULL, and one copy beats
  // writing each marker.
  std::memcpy(image, nullImage, table.recordLength);
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    sqlite3_value* value = sqlite3_column_value(stmt, first + static_cast<int>(i));
    if (sqlite3_value_type(value) != SQLITE_NULL) WriteImageFromStoredValue(table.columns[i], value, image);
  }
}

void EncodeImage(const std::uint8_t* image, const std::uint8_t* nullImage, std::uint32_t length, std::string& stored) {
  stored.clear();
  PutVarint(stored, length);
  std::uint32_t written = 0;  // image bytes accounted for so far
  std::uint32_t at = 0;
  while (at < length) {
    if (image[at] == nullImage[at]) {
      ++at;
      continue;
    }
    std::uint32_t start = at;
    std::uint32_t end = at + 1;  // one past the last differing byte of the run
    for (std::uint32_t probe = end; probe < length && probe - end <= kJoinGap; ++probe) {
      if (image[probe] != nullImage[probe]) end = probe + 1;
    }
    PutVarint(stored, start - written);
    PutVarint(stored, end - start);
    stored.append(reinterpret_cast<const char*>(image + start), end - start);
    written = at = end;
  }
}

bool DecodeImage(const std::uint8_t* stored, std::size_t size, const std::uint8_t* nullImage, std::uint32_t length,
                 std::uint8_t* image) {
  std::size_t at = 0;
  std::uint32_t storedLength = 0;
  if (!GetVarint(stored, size, at, storedLength) || storedLength != length) return false;
  std::memcpy(image, nullImage, length);
  std::uint64_t position = 0;
  while (at < size) {
    std::uint32_t skip = 0, count = 0;
    if (!GetVarint(stored, size, at, skip) || !GetVarint(stored, size, at, count)) return false;
    position += skip;
    if (position + count > length || count > size - at) return false;
    std::memcpy(image + position, stored + at, count);
    at += count;
    position += count;
  }
  return true;
}

Status HasImageTable(sqlite3* db, const TableDef& table, bool& has) {
  // Images are trusted only while every trigger that keeps them current is in place.
  Stmt find = Prepare(db, "SELECT count(*) FROM sqlite_master WHERE name IN (?1, ?2, ?3, ?4)");
  if (!find) return SqliteFailure(db, sqlite3_errcode(db));
  std::vector<std::string> names = TriggerNames(table);
  names.push_back(PlainImageTableName(table));
  for (std::size_t i = 0; i < names.size(); ++i) {
    sqlite3_bind_text(find.get(), static_cast<int>(i + 1), names[i].c_str(), -1, SQLITE_TRANSIENT);
  }
  int rc = sqlite3_step(find.get());
  if (rc != SQLITE_ROW) return SqliteFailure(db, rc);
  has = sqlite3_column_int(find.get(), 0) == static_cast<int>(names.size());
  return {};
}

Status CreateImageTable(sqlite3* db, const TableDef& table) {
  std::string images = ImageTableName(table);
  std::vector<std::string> triggers = TriggerNames(table);
  // A row whose record number changes, or that an INSERT OR REPLACE puts in place of another,
  // loses the images under both numbers.
  return Exec(db, "CREATE TABLE IF NOT EXISTS " + images + " (record INTEGER PRIMARY KEY, image BLOB NOT NULL);" +
                      "CREATE TRIGGER IF NOT EXISTS " + QuoteIdentifier(triggers[0]) + " AFTER INSERT ON " +
                      table.sqlName + " BEGIN DELETE FROM " + images + " WHERE record = NEW.rowid; END;" +
                      "CREATE TRIGGER IF NOT EXISTS " + QuoteIdentifier(triggers[1]) + " AFTER UPDATE ON " +
                      table.sqlName + " BEGIN DELETE FROM " + images + " WHERE record IN (OLD.rowid, NEW.rowid); END;" +
                      "CREATE TRIGGER IF NOT EXISTS " + QuoteIdentifier(triggers[2]) + " AFTER DELETE ON " +
                      table.sqlName + " BEGIN DELETE FROM " + images + " WHERE record = OLD.rowid; END;");
}

ImageWriter::ImageWriter(sqlite3* db, const TableDef& table)
    : db_(db), table_(table), nullImage_(NullImage(table)), image_(table.recordLength) {}

Status ImageWriter::Store(std::int64_t rowid) {
  if (!read_) {
    read_ = Prepare(db_, "SELECT rowid" + ColumnList(table_) + " FROM " + table_.sqlName + " WHERE rowid = ?1");
    write_ = Prepare(db_, "INSERT OR REPLACE INTO " + ImageTableName(table_) + " (record, image) VALUES (?1, ?2)");
    if (!read_ || !write_) return SqliteFailure(db_, sqlite3_errcode(db_));
  }
  StmtReset reset(read_.get());
  sqlite3_bind_int64(read_.get(), 1, rowid);
  int rc = sqlite3_step(read_.get());
  if (rc == SQLITE_DONE) return {};  // no such row: nothing to keep
  if (rc != SQLITE_ROW) return SqliteFailure(db_, rc);
  BuildImage(table_, read_.get(), 1, nullImage_.data(), image_.data());
  EncodeImage(image_.data(), nullImage_.data(), table_.recordLength, stored_);
  sqlite3_bind_int64(write_.get(), 1, rowid);
  sqlite3_bind_blob(write_.get(), 2, stored_.data(), static_cast<int>(stored_.size()), SQLITE_STATIC);
  return Run(db_, write_.get());
}

namespace {

Status ImagesState(sqlite3* db, std::string& state) {
  Stmt read = Prepare(db, "SELECT value FROM lw_meta WHERE key = 'images'");
  if (!read) return SqliteFailure(db, sqlite3_errcode(db));
  int rc = sqlite3_step(read.get());
  if (rc == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(read.get(), 0);
    state = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    return {};
  }
  state.clear();
  return rc == SQLITE_DONE ? Status() : SqliteFailure(db, rc);
}

Status SetImagesState(sqlite3* db, const char* state) {
  Stmt write = Prepare(db, "INSERT OR REPLACE INTO lw_meta (key, value) VALUES ('images', ?1)");
  if (!write) return SqliteFailure(db, sqlite3_errcode(db));
  sqlite3_bind_text(write.get(), 1, state, -1, SQLITE_STATIC);
  return Run(db, write.get());
}

// One transaction: the images of up to kFillBatch rows after `after` that have none.
Status FillBatch(sqlite3* db, const TableDef& table, std::int64_t& after, bool& more) {
  LW_RETURN_IF_ERROR(Exec(db, "BEGIN IMMEDIATE"));
  auto fail = [&](Status status) {
    (void)Exec(db, "ROLLBACK");
    return status;
  };
  Stmt pending =
      Prepare(db, "SELECT t.rowid FROM " + table.sqlName + " t WHERE t.rowid > ?1 AND NOT EXISTS (SELECT 1 FROM " +
                      ImageTableName(table) + " i WHERE i.record = t.rowid) ORDER BY t.rowid LIMIT ?2");
  if (!pending) return fail(SqliteFailure(db, sqlite3_errcode(db)));
  sqlite3_bind_int64(pending.get(), 1, after);
  sqlite3_bind_int(pending.get(), 2, kFillBatch);
  std::vector<std::int64_t> rows;
  int rc;
  while ((rc = sqlite3_step(pending.get())) == SQLITE_ROW) rows.push_back(sqlite3_column_int64(pending.get(), 0));
  if (rc != SQLITE_DONE) return fail(SqliteFailure(db, rc));
  pending.reset();
  ImageWriter writer(db, table);
  for (std::int64_t rowid : rows) {
    Status stored = writer.Store(rowid);
    if (!stored.ok()) return fail(stored);
  }
  more = rows.size() == static_cast<std::size_t>(kFillBatch);
  if (!rows.empty()) after = rows.back();
  return Exec(db, "COMMIT");
}

}  // namespace

Status MarkImagesComplete(sqlite3* db) { return SetImagesState(db, "complete"); }

Status UpgradeImages(sqlite3* db, const Catalog& catalog) {
  std::string state;
  LW_RETURN_IF_ERROR(ImagesState(db, state));
  if (state == "complete") return {};
  LW_RETURN_IF_ERROR(Exec(db, "BEGIN IMMEDIATE"));
  Status created;
  for (const auto& [name, table] : catalog) {
    if (!(created = CreateImageTable(db, *table)).ok()) break;
  }
  if (created.ok()) created = SetImagesState(db, "filling");
  if (!created.ok()) {
    (void)Exec(db, "ROLLBACK");
    return created;
  }
  LW_RETURN_IF_ERROR(Exec(db, "COMMIT"));
  for (const auto& [name, table] : catalog) {
    std::int64_t after = 0;
    bool more = true;
    while (more) LW_RETURN_IF_ERROR(FillBatch(db, *table, after, more));
  }
  return SetImagesState(db, "complete");
}

}  // namespace lw::engine
