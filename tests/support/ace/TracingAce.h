#pragma once
// A decorator over any engine that records every call with its arguments and result, and can
// make the Nth call of a named function fail with a chosen code (setting the thread's last error
// through the inner engine, so AdsGetLastError reports it). Tests check the data layer's call
// sequences with it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/ace/AceApi.h"

namespace lw::ace {

struct TracedCall {
  std::string function;   // "AdsSkip"
  std::string arguments;  // input values, e.g. "7, 1"; text in double quotes; out-only as "out"
  std::uint32_t result = 0;
  bool injected = false;  // the result came from a planned failure, the inner engine was not called
};

class TracingAce : public AceApi {
 public:
  // The inner engine is not owned and must outlive this object.
  explicit TracingAce(AceApi& inner);

  // Every call since construction or the last Clear().
  const std::vector<TracedCall>& Calls() const { return calls_; }
  // Only the names, in order.
  std::vector<std::string> Names() const;
  // Calls of one function.
  std::vector<TracedCall> CallsOf(const std::string& function) const;
  int CountOf(const std::string& function) const;
  void Clear();
  // Recording can be paused (calls still pass through; planned failures still count and fire).
  void SetRecording(bool on) { recording_ = on; }

  // The nth call (from 1, counted from now) of function returns code without calling the inner
  // engine; the thread's last error becomes code with text (AceErrorText(code) when empty).
  // Throws std::invalid_argument for an nth below 1 and for a call that already has a planned
  // failure (ClearFailures drops the plans).
  void FailNth(const std::string& function, int nth, std::uint32_t code, std::string text = {});
  // Drops every planned failure.
  void ClearFailures();

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
  struct Plan {
    int remaining;  // calls left before the failing one
    std::uint32_t code;
    std::string text;
  };
  std::uint32_t Record(const char* function, std::string arguments, const std::function<std::uint32_t()>& call);
  static std::string Text(const char* text);
  static std::string Number(double value);
  template <typename T>
  static std::string InOut(const T* value) {
    return value == nullptr ? std::string("null") : std::to_string(*value);
  }

  AceApi& inner_;
  std::vector<TracedCall> calls_;
  std::multimap<std::string, Plan> plans_;
  bool recording_ = true;
};

}  // namespace lw::ace
