#include "pgengine/PracticeEngine.h"

#include <algorithm>
#include <string>

#include "engine/Engine.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerEngine.h"

namespace lw::pgengine {

namespace {

thread_local ace::AceApi* lastFailed = nullptr;

}  // namespace

std::unique_ptr<ace::AceApi> CreatePracticeEngine() {
  return std::make_unique<PracticeEngine>(engine::CreateSqliteEngine(), CreateServerEngine());
}

PracticeEngine::PracticeEngine(std::unique_ptr<ace::AceApi> embedded, std::unique_ptr<ace::AceApi> server)
    : embedded_(std::move(embedded)), server_(std::move(server)) {}

ace::AceApi& PracticeEngine::For(ADSHANDLE handle) { return handle >= kServerHandleBase ? *server_ : *embedded_; }

std::uint32_t PracticeEngine::Note(ace::AceApi& provider, std::uint32_t result) {
  if (result != 0) lastFailed = &provider;
  return result;
}

std::uint32_t PracticeEngine::AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                           const char* password, std::uint32_t options, ADSHANDLE* connection) {
  ace::AceApi& p = connectPath != nullptr && IsServerDescriptor(connectPath) ? *server_ : *embedded_;
  return Note(p, p.AdsConnect60(connectPath, serverTypes, userName, password, options, connection));
}

std::uint32_t PracticeEngine::AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) {
  return (lastFailed ? *lastFailed : *embedded_).AdsGetLastError(errorCode, buffer, length);
}

std::uint32_t PracticeEngine::AdsSetLastError(std::uint32_t errorCode, const char* text) {
  lastFailed = embedded_.get();
  return embedded_->AdsSetLastError(errorCode, text);
}

std::uint32_t PracticeEngine::AdsShowError(const char* title) {
  return (lastFailed ? *lastFailed : *embedded_).AdsShowError(title);
}

std::uint32_t PracticeEngine::AdsGetSQLStmtParams(const char* statement, std::uint16_t* paramCount) {
  return Note(*embedded_, embedded_->AdsGetSQLStmtParams(statement, paramCount));
}

std::uint32_t PracticeEngine::AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) {
  return Note(*embedded_, embedded_->AdsConvertStringToJulian(text, length, julian));
}

std::uint32_t PracticeEngine::AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) {
  return Note(*embedded_, embedded_->AdsConvertJulianToString(julian, buffer, length));
}

std::uint32_t PracticeEngine::AdsDisconnect(ADSHANDLE connection) {
  ace::AceApi& p = For(connection);
  return Note(p, p.AdsDisconnect(connection));
}

std::uint32_t PracticeEngine::AdsDDGetTableProperty(ADSHANDLE connection, const char* tableName, std::uint16_t property, void* buffer, std::uint16_t* length) {
  ace::AceApi& p = For(connection);
  return Note(p, p.AdsDDGetTableProperty(connection, tableName, property, buffer, length));
}

std::uint32_t PracticeEngine::AdsCreateSQLStatement(ADSHANDLE connection, ADSHANDLE* statement) {
  ace::AceApi& p = For(connection);
  return Note(p, p.AdsCreateSQLStatement(connection, statement));
}

std::uint32_t PracticeEngine::AdsGetHandleType(ADSHANDLE handle, std::uint16_t* type) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGetHandleType(handle, type));
}

std::uint32_t PracticeEngine::AdsStmtSetTableLockType(ADSHANDLE statement, std::uint16_t lockType) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtSetTableLockType(statement, lockType));
}

std::uint32_t PracticeEngine::AdsStmtSetTableCharType(ADSHANDLE statement, std::uint16_t charType) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtSetTableCharType(statement, charType));
}

std::uint32_t PracticeEngine::AdsStmtSetTableRights(ADSHANDLE statement, std::uint16_t checkRights) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtSetTableRights(statement, checkRights));
}

std::uint32_t PracticeEngine::AdsStmtSetTableReadOnly(ADSHANDLE statement, std::uint16_t readOnly) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtSetTableReadOnly(statement, readOnly));
}

std::uint32_t PracticeEngine::AdsStmtSetTableType(ADSHANDLE statement, std::uint16_t tableType) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtSetTableType(statement, tableType));
}

std::uint32_t PracticeEngine::AdsStmtConstrainUpdates(ADSHANDLE statement, std::uint16_t constrain) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtConstrainUpdates(statement, constrain));
}

