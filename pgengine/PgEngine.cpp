#include "pgengine/PgEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/ImageCalls.h"
#include "engine/LastError.h"
#include "engine/TableCalls.h"
#include "pgengine/ServerEngine.h"

namespace lw::pgengine {

using engine::CopyLastError;
using engine::CountStatementParameters;
using engine::SetLastError;
using engine::ShowLastError;

namespace {

thread_local engine::LastError lastError;

}  // namespace

std::unique_ptr<ace::AceApi> CreateServerEngine() { return std::make_unique<PgEngine>(); }

PgEngine::PgEngine() = default;

PgEngine::~PgEngine() {
  std::vector<ADSHANDLE> open;
  for (const auto& [handle, entry] : connections_) open.push_back(handle);
  for (ADSHANDLE handle : open) AdsDisconnect(handle);
}

std::uint32_t PgEngine::Finish(const Status& status) {
  if (!status.ok()) {
    lastError.Set(status);
  }
  return status.code();
}

const PgEngine::HandleEntry* PgEngine::Find(ADSHANDLE handle) const { return handles_.Find(Slot(handle)); }

Status PgEngine::ConnectionOf(ADSHANDLE handle, Connection*& connection) const {
  const HandleEntry* entry = Find(handle);
  if (entry == nullptr || entry->kind != HandleKind::Connection) return Status::Error(ace::kConnectionNotOpen);
  connection = connections_.at(handle).connection.get();
  return {};
}

Status PgEngine::CursorOf(ADSHANDLE handle, Cursor*& cursor, int& order) const {
  return engine::CursorOfEntry(Find(handle), cursor, order);
}

Status PgEngine::CursorOnly(ADSHANDLE handle, Cursor*& cursor) const {
  int order = 0;
  return CursorOf(handle, cursor, order);
}

Status PgEngine::IndexOf(ADSHANDLE handle, Cursor*& cursor, int& order) const {
  return engine::IndexOfEntry(Find(handle), cursor, order);
}

Status PgEngine::StatementOf(ADSHANDLE handle, SqlStatement*& statement) const {
  return engine::StatementOfEntry(Find(handle), statement);
}

ADSHANDLE PgEngine::NewHandle(HandleEntry entry) {
  ADSHANDLE handle = next_++;
  handles_.Add(Slot(handle), entry);
  return handle;
}

ADSHANDLE PgEngine::AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement) {
  Cursor* raw = cursor.get();
  ADSHANDLE handle = NewHandle({HandleKind::Cursor, connection, raw, kNaturalOrder, nullptr});
  handles_.At(Slot(handle)).cursorHandle = handle;
  OpenCursor open;
  open.cursor = std::move(cursor);
  open.statement = statement;
  for (std::size_t i = 0; i < raw->Table().indexes.size(); ++i) {
    open.indexes.push_back(NewHandle({HandleKind::Index, connection, raw, static_cast<int>(i), nullptr, handle}));
  }
  cursors_.emplace(handle, std::move(open));
  connections_.at(connection).cursors.push_back(handle);
  return handle;
}

void PgEngine::CloseCursor(ADSHANDLE handle) {
  auto found = cursors_.find(handle);
  if (found == cursors_.end()) return;
  for (ADSHANDLE index : found->second.indexes) handles_.Erase(Slot(index));
  ADSHANDLE connection = handles_.At(Slot(handle)).connection;
  handles_.Erase(Slot(handle));
  auto& list = connections_.at(connection).cursors;
  list.erase(std::remove(list.begin(), list.end(), handle), list.end());
  cursors_.erase(found);
}

void PgEngine::CloseStatement(ADSHANDLE handle) {
  std::vector<ADSHANDLE> results;
  for (const auto& [cursor, open] : cursors_) {
    if (open.statement == handle) results.push_back(cursor);
  }
  for (ADSHANDLE cursor : results) CloseCursor(cursor);
  ADSHANDLE connection = handles_.At(Slot(handle)).connection;
  handles_.Erase(Slot(handle));
  auto& list = connections_.at(connection).statements;
  list.erase(std::remove(list.begin(), list.end(), handle), list.end());
  statements_.erase(handle);
}

// ---- connection and errors ----

std::uint32_t PgEngine::AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                     const char* password, std::uint32_t options, ADSHANDLE* connection) {
  std::lock_guard lock(callLock_);
  if (connection == nullptr || connectPath == nullptr) return Finish(Status::Error(ace::kInvalidArgument));
  *connection = 0;
  // The practice names its server; local and remote both reach it (the local engine of a
  // workstation reads only the descriptor).
  if ((serverTypes & (ace::kServerRemote | ace::kServerLocal)) == 0) {
    return Finish(Status::Error(ace::kServerUnreachable,
                                "(the practice is kept on a database server; the connection "
                                "allows neither a remote nor a local server)"));
  }
  std::unique_ptr<Connection> opened;
  Status status = Connection::Open(connectPath, userName ? userName : "", password ? password : "", opened);
  if (!status.ok()) return Finish(status);
  ADSHANDLE handle = NewHandle({HandleKind::Connection});
  handles_.At(Slot(handle)).connection = handle;
  connections_[handle].connection = std::move(opened);
  *connection = handle;
  return 0;
}

std::uint32_t PgEngine::AdsDisconnect(ADSHANDLE connection) {
  std::lock_guard lock(callLock_);
  Connection* c = nullptr;
  if (Status s = ConnectionOf(connection, c); !s.ok()) return Finish(s);
  std::vector<ADSHANDLE> statements = connections_[connection].statements;
  for (ADSHANDLE statement : statements) CloseStatement(statement);
  std::vector<ADSHANDLE> cursors = connections_[connection].cursors;
  for (ADSHANDLE cursor : cursors) CloseCursor(cursor);
  handles_.Erase(Slot(connection));
  connections_.erase(connection);
  return 0;
}

// ---- statements ----

std::uint32_t PgEngine::AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) {
  std::lock_guard lock(callLock_);
  SqlStatement* s = nullptr;
  if (Status st = StatementOf(statement, s); !st.ok()) return Finish(st);
  if (cursor == nullptr) return Finish(Status::Error(ace::kInvalidArgument));
  *cursor = 0;
  std::unique_ptr<Cursor> result;
  if (Status st = s->Execute(result); !st.ok()) return Finish(st);
  if (result) *cursor = AddCursor(handles_.At(Slot(statement)).connection, std::move(result), statement);
  return 0;
}

// Descriptions of open handles take the call lock, as every other call does here.
#define LW_DESCRIBE_LOCK LW_LOCK
// The calls both providers answer alike.
#define LW_PROVIDER PgEngine
#include "engine/SharedCalls.inc"
#undef LW_PROVIDER
#undef LW_DESCRIBE_LOCK

}  // namespace lw::pgengine
