#pragma once
// The embedded engine: every engine call over SQLite dictionaries. Handles are process-unique
// positive numbers; connections own their cursors and statements. Calls may come from any
// thread; the last error is kept per thread. Calls that move cursors, read rows or open and close
// handles are serialised by one lock (the janitor thread takes it too). Calls that only describe
// an open handle (table type, fields, indexes, segments, key lengths, index handles) take none:
// they read the handle's entry, which stays in place and is published whole (HandleTable), and
// the table's description, which is immutable while a handle uses it. Using a handle on one
// thread while closing it on another is the caller's error, as with any handle.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/ace/AceCalls.h"
#include "engine/Connection.h"
#include "engine/Cursor.h"
#include "engine/EngineLock.h"
#include "engine/HandleEntry.h"
#include "engine/HandleTable.h"
#include "engine/ImageCalls.h"
#include "engine/SqlStatement.h"
#include "engine/Status.h"

namespace lw::engine {

using ace::ADSHANDLE;

class SqliteEngine final : public ace::AceApi {
 public:
  SqliteEngine();
  ~SqliteEngine() override;

  LW_ACE_OVERRIDES  // every call of ace::AceApi

 private:
  using HandleEntry = HandleEntryOf<Cursor, SqlStatement>;
  using OpenConnection = OpenConnectionOf<Connection>;
  using OpenCursor = OpenCursorOf<Cursor>;

  // Turns a status into the call's result, setting the thread's last error on failure. Every
  // call ends here and looks its handle up: these are inline, the calls are many and small.
  static std::uint32_t Finish(const Status& status) { return status.ok() ? 0 : FinishFailed(status); }
  static std::uint32_t FinishFailed(const Status& status);
  // The same for a failure with the code's own text, without building a Status.
  static std::uint32_t FailWithCode(std::uint32_t code);
  const HandleEntry* Find(ADSHANDLE handle) const { return handles_.Find(handle); }
  Status ConnectionOf(ADSHANDLE handle, Connection*& connection) const;
  // A cursor handle or one of its index handles; `order` is the handle's order.
  Status CursorOf(ADSHANDLE handle, Cursor*& cursor, int& order) const {
    return CursorOfEntry(Find(handle), cursor, order);
  }
  Status CursorOnly(ADSHANDLE handle, Cursor*& cursor) const {
    int order;
    return CursorOf(handle, cursor, order);
  }
  Status IndexOf(ADSHANDLE handle, Cursor*& cursor, int& order) const {
    return IndexOfEntry(Find(handle), cursor, order);
  }
  Status StatementOf(ADSHANDLE handle, SqlStatement*& statement) const {
    return StatementOfEntry(Find(handle), statement);
  }
  ADSHANDLE NewHandle(HandleEntry entry);
  ADSHANDLE AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement);
  void CloseCursor(ADSHANDLE handle);
  void CloseStatement(ADSHANDLE handle);

  // Ends snapshots that stay unused while the program is idle.
  void Janitor();

  mutable EngineLock callLock_;
  std::mutex janitorMutex_;
  std::condition_variable janitorWake_;
  bool stopping_ = false;
  ADSHANDLE next_ = 1;
  HandleTable<HandleEntry> handles_;
  std::vector<Value> scopeKey_;  // AdsSetScope's decoded key, reused
  std::unordered_map<ADSHANDLE, OpenConnection> connections_;
  std::unordered_map<ADSHANDLE, OpenCursor> cursors_;
  std::unordered_map<ADSHANDLE, std::unique_ptr<SqlStatement>> statements_;
  std::thread janitor_;  // last: it starts once every other member exists
};

}  // namespace lw::engine
