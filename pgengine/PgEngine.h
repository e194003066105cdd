#pragma once
// The server provider: every engine call over practices kept on a PostgreSQL server. Handles are
// numbers from kServerHandleBase up, so a dispatcher can tell them from the embedded engine's;
// connections own their cursors and statements. Calls may come from any thread (one lock
// serialises them); the last error is kept per thread.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/ace/AceCalls.h"
#include "engine/HandleEntry.h"
#include "engine/HandleTable.h"
#include "engine/ImageCalls.h"
#include "engine/Julian.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"
#include "engine/TableCalls.h"
#include "pgengine/CallLock.h"
#include "pgengine/Connection.h"
#include "pgengine/Cursor.h"
#include "pgengine/ServerEngine.h"
#include "pgengine/SqlStatement.h"

namespace lw::pgengine {

using ace::ADSHANDLE;
using engine::ColumnDef;
using engine::ColumnOfField;
using engine::ColumnPermissionsOf;
using engine::CopyBookmark;
using engine::CopyFieldText;
using engine::CopyRawKey;
using engine::CopyRecord;
using engine::CopyText;
using engine::FormatCompactDate;
using engine::HandleKind;
using engine::HandleTable;
using engine::IndexDef;
using engine::IsEmptyColumn;
using engine::JulianFromText;
using engine::JulianText;
using engine::KeySegmentFromText;
using engine::OpenOptionsOf;
using engine::ParseCompactDate;
using engine::ScopeValueFromCaller;
using engine::Status;
using engine::StepLastKeyValue;
using engine::Storage;
using engine::TextFromValue;
using engine::ValueFromImage;
using engine::ValueFromText;
using engine::WriteImageFromValue;

class PgEngine final : public ace::AceApi {
 public:
  PgEngine();
  ~PgEngine() override;

  LW_ACE_OVERRIDES  // every call of ace::AceApi

 private:
  using HandleEntry = engine::HandleEntryOf<Cursor, SqlStatement>;
  using OpenConnection = engine::OpenConnectionOf<Connection>;
  using OpenCursor = engine::OpenCursorOf<Cursor>;

  // Turns a status into the call's result, setting the thread's last error on failure.
  static std::uint32_t Finish(const Status& status);
  const HandleEntry* Find(ADSHANDLE handle) const;
  Status ConnectionOf(ADSHANDLE handle, Connection*& connection) const;
  // A cursor handle or one of its index handles; `order` is the handle's order.
  Status CursorOf(ADSHANDLE handle, Cursor*& cursor, int& order) const;
  Status CursorOnly(ADSHANDLE handle, Cursor*& cursor) const;
  Status IndexOf(ADSHANDLE handle, Cursor*& cursor, int& order) const;
  Status StatementOf(ADSHANDLE handle, SqlStatement*& statement) const;
  ADSHANDLE NewHandle(HandleEntry entry);
  ADSHANDLE AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement);
  void CloseCursor(ADSHANDLE handle);
  void CloseStatement(ADSHANDLE handle);

  // The handle table's slot of a handle of this provider (past the table for any other).
  static std::uint64_t Slot(ADSHANDLE handle) {
    return handle >= kServerHandleBase ? static_cast<std::uint64_t>(handle - kServerHandleBase) : ~0ull;
  }

  mutable CallLock callLock_;
  ADSHANDLE next_ = kServerHandleBase;
  HandleTable<HandleEntry> handles_;
  std::unordered_map<ADSHANDLE, OpenConnection> connections_;
  std::unordered_map<ADSHANDLE, OpenCursor> cursors_;
  std::unordered_map<ADSHANDLE, std::unique_ptr<SqlStatement>> statements_;
};

}  // namespace lw::pgengine
