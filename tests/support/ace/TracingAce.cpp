#include "tests/support/ace/TracingAce.h"

#include <stdexcept>

#include "common/NumberText.h"
#include "data/ace/AceErrors.h"

namespace lw::ace {

TracingAce::TracingAce(AceApi& inner) : inner_(inner) {}

std::vector<std::string> TracingAce::Names() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const auto& call : calls_) names.push_back(call.function);
  return names;
}

std::vector<TracedCall> TracingAce::CallsOf(const std::string& function) const {
  std::vector<TracedCall> found;
  for (const auto& call : calls_) {
    if (call.function == function) found.push_back(call);
  }
  return found;
}

int TracingAce::CountOf(const std::string& function) const {
  int count = 0;
  for (const auto& call : calls_) count += call.function == function ? 1 : 0;
  return count;
}

void TracingAce::Clear() { calls_.clear(); }

void TracingAce::FailNth(const std::string& function, int nth, std::uint32_t code, std::string text) {
  // A plan that can never fire, or a second result for one call, would leave a test believing
  // it injected a failure that never happens.
  if (nth < 1) {
    throw std::invalid_argument("FailNth(" + function + ", " + std::to_string(nth) + "): calls are counted from 1");
  }
  auto [first, last] = plans_.equal_range(function);
  for (auto it = first; it != last; ++it) {
    if (it->second.remaining == nth - 1) {
      throw std::invalid_argument("FailNth(" + function + ", " + std::to_string(nth) +
                                  "): that call already fails with " + std::to_string(it->second.code));
    }
  }
  if (text.empty()) text = AceErrorText(code);
  plans_.emplace(function, Plan{nth - 1, code, std::move(text)});
}

void TracingAce::ClearFailures() { plans_.clear(); }

std::uint32_t TracingAce::Record(const char* function, std::string arguments,
                                 const std::function<std::uint32_t()>& call) {
  std::uint32_t result = 0;
  bool injected = false;
  auto [first, last] = plans_.equal_range(function);
  for (auto it = first; it != last;) {
    if (it->second.remaining == 0 && !injected) {
      injected = true;
      result = it->second.code;
      inner_.AdsSetLastError(it->second.code, it->second.text.c_str());
      it = plans_.erase(it);
    } else {
      --it->second.remaining;
      ++it;
    }
  }
  if (!injected) result = call();
  if (recording_) calls_.push_back(TracedCall{function, std::move(arguments), result, injected});
  return result;
}

std::string TracingAce::Text(const char* text) {
  if (text == nullptr) return "null";
  return "\"" + std::string(text) + "\"";
}

std::string TracingAce::Number(double value) { return FormatGeneral(value, 17); }

std::uint32_t TracingAce::AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                       const char* password, std::uint32_t options, ADSHANDLE* connection) {
  return Record("AdsConnect60",
                Text(connectPath) + ", " + std::to_string(serverTypes) + ", " + Text(userName) + ", " + Text(password) +
                    ", " + std::to_string(options) + ", " + "out",
                [&] { return inner_.AdsConnect60(connectPath, serverTypes, userName, password, options, connection); });
}

std::uint32_t TracingAce::AdsDisconnect(ADSHANDLE connection) {
  return Record("AdsDisconnect", std::to_string(connection), [&] { return inner_.AdsDisconnect(connection); });
}

std::uint32_t TracingAce::AdsDDGetTableProperty(ADSHANDLE connection, const char* tableName, std::uint16_t property,
                                                void* buffer, std::uint16_t* length) {
  return Record("AdsDDGetTableProperty",
                std::to_string(connection) + ", " + Text(tableName) + ", " + std::to_string(property) + ", " + "out" +
                    ", " + InOut(length),
                [&] { return inner_.AdsDDGetTableProperty(connection, tableName, property, buffer, length); });
}

std::uint32_t TracingAce::AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) {
  return Record("AdsGetLastError", std::string("out") + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetLastError(errorCode, buffer, length); });
}

std::uint32_t TracingAce::AdsSetLastError(std::uint32_t errorCode, const char* text) {
  return Record("AdsSetLastError", std::to_string(errorCode) + ", " + Text(text),
                [&] { return inner_.AdsSetLastError(errorCode, text); });
}

