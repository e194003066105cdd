#include "engine/Dictionary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_set>

#include "common/Exceptions.h"
#include "common/Utf8.h"
#include "engine/Catalog.h"
#include "engine/DictionaryFile.h"
#include "engine/KeyViolation.h"
#include "engine/PageChecksums.h"
#include "engine/RecordCodec.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "engine/StoredImages.h"
#include "engine/StoredValue.h"

namespace lw::engine {

namespace {

constexpr std::int64_t kMaxAutoInc = 2147483647;

void Check(const Status& status) {
  if (!status.ok()) throw EDatabaseError(status.text());
}

// Every connection opened here is private to one loader or one call, so SQLite's own
// per-call connection mutex (taken on every step and column read) is left out.
Db OpenDb(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  InstallPageChecksums();
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  Db db(raw);
  if (rc != SQLITE_OK) Check(Status::Error(ace::kStorageError, path + ": " + ErrorText(raw)));
  sqlite3_extended_result_codes(raw, 1);
  return db;
}

// Patient financial data is for the practice's staff only: the file is made without access for
// other users, in the folder's group so a group-shared practice folder keeps working. SQLite then
// gives its journal files the same mode and owner.
Status CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0660);
  if (fd < 0) return Status::Error(ace::kStorageError, path + ": " + std::strerror(errno));
  const std::string folder = std::filesystem::path(path).parent_path().string();
  struct stat info {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &info) == 0) {
    (void)::fchown(fd, static_cast<uid_t>(-1), info.st_gid);  // refused unless we belong to the group
  }
  (void)::fchmod(fd, 0660);  // the umask may have taken group rights away
  ::close(fd);
  return {};
}

}  // namespace

Status StoredValueOf(const ColumnDef& column, const FieldValue& field, Value& value) {
  if (std::holds_alternative<std::monostate>(field)) {
    value = Value();
    return {};
  }
  if (const auto* text = std::get_if<std::string>(&field)) return ValueFromText(column, *text, value);
  if (const auto* integer = std::get_if<std::int64_t>(&field)) {
    switch (column.storage) {
      case Storage::Real: value = Value::Real(static_cast<double>(*integer)); break;
      case Storage::Integer:
        value = Value::Int(column.type == ace::ColumnType::kMoney ? *integer * 10000 : *integer);
        break;
      default: return ValueFromText(column, std::to_string(*integer), value);
    }
    return CheckStoredValue(column, value);
  }
  double real = std::get<double>(field);
  if (column.storage == Storage::Real) {
    value = Value::Real(real);
  } else if (column.type == ace::ColumnType::kMoney) {
    value = Value::Int(static_cast<std::int64_t>(std::nearbyint(real * 10000)));
  } else if (column.storage == Storage::Integer && real == std::floor(real)) {
    value = Value::Int(static_cast<std::int64_t>(real));
  } else {
    return ColumnError(ace::kValueDoesNotFit, column, "a number does not fit this column");
  }
  return CheckStoredValue(column, value);
}

Status StoredRowValues(const TableDef& table, const Row& row, std::vector<Value>& values, std::vector<bool>& given) {
  values.assign(table.columns.size(), Value());
  given.assign(table.columns.size(), false);
  for (const auto& [name, field] : row) {
    int column = table.FindColumn(name);
    if (column < 0) {
      return Status::WithText(ace::kColumnNotFound, std::string(ace::AceErrorText(ace::kColumnNotFound)) +
                                                        " column \"" + name + "\" in table " + table.name + ".");
    }
    LW_RETURN_IF_ERROR(StoredValueOf(table.columns[column], field, values[column]));
    given[column] = true;
  }
  return {};
}

void CreateDictionary(const std::string& path, const std::vector<TableSpec>& tables, const CreateOptions& options) {
  if (std::filesystem::exists(path)) Check(Status::Error(ace::kInvalidArgument, "the file already exists: " + path));
  Check(CreatePrivateFile(path));
  Db db = OpenDb(path, SQLITE_OPEN_READWRITE);
  Check(EnableChecksums(db.get()));
  Check(ConfigureConnection(db.get()));
  Check(CreateSchema(db.get(), tables, options));
}

struct DictionaryLoader::Impl {
  Db db;
  Catalog catalog;
  struct TableState {
    std::shared_ptr<const TableDef> def;
    Stmt insert;
    std::int64_t autoIncNext = 1;
    bool dirty = false;
    // The auto-increment values in use, read when the first explicit one is given.
    std::optional<std::unordered_set<std::int64_t>> usedKeys;
    // Keeps the inserted rows' images when the file keeps them.
    std::unique_ptr<ImageWriter> images;
  };
  std::map<std::string, TableState> tables;
  bool inBatch = false;

