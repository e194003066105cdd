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

#include "data/ace/AceApi.h"
#include "pgengine/CallLock.h"
#include "pgengine/Connection.h"
#include "pgengine/Cursor.h"
#include "engine/HandleTable.h"
#include "engine/Julian.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"
#include "pgengine/ServerEngine.h"
#include "pgengine/SqlStatement.h"

namespace lw::pgengine {

using ace::ADSHANDLE;
using engine::ColumnDef;
using engine::FormatCompactDate;
using engine::HandleTable;
using engine::IndexDef;
using engine::ParseCompactDate;
using engine::Status;
using engine::Storage;
using engine::TextFromValue;
using engine::ValueFromImage;
using engine::ValueFromText;
using engine::WriteImageFromValue;

class PgEngine final : public ace::AceApi {
 public:
  PgEngine();
  ~PgEngine() override;

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

  // Turns a status into the call's result, setting the thread's last error on failure.
  static std::uint32_t Finish(const Status& status);
  const HandleEntry* Find(ADSHANDLE handle) const;
  Status ConnectionOf(ADSHANDLE handle, Connection*& connection) const;
  // A cursor handle or one of its index handles; `order` is the handle's order.
  Status CursorOf(ADSHANDLE handle, Cursor*& cursor, int& order) const;
  Status CursorOnly(ADSHANDLE handle, Cursor*& cursor) const;
  Status IndexOf(ADSHANDLE handle, Cursor*& cursor, int& order) const;
  Status StatementOf(ADSHANDLE handle, SqlStatement*& statement) const;
  Status ColumnOf(Cursor& cursor, std::uint32_t field, int& column) const;
  ADSHANDLE NewHandle(HandleEntry entry);
  ADSHANDLE AddCursor(ADSHANDLE connection, std::unique_ptr<Cursor> cursor, ADSHANDLE statement);
  void CloseCursor(ADSHANDLE handle);
  void CloseStatement(ADSHANDLE handle);
  static Status CopyText(const std::string& text, char* buffer, std::uint16_t* length);

  // The handle table's slot of a handle of this provider (past the table for any other).
  static std::uint64_t Slot(ADSHANDLE handle) {
    return handle >= kServerHandleBase ? static_cast<std::uint64_t>(handle - kServerHandleBase) : ~0ull;
  }

  mutable CallLock mutex_;
  ADSHANDLE next_ = kServerHandleBase;
  HandleTable<HandleEntry> handles_;
  std::unordered_map<ADSHANDLE, OpenConnection> connections_;
  std::unordered_map<ADSHANDLE, OpenCursor> cursors_;
  std::unordered_map<ADSHANDLE, std::unique_ptr<SqlStatement>> statements_;
};

}  // namespace lw::pgengine
