#include "engine/Connection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Utf8.h"
#include "engine/DictionaryFile.h"
#include "engine/FileSystem.h"
#include "engine/History.h"
#include "engine/PageChecksums.h"
#include "engine/Schema.h"
#include "engine/StoredImages.h"

namespace lw::engine {

namespace {

// A snapshot is renewed after this long even when no writer of this engine announced a change,
// so writes made by other programs show up too.
constexpr auto kSnapshotLifetime = std::chrono::milliseconds(500);

// SQLite's allocation statistics take a process-wide mutex around every allocation and free;
// nothing here reads them. Settable only before SQLite starts, hence at load time (if SQLite
// already runs, the call is refused and nothing changes).
const bool kStatisticsOff = [] { return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK; }();

}  // namespace

Status Connection::Open(const std::string& connectPath, const std::string& user, const std::string& password,
                        std::unique_ptr<Connection>& connection) {
  // "\" is an ordinary character of a file name here, never a separator.
  const std::string& path = connectPath;
  if (UpperCaseUtf8(path).find(".ADD") == std::string::npos) {
    return Status::Error(ace::kDictionaryNotFound, path + " (this engine serves data dictionaries only)");
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Status::Error(ace::kDictionaryNotFound, path);
    return Status::Error(ace::kCannotOpen, path + ": " + std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) return Status::Error(ace::kDictionaryNotFound, path);
  LW_RETURN_IF_ERROR(RefuseNetworkFileSystem(path));
  std::unique_ptr<Connection> c(new Connection());
  c->path_ = path;
  c->folder_ = FolderOf(path);
  LW_RETURN_IF_ERROR(OpenDictionaryFile(path, c->db_, c->readOnly_));
  sqlite3* raw = c->db_.get();
  int rc = SQLITE_OK;
  (void)kStatisticsOff;
  // Another user's start, write or checkpoint is waited on from the very first statement, so a
  // busy database is never mistaken for a foreign file.
  SetBusyWait(raw);
  LW_RETURN_IF_ERROR(CheckDictionaryFormat(raw, path));
  LW_RETURN_IF_ERROR(ConfigureConnection(raw, c->readOnly_));
  {
    Stmt login = Prepare(raw, "SELECT user_name, password_hash FROM lw_users WHERE user_name = ?1");
    if (!login) return Status::Error(ace::kDictionaryDamaged, path + ": " + ErrorText(raw));
    sqlite3_bind_text(login.get(), 1, user.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(login.get());
    if (rc == SQLITE_DONE) return Status::Error(ace::kLoginRefused);
    if (rc != SQLITE_ROW) return StorageFailure(rc, path + ": " + ErrorText(raw));
    const unsigned char* storedHash = sqlite3_column_text(login.get(), 1);
    const unsigned char* storedUser = sqlite3_column_text(login.get(), 0);
    if (storedHash == nullptr || storedUser == nullptr) {
      return Status::Error(ace::kDictionaryDamaged, path + ": a user without a name or password hash");
    }
    std::string hash = reinterpret_cast<const char*>(storedHash);
    c->user_ = reinterpret_cast<const char*>(storedUser);
    if (!VerifyPassword(hash, password)) return Status::Error(ace::kLoginRefused);
  }
  Status catalog = LoadCatalog(raw, c->catalog_);
  if (!catalog.ok()) return Status::Error(ace::kDictionaryDamaged, path + ": " + catalog.text());
  if (!c->readOnly_) LW_RETURN_IF_ERROR(UpgradeHistory(raw));
  if (!c->readOnly_) LW_RETURN_IF_ERROR(UpgradeImages(raw, c->catalog_));
  for (const auto& [name, table] : c->catalog_) {
    bool has = false;
    LW_RETURN_IF_ERROR(HasImageTable(raw, *table, has));
    if (has) c->storedImages_.insert(table->tableNumber);
  }
  LW_RETURN_IF_ERROR(c->readOnly_ ? c->locks_.OpenReadOnly(path) : c->locks_.Open(path));
  c->seenChanges_ = c->locks_.Changes();
  connection = std::move(c);
  return {};
}

Connection::~Connection() { EndRead(); }

Status Connection::ResolveTable(const std::string& name, std::shared_ptr<const TableDef>& table) const {
  return ResolveCatalogTable(catalog_, folder_, name, table);
}

Status Connection::Read() {
  lastRead_ = CoarseClock::now();
  if (reading_) {
    bool changed = locks_.Changes() != seenChanges_;
    bool old = lastRead_ - readStarted_ > kSnapshotLifetime;
    if (!changed && !old) return {};
    EndRead();
  }
  seenChanges_ = locks_.Changes();
  int rc = sqlite3_exec(db_.get(), "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return SqliteFailure(db_.get(), rc);
  reading_ = true;
  readStarted_ = CoarseClock::now();
  ++generation_;
  return {};
}

void Connection::EndReadIfIdle(std::chrono::milliseconds idle) {
  if (reading_ && CoarseClock::now() - lastRead_ > idle) EndRead();
}

void Connection::EndRead() {
  if (!reading_) return;
  for (SnapshotClient* client : clients_) client->BeforeSnapshotEnds();
  for (sqlite3_stmt* stmt = sqlite3_next_stmt(db_.get(), nullptr); stmt != nullptr;
       stmt = sqlite3_next_stmt(db_.get(), stmt)) {
    if (sqlite3_stmt_busy(stmt)) sqlite3_reset(stmt);
  }
  sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr);
  reading_ = false;
  ++generation_;
}

Status Connection::BeginWrite() {
  if (readOnly_) return Status::Error(ace::kReadOnlyStorage, path_);
  EndRead();
  int rc = sqlite3_exec(db_.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return SqliteFailure(db_.get(), rc);
  return {};
}

Status Connection::CommitWrite() {
  int rc = sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    Status failure = SqliteFailure(db_.get(), rc);
    RollbackWrite();
    return failure;
  }
  runIsNew_ = false;
  locks_.BumpChanges();
  ++generation_;
  return {};
}

void Connection::RollbackWrite() {
  if (!sqlite3_get_autocommit(db_.get())) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  // A run number counted in the rolled-back transaction was never taken.
  if (runIsNew_) run_ = 0;
  runIsNew_ = false;
  ++generation_;
}

Status Connection::RunForWrite(std::int64_t& run) {
  if (run_ == 0) {
    LW_RETURN_IF_ERROR(AllocateRun(db_.get(), run_));
    runIsNew_ = true;
  }
  run = run_;
  return {};
}

const std::string& Connection::OsUser() const { return OsUserName(); }

void Connection::Register(SnapshotClient* client) { clients_.push_back(client); }

void Connection::Unregister(SnapshotClient* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

ImageCache& Connection::Images(const TableDef& table) {
  auto& cache = images_[table.tableNumber];
  if (!cache) cache = std::make_unique<ImageCache>(table.recordLength, 1024);
  return *cache;
}

ImageWriter& Connection::ImageWriterFor(const TableDef& table) {
  auto& writer = imageWriters_[table.tableNumber];
  if (!writer) {
    // Made from the catalog's own description, which lives as long as the connection.
    const TableDef* own = &table;
    for (const auto& [name, def] : catalog_) {
      if (def->tableNumber == table.tableNumber) own = def.get();
    }
    writer = std::make_unique<ImageWriter>(db_.get(), *own);
  }
  return *writer;
}

std::string Connection::NextTempName() { return "lw_result_" + std::to_string(++tempCounter_); }

}  // namespace lw::engine
