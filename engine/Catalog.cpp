#include "engine/Catalog.h"

#include <sys/stat.h>

#include <cctype>

#include "common/Utf8.h"
#include "engine/Sqlite.h"

namespace lw::engine {

namespace {
namespace C = ace::ColumnType;

bool SameName(std::string_view a, std::string_view b) { return EqualsIgnoringCase(a, b); }

// Whether two paths name the same folder (following links, ignoring trailing separators).
bool SameFolder(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
}  // namespace

int TableDef::FindColumn(std::string_view columnName) const {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (SameName(columns[i].name, columnName)) return static_cast<int>(i);
  }
  return -1;
}

int TableDef::FindIndex(std::string_view indexName) const {
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    if (SameName(indexes[i].name, indexName)) return static_cast<int>(i);
  }
  return -1;
}

Storage StorageOf(std::uint16_t type) {
  switch (type) {
    case C::kLogical:
    case C::kInteger:
    case C::kShortInt:
    case C::kTime:
    case C::kAutoInc:
    case C::kMoney: return Storage::Integer;
    case C::kNumeric:
    case C::kDouble:
    case C::kCurDouble: return Storage::Real;
    case C::kBinary:
    case C::kImage:
    case C::kRaw: return Storage::Blob;
    default: return Storage::Text;
  }
}

const char* SqlTypeOf(Storage storage) {
  switch (storage) {
    case Storage::Integer: return "INTEGER";
    case Storage::Real: return "REAL";
    case Storage::Blob: return "BLOB";
    case Storage::Text: return "TEXT";
  }
  return "TEXT";
}

std::string ColumnProblem(std::int64_t type, std::int64_t length, std::int64_t decimals) {
  if (type < 0 || type > 0xFFFF || !ace::IsKnownColumnType(static_cast<std::uint16_t>(type))) {
    return "the unknown type " + std::to_string(type);
  }
  std::int64_t least = length, most = length;  // a fixed-size type's natural length
  switch (type) {
    case C::kLogical: least = most = 1; break;
    case C::kNumeric: least = 1, most = 32; break;
    case C::kDate:
      if (length != 4) least = most = 8;
      break;
    case C::kCompactDate: least = most = 3; break;
    case C::kShortInt: least = most = 2; break;
    case C::kInteger:
    case C::kTime:
    case C::kAutoInc: least = most = 4; break;
    case C::kDouble:
    case C::kTimestamp:
    case C::kCurDouble:
    case C::kMoney: least = most = 8; break;
    case C::kMemo:
    case C::kBinary:
    case C::kImage:
    case C::kVarchar:
      least = 4, most = 64;  // a reference to the stored value, not the value itself
      break;
    default:  // text and raw bytes
      least = 1, most = 65000;
      break;
  }
  if (length < least || length > most) {
    return "type " + std::to_string(type) + " with the length " + std::to_string(length) + " (" +
           (least == most ? std::to_string(least) : std::to_string(least) + " to " + std::to_string(most)) +
           " expected)";
  }
  bool decimalsFit = type == C::kNumeric ? decimals >= 0 && decimals <= 15 && (decimals == 0 || decimals + 2 <= length)
                                         : decimals >= 0 && decimals <= 0xFFFF;
  if (!decimalsFit) return "type " + std::to_string(type) + " with " + std::to_string(decimals) + " decimals";
  return {};
}

std::string KeyColumnName(int column) { return "__key" + std::to_string(column + 1); }

void FinishLayout(TableDef& table) {
  std::uint32_t offset = 0;
  table.autoIncColumn = -1;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    ColumnDef& column = table.columns[i];
    column.offset = offset;
    offset += column.length;
    column.storage = StorageOf(column.type);
    column.sqlName = QuoteIdentifier(column.name);
    column.keySqlName.clear();
    if (column.type == C::kAutoInc && table.autoIncColumn < 0) table.autoIncColumn = static_cast<int>(i);
  }
  table.recordLength = offset;
  table.sqlName = QuoteIdentifier(table.name);
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    IndexDef& index = table.indexes[i];
    index.keyLength = 0;
    for (int column : index.segments) {
      index.keyLength += table.columns[column].length;
      table.columns[column].keySqlName = QuoteIdentifier(KeyColumnName(column));
    }
    index.sqliteName = QuoteIdentifier(table.name + "__" + std::to_string(i + 1));
  }
}