std::uint32_t TracingAce::AdsShowError(const char* title) {
  return Record("AdsShowError", Text(title), [&] { return inner_.AdsShowError(title); });
}

std::uint32_t TracingAce::AdsCreateSQLStatement(ADSHANDLE connection, ADSHANDLE* statement) {
  return Record("AdsCreateSQLStatement", std::to_string(connection) + ", " + "out",
                [&] { return inner_.AdsCreateSQLStatement(connection, statement); });
}

std::uint32_t TracingAce::AdsGetHandleType(ADSHANDLE handle, std::uint16_t* type) {
  return Record("AdsGetHandleType", std::to_string(handle) + ", " + "out",
                [&] { return inner_.AdsGetHandleType(handle, type); });
}

std::uint32_t TracingAce::AdsGetSQLStmtParams(const char* statement, std::uint16_t* paramCount) {
  return Record("AdsGetSQLStmtParams", Text(statement) + ", " + "out",
                [&] { return inner_.AdsGetSQLStmtParams(statement, paramCount); });
}

std::uint32_t TracingAce::AdsStmtSetTableLockType(ADSHANDLE statement, std::uint16_t lockType) {
  return Record("AdsStmtSetTableLockType", std::to_string(statement) + ", " + std::to_string(lockType),
                [&] { return inner_.AdsStmtSetTableLockType(statement, lockType); });
}

std::uint32_t TracingAce::AdsStmtSetTableCharType(ADSHANDLE statement, std::uint16_t charType) {
  return Record("AdsStmtSetTableCharType", std::to_string(statement) + ", " + std::to_string(charType),
                [&] { return inner_.AdsStmtSetTableCharType(statement, charType); });
}

std::uint32_t TracingAce::AdsStmtSetTableRights(ADSHANDLE statement, std::uint16_t checkRights) {
  return Record("AdsStmtSetTableRights", std::to_string(statement) + ", " + std::to_string(checkRights),
                [&] { return inner_.AdsStmtSetTableRights(statement, checkRights); });
}

std::uint32_t TracingAce::AdsStmtSetTableReadOnly(ADSHANDLE statement, std::uint16_t readOnly) {
  return Record("AdsStmtSetTableReadOnly", std::to_string(statement) + ", " + std::to_string(readOnly),
                [&] { return inner_.AdsStmtSetTableReadOnly(statement, readOnly); });
}

std::uint32_t TracingAce::AdsStmtSetTableType(ADSHANDLE statement, std::uint16_t tableType) {
  return Record("AdsStmtSetTableType", std::to_string(statement) + ", " + std::to_string(tableType),
                [&] { return inner_.AdsStmtSetTableType(statement, tableType); });
}

std::uint32_t TracingAce::AdsStmtConstrainUpdates(ADSHANDLE statement, std::uint16_t constrain) {
  return Record("AdsStmtConstrainUpdates", std::to_string(statement) + ", " + std::to_string(constrain),
                [&] { return inner_.AdsStmtConstrainUpdates(statement, constrain); });
}

std::uint32_t TracingAce::AdsStmtReadAllColumns(ADSHANDLE statement, std::uint16_t readAll) {
  return Record("AdsStmtReadAllColumns", std::to_string(statement) + ", " + std::to_string(readAll),
                [&] { return inner_.AdsStmtReadAllColumns(statement, readAll); });
}

std::uint32_t TracingAce::AdsPrepareSQL(ADSHANDLE statement, const char* sql) {
  return Record("AdsPrepareSQL", std::to_string(statement) + ", " + Text(sql),
                [&] { return inner_.AdsPrepareSQL(statement, sql); });
}

std::uint32_t TracingAce::AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) {
  return Record("AdsExecuteSQL", std::to_string(statement) + ", " + "out",
                [&] { return inner_.AdsExecuteSQL(statement, cursor); });
}

std::uint32_t TracingAce::AdsSqlPeekStatement(ADSHANDLE cursor, std::uint16_t* isLive) {
  return Record("AdsSqlPeekStatement", std::to_string(cursor) + ", " + "out",
                [&] { return inner_.AdsSqlPeekStatement(cursor, isLive); });
}