std::uint32_t PracticeEngine::AdsStmtReadAllColumns(ADSHANDLE statement, std::uint16_t readAll) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsStmtReadAllColumns(statement, readAll));
}

std::uint32_t PracticeEngine::AdsPrepareSQL(ADSHANDLE statement, const char* sql) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsPrepareSQL(statement, sql));
}

std::uint32_t PracticeEngine::AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsExecuteSQL(statement, cursor));
}

std::uint32_t PracticeEngine::AdsSqlPeekStatement(ADSHANDLE cursor, std::uint16_t* isLive) {
  ace::AceApi& p = For(cursor);
  return Note(p, p.AdsSqlPeekStatement(cursor, isLive));
}

std::uint32_t PracticeEngine::AdsCloseSQLStatement(ADSHANDLE statement) {
  ace::AceApi& p = For(statement);
  return Note(p, p.AdsCloseSQLStatement(statement));
}

std::uint32_t PracticeEngine::AdsOpenTable(ADSHANDLE connection, const char* name, const char* alias, std::uint16_t tableType, std::uint16_t charType, std::uint16_t lockType, std::uint16_t checkRights, std::uint32_t options, ADSHANDLE* table) {
  ace::AceApi& p = For(connection);
  return Note(p, p.AdsOpenTable(connection, name, alias, tableType, charType, lockType, checkRights, options, table));
}

std::uint32_t PracticeEngine::AdsCloseTable(ADSHANDLE table) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsCloseTable(table));
}

std::uint32_t PracticeEngine::AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetTableType(table, tableType));
}

std::uint32_t PracticeEngine::AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetTableCharType(table, charType));
}

std::uint32_t PracticeEngine::AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsIsTableEncrypted(table, encrypted));
}

std::uint32_t PracticeEngine::AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsIsEncryptionEnabled(table, enabled));
}

std::uint32_t PracticeEngine::AdsEnableEncryption(ADSHANDLE table, const char* password) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsEnableEncryption(table, password));
}

std::uint32_t PracticeEngine::AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes, std::uint16_t* count) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsOpenIndex(table, indexFile, indexes, count));
}

std::uint32_t PracticeEngine::AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetRecordLength(table, length));
}

std::uint32_t PracticeEngine::AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetTableOpenOptions(table, options));
}

std::uint32_t PracticeEngine::AdsCacheRecords(ADSHANDLE table, std::uint16_t records) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsCacheRecords(table, records));
}

std::uint32_t PracticeEngine::AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetNumFields(table, count));
}

std::uint32_t PracticeEngine::AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetFieldType(table, field, type));
}

std::uint32_t PracticeEngine::AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetFieldLength(table, field, length));
}

std::uint32_t PracticeEngine::AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetFieldDecimals(table, field, decimals));
}

std::uint32_t PracticeEngine::AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetFieldName(table, field, buffer, length));
}

std::uint32_t PracticeEngine::AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetFieldOffset(table, field, offset));
}

std::uint32_t PracticeEngine::AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetColumnPermissions(table, field, permissions));
}

std::uint32_t PracticeEngine::AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetNullRecord(table, buffer, length));
}

std::uint32_t PracticeEngine::AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetNumIndexes(table, count));
}

std::uint32_t PracticeEngine::AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetAllIndexes(table, indexes, count));
}

std::uint32_t PracticeEngine::AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetIndexName(index, buffer, length));
}

std::uint32_t PracticeEngine::AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetIndexHandle(table, indexName, index));
}

std::uint32_t PracticeEngine::AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetIndexPageSize(index, pageSize));
}

std::uint32_t PracticeEngine::AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetNumSegments(index, count));
}

std::uint32_t PracticeEngine::AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer, std::uint16_t* length) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetSegmentFieldname(index, segment, buffer, length));
}

std::uint32_t PracticeEngine::AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsIsIndexDescending(index, descending));
}

std::uint32_t PracticeEngine::AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsIsIndexUnique(index, unique));
}

std::uint32_t PracticeEngine::AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsIsIndexPrimaryKey(index, primary));
}

std::uint32_t PracticeEngine::AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetIndexFlags(index, flags));
}

std::uint32_t PracticeEngine::AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetIndexCondition(index, buffer, length));
}

std::uint32_t PracticeEngine::AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsGetKeyLength(index, length));
}

std::uint32_t PracticeEngine::AdsGotoBOF(ADSHANDLE handle) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGotoBOF(handle));
}

std::uint32_t PracticeEngine::AdsGotoTop(ADSHANDLE handle) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGotoTop(handle));
}