Status LoadCatalog(sqlite3* db, Catalog& catalog) {
  catalog.clear();
  Stmt tables = Prepare(db, "SELECT table_name, default_index, table_number FROM lw_tables ORDER BY table_number");
  Stmt columns = Prepare(db,
                         "SELECT column_name, type_code, length, decimals FROM lw_columns "
                         "WHERE table_name = ?1 ORDER BY ordinal");
  Stmt indexes = Prepare(db,
                         "SELECT index_name, key_columns, is_unique, is_descending, is_primary "
                         "FROM lw_indexes WHERE table_name = ?1 ORDER BY position");
  if (!tables || !columns || !indexes) return Status::Error(ace::kNotADictionary, ErrorText(db));
  auto text = [](sqlite3_stmt* s, int i) {
    const unsigned char* t = sqlite3_column_text(s, i);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
  };
  while (sqlite3_step(tables.get()) == SQLITE_ROW) {
    auto table = std::make_shared<TableDef>();
    table->name = text(tables.get(), 0);
    table->defaultIndex = text(tables.get(), 1);
    table->tableNumber = sqlite3_column_int(tables.get(), 2);
    sqlite3_bind_text(columns.get(), 1, table->name.c_str(), -1, SQLITE_TRANSIENT);
    std::uint64_t recordLength = 0;
    while (sqlite3_step(columns.get()) == SQLITE_ROW) {
      ColumnDef column;
      column.name = text(columns.get(), 0);
      const std::int64_t type = sqlite3_column_int64(columns.get(), 1);
      const std::int64_t length = sqlite3_column_int64(columns.get(), 2);
      const std::int64_t decimals = sqlite3_column_int64(columns.get(), 3);
      // A damaged or hostile catalog must never size a record image: every length is checked
      // against its type, and their sum against the image limit, before anything is laid out.
      std::string problem = ColumnProblem(type, length, decimals);
      if (!problem.empty()) {
        return Status::Error(ace::kDictionaryDamaged,
                             "table " + table->name + " column " + column.name + " has " + problem);
      }
      recordLength += static_cast<std::uint64_t>(length);
      if (recordLength > kMaxRecordLength) {
        return Status::Error(ace::kDictionaryDamaged, "table " + table->name + " has records too long to keep");
      }
      column.type = static_cast<std::uint16_t>(type);
      column.length = static_cast<std::uint32_t>(length);
      column.decimals = static_cast<std::uint16_t>(decimals);
      table->columns.push_back(std::move(column));
    }
    if (table->columns.empty())
      return Status::Error(ace::kDictionaryDamaged, "table " + table->name + " has no columns");
    sqlite3_reset(columns.get());
    sqlite3_bind_text(indexes.get(), 1, table->name.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(indexes.get()) == SQLITE_ROW) {
      IndexDef index;
      index.name = text(indexes.get(), 0);
      std::string keys = text(indexes.get(), 1);
      std::size_t start = 0;
      while (start <= keys.size()) {
        std::size_t end = keys.find(';', start);
        if (end == std::string::npos) end = keys.size();
        int column = table->FindColumn(keys.substr(start, end - start));
        if (column < 0) {
          return Status::Error(ace::kDictionaryDamaged,
                               "index " + index.name + " names the unknown column " + keys.substr(start, end - start));
        }
        index.segments.push_back(column);
        start = end + 1;
      }
      index.unique = sqlite3_column_int(indexes.get(), 2) != 0;
      index.descending = sqlite3_column_int(indexes.get(), 3) != 0;
      index.primary = sqlite3_column_int(indexes.get(), 4) != 0;
      table->indexes.push_back(std::move(index));
    }
    sqlite3_reset(indexes.get());
    FinishLayout(*table);
    std::string key = table->name;
    key = UpperCaseUtf8(key);
    catalog.emplace(std::move(key), std::move(table));
  }
  if (sqlite3_errcode(db) != SQLITE_OK && sqlite3_errcode(db) != SQLITE_DONE && sqlite3_errcode(db) != SQLITE_ROW) {
    return Status::Error(ace::kDictionaryDamaged, ErrorText(db));
  }
  return {};
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

Status ResolveCatalogTable(const Catalog& catalog, const std::string& folder, const std::string& name,
                           std::shared_ptr<const TableDef>& table) {
  std::string candidate = name;
  std::size_t slash = candidate.find_last_of('/');
  if (slash != std::string::npos) {
    // A path: only a table of this practice's folder.
    std::string given = slash == 0 ? "/" : candidate.substr(0, slash);
    if (!SameFolder(given, folder)) return Status::Error(ace::kNotInDictionary, name);
    candidate = candidate.substr(slash + 1);
  }
  std::string key = UpperCaseUtf8(candidate);
  if (key.size() > 4 && key.compare(key.size() - 4, 4, ".ADT") == 0) key.resize(key.size() - 4);
  auto found = catalog.find(key);
  if (found == catalog.end()) return Status::Error(ace::kNotInDictionary, name);
  table = found->second;
  return {};
}

}  // namespace lw::engine