std::uint32_t TracingAce::AdsCloseSQLStatement(ADSHANDLE statement) {
  return Record("AdsCloseSQLStatement", std::to_string(statement),
                [&] { return inner_.AdsCloseSQLStatement(statement); });
}

std::uint32_t TracingAce::AdsOpenTable(ADSHANDLE connection, const char* name, const char* alias,
                                       std::uint16_t tableType, std::uint16_t charType, std::uint16_t lockType,
                                       std::uint16_t checkRights, std::uint32_t options, ADSHANDLE* table) {
  return Record("AdsOpenTable",
                std::to_string(connection) + ", " + Text(name) + ", " + Text(alias) + ", " + std::to_string(tableType) +
                    ", " + std::to_string(charType) + ", " + std::to_string(lockType) + ", " +
                    std::to_string(checkRights) + ", " + std::to_string(options) + ", " + "out",
                [&] {
                  return inner_.AdsOpenTable(connection, name, alias, tableType, charType, lockType, checkRights,
                                             options, table);
                });
}

std::uint32_t TracingAce::AdsCloseTable(ADSHANDLE table) {
  return Record("AdsCloseTable", std::to_string(table), [&] { return inner_.AdsCloseTable(table); });
}

std::uint32_t TracingAce::AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) {
  return Record("AdsGetTableType", std::to_string(table) + ", " + "out",
                [&] { return inner_.AdsGetTableType(table, tableType); });
}

std::uint32_t TracingAce::AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) {
  return Record("AdsGetTableCharType", std::to_string(table) + ", " + "out",
                [&] { return inner_.AdsGetTableCharType(table, charType); });
}

std::uint32_t TracingAce::AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) {
  return Record("AdsIsTableEncrypted", std::to_string(table) + ", " + "out",
                [&] { return inner_.AdsIsTableEncrypted(table, encrypted); });
}

std::uint32_t TracingAce::AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) {
  return Record("AdsIsEncryptionEnabled", std::to_string(table) + ", " + "out",
                [&] { return inner_.AdsIsEncryptionEnabled(table, enabled); });
}

std::uint32_t TracingAce::AdsEnableEncryption(ADSHANDLE table, const char* password) {
  return Record("AdsEnableEncryption", std::to_string(table) + ", " + Text(password),
                [&] { return inner_.AdsEnableEncryption(table, password); });
}

std::uint32_t TracingAce::AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes,
                                       std::uint16_t* count) {
  return Record("AdsOpenIndex", std::to_string(table) + ", " + Text(indexFile) + ", " + "out" + ", " + InOut(count),
                [&] { return inner_.AdsOpenIndex(table, indexFile, indexes, count); });
}

std::uint32_t TracingAce::AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) {
  return Record("AdsGetRecordLength", std::to_string(table) + ", " + InOut(length),
                [&] { return inner_.AdsGetRecordLength(table, length); });
}

std::uint32_t TracingAce::AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) {
  return Record("AdsGetTableOpenOptions", std::to_string(table) + ", " + "out",
                [&] { return inner_.AdsGetTableOpenOptions(table, options); });
}

std::uint32_t TracingAce::AdsCacheRecords(ADSHANDLE table, std::uint16_t records) {
  return Record("AdsCacheRecords", std::to_string(table) + ", " + std::to_string(records),
                [&] { return inner_.AdsCacheRecords(table, records); });
}

std::uint32_t TracingAce::AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) {
  return Record("AdsGetNumFields", std::to_string(table) + ", " + InOut(count),
                [&] { return inner_.AdsGetNumFields(table, count); });
}

std::uint32_t TracingAce::AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) {
  return Record("AdsGetFieldType", std::to_string(table) + ", " + std::to_string(field) + ", " + "out",
                [&] { return inner_.AdsGetFieldType(table, field, type); });
}

std::uint32_t TracingAce::AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) {
  return Record("AdsGetFieldLength", std::to_string(table) + ", " + std::to_string(field) + ", " + InOut(length),
                [&] { return inner_.AdsGetFieldLength(table, field, length); });
}

