#pragma once
// The database client engine interface: one pure virtual method per engine call the data layer
// makes, named as the calls are. Conventions shared by every call:
//  - handles are signed 32-bit values; a connection handle of 0, and a statement, cursor or
//    index handle of -1, mean none;
//  - every call returns a 32-bit result code, 0 for success; after a failure AdsGetLastError
//    gives the calling thread's last error code and text (codes and texts: AceErrors.h);
//  - text in is zero-terminated 8-bit text; text out goes to a caller's buffer whose size comes
//    in through a length pointer, which returns the used length (text is always zero-terminated
//    when the buffer has room for at least one byte);
//  - columns are addressed by number, from 1; index key segments by number, from 0;
//  - record numbers and bookmarks are the rows' ids (never 0 for an existing row).
// This header holds declarations only, so an engine provider needs nothing else from data/.

#include <cstdint>

namespace lw::ace {

using ADSHANDLE = std::int32_t;

inline constexpr ADSHANDLE kNoConnection = 0;
inline constexpr ADSHANDLE kNoHandle = -1;

// Server types for AdsConnect60.
inline constexpr std::uint16_t kServerLocal = 1;
inline constexpr std::uint16_t kServerRemote = 2;
inline constexpr std::uint16_t kServerAis = 4;

// Table types.
inline constexpr std::uint16_t kTableNtx = 1;
inline constexpr std::uint16_t kTableCdx = 2;
inline constexpr std::uint16_t kTableAdt = 3;

// Character types.
inline constexpr std::uint16_t kCharAnsi = 1;
inline constexpr std::uint16_t kCharOem = 2;

// Open options (AdsOpenTable) and the rights AdsGetTableOpenOptions adds.
inline constexpr std::uint32_t kOptionExclusive = 1;
inline constexpr std::uint32_t kOptionReadOnly = 2;
inline constexpr std::uint32_t kOptionUpdateRight = 32;

// Handle types (AdsGetHandleType).
inline constexpr std::uint16_t kHandleConnection = 1;
inline constexpr std::uint16_t kHandleTable = 2;
inline constexpr std::uint16_t kHandleIndex = 3;
inline constexpr std::uint16_t kHandleStatement = 4;
inline constexpr std::uint16_t kHandleCursor = 5;

// Data dictionary table properties.
inline constexpr std::uint16_t kDDDefaultIndex = 213;

// Column permissions (AdsGetColumnPermissions).
inline constexpr std::uint32_t kPermissionRead = 1;
inline constexpr std::uint32_t kPermissionUpdate = 2;
inline constexpr std::uint32_t kPermissionInsert = 4;

// Index flags (AdsGetIndexFlags).
inline constexpr std::uint32_t kIndexFlagUnique = 1;
inline constexpr std::uint32_t kIndexFlagDescending = 8;
inline constexpr std::uint32_t kIndexFlagPrimary = 4096;

// Counting and record-number options (AdsGetRecordCount, AdsGetRecordNum).
inline constexpr std::uint16_t kCountRespectFilters = 1;
inline constexpr std::uint16_t kCountIgnoreFilters = 2;
inline constexpr std::uint16_t kCountRespectScopes = 3;
inline constexpr std::uint16_t kCountFresh = 4;

// Scopes and keys.
inline constexpr std::uint16_t kScopeTop = 1;
inline constexpr std::uint16_t kScopeBottom = 2;
inline constexpr std::uint16_t kRawKey = 1;
inline constexpr std::uint16_t kStringKey = 2;
inline constexpr std::uint16_t kDoubleKey = 4;

// AdsGetField options.
inline constexpr std::uint16_t kNoTrim = 0;
inline constexpr std::uint16_t kTrimRight = 2;

class AceApi {
 public:
  virtual ~AceApi() = default;

