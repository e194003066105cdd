#include "pgengine/Connection.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerSchema.h"

namespace lw::pgengine {

using engine::TableDef;

namespace {

// The same bounded wait for a record lock as the embedded engine.
constexpr int kLockAttempts = 40;
constexpr auto kLockRetryPause = std::chrono::milliseconds(5);
// A walk asks for announcements before nearly every move; they arrive a moment after the change
// anyway, so looking once a millisecond shows them hardly later, for a fraction of the system calls.
constexpr auto kPollInterval = std::chrono::milliseconds(1);

}  // namespace

Status Connection::Open(const std::string& connectPath, const std::string& user, const std::string& password,
                        std::unique_ptr<Connection>& connection) {
  std::string path = connectPath;
  std::string conninfo;
  LW_RETURN_IF_ERROR(ReadServerDescriptor(path, conninfo));
  auto opened = std::unique_ptr<Connection>(new Connection());
  LW_RETURN_IF_ERROR(ConnectServer(conninfo, opened->pg_));
  PGconn* pg = opened->pg_.get();
  Status catalog = LoadServerCatalog(pg, opened->catalog_);
  if (!catalog.ok()) {
    if (catalog.code() == ace::kNotADictionary) {
      return Status::Error(ace::kNotADictionary, path + " (its server database holds no practice)");
    }
    return catalog;
  }
  LW_RETURN_IF_ERROR(CheckServerLogin(pg, user, password));
  // Listening, and whether the history still lacks its run columns, in one round trip.
  Result history;
  LW_RETURN_IF_ERROR(pgengine::Run(pg,
                                   "LISTEN lw_changes; SELECT NOT EXISTS (SELECT 1 FROM pg_attribute WHERE attrelid ="
                                   " 'lw_history'::regclass AND attname = 'run' AND NOT attisdropped)",
                                   {}, history));
  if (history.Rows() == 1 && history.Text(0, 0)[0] == 't') LW_RETURN_IF_ERROR(UpgradeServerHistory(pg));
  opened->folder_ = engine::FolderOf(path);
  opened->user_ = user;
  connection = std::move(opened);
  return {};
}

Status Connection::ResolveTable(const std::string& name, std::shared_ptr<const TableDef>& table) const {
  return engine::ResolveCatalogTable(catalog_, folder_, name, table);
}

std::int64_t Connection::LockKey(int table, std::int64_t record) {
  return (static_cast<std::int64_t>(table) << 32) | static_cast<std::uint32_t>(record);
}

Status Connection::TryLock(const char* function, std::int64_t key) {
  std::string sql = std::string("SELECT ") + function + "($1::bigint)";
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    Result got;
    LW_RETURN_IF_ERROR(pgengine::Run(pg_.get(), sql, {std::to_string(key)}, got));
    if (got.Rows() == 1 && got.Text(0, 0)[0] == 't') return {};
    std::this_thread::sleep_for(kLockRetryPause);
  }
  return Status::Error(ace::kRecordLocked, "(record " + std::to_string(static_cast<std::uint32_t>(key)) + ")");
}

Status Connection::Lock(int table, std::int64_t record) {
  auto key = std::make_pair(table, record);
  auto found = held_.find(key);
  if (found != held_.end()) {
    ++found->second;
    return {};
  }
  LW_RETURN_IF_ERROR(TryLock("pg_try_advisory_lock", LockKey(table, record)));
  held_[key] = 1;
  Touch();
  return {};
}

void Connection::Unlock(int table, std::int64_t record) {
  auto found = held_.find(std::make_pair(table, record));
  if (found == held_.end()) return;
  if (--found->second > 0) return;
  held_.erase(found);
  (void)pgengine::Run(pg_.get(), "SELECT pg_advisory_unlock($1::bigint)", {std::to_string(LockKey(table, record))});
}

bool Connection::Holds(int table, std::int64_t record) const { return held_.count(std::make_pair(table, record)) > 0; }

Status Connection::LockForTransaction(int table, std::int64_t record) {
  if (Holds(table, record)) return {};
  return TryLock("pg_try_advisory_xact_lock", LockKey(table, record));
}

Status Connection::BeginWrite() {
  Touch();
  return pgengine::Run(pg_.get(), "BEGIN");
}

Status Connection::CommitWrite() {
  Touch();
  Status committed = pgengine::Run(pg_.get(), "COMMIT");
  // A failed commit is a rolled-back transaction: a run number counted in it was never taken.
  if (!committed.ok() && runIsNew_) run_ = 0;
  runIsNew_ = false;
  return committed;
}

void Connection::RollbackWrite() {
  Touch();
  (void)pgengine::Run(pg_.get(), "ROLLBACK");
  if (runIsNew_) run_ = 0;
  runIsNew_ = false;
}

Status Connection::RunForWrite(std::int64_t& run) {
  if (run_ == 0) {
    // The counter's row stays locked until the transaction ends: run numbers are taken in
    // commit order, without gaps, as the embedded engine takes them.
    Result next;
    LW_RETURN_IF_ERROR(pgengine::Run(pg_.get(),
                                     "INSERT INTO lw_meta (key, value) VALUES ('last_run', '1') ON CONFLICT (key)"
                                     " DO UPDATE SET value = (lw_meta.value::bigint + 1)::text RETURNING value::bigint",
                                     {}, next));
    run_ = next.Int(0, 0);
    runIsNew_ = true;
  }
  run = run_;
  return {};
}

void Connection::Poll() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastPoll_ < kPollInterval) return;
  lastPoll_ = now;
  PQconsumeInput(pg_.get());
  while (PGnotify* notice = PQnotifies(pg_.get())) {
    PQfreemem(notice);
    ++generation_;
  }
}

std::string Connection::NextTempName() { return "lw_result_" + std::to_string(++tempCounter_); }

Status Connection::RunPrepared(const std::string& sql, const std::vector<Param>& params, Result& out) {
  auto found = prepared_.find(sql);
  if (found != prepared_.end()) return pgengine::RunPrepared(pg_.get(), found->second, false, sql, params, out);
  std::string name = "lw_statement_" + std::to_string(prepared_.size() + 1);
  LW_RETURN_IF_ERROR(pgengine::RunPrepared(pg_.get(), name, true, sql, params, out));
  prepared_.emplace(sql, std::move(name));
  return {};
}

}  // namespace lw::pgengine