std::uint32_t TracingAce::AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) {
  return Record("AdsGetFieldDecimals", std::to_string(table) + ", " + std::to_string(field) + ", " + "out",
                [&] { return inner_.AdsGetFieldDecimals(table, field, decimals); });
}

std::uint32_t TracingAce::AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) {
  return Record("AdsGetFieldName",
                std::to_string(table) + ", " + std::to_string(field) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetFieldName(table, field, buffer, length); });
}

std::uint32_t TracingAce::AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) {
  return Record("AdsGetFieldOffset", std::to_string(table) + ", " + std::to_string(field) + ", " + "out",
                [&] { return inner_.AdsGetFieldOffset(table, field, offset); });
}

std::uint32_t TracingAce::AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) {
  return Record("AdsGetColumnPermissions", std::to_string(table) + ", " + std::to_string(field) + ", " + "out",
                [&] { return inner_.AdsGetColumnPermissions(table, field, permissions); });
}

std::uint32_t TracingAce::AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) {
  return Record("AdsGetNullRecord", std::to_string(table) + ", " + "out" + ", " + std::to_string(length),
                [&] { return inner_.AdsGetNullRecord(table, buffer, length); });
}

std::uint32_t TracingAce::AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) {
  return Record("AdsGetNumIndexes", std::to_string(table) + ", " + InOut(count),
                [&] { return inner_.AdsGetNumIndexes(table, count); });
}

std::uint32_t TracingAce::AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) {
  return Record("AdsGetAllIndexes", std::to_string(table) + ", " + "out" + ", " + InOut(count),
                [&] { return inner_.AdsGetAllIndexes(table, indexes, count); });
}

std::uint32_t TracingAce::AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  return Record("AdsGetIndexName", std::to_string(index) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetIndexName(index, buffer, length); });
}

std::uint32_t TracingAce::AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) {
  return Record("AdsGetIndexHandle", std::to_string(table) + ", " + Text(indexName) + ", " + "out",
                [&] { return inner_.AdsGetIndexHandle(table, indexName, index); });
}

std::uint32_t TracingAce::AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) {
  return Record("AdsGetIndexPageSize", std::to_string(index) + ", " + "out",
                [&] { return inner_.AdsGetIndexPageSize(index, pageSize); });
}

std::uint32_t TracingAce::AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) {
  return Record("AdsGetNumSegments", std::to_string(index) + ", " + InOut(count),
                [&] { return inner_.AdsGetNumSegments(index, count); });
}

std::uint32_t TracingAce::AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                                 std::uint16_t* length) {
  return Record("AdsGetSegmentFieldname",
                std::to_string(index) + ", " + std::to_string(segment) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetSegmentFieldname(index, segment, buffer, length); });
}

std::uint32_t TracingAce::AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) {
  return Record("AdsIsIndexDescending", std::to_string(index) + ", " + "out",
                [&] { return inner_.AdsIsIndexDescending(index, descending); });
}

std::uint32_t TracingAce::AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) {
  return Record("AdsIsIndexUnique", std::to_string(index) + ", " + "out",
                [&] { return inner_.AdsIsIndexUnique(index, unique); });
}

std::uint32_t TracingAce::AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) {
  return Record("AdsIsIndexPrimaryKey", std::to_string(index) + ", " + "out",
                [&] { return inner_.AdsIsIndexPrimaryKey(index, primary); });
}

std::uint32_t TracingAce::AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) {
  return Record("AdsGetIndexFlags", std::to_string(index) + ", " + "out",
                [&] { return inner_.AdsGetIndexFlags(index, flags); });
}

std::uint32_t TracingAce::AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  return Record("AdsGetIndexCondition", std::to_string(index) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetIndexCondition(index, buffer, length); });
}

std::uint32_t TracingAce::AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) {
  return Record("AdsGetKeyLength", std::to_string(index) + ", " + InOut(length),
                [&] { return inner_.AdsGetKeyLength(index, length); });
}

std::uint32_t TracingAce::AdsGotoBOF(ADSHANDLE handle) {
  return Record("AdsGotoBOF", std::to_string(handle), [&] { return inner_.AdsGotoBOF(handle); });
}

std::uint32_t TracingAce::AdsGotoTop(ADSHANDLE handle) {
  return Record("AdsGotoTop", std::to_string(handle), [&] { return inner_.AdsGotoTop(handle); });
}