  TableState& Table(const std::string& name) {
    std::string key = UpperCaseUtf8(name);
    auto found = tables.find(key);
    if (found != tables.end()) return found->second;
    auto def = catalog.find(key);
    if (def == catalog.end()) Check(Status::Error(ace::kNotInDictionary, name));
    TableState state;
    state.def = def->second;
    std::string sql = "INSERT INTO " + state.def->sqlName + " VALUES (";
    for (std::size_t i = 0; i < state.def->columns.size(); ++i) sql += i == 0 ? "?" : ", ?";
    sql += ")";
    state.insert = Prepare(db.get(), sql);
    if (!state.insert) Check(SqliteFailure(db.get(), sqlite3_errcode(db.get())));
    Stmt next = Prepare(db.get(), "SELECT autoinc_next FROM lw_tables WHERE table_name = ?1");
    sqlite3_bind_text(next.get(), 1, state.def->name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(next.get()) == SQLITE_ROW) state.autoIncNext = sqlite3_column_int64(next.get(), 0);
    bool storesImages = false;
    Check(HasImageTable(db.get(), *state.def, storesImages));
    if (storesImages) state.images = std::make_unique<ImageWriter>(db.get(), *state.def);
    return tables.emplace(key, std::move(state)).first->second;
  }

  std::unordered_set<std::int64_t> UsedKeys(const TableDef& def) {
    std::unordered_set<std::int64_t> keys;
    Stmt stmt = Prepare(db.get(), "SELECT " + def.columns[def.autoIncColumn].sqlName + " FROM " + def.sqlName);
    if (!stmt) Check(SqliteFailure(db.get(), sqlite3_errcode(db.get())));
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) keys.insert(sqlite3_column_int64(stmt.get(), 0));
    if (rc != SQLITE_DONE) Check(SqliteFailure(db.get(), rc));
    return keys;
  }

  void FlushCounters() {
    Stmt update = Prepare(db.get(), "UPDATE lw_tables SET autoinc_next = ?1 WHERE table_name = ?2");
    for (auto& [key, state] : tables) {
      if (!state.dirty) continue;
      sqlite3_bind_int64(update.get(), 1, state.autoIncNext);
      sqlite3_bind_text(update.get(), 2, state.def->name.c_str(), -1, SQLITE_TRANSIENT);
      int rc = sqlite3_step(update.get());
      sqlite3_reset(update.get());
      if (rc != SQLITE_DONE) Check(SqliteFailure(db.get(), rc));
      state.dirty = false;
    }
  }
};

DictionaryLoader::DictionaryLoader(const std::string& path) : impl_(std::make_unique<Impl>()) {
  if (!std::filesystem::exists(path)) Check(Status::Error(ace::kDictionaryNotFound, path));
  // A read-only practice can still be read (exported); its writes fail as the storage refuses them.
  bool readOnly = false;
  Check(OpenDictionaryFile(path, impl_->db, readOnly));
  Check(CheckDictionaryFormat(impl_->db.get(), path));
  Check(ConfigureConnection(impl_->db.get(), readOnly));
  Check(LoadCatalog(impl_->db.get(), impl_->catalog));
}

DictionaryLoader::~DictionaryLoader() {
  // Closing the connection would discard the batch anyway; the rollback just says so.
  if (impl_->inBatch) (void)Exec(impl_->db.get(), "ROLLBACK");
}

void DictionaryLoader::Begin() {
  Check(Exec(impl_->db.get(), "BEGIN IMMEDIATE"));
  impl_->inBatch = true;
}

void DictionaryLoader::Commit() {
  impl_->FlushCounters();
  Check(Exec(impl_->db.get(), "COMMIT"));
  impl_->inBatch = false;
}

void DictionaryLoader::Rollback() {
  Check(Exec(impl_->db.get(), "ROLLBACK"));
  impl_->inBatch = false;
  impl_->tables.clear();  // counters are read again from the file
}