std::uint32_t PracticeEngine::AdsSkip(ADSHANDLE handle, std::int32_t rows) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsSkip(handle, rows));
}

std::uint32_t PracticeEngine::AdsAtEOF(ADSHANDLE table, std::uint16_t* atEof) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsAtEOF(table, atEof));
}

std::uint32_t PracticeEngine::AdsAtBOF(ADSHANDLE table, std::uint16_t* atBof) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsAtBOF(table, atBof));
}

std::uint32_t PracticeEngine::AdsIsRecordVisible(ADSHANDLE handle, std::uint16_t* visible) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsIsRecordVisible(handle, visible));
}

std::uint32_t PracticeEngine::AdsGetRecord(ADSHANDLE table, void* buffer, std::uint32_t* length) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetRecord(table, buffer, length));
}

std::uint32_t PracticeEngine::AdsGetField(ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length, std::uint16_t options) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetField(table, field, buffer, length, options));
}

std::uint32_t PracticeEngine::AdsIsEmpty(ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsIsEmpty(handle, field, empty));
}

std::uint32_t PracticeEngine::AdsGetBookmarkLength(ADSHANDLE handle, std::uint32_t* length) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGetBookmarkLength(handle, length));
}

std::uint32_t PracticeEngine::AdsGetBookmark60(ADSHANDLE handle, void* bookmark, std::uint32_t* length) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGetBookmark60(handle, bookmark, length));
}

std::uint32_t PracticeEngine::AdsGotoBookmark(ADSHANDLE table, std::int32_t bookmark) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGotoBookmark(table, bookmark));
}

std::uint32_t PracticeEngine::AdsGotoRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGotoRecord(table, recordNumber));
}

std::uint32_t PracticeEngine::AdsGetRecordNum(ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetRecordNum(table, option, recordNumber));
}

std::uint32_t PracticeEngine::AdsGetRecordCount(ADSHANDLE handle, std::uint16_t option, std::uint32_t* count) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsGetRecordCount(handle, option, count));
}

std::uint32_t PracticeEngine::AdsInitRawKey(ADSHANDLE index) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsInitRawKey(index));
}

std::uint32_t PracticeEngine::AdsSetField(ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsSetField(handle, field, value, length));
}

std::uint32_t PracticeEngine::AdsSetFieldRaw(ADSHANDLE handle, std::uint32_t field, const void* value, std::uint32_t length) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsSetFieldRaw(handle, field, value, length));
}

std::uint32_t PracticeEngine::AdsSetEmpty(ADSHANDLE handle, std::uint32_t field) {
  ace::AceApi& p = For(handle);
  return Note(p, p.AdsSetEmpty(handle, field));
}

std::uint32_t PracticeEngine::AdsBuildRawKey(ADSHANDLE index, void* key, std::uint16_t* length) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsBuildRawKey(index, key, length));
}

std::uint32_t PracticeEngine::AdsStepIndexKey(ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsStepIndexKey(index, key, length, direction));
}

std::uint32_t PracticeEngine::AdsSetScope(ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length, std::uint16_t dataType) {
  ace::AceApi& p = For(index);
  return Note(p, p.AdsSetScope(index, scopeOption, key, length, dataType));
}

std::uint32_t PracticeEngine::AdsClearAllScopes(ADSHANDLE table) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsClearAllScopes(table));
}

std::uint32_t PracticeEngine::AdsLockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsLockRecord(table, recordNumber));
}

std::uint32_t PracticeEngine::AdsUnlockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsUnlockRecord(table, recordNumber));
}

std::uint32_t PracticeEngine::AdsGetRecordCRC(ADSHANDLE table, std::uint32_t* crc, std::uint32_t options) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsGetRecordCRC(table, crc, options));
}

std::uint32_t PracticeEngine::AdsAppendRecord(ADSHANDLE table) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsAppendRecord(table));
}

std::uint32_t PracticeEngine::AdsWriteRecord(ADSHANDLE table) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsWriteRecord(table));
}

std::uint32_t PracticeEngine::AdsCancelUpdate(ADSHANDLE table) {
  ace::AceApi& p = For(table);
  return Note(p, p.AdsCancelUpdate(table));
}
std::uint32_t PracticeEngine::LwGetRunNumber(ADSHANDLE connection, std::uint32_t* run) {
  ace::AceApi& p = For(connection);
  return Note(p, p.LwGetRunNumber(connection, run));
}

}  // namespace lw::pgengine
