// The engine calls that open tables and describe their columns and indexes.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/TableCalls.h"
#include "pgengine/PgEngine.h"

namespace lw::pgengine {

std::uint32_t PgEngine::AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) {
  LW_LOCK;
  LW_OUT(tableType);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *tableType = ace::kTableAdt;
  return 0;
}

std::uint32_t PgEngine::AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) {
  LW_LOCK;
  LW_OUT(charType);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *charType = ace::kCharAnsi;
  return 0;
}

std::uint32_t PgEngine::AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) {
  LW_LOCK;
  LW_OUT(encrypted);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *encrypted = 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) {
  LW_LOCK;
  LW_OUT(enabled);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *enabled = 0;
  return 0;
}

std::uint32_t PgEngine::AdsEnableEncryption(ADSHANDLE table, const char* password) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(Status::Error(ace::kNotEncrypted));
}

std::uint32_t PgEngine::AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(indexes);
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  int order = IndexOfFile(c->Table(), indexFile);
  if (order < 0) return Finish(Status::Error(ace::kIndexNotFound, indexFile ? indexFile : ""));
  if (*count < 1) return Finish(Status::Error(ace::kInsufficientBuffer));
  indexes[0] = cursors_.at(table).indexes[order];
  *count = 1;
  return 0;
}

std::uint32_t PgEngine::AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *length = c->Table().recordLength;
  return 0;
}

std::uint32_t PgEngine::AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) {
  LW_LOCK;
  LW_OUT(options);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *options = OpenOptionsOf(c->Options(), c->IsResult());
  return 0;
}

std::uint32_t PgEngine::AdsCacheRecords(ADSHANDLE table, std::uint16_t records) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return 0;
}

std::uint32_t PgEngine::AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().columns.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) {
  LW_LOCK;
  LW_OUT(type);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *type = c->Table().columns[column].type;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *length = c->Table().columns[column].length;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) {
  LW_LOCK;
  LW_OUT(decimals);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *decimals = c->Table().columns[column].decimals;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) {
  LW_LOCK;
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  return Finish(CopyText(c->Table().columns[column].name, buffer, length));
}

std::uint32_t PgEngine::AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) {
  LW_LOCK;
  LW_OUT(offset);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *offset = c->Table().columns[column].offset;
  return 0;
}

std::uint32_t PgEngine::AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) {
  LW_LOCK;
  LW_OUT(permissions);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *permissions = ColumnPermissionsOf(c->Options(), c->IsResult());
  return 0;
}

std::uint32_t PgEngine::AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) {
  LW_LOCK;
  LW_OUT(buffer);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(CopyNullRecord(c->Table(), buffer, length));
}

std::uint32_t PgEngine::AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().indexes.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  const std::vector<ADSHANDLE>& all = cursors_.at(handles_.At(Slot(table)).cursorHandle).indexes;
  std::size_t room = *count;
  if (indexes == nullptr) room = 0;
  for (std::size_t i = 0; i < all.size() && i < room; ++i) indexes[i] = all[i];
  *count = static_cast<std::uint16_t>(all.size());
  if (room < all.size()) return Finish(Status::Error(ace::kInsufficientBuffer));
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText(c->Table().indexes[order].name, buffer, length));
}

std::uint32_t PgEngine::AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) {
  LW_LOCK;
  LW_OUT(index);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  ADSHANDLE owner = handles_.At(Slot(table)).cursorHandle;
  if (indexName == nullptr || *indexName == '\0') {
    *index = owner;
    return 0;
  }
  int order = c->Table().FindIndex(indexName);
  if (order < 0) return Finish(Status::Error(ace::kIndexNotFound, indexName));
  *index = cursors_.at(owner).indexes[order];
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) {
  LW_LOCK;
  LW_OUT(pageSize);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(index, c));
  *pageSize = 4096;  // the dictionary's SQLite page size
  return 0;
}

std::uint32_t PgEngine::AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *count = static_cast<std::uint16_t>(c->Table().indexes[order].segments.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                               std::uint16_t* length) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  const IndexDef& def = c->Table().indexes[order];
  if (segment >= def.segments.size()) return Finish(Status::Error(ace::kInvalidSegment));
  return Finish(CopyText(c->Table().columns[def.segments[segment]].name, buffer, length));
}

std::uint32_t PgEngine::AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) {
  LW_LOCK;
  LW_OUT(descending);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *descending = c->Table().indexes[order].descending ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) {
  LW_LOCK;
  LW_OUT(unique);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *unique = c->Table().indexes[order].unique ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) {
  LW_LOCK;
  LW_OUT(primary);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *primary = c->Table().indexes[order].primary ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) {
  LW_LOCK;
  LW_OUT(flags);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *flags = IndexFlagsOf(c->Table().indexes[order]);
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText("", buffer, length));
}

std::uint32_t PgEngine::AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *length = static_cast<std::uint16_t>(c->Table().indexes[order].keyLength);
  return 0;
}

}  // namespace lw::pgengine
