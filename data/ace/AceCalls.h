#pragma once
// Every call of AceApi once more, as lists for X-macros, so that an engine provider or a decorator
// declares all of them in one line and a forwarding layer can be written once for many calls. Each
// entry is X(name, (parameters), (arguments)). The compiler checks the lists against AceApi: an
// entry that differs from its call fails as an override of nothing, and a call missing here leaves
// every provider abstract.

#include <cstdint>

#include "data/ace/AceApi.h"

// One call a line, however long: the lists are read as tables.
// clang-format off
// The calls whose first argument is a handle (connection, statement, cursor or index) that says
// which connection the call belongs to.
#define LW_ACE_HANDLE_CALLS(X) \
  X(AdsDisconnect, (ADSHANDLE connection), (connection)) \
  X(AdsDDGetTableProperty, (ADSHANDLE connection, const char* tableName, std::uint16_t property, void* buffer, std::uint16_t* length), (connection, tableName, property, buffer, length)) \
  X(AdsCreateSQLStatement, (ADSHANDLE connection, ADSHANDLE* statement), (connection, statement)) \
  X(AdsGetHandleType, (ADSHANDLE handle, std::uint16_t* type), (handle, type)) \
  X(AdsStmtSetTableLockType, (ADSHANDLE statement, std::uint16_t lockType), (statement, lockType)) \
  X(AdsStmtSetTableCharType, (ADSHANDLE statement, std::uint16_t charType), (statement, charType)) \
  X(AdsStmtSetTableRights, (ADSHANDLE statement, std::uint16_t checkRights), (statement, checkRights)) \
  X(AdsStmtSetTableReadOnly, (ADSHANDLE statement, std::uint16_t readOnly), (statement, readOnly)) \
  X(AdsStmtSetTableType, (ADSHANDLE statement, std::uint16_t tableType), (statement, tableType)) \
  X(AdsStmtConstrainUpdates, (ADSHANDLE statement, std::uint16_t constrain), (statement, constrain)) \
  X(AdsStmtReadAllColumns, (ADSHANDLE statement, std::uint16_t readAll), (statement, readAll)) \
  X(AdsPrepareSQL, (ADSHANDLE statement, const char* sql), (statement, sql)) \
  X(AdsExecuteSQL, (ADSHANDLE statement, ADSHANDLE* cursor), (statement, cursor)) \
  X(AdsSqlPeekStatement, (ADSHANDLE cursor, std::uint16_t* isLive), (cursor, isLive)) \
  X(AdsCloseSQLStatement, (ADSHANDLE statement), (statement)) \
  X(AdsOpenTable, (ADSHANDLE connection, const char* name, const char* alias, std::uint16_t tableType, std::uint16_t charType, std::uint16_t lockType, std::uint16_t checkRights, std::uint32_t options, ADSHANDLE* table), (connection, name, alias, tableType, charType, lockType, checkRights, options, table)) \
  X(AdsCloseTable, (ADSHANDLE table), (table)) \
  X(AdsGetTableType, (ADSHANDLE table, std::uint16_t* tableType), (table, tableType)) \
  X(AdsGetTableCharType, (ADSHANDLE table, std::uint16_t* charType), (table, charType)) \
  X(AdsIsTableEncrypted, (ADSHANDLE table, std::uint16_t* encrypted), (table, encrypted)) \
  X(AdsIsEncryptionEnabled, (ADSHANDLE table, std::uint16_t* enabled), (table, enabled)) \
  X(AdsEnableEncryption, (ADSHANDLE table, const char* password), (table, password)) \
  X(AdsOpenIndex, (ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes, std::uint16_t* count), (table, indexFile, indexes, count)) \
  X(AdsGetRecordLength, (ADSHANDLE table, std::uint32_t* length), (table, length)) \
  X(AdsGetTableOpenOptions, (ADSHANDLE table, std::uint32_t* options), (table, options)) \
  X(AdsCacheRecords, (ADSHANDLE table, std::uint16_t records), (table, records)) \
  X(AdsGetNumFields, (ADSHANDLE table, std::uint16_t* count), (table, count)) \
  X(AdsGetFieldType, (ADSHANDLE table, std::uint32_t field, std::uint16_t* type), (table, field, type)) \
  X(AdsGetFieldLength, (ADSHANDLE table, std::uint32_t field, std::uint32_t* length), (table, field, length)) \
  X(AdsGetFieldDecimals, (ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals), (table, field, decimals)) \
  X(AdsGetFieldName, (ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length), (table, field, buffer, length)) \
  X(AdsGetFieldOffset, (ADSHANDLE table, std::uint32_t field, std::uint32_t* offset), (table, field, offset)) \
  X(AdsGetColumnPermissions, (ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions), (table, field, permissions)) \
  X(AdsGetNullRecord, (ADSHANDLE table, void* buffer, std::uint32_t length), (table, buffer, length)) \
  X(AdsGetNumIndexes, (ADSHANDLE table, std::uint16_t* count), (table, count)) \
  X(AdsGetAllIndexes, (ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count), (table, indexes, count)) \
  X(AdsGetIndexName, (ADSHANDLE index, char* buffer, std::uint16_t* length), (index, buffer, length)) \
  X(AdsGetIndexHandle, (ADSHANDLE table, const char* indexName, ADSHANDLE* index), (table, indexName, index)) \
  X(AdsGetIndexPageSize, (ADSHANDLE index, std::uint32_t* pageSize), (index, pageSize)) \
  X(AdsGetNumSegments, (ADSHANDLE index, std::uint16_t* count), (index, count)) \
  X(AdsGetSegmentFieldname, (ADSHANDLE index, std::uint16_t segment, char* buffer, std::uint16_t* length), (index, segment, buffer, length)) \
  X(AdsIsIndexDescending, (ADSHANDLE index, std::uint16_t* descending), (index, descending)) \
  X(AdsIsIndexUnique, (ADSHANDLE index, std::uint16_t* unique), (index, unique)) \
  X(AdsIsIndexPrimaryKey, (ADSHANDLE index, std::uint16_t* primary), (index, primary)) \
  X(AdsGetIndexFlags, (ADSHANDLE index, std::uint32_t* flags), (index, flags)) \
  X(AdsGetIndexCondition, (ADSHANDLE index, char* buffer, std::uint16_t* length), (index, buffer, length)) \
  X(AdsGetKeyLength, (ADSHANDLE index, std::uint16_t* length), (index, length)) \
  X(AdsGotoBOF, (ADSHANDLE handle), (handle)) \
  X(AdsGotoTop, (ADSHANDLE handle), (handle)) \
  X(AdsSkip, (ADSHANDLE handle, std::int32_t rows), (handle, rows)) \
  X(AdsAtEOF, (ADSHANDLE table, std::uint16_t* atEof), (table, atEof)) \
  X(AdsAtBOF, (ADSHANDLE table, std::uint16_t* atBof), (table, atBof)) \
  X(AdsIsRecordVisible, (ADSHANDLE handle, std::uint16_t* visible), (handle, visible)) \
  X(AdsGetRecord, (ADSHANDLE table, void* buffer, std::uint32_t* length), (table, buffer, length)) \
  X(AdsGetField, (ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length, std::uint16_t options), (table, field, buffer, length, options)) \
  X(AdsIsEmpty, (ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty), (handle, field, empty)) \
  X(AdsGetBookmarkLength, (ADSHANDLE handle, std::uint32_t* length), (handle, length)) \
  X(AdsGetBookmark60, (ADSHANDLE handle, void* bookmark, std::uint32_t* length), (handle, bookmark, length)) \
  X(AdsGotoBookmark, (ADSHANDLE table, std::int32_t bookmark), (table, bookmark)) \
  X(AdsGotoRecord, (ADSHANDLE table, std::uint32_t recordNumber), (table, recordNumber)) \
  X(AdsGetRecordNum, (ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber), (table, option, recordNumber)) \
  X(AdsGetRecordCount, (ADSHANDLE handle, std::uint16_t option, std::uint32_t* count), (handle, option, count)) \
  X(AdsInitRawKey, (ADSHANDLE index), (index)) \
  X(AdsSetField, (ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length), (handle, field, value, length)) \
  X(AdsSetFieldRaw, (ADSHANDLE handle, std::uint32_t field, const void* value, std::uint32_t length), (handle, field, value, length)) \
  X(AdsSetEmpty, (ADSHANDLE handle, std::uint32_t field), (handle, field)) \
  X(AdsBuildRawKey, (ADSHANDLE index, void* key, std::uint16_t* length), (index, key, length)) \
  X(AdsStepIndexKey, (ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction), (index, key, length, direction)) \
  X(AdsSetScope, (ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length, std::uint16_t dataType), (index, scopeOption, key, length, dataType)) \
  X(AdsClearAllScopes, (ADSHANDLE table), (table)) \
  X(AdsLockRecord, (ADSHANDLE table, std::uint32_t recordNumber), (table, recordNumber)) \
  X(AdsUnlockRecord, (ADSHANDLE table, std::uint32_t recordNumber), (table, recordNumber)) \
  X(AdsGetRecordCRC, (ADSHANDLE table, std::uint32_t* crc, std::uint32_t options), (table, crc, options)) \
  X(AdsAppendRecord, (ADSHANDLE table), (table)) \
  X(AdsWriteRecord, (ADSHANDLE table), (table)) \
  X(AdsCancelUpdate, (ADSHANDLE table), (table)) \
  X(LwGetRunNumber, (ADSHANDLE connection, std::uint32_t* run), (connection, run))