std::uint32_t TracingAce::AdsSkip(ADSHANDLE handle, std::int32_t rows) {
  return Record("AdsSkip", std::to_string(handle) + ", " + std::to_string(rows),
                [&] { return inner_.AdsSkip(handle, rows); });
}

std::uint32_t TracingAce::AdsAtEOF(ADSHANDLE table, std::uint16_t* atEof) {
  return Record("AdsAtEOF", std::to_string(table) + ", " + "out", [&] { return inner_.AdsAtEOF(table, atEof); });
}

std::uint32_t TracingAce::AdsAtBOF(ADSHANDLE table, std::uint16_t* atBof) {
  return Record("AdsAtBOF", std::to_string(table) + ", " + "out", [&] { return inner_.AdsAtBOF(table, atBof); });
}

std::uint32_t TracingAce::AdsIsRecordVisible(ADSHANDLE handle, std::uint16_t* visible) {
  return Record("AdsIsRecordVisible", std::to_string(handle) + ", " + "out",
                [&] { return inner_.AdsIsRecordVisible(handle, visible); });
}

std::uint32_t TracingAce::AdsGetRecord(ADSHANDLE table, void* buffer, std::uint32_t* length) {
  return Record("AdsGetRecord", std::to_string(table) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetRecord(table, buffer, length); });
}

std::uint32_t TracingAce::AdsGetField(ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length,
                                      std::uint16_t options) {
  return Record("AdsGetField",
                std::to_string(table) + ", " + std::to_string(field) + ", " + "out" + ", " + InOut(length) + ", " +
                    std::to_string(options),
                [&] { return inner_.AdsGetField(table, field, buffer, length, options); });
}

std::uint32_t TracingAce::AdsIsEmpty(ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty) {
  return Record("AdsIsEmpty", std::to_string(handle) + ", " + std::to_string(field) + ", " + "out",
                [&] { return inner_.AdsIsEmpty(handle, field, empty); });
}

std::uint32_t TracingAce::AdsGetBookmarkLength(ADSHANDLE handle, std::uint32_t* length) {
  return Record("AdsGetBookmarkLength", std::to_string(handle) + ", " + InOut(length),
                [&] { return inner_.AdsGetBookmarkLength(handle, length); });
}

std::uint32_t TracingAce::AdsGetBookmark60(ADSHANDLE handle, void* bookmark, std::uint32_t* length) {
  return Record("AdsGetBookmark60", std::to_string(handle) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsGetBookmark60(handle, bookmark, length); });
}

std::uint32_t TracingAce::AdsGotoBookmark(ADSHANDLE table, std::int32_t bookmark) {
  return Record("AdsGotoBookmark", std::to_string(table) + ", " + std::to_string(bookmark),
                [&] { return inner_.AdsGotoBookmark(table, bookmark); });
}

std::uint32_t TracingAce::AdsGotoRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  return Record("AdsGotoRecord", std::to_string(table) + ", " + std::to_string(recordNumber),
                [&] { return inner_.AdsGotoRecord(table, recordNumber); });
}

std::uint32_t TracingAce::AdsGetRecordNum(ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber) {
  return Record("AdsGetRecordNum", std::to_string(table) + ", " + std::to_string(option) + ", " + "out",
                [&] { return inner_.AdsGetRecordNum(table, option, recordNumber); });
}

std::uint32_t TracingAce::AdsGetRecordCount(ADSHANDLE handle, std::uint16_t option, std::uint32_t* count) {
  return Record("AdsGetRecordCount", std::to_string(handle) + ", " + std::to_string(option) + ", " + InOut(count),
                [&] { return inner_.AdsGetRecordCount(handle, option, count); });
}

std::uint32_t TracingAce::AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) {
  return Record("AdsConvertStringToJulian", Text(text) + ", " + std::to_string(length) + ", " + "out",
                [&] { return inner_.AdsConvertStringToJulian(text, length, julian); });
}

std::uint32_t TracingAce::AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) {
  return Record("AdsConvertJulianToString", Number(julian) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsConvertJulianToString(julian, buffer, length); });
}