  // ---- connection ----
  // Connects to a data dictionary (a path ending in ".ADD") or a folder of free tables.
  // serverTypes: kServerLocal, kServerRemote, kServerAis (or-ed); this engine serves local only.
  // On success *connection is a new handle (never 0).
  virtual std::uint32_t AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                     const char* password, std::uint32_t options, ADSHANDLE* connection) = 0;
  // Closes every table, statement and lock of the connection, then the connection itself.
  virtual std::uint32_t AdsDisconnect(ADSHANDLE connection) = 0;
  // Property kDDDefaultIndex (213): the table's default index name, zero-terminated;
  // kNoDefaultIndex (5138) when the table has none; kNotInDictionary (5132) for an unknown table;
  // kInsufficientBuffer (5005) when *length is too small (then *length is the size needed).
  virtual std::uint32_t AdsDDGetTableProperty(ADSHANDLE connection, const char* tableName, std::uint16_t property,
                                              void* buffer, std::uint16_t* length) = 0;
  // The calling thread's last error code and text (0 and empty text when none). The text is cut to
  // fit *length - 1 bytes and zero-terminated; *length becomes the text length.
  virtual std::uint32_t AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) = 0;
  // Sets the calling thread's last error. Returns 0.
  virtual std::uint32_t AdsSetLastError(std::uint32_t errorCode, const char* text) = 0;
  // Shows the thread's last error (this engine writes title and text to the standard error
  // stream).
  virtual std::uint32_t AdsShowError(const char* title) = 0;

  // ---- statements ----
  // A new statement handle on the connection.
  virtual std::uint32_t AdsCreateSQLStatement(ADSHANDLE connection, ADSHANDLE* statement) = 0;
  // kHandleConnection, kHandleTable, kHandleIndex, kHandleStatement or kHandleCursor;
  // kInvalidHandle for an unknown handle.
  virtual std::uint32_t AdsGetHandleType(ADSHANDLE handle, std::uint16_t* type) = 0;
  // Checks that the text is a statement of the engine's dialect that can be scanned (balanced
  // quotes and brackets) and counts its parameters; paramCount may be null. A text that cannot be
  // scanned fails with kSqlError.
  virtual std::uint32_t AdsGetSQLStmtParams(const char* statement, std::uint16_t* paramCount) = 0;
  // Statement option: 1 proprietary, 0 compatible locking.
  virtual std::uint32_t AdsStmtSetTableLockType(ADSHANDLE statement, std::uint16_t lockType) = 0;
  // Statement option: 1 ANSI, 2 OEM.
  virtual std::uint32_t AdsStmtSetTableCharType(ADSHANDLE statement, std::uint16_t charType) = 0;
  // Statement option: 1 check rights, 2 do not.
  virtual std::uint32_t AdsStmtSetTableRights(ADSHANDLE statement, std::uint16_t checkRights) = 0;
  // Statement option: 1 read-only result, 2 live result requested.
  virtual std::uint32_t AdsStmtSetTableReadOnly(ADSHANDLE statement, std::uint16_t readOnly) = 0;
  // Statement option: kTableNtx, kTableCdx or kTableAdt.
  virtual std::uint32_t AdsStmtSetTableType(ADSHANDLE statement, std::uint16_t tableType) = 0;
  // Statement option: 1 constrained, 2 not.
  virtual std::uint32_t AdsStmtConstrainUpdates(ADSHANDLE statement, std::uint16_t constrain) = 0;
  // Statement option: 1 read all columns, 2 not.
  virtual std::uint32_t AdsStmtReadAllColumns(ADSHANDLE statement, std::uint16_t readAll) = 0;
  // Parses and translates the statement; a rejected text fails with kSqlError and an "Error 7200:
  // ... NativeError = N; ..." text.
  virtual std::uint32_t AdsPrepareSQL(ADSHANDLE statement, const char* sql) = 0;
  // Runs the prepared statement. A SELECT yields a static cursor (its rows materialised once); any
  // other statement yields *cursor = 0.
  virtual std::uint32_t AdsExecuteSQL(ADSHANDLE statement, ADSHANDLE* cursor) = 0;
  // 1 when the cursor is a live view of a table; this engine's results are static (0).
  virtual std::uint32_t AdsSqlPeekStatement(ADSHANDLE cursor, std::uint16_t* isLive) = 0;
  // Closes the statement and every cursor it produced.
  virtual std::uint32_t AdsCloseSQLStatement(ADSHANDLE statement) = 0;

  // ---- tables ----
  // Opens a dictionary table by name ("MWTRN", "mwtrn.adt", or a path whose folder is the
  // dictionary's). Unknown names fail with kNotInDictionary (5132). The new cursor stands before
  // its first row in natural order.
  virtual std::uint32_t AdsOpenTable(ADSHANDLE connection, const char* name, const char* alias, std::uint16_t tableType,
                                     std::uint16_t charType, std::uint16_t lockType, std::uint16_t checkRights,
                                     std::uint32_t options, ADSHANDLE* table) = 0;
  // Closes a table or a statement's result cursor; releases the connection's locks on its rows.
  virtual std::uint32_t AdsCloseTable(ADSHANDLE table) = 0;
  // kTableAdt (3) for every table of this engine.
  virtual std::uint32_t AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) = 0;
  // 1 (ANSI).
  virtual std::uint32_t AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) = 0;
  // 0: this engine does not encrypt tables.
  virtual std::uint32_t AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) = 0;
  // 0.
  virtual std::uint32_t AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) = 0;
  // Fails with kNotEncrypted: no table of this engine is encrypted.
  virtual std::uint32_t AdsEnableEncryption(ADSHANDLE table, const char* password) = 0;
  // Index files are part of the dictionary here; a name that matches a dictionary index yields its
  // handle, anything else fails with kIndexNotFound.
  virtual std::uint32_t AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes,
                                     std::uint16_t* count) = 0;
  // Bytes in a record image.
  virtual std::uint32_t AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) = 0;
  // The options the table was opened with, plus kOptionUpdateRight (32) unless read-only.
  virtual std::uint32_t AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) = 0;
  // Read-ahead request; accepted, no effect.
  virtual std::uint32_t AdsCacheRecords(ADSHANDLE table, std::uint16_t records) = 0;
  // Number of columns.
  virtual std::uint32_t AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) = 0;
  // Engine column type code of column number field (from 1).
  virtual std::uint32_t AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) = 0;
  // Bytes of the column in the record image.
  virtual std::uint32_t AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) = 0;
  // Decimals of a numeric column (0 for others).
  virtual std::uint32_t AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) = 0;
  // Column name, zero-terminated.
  virtual std::uint32_t AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) = 0;
  // Offset of the column in the record image.
  virtual std::uint32_t AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) = 0;
  // Bit mask: kPermissionRead (1), kPermissionUpdate (2), kPermissionInsert (4).
  virtual std::uint32_t AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) = 0;
  // A record image with every column NULL; kInsufficientBuffer when length is below the record
  // length.
  virtual std::uint32_t AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) = 0;
  // Number of dictionary indexes of the table.
  virtual std::uint32_t AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) = 0;
  // In: room in indexes; out: number of indexes. When the room is short, the first handles are
  // filled and the result is kInsufficientBuffer (5005).
  virtual std::uint32_t AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) = 0;
  // Index name.
  virtual std::uint32_t AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) = 0;
  // Handle of the named index (case-insensitive) on this cursor; a null or empty name gives the
  // cursor handle itself (natural order).
  virtual std::uint32_t AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) = 0;
  // Page size of the index's storage.
  virtual std::uint32_t AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) = 0;
  // Number of key columns.
  virtual std::uint32_t AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) = 0;
  // Name of key column number segment (from 0); kInvalidSegment past the last.
  virtual std::uint32_t AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                               std::uint16_t* length) = 0;
  // 1 when descending.
  virtual std::uint32_t AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) = 0;
  // 1 when unique.
  virtual std::uint32_t AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) = 0;
  // 1 for the table's primary key.
  virtual std::uint32_t AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) = 0;
  // kIndexFlagUnique, kIndexFlagDescending, kIndexFlagPrimary bits.
  virtual std::uint32_t AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) = 0;
  // The index condition; always empty text here.
  virtual std::uint32_t AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) = 0;
  // Bytes of a raw key of the index.
  virtual std::uint32_t AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) = 0;

  // ---- rows ----
  // Before the first row of the handle's order (cursor or index handle); AtBOF and AtEOF are set
  // when the range is empty.
  virtual std::uint32_t AdsGotoBOF(ADSHANDLE handle) = 0;
  // To the first row of the handle's order within its scope.
  virtual std::uint32_t AdsGotoTop(ADSHANDLE handle) = 0;
  // Moves rows forwards (positive) or backwards in the handle's order, stopping at EOF or BOF.
  virtual std::uint32_t AdsSkip(ADSHANDLE handle, std::int32_t rows) = 0;
  // 1 when past the last row.
  virtual std::uint32_t AdsAtEOF(ADSHANDLE table, std::uint16_t* atEof) = 0;
  // 1 when before the first row.
  virtual std::uint32_t AdsAtBOF(ADSHANDLE table, std::uint16_t* atBof) = 0;
  // 1 when the current row exists and lies within the scope; kNoCurrentRecord (5068) with 0 when
  // there is no current row.
  virtual std::uint32_t AdsIsRecordVisible(ADSHANDLE handle, std::uint16_t* visible) = 0;
  // The current row's record image (or the pending edit's image); *length in: room, out: bytes
  // written.
  virtual std::uint32_t AdsGetRecord(ADSHANDLE table, void* buffer, std::uint32_t* length) = 0;
  // Column value as text (character columns: the stored text, blank-padded unless options is
  // kTrimRight), zero-terminated.
  virtual std::uint32_t AdsGetField(ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length,
                                    std::uint16_t options) = 0;
  // 1 when the column of the current row (or pending edit) is NULL.
  virtual std::uint32_t AdsIsEmpty(ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty) = 0;
  // Bytes of a bookmark (4: the record number).
  virtual std::uint32_t AdsGetBookmarkLength(ADSHANDLE handle, std::uint32_t* length) = 0;
  // The current row's bookmark: its record number, little-endian.
  virtual std::uint32_t AdsGetBookmark60(ADSHANDLE handle, void* bookmark, std::uint32_t* length) = 0;
  // To the row of that record number; kRecordNotFound (5022) when it no longer exists.
  virtual std::uint32_t AdsGotoBookmark(ADSHANDLE table, std::int32_t bookmark) = 0;
  // To the row of that record number; 0 or a missing row leaves the cursor at EOF.
  virtual std::uint32_t AdsGotoRecord(ADSHANDLE table, std::uint32_t recordNumber) = 0;
  // Record number (row id) of the current row; 0 when there is none.
  virtual std::uint32_t AdsGetRecordNum(ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber) = 0;
  // Rows of a table or result: kCountRespectFilters (1), kCountIgnoreFilters (2),
  // kCountRespectScopes (3), + kCountFresh (4). On a statement handle: rows affected, or
  // kNoRowsAffected (5117) after a SELECT.
  virtual std::uint32_t AdsGetRecordCount(ADSHANDLE handle, std::uint16_t option, std::uint32_t* count) = 0;

  // ---- dates ----
  // A date text in the form CCYYMMDD to its Julian day number.
  virtual std::uint32_t AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) = 0;
  // A Julian day number to CCYYMMDD.
  virtual std::uint32_t AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) = 0;

  // ---- keys ----
  // Starts a new key on the index: every segment empty.
  virtual std::uint32_t AdsInitRawKey(ADSHANDLE index) = 0;
  // On a cursor being edited: sets a character column from text (blank-padded; an empty text makes
  // it NULL). On an index handle after AdsInitRawKey: the key value of that column's segment.
  virtual std::uint32_t AdsSetField(ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length) = 0;
  // As AdsSetField with the column's bytes in record-image form (length must equal the column
  // length).
  virtual std::uint32_t AdsSetFieldRaw(ADSHANDLE handle, std::uint32_t field, const void* value,
                                       std::uint32_t length) = 0;
  // Makes the column NULL (cursor being edited, or a key segment on an index handle, or a
  // statement parameter).
  virtual std::uint32_t AdsSetEmpty(ADSHANDLE handle, std::uint32_t field) = 0;
  // The key built since AdsInitRawKey; *length in: room, out: key bytes.
  virtual std::uint32_t AdsBuildRawKey(ADSHANDLE index, void* key, std::uint16_t* length) = 0;
  // Steps a raw key to the next (1) or previous (-1) possible key.
  virtual std::uint32_t AdsStepIndexKey(ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction) = 0;
  // Sets the top (kScopeTop, 1) or bottom (kScopeBottom, 2) of the index's scope; dataType kRawKey
  // (1). The range is inclusive and may be shorter than the key (a prefix).
  virtual std::uint32_t AdsSetScope(ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length,
                                    std::uint16_t dataType) = 0;
  // Clears every scope of every index of the cursor.
  virtual std::uint32_t AdsClearAllScopes(ADSHANDLE table) = 0;
  // Locks the row for this connection (0: the current row). kRecordLocked (5035) when another
  // connection holds it.
  virtual std::uint32_t AdsLockRecord(ADSHANDLE table, std::uint32_t recordNumber) = 0;
  // Releases this connection's lock on the row.
  virtual std::uint32_t AdsUnlockRecord(ADSHANDLE table, std::uint32_t recordNumber) = 0;
  // A checksum of the current row as stored.
  virtual std::uint32_t AdsGetRecordCRC(ADSHANDLE table, std::uint32_t* crc, std::uint32_t options) = 0;
  // Starts a new row (all NULL); AdsWriteRecord inserts it and assigns the auto-increment value.
  virtual std::uint32_t AdsAppendRecord(ADSHANDLE table) = 0;
  // Writes the columns set since the edit began, in one transaction, with a history record; no-op
  // without pending changes.
  virtual std::uint32_t AdsWriteRecord(ADSHANDLE table) = 0;
  // Drops the pending changes.
  virtual std::uint32_t AdsCancelUpdate(ADSHANDLE table) = 0;

  // ---- update history (this program's own call; no client library of the vendor has it) ----
  // The run number under which the connection's changes are kept in the practice's update
  // history; 0 while the connection has changed nothing.
  virtual std::uint32_t LwGetRunNumber(ADSHANDLE connection, std::uint32_t* run) = 0;
};

}  // namespace lw::ace
