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
#include <utility>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "data/ace/AceApi.h"
#include "engine/Connection.h"
#include "engine/Cursor.h"
#include "engine/EngineLock.h"
#include "engine/HandleTable.h"
#include "engine/SqlStatement.h"
#include "engine/Status.h"

namespace lw::engine {

using ace::ADSHANDLE;

class SqliteEngine final : public ace::AceApi {
 public:
  SqliteEngine();
  ~SqliteEngine() override;

  std::uint32_t AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                             const char* password, std::uint32_t options, ADSHANDLE* connection) override;
  std::uint32_t AdsDisconnect(ADSHANDLE connection) override;
  std::uint32_t AdsDDGetTableProperty(ADSHANDLE connection, const char* tableName, std::uint16_t property, void* buffer,
                                      std::uint16_t* length) override;
  std::uint32_t AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) override;
  std::uint32_t AdsSetLastError(std::uint32_t errorCode, const char* text) override;
  std::uint32_t AdsShowError(const char* title) override;
  std::uint32_t AdsCreateSQLStatement(ADSHANDLE connection, ADSHANDLE* statement) override;
  std::uint32_t AdsGetHandleType(ADSHANDLE handle, std::uint16_t* type) override;
  std::uint32_t AdsGetSQLStmtParams(const char* statement, std::uint16_t* paramCount) override;
  std::uint32_t AdsStmtSetTableLockType(ADSHANDLE statement, std::uint16_t lockType) override;
  std::uint32_t AdsStmtSetTableCharType(ADSHANDLE statement, std::uint16_t charType) override;
  std::uint32_t AdsStmtSetTableRights(ADSHANDLE statement, std::uint16_t checkRights) override;
  std::uint32_t AdsStmtSetTableReadOnly(ADSHANDLE statement, std::uint16_t readOnly) override;
  std::uint32_t AdsStmtSetTableType(ADSHANDLE statement, std::uint16_t tableType) override;
  std::uint32_t AdsStmtConstrainUpdates(ADSHANDLE statement, std::uint16_t constrain) override;
  std::uint32_t AdsStmtReadAllColumns(ADSHANDLE statement, std::uint16_t readAll) override;
  std::uint32_t AdsPrepareSQL(ADSHANDLE statement, const char* sql) override;
  std::uint32_t AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) override;
  std::uint32_t AdsSqlPeekStatement(ADSHANDLE cursor, std::uint16_t* isLive) override;
  std::uint32_t AdsCloseSQLStatement(ADSHANDLE statement) override;
  std::uint32_t AdsOpenTable(ADSHANDLE connection, const char* name, const char* alias, std::uint16_t tableType,
                             std::uint16_t charType, std::uint16_t lockType, std::uint16_t checkRights,
                             std::uint32_t options, ADSHANDLE* table) override;
  std::uint32_t AdsCloseTable(ADSHANDLE table) override;
  std::uint32_t AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) override;
  std::uint32_t AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) override;
  std::uint32_t AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) override;
  std::uint32_t AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) override;
  std::uint32_t AdsEnableEncryption(ADSHANDLE table, const char* password) override;
  std::uint32_t AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes, std::uint16_t* count) override;
  std::uint32_t AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) override;
  std::uint32_t AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) override;
  std::uint32_t AdsCacheRecords(ADSHANDLE table, std::uint16_t records) override;
  std::uint32_t AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) override;
  std::uint32_t AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) override;
  std::uint32_t AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) override;
  std::uint32_t AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) override;
  std::uint32_t AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) override;
  std::uint32_t AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) override;
  std::uint32_t AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) override;
  std::uint32_t AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) override;
  std::uint32_t AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) override;
  std::uint32_t AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) override;
  std::uint32_t AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) override;
  std::uint32_t AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) override;
  std::uint32_t AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) override;
  std::uint32_t AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) override;
  std::uint32_t AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                       std::uint16_t* length) override;
  std::uint32_t AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) override;
  std::uint32_t AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) override;
  std::uint32_t AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) override;
  std::uint32_t AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) override;
  std::uint32_t AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) override;
  std::uint32_t AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) override;
  std::uint32_t AdsGotoBOF(ADSHANDLE handle) override;
  std::uint32_t AdsGotoTop(ADSHANDLE handle) override;
  std::uint32_t AdsSkip(ADSHANDLE handle, std::int32_t rows) override;
  std::uint32_t AdsAtEOF(ADSHANDLE table, std::uint16_t* atEof) override;
  std::uint32_t AdsAtBOF(ADSHANDLE table, std::uint16_t* atBof) override;
  std::uint32_t AdsIsRecordVisible(ADSHANDLE handle, std::uint16_t* visible) override;
  std::uint32_t AdsGetRecord(ADSHANDLE table, void* buffer, std::uint32_t* length) override;
  std::uint32_t AdsGetField(ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length,
                            std::uint16_t options) override;
  std::uint32_t AdsIsEmpty(ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty) override;
  std::uint32_t AdsGetBookmarkLength(ADSHANDLE handle, std::uint32_t* length) override;
  std::uint32_t AdsGetBookmark60(ADSHANDLE handle, void* bookmark, std::uint32_t* length) override;
  std::uint32_t AdsGotoBookmark(ADSHANDLE table, std::int32_t bookmark) override;
  std::uint32_t AdsGotoRecord(ADSHANDLE table, std::uint32_t recordNumber) override;
  std::uint32_t AdsGetRecordNum(ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber) override;
  std::uint32_t AdsGetRecordCount(ADSHANDLE handle, std::uint16_t option, std::uint32_t* count) override;
  std::uint32_t AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) override;
  std::uint32_t AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) override;
  std::uint32_t AdsInitRawKey(ADSHANDLE index) override;
  std::uint32_t AdsSetField(ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length) override;
  std::uint32_t AdsSetFieldRaw(ADSHANDLE handle, std::uint32_t field, const void* value, std::uint32_t length) override;
  std::uint32_t AdsSetEmpty(ADSHANDLE handle, std::uint32_t field) override;
  std::uint32_t AdsBuildRawKey(ADSHANDLE index, void* key, std::uint16_t* length) override;
  std::uint32_t AdsStepIndexKey(ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction) override;
  std::uint32_t AdsSetScope(ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length,
                            std::uint16_t dataType) override;
  std::uint32_t AdsClearAllScopes(ADSHANDLE table) override;
  std::uint32_t AdsLockRecord(ADSHANDLE table, std::uint32_t recordNumber) override;
  std::uint32_t AdsUnlockRecord(ADSHANDLE table, std::uint32_t recordNumber) override;
  std::uint32_t AdsGetRecordCRC(ADSHANDLE table, std::uint32_t* crc, std::uint32_t options) override;
  std::uint32_t AdsAppendRecord(ADSHANDLE table) override;
  std::uint32_t AdsWriteRecord(ADSHANDLE table) override;
  std::uint32_t AdsCancelUpdate(ADSHANDLE table) override;
  std::uint32_t LwGetRunNumber(ADSHANDLE connection, std::uint32_t* run) override;

 private:
  enum class HandleKind { Connection, Cursor, Index, Statement };
  struct HandleEntry {
    HandleKind kind;
    ADSHANDLE connection = 0;  // the owning connection's handle
    Cursor* cursor = nullptr;
    int order = kNaturalOrder;
    SqlStatement* statement = nullptr;
    ADSHANDLE cursorHandle = 0;  // cursors and indexes: the cursor's own handle
    ADSHANDLE firstIndex = 0;    // cursors and indexes: the handle of index 0 (all in sequence)
  };
  struct OpenConnection {
    std::unique_ptr<Connection> connection;
    std::vector<ADSHANDLE> cursors;
    std::vector<ADSHANDLE> statements;
  };
  struct OpenCursor {
    std::unique_ptr<Cursor> cursor;
    std::vector<ADSHANDLE> indexes;
    ADSHANDLE statement = 0;  // the statement that produced a result cursor
  };

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
    const HandleEntry* entry = Find(handle);
    if (entry == nullptr || (entry->kind != HandleKind::Cursor && entry->kind != HandleKind::Index)) {
      return Status::Error(ace::kInvalidHandle);
    }
    cursor = entry->cursor;
    order = entry->order;
    return {};
  }
  Status CursorOnly(ADSHANDLE handle, Cursor*& cursor) const {
    int order;
    return CursorOf(handle, cursor, order);
  }
  Status IndexOf(ADSHANDLE handle, Cursor*& cursor, int& order) const {
    const HandleEntry* entry = Find(handle);
    if (entry == nullptr || entry->kind != HandleKind::Index) {
      return Status::Error(ace::kInvalidHandle, "(an index handle is needed)");
    }
    cursor = entry->cursor;
    order = entry->order;
    return {};
  }
  Status StatementOf(ADSHANDLE handle, SqlStatement*& statement) const;
  Status ColumnOf(Cursor& cursor, std::uint32_t field, int& column) const;
  ADSHANDLE NewHandle(HandleEntry entry);
  ADSHANDLE AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement);
  void CloseCursor(ADSHANDLE handle);
  void CloseStatement(ADSHANDLE handle);
  static Status CopyText(const std::string& text, char* buffer, std::uint16_t* length);

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