std::uint32_t TracingAce::AdsInitRawKey(ADSHANDLE index) {
  return Record("AdsInitRawKey", std::to_string(index), [&] { return inner_.AdsInitRawKey(index); });
}

std::uint32_t TracingAce::AdsSetField(ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length) {
  return Record(
      "AdsSetField",
      std::to_string(handle) + ", " + std::to_string(field) + ", " + Text(value) + ", " + std::to_string(length),
      [&] { return inner_.AdsSetField(handle, field, value, length); });
}

std::uint32_t TracingAce::AdsSetFieldRaw(ADSHANDLE handle, std::uint32_t field, const void* value,
                                         std::uint32_t length) {
  return Record("AdsSetFieldRaw",
                std::to_string(handle) + ", " + std::to_string(field) + ", " + "out" + ", " + std::to_string(length),
                [&] { return inner_.AdsSetFieldRaw(handle, field, value, length); });
}

std::uint32_t TracingAce::AdsSetEmpty(ADSHANDLE handle, std::uint32_t field) {
  return Record("AdsSetEmpty", std::to_string(handle) + ", " + std::to_string(field),
                [&] { return inner_.AdsSetEmpty(handle, field); });
}

std::uint32_t TracingAce::AdsBuildRawKey(ADSHANDLE index, void* key, std::uint16_t* length) {
  return Record("AdsBuildRawKey", std::to_string(index) + ", " + "out" + ", " + InOut(length),
                [&] { return inner_.AdsBuildRawKey(index, key, length); });
}

std::uint32_t TracingAce::AdsStepIndexKey(ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction) {
  return Record("AdsStepIndexKey",
                std::to_string(index) + ", " + "out" + ", " + std::to_string(length) + ", " + std::to_string(direction),
                [&] { return inner_.AdsStepIndexKey(index, key, length, direction); });
}

std::uint32_t TracingAce::AdsSetScope(ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length,
                                      std::uint16_t dataType) {
  return Record("AdsSetScope",
                std::to_string(index) + ", " + std::to_string(scopeOption) + ", " + "out" + ", " +
                    std::to_string(length) + ", " + std::to_string(dataType),
                [&] { return inner_.AdsSetScope(index, scopeOption, key, length, dataType); });
}

std::uint32_t TracingAce::AdsClearAllScopes(ADSHANDLE table) {
  return Record("AdsClearAllScopes", std::to_string(table), [&] { return inner_.AdsClearAllScopes(table); });
}

std::uint32_t TracingAce::AdsLockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  return Record("AdsLockRecord", std::to_string(table) + ", " + std::to_string(recordNumber),
                [&] { return inner_.AdsLockRecord(table, recordNumber); });
}

std::uint32_t TracingAce::AdsUnlockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  return Record("AdsUnlockRecord", std::to_string(table) + ", " + std::to_string(recordNumber),
                [&] { return inner_.AdsUnlockRecord(table, recordNumber); });
}

std::uint32_t TracingAce::AdsGetRecordCRC(ADSHANDLE table, std::uint32_t* crc, std::uint32_t options) {
  return Record("AdsGetRecordCRC", std::to_string(table) + ", " + "out" + ", " + std::to_string(options),
                [&] { return inner_.AdsGetRecordCRC(table, crc, options); });
}

std::uint32_t TracingAce::AdsAppendRecord(ADSHANDLE table) {
  return Record("AdsAppendRecord", std::to_string(table), [&] { return inner_.AdsAppendRecord(table); });
}

std::uint32_t TracingAce::AdsWriteRecord(ADSHANDLE table) {
  return Record("AdsWriteRecord", std::to_string(table), [&] { return inner_.AdsWriteRecord(table); });
}

std::uint32_t TracingAce::AdsCancelUpdate(ADSHANDLE table) {
  return Record("AdsCancelUpdate", std::to_string(table), [&] { return inner_.AdsCancelUpdate(table); });
}

std::uint32_t TracingAce::LwGetRunNumber(ADSHANDLE connection, std::uint32_t* run) {
  return Record("LwGetRunNumber", std::to_string(connection) + ", " + "out",
                [&] { return inner_.LwGetRunNumber(connection, run); });
}

}  // namespace lw::ace
