#pragma once
// Building practice dictionaries: creating MWDDF.ADD with its catalog, users and tables, and
// loading rows in bulk. Used by the practice tool and by test fixtures; the program itself only
// reads and edits rows through the engine interface.
//
// A dictionary is one SQLite database (WAL mode). Each table is an SQLite table of the same
// name with one column per table column, in table order, holding:
//   logical -> INTEGER 0/1; integer, short, auto-increment -> INTEGER; double, currency double,
//   numeric -> REAL; money -> INTEGER count of ten-thousandths; date -> TEXT "YYYY-MM-DD";
//   timestamp -> TEXT "YYYY-MM-DD HH:MM:SS.mmm"; time -> INTEGER milliseconds; character ->
//   TEXT without trailing blanks ("" for a column of blanks); memo -> TEXT; raw/binary -> BLOB;
//   NULL -> NULL.
// Beside each table, lw_images_<table number> keeps its rows' record images ready to read
// (engine/StoredImages.h); the loader stores the image of every row it inserts.
// Errors are raised as lw::EDatabaseError carrying the engine's text.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace lw::engine {

inline constexpr const char* kDictionaryFileName = "MWDDF.ADD";
// The dictionary user and password every practice of the program uses.
inline constexpr const char* kPracticeUser = "user";
inline constexpr const char* kPracticePassword = "vortelin";

struct ColumnSpec {
  std::string name;
  std::uint16_t type = 0;    // engine column type code (ace::ColumnType)
  std::uint32_t length = 0;  // bytes in the record image
  std::uint16_t decimals = 0;
};

struct IndexSpec {
  std::string name;
  std::string keyColumns;  // column names separated by ";"
  bool unique = false;
  bool primary = false;
};

struct TableSpec {
  std::string name;
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
  std::string defaultIndex;  // empty: the dictionary names no default index
};

// A value handed to the loader: NULL, an integer, a double, or text in the forms above
// (dates "YYYY-MM-DD", timestamps ISO 8601, logicals "T"/"F", numbers with ".").
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;
using Row = std::vector<std::pair<std::string, FieldValue>>;

struct CreateOptions {
  std::string user = kPracticeUser;
  std::string password = kPracticePassword;
  // Builds the SQLite indexes at once; a bulk load is faster with false and a later
  // DictionaryLoader::CreateIndexes().
  bool withIndexes = true;
};

// Creates a new dictionary file with the given tables. Fails when the file exists.
void CreateDictionary(const std::string& path, const std::vector<TableSpec>& tables, const CreateOptions& options = {});

// The table's column names in table order, from a dictionary file.
std::vector<std::string> DictionaryColumnNames(const std::string& path, const std::string& table);

// One thread at a time: the loader's SQLite connection has no mutex of its own.
class DictionaryLoader {
 public:
  // Opens an existing dictionary for loading (no login: the caller owns the file).
  explicit DictionaryLoader(const std::string& path);
  ~DictionaryLoader();
  DictionaryLoader(const DictionaryLoader&) = delete;
  DictionaryLoader& operator=(const DictionaryLoader&) = delete;

  // Batches inserts in one transaction; without Begin every Insert commits on its own.
  void Begin();
  void Commit();
  void Rollback();

  // Inserts one row: values by column name (without regard to case); columns not named are
  // NULL; the auto-increment column is assigned above the highest value when not given, and an
  // explicit value is kept. Returns the row's auto-increment value, or its record number when
  // the table has no auto-increment column. An unknown column or a value that does not fit its
  // column raises EDatabaseError naming the column.
  std::int64_t Insert(const std::string& table, const Row& row);

  // Creates every catalog index that has no SQLite index yet.
  void CreateIndexes();

  // Calls `visit` for every row of the table in record-number order with the stored values as
  // text (the forms above; NULL -> empty text, `isNull` tells them apart).
  void ForEachRow(
      const std::string& table,
      const std::function<void(const std::vector<std::string>& values, const std::vector<bool>& isNull)>& visit);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lw::engine
