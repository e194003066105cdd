#pragma once
// The dictionary's description of its tables, as the engine works with it: columns with their
// engine type code, length, decimals and record-image offset; indexes with their key columns.
// Loaded from the dictionary's catalog tables when a connection opens.

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/ace/AceTypes.h"
#include "engine/Status.h"

namespace lw::engine {

// How a column's value is kept in its SQLite column.
enum class Storage { Integer, Real, Text, Blob };

struct ColumnDef {
  std::string name;
  std::uint16_t type = 0;  // ace::ColumnType
  std::uint32_t length = 0;
  std::uint16_t decimals = 0;
  std::uint32_t offset = 0;
  Storage storage = Storage::Text;
  std::string sqlName;     // the quoted SQLite column name
  std::string keySqlName;  // the quoted generated key column when an index uses it, else empty
};

struct IndexDef {
  std::string name;
  std::vector<int> segments;  // column positions (from 0)
  bool unique = false;
  bool descending = false;
  bool primary = false;
  std::uint32_t keyLength = 0;  // sum of the segments' record-image lengths
  std::string sqliteName;
};

struct TableDef {
  std::string name;
  std::string sqlName;  // the quoted SQLite table name
  std::vector<ColumnDef> columns;
  std::vector<IndexDef> indexes;
  std::string defaultIndex;  // empty when the dictionary names none
  std::uint32_t recordLength = 0;
  int autoIncColumn = -1;
  int tableNumber = 0;  // stable number of the table in the dictionary, for record locks

  // Position of the column (case-insensitive), or -1.
  int FindColumn(std::string_view columnName) const;
  // Position of the index (case-insensitive), or -1.
  int FindIndex(std::string_view indexName) const;
};

// The storage class and default record-image length of an engine column type.
Storage StorageOf(std::uint16_t type);
// The SQLite declared type for a storage class.
const char* SqlTypeOf(Storage storage);
// The name of the generated key column for column position `column`.
std::string KeyColumnName(int column);
// Why a column of this type code, record-image length and decimals cannot be kept (each fixed-size
// type has its natural length; text, raw and numeric columns a bounded one), or empty when it can.
// Taken as 64-bit numbers so a catalog's out-of-range values are judged before any narrowing.
std::string ColumnProblem(std::int64_t type, std::int64_t length, std::int64_t decimals);
// The most a record image may hold, so offsets and key lengths never wrap.
inline constexpr std::uint32_t kMaxRecordLength = 1u << 20;
// Fills offsets, key lengths, generated key column names and the auto-increment column.
// REQUIRES: every column passes ColumnProblem and the lengths sum to at most kMaxRecordLength.
void FinishLayout(TableDef& table);

using Catalog = std::map<std::string, std::shared_ptr<const TableDef>, std::less<>>;

// Reads the catalog of an open dictionary. Table names are keyed in upper case.
Status LoadCatalog(sqlite3* db, Catalog& catalog);

// The folder of a practice's path ("." for a bare file name).
std::string FolderOf(const std::string& path);
// The table a caller names: without regard to case, ".ADT" ignored; a name with a folder only
// when that is the practice's own `folder` (following links). Fails with kNotInDictionary.
Status ResolveCatalogTable(const Catalog& catalog, const std::string& folder, const std::string& name,
                           std::shared_ptr<const TableDef>& table);

}  // namespace lw::engine