std::int64_t DictionaryLoader::Insert(const std::string& table, const Row& row) {
  Impl::TableState& state = impl_->Table(table);
  const TableDef& def = *state.def;
  std::vector<Value> values;
  std::vector<bool> given;
  Check(StoredRowValues(def, row, values, given));
  std::int64_t assigned = 0;
  if (def.autoIncColumn >= 0) {
    Value& autoInc = values[def.autoIncColumn];
    const ColumnDef& column = def.columns[def.autoIncColumn];
    // An auto-increment value identifies its row (the program finds rows by it) and is read as a
    // 32-bit integer: a second row with the same value, or one beyond that range, would be a row
    // nobody ever checks.
    if (autoInc.IsNull()) {
      if (state.autoIncNext > kMaxAutoInc) {
        Check(ColumnError(ace::kValueDoesNotFit, column, "no value below 2147483648 is left for a new row"));
      }
      autoInc = Value::Int(state.autoIncNext);
    } else {
      if (autoInc.integer < 1 || autoInc.integer > kMaxAutoInc) {
        Check(ColumnError(ace::kValueDoesNotFit, column,
                          std::to_string(autoInc.integer) + " is outside 1 to 2147483647"));
      }
      if (!state.usedKeys) state.usedKeys = impl_->UsedKeys(def);
      if (!state.usedKeys->insert(autoInc.integer).second) {
        Check(Status::WithText(ace::kDuplicateKey, std::string(ace::AceErrorText(ace::kDuplicateKey)) + " " +
                                                       column.name + " " + std::to_string(autoInc.integer) +
                                                       " is already used by another row of " + def.name + "."));
      }
    }
    assigned = autoInc.integer;
    if (assigned >= state.autoIncNext) state.autoIncNext = assigned + 1;
    state.dirty = true;
  }
  sqlite3_stmt* insert = state.insert.get();
  for (std::size_t i = 0; i < values.size(); ++i) BindValue(insert, static_cast<int>(i + 1), values[i]);
  int rc = sqlite3_step(insert);
  sqlite3_reset(insert);
  sqlite3_clear_bindings(insert);
  if (rc != SQLITE_DONE) Check(NameViolatedKey(def, SqliteFailure(impl_->db.get(), rc)));
  const std::int64_t rowid = sqlite3_last_insert_rowid(impl_->db.get());
  if (state.images) Check(state.images->Store(rowid));
  if (!impl_->inBatch) impl_->FlushCounters();
  return def.autoIncColumn >= 0 ? assigned : rowid;
}

void DictionaryLoader::CreateIndexes() {
  for (const auto& [key, def] : impl_->catalog) {
    for (const std::string& sql : IndexStatements(*def)) Check(Exec(impl_->db.get(), sql));
  }
}

void DictionaryLoader::ForEachRow(
    const std::string& table,
    const std::function<void(const std::vector<std::string>&, const std::vector<bool>&)>& visit) {
  auto def = impl_->catalog.find(UpperCaseUtf8(table));
  if (def == impl_->catalog.end()) Check(Status::Error(ace::kNotInDictionary, table));
  const TableDef& t = *def->second;
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < t.columns.size(); ++i) sql += (i ? ", " : "") + t.columns[i].sqlName;
  sql += " FROM " + t.sqlName + " ORDER BY rowid";
  Stmt stmt = Prepare(impl_->db.get(), sql);
  if (!stmt) Check(SqliteFailure(impl_->db.get(), sqlite3_errcode(impl_->db.get())));
  std::vector<std::string> values(t.columns.size());
  std::vector<bool> isNull(t.columns.size());
  Value value;  // one for every column, so its text buffer is reused
  sqlite3_stmt* row = stmt.get();
  int rc;
  while ((rc = sqlite3_step(row)) == SQLITE_ROW) {
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
      const int index = static_cast<int>(i);
      const int type = sqlite3_column_type(row, index);
      isNull[i] = type == SQLITE_NULL;
      // Stored texts are their own text form: copied into the column's buffer, which stays.
      if (type == SQLITE_TEXT) {
        values[i].assign(reinterpret_cast<const char*>(sqlite3_column_text(row, index)),
                         static_cast<std::size_t>(sqlite3_column_bytes(row, index)));
        continue;
      }
      AssignValueFromStatement(row, index, value);
      values[i] = TextFromValue(t.columns[i], value);
    }
    visit(values, isNull);
  }
  if (rc != SQLITE_DONE) Check(SqliteFailure(impl_->db.get(), rc));
}

std::vector<std::string> DictionaryColumnNames(const std::string& path, const std::string& table) {
  if (!std::filesystem::exists(path)) Check(Status::Error(ace::kDictionaryNotFound, path));
  Db db;
  bool readOnly = false;
  Check(OpenDictionaryFile(path, db, readOnly));
  Check(CheckDictionaryFormat(db.get(), path));
  Catalog catalog;
  Check(LoadCatalog(db.get(), catalog));
  auto def = catalog.find(UpperCaseUtf8(table));
  if (def == catalog.end()) Check(Status::Error(ace::kNotInDictionary, table));
  std::vector<std::string> names;
  for (const ColumnDef& column : def->second->columns) names.push_back(column.name);
  return names;
}

}  // namespace lw::engine
