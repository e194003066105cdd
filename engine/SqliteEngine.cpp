#include "engine/SqliteEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/Engine.h"
#include "engine/EngineCall.h"
#include "engine/ImageCalls.h"
#include "engine/LastError.h"
#include "engine/SqlTranslator.h"
#include "engine/TableCalls.h"

namespace lw::engine {

namespace {

thread_local LastError lastError;

}  // namespace

std::unique_ptr<ace::AceApi> CreateSqliteEngine() { return std::make_unique<SqliteEngine>(); }

SqliteEngine::SqliteEngine() : janitor_([this] { Janitor(); }) {}

void SqliteEngine::Janitor() {
  std::unique_lock wait(janitorMutex_);
  while (!janitorWake_.wait_for(wait, std::chrono::milliseconds(250), [this] { return stopping_; })) {
    std::lock_guard lock(callLock_);
    for (auto& [handle, open] : connections_) open.connection->EndReadIfIdle(std::chrono::milliseconds(250));
  }
}

SqliteEngine::~SqliteEngine() {
  {
    std::lock_guard stop(janitorMutex_);
    stopping_ = true;
  }
  janitorWake_.notify_all();
  janitor_.join();
  std::vector<ADSHANDLE> open;
  for (const auto& [handle, entry] : connections_) open.push_back(handle);
  for (ADSHANDLE handle : open) AdsDisconnect(handle);
}

std::uint32_t SqliteEngine::FinishFailed(const Status& status) {
  lastError.Set(status);
  return status.code();
}

std::uint32_t SqliteEngine::FailWithCode(std::uint32_t code) {
  // Asked once per key for the segment after the last: the same failure again changes nothing.
  if (lastError.plain && lastError.code == code) return code;
  lastError.code = code;
  lastError.text.assign(ace::AceErrorText(code));  // into the kept buffer
  lastError.plain = true;
  return code;
}

Status SqliteEngine::ConnectionOf(ADSHANDLE handle, Connection*& connection) const {
  const HandleEntry* entry = Find(handle);
  if (entry == nullptr || entry->kind != HandleKind::Connection) return Status::Error(ace::kConnectionNotOpen);
  connection = connections_.at(handle).connection.get();
  return {};
}

ADSHANDLE SqliteEngine::NewHandle(HandleEntry entry) {
  ADSHANDLE handle = next_++;
  handles_.Add(handle, entry);
  return handle;
}

ADSHANDLE SqliteEngine::AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement) {
  Cursor* raw = cursor.get();
  // The cursor's handle, then its index handles in sequence, each entry complete when added.
  const ADSHANDLE handle = next_;
  NewHandle({HandleKind::Cursor, connection, raw, kNaturalOrder, nullptr, handle, handle + 1});
  OpenCursor open;
  open.cursor = std::move(cursor);
  open.statement = statement;
  for (std::size_t i = 0; i < raw->Table().indexes.size(); ++i) {
    open.indexes.push_back(
        NewHandle({HandleKind::Index, connection, raw, static_cast<int>(i), nullptr, handle, handle + 1}));
  }
  cursors_.emplace(handle, std::move(open));
  connections_.at(connection).cursors.push_back(handle);
  return handle;
}

void SqliteEngine::CloseCursor(ADSHANDLE handle) {
  auto found = cursors_.find(handle);
  if (found == cursors_.end()) return;
  for (ADSHANDLE index : found->second.indexes) handles_.Erase(index);
  ADSHANDLE connection = handles_.At(handle).connection;
  handles_.Erase(handle);
  auto& list = connections_.at(connection).cursors;
  list.erase(std::remove(list.begin(), list.end(), handle), list.end());
  cursors_.erase(found);
}

void SqliteEngine::CloseStatement(ADSHANDLE handle) {
  std::vector<ADSHANDLE> results;
  for (const auto& [cursor, open] : cursors_) {
    if (open.statement == handle) results.push_back(cursor);
  }
  for (ADSHANDLE cursor : results) CloseCursor(cursor);
  ADSHANDLE connection = handles_.At(handle).connection;
  handles_.Erase(handle);
  auto& list = connections_.at(connection).statements;
  list.erase(std::remove(list.begin(), list.end(), handle), list.end());
  statements_.erase(handle);
}

// ---- connection and errors ----

std::uint32_t SqliteEngine::AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                         const char* password, std::uint32_t options, ADSHANDLE* connection) {
  std::lock_guard lock(callLock_);
  if (connection == nullptr || connectPath == nullptr) return Finish(Status::Error(ace::kInvalidArgument));
  *connection = 0;
  if ((serverTypes & ace::kServerLocal) == 0) return Finish(Status::Error(ace::kRemoteServerUnavailable));
  std::unique_ptr<Connection> opened;
  Status status = Connection::Open(connectPath, userName ? userName : "", password ? password : "", opened);
  if (!status.ok()) return Finish(status);
  ADSHANDLE handle = NewHandle({HandleKind::Connection, next_});
  connections_[handle].connection = std::move(opened);
  *connection = handle;
  return 0;
}

std::uint32_t SqliteEngine::AdsDisconnect(ADSHANDLE connection) {
  std::lock_guard lock(callLock_);
  Connection* c = nullptr;
  if (Status s = ConnectionOf(connection, c); !s.ok()) return Finish(s);
  std::vector<ADSHANDLE> statements = connections_[connection].statements;
  for (ADSHANDLE statement : statements) CloseStatement(statement);
  std::vector<ADSHANDLE> cursors = connections_[connection].cursors;
  for (ADSHANDLE cursor : cursors) CloseCursor(cursor);
  handles_.Erase(connection);
  connections_.erase(connection);
  return 0;
}

// ---- statements ----

std::uint32_t SqliteEngine::AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) {
  std::lock_guard lock(callLock_);
  SqlStatement* s = nullptr;
  if (Status st = StatementOf(statement, s); !st.ok()) return Finish(st);
  if (cursor == nullptr) return Finish(Status::Error(ace::kInvalidArgument));
  *cursor = 0;
  std::unique_ptr<Cursor> result;
  if (Status st = s->Execute(result); !st.ok()) return Finish(st);
  if (result) *cursor = AddCursor(handles_.At(statement).connection, std::move(result), statement);
  return 0;
}

// Descriptions of open handles need no call lock here: the handle table answers them while other
// threads add and remove handles.
#define LW_DESCRIBE_LOCK (void)0
// The calls both providers answer alike.
#define LW_PROVIDER SqliteEngine
#include "engine/SharedCalls.inc"
#undef LW_PROVIDER
#undef LW_DESCRIBE_LOCK

}  // namespace lw::engine