// The calls that belong to no handle: connecting, the thread's last error, and the statement and
// date conversions that need no connection.
#define LW_ACE_OTHER_CALLS(X) \
  X(AdsConnect60, (const char* connectPath, std::uint16_t serverTypes, const char* userName, const char* password, std::uint32_t options, ADSHANDLE* connection), (connectPath, serverTypes, userName, password, options, connection)) \
  X(AdsGetLastError, (std::uint32_t* errorCode, char* buffer, std::uint16_t* length), (errorCode, buffer, length)) \
  X(AdsSetLastError, (std::uint32_t errorCode, const char* text), (errorCode, text)) \
  X(AdsShowError, (const char* title), (title)) \
  X(AdsGetSQLStmtParams, (const char* statement, std::uint16_t* paramCount), (statement, paramCount)) \
  X(AdsConvertStringToJulian, (const char* text, std::uint16_t length, double* julian), (text, length, julian)) \
  X(AdsConvertJulianToString, (double julian, char* buffer, std::uint16_t* length), (julian, buffer, length))

// clang-format on

#define LW_ACE_CALLS(X) LW_ACE_HANDLE_CALLS(X) LW_ACE_OTHER_CALLS(X)

// The first of a parenthesised argument list: LW_ACE_FIRST arguments.
#define LW_ACE_FIRST(first, ...) first

#define LW_ACE_DECLARE_OVERRIDE(name, parameters, arguments) std::uint32_t name parameters override;

// Inside a class derived from ace::AceApi: declares an override of every call.
#define LW_ACE_OVERRIDES LW_ACE_CALLS(LW_ACE_DECLARE_OVERRIDE)
