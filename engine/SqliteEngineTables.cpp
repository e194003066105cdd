// The engine calls that open tables and describe their columns and indexes. The descriptions
// take no lock (see SqliteEngine.h).

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/SqliteEngine.h"
#include "engine/TableCalls.h"

namespace lw::engine {

std::uint32_t SqliteEngine::AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) {
  LW_OUT(tableType);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *tableType = ace::kTableAdt;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) {
  LW_OUT(charType);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *charType = ace::kCharAnsi;
  return 0;
}

std::uint32_t SqliteEngine::AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) {
  LW_OUT(encrypted);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *encrypted = 0;
  return 0;
}

std::uint32_t SqliteEngine::AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) {
  LW_OUT(enabled);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *enabled = 0;
  return 0;
}

std::uint32_t SqliteEngine::AdsEnableEncryption(ADSHANDLE table, const char* password) {
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(Status::Error(ace::kNotEncrypted));
}

std::uint32_t SqliteEngine::AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes,
                                         std::uint16_t* count) {
  LW_OUT(indexes);
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  int order = IndexOfFile(c->Table(), indexFile);
  if (order < 0) return Finish(Status::Error(ace::kIndexNotFound, indexFile ? indexFile : ""));
  if (*count < 1) return Finish(Status::Error(ace::kInsufficientBuffer));
  indexes[0] = handles_.At(table).firstIndex + order;
  *count = 1;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) {
  LW_OUT(length);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *length = c->Table().recordLength;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) {
  LW_OUT(options);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *options = OpenOptionsOf(c->Options(), c->IsResult());
  return 0;
}

std::uint32_t SqliteEngine::AdsCacheRecords(ADSHANDLE table, std::uint16_t records) {
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return 0;
}

std::uint32_t SqliteEngine::AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) {
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().columns.size());
  return 0;
}

std::uint32_t SqliteEngine::AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) {
  LW_OUT(type);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *type = c->Table().columns[column].type;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) {
  LW_OUT(length);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *length = c->Table().columns[column].length;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) {
  LW_OUT(decimals);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *decimals = c->Table().columns[column].decimals;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) {
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  return Finish(CopyText(c->Table().columns[column].name, buffer, length));
}

std::uint32_t SqliteEngine::AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) {
  LW_OUT(offset);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *offset = c->Table().columns[column].offset;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) {
  LW_OUT(permissions);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  *permissions = ColumnPermissionsOf(c->Options(), c->IsResult());
  return 0;
}

std::uint32_t SqliteEngine::AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) {
  LW_OUT(buffer);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(CopyNullRecord(c->Table(), buffer, length));
}

std::uint32_t SqliteEngine::AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) {
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().indexes.size());
  return 0;
}

std::uint32_t SqliteEngine::AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) {
  LW_OUT(count);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  const ADSHANDLE first = handles_.At(table).firstIndex;
  const std::size_t all = c->Table().indexes.size();
  std::size_t room = *count;
  if (indexes == nullptr) room = 0;
  for (std::size_t i = 0; i < all && i < room; ++i) indexes[i] = first + static_cast<ADSHANDLE>(i);
  *count = static_cast<std::uint16_t>(all);
  if (room < all) return Finish(Status::Error(ace::kInsufficientBuffer));
  return 0;
}

std::uint32_t SqliteEngine::AdsGetIndexName(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText(c->Table().indexes[order].name, buffer, length));
}

std::uint32_t SqliteEngine::AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) {
  LW_OUT(index);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  const HandleEntry& entry = handles_.At(table);
  if (indexName == nullptr || *indexName == '\0') {
    *index = entry.cursorHandle;
    return 0;
  }
  int order = c->Table().FindIndex(indexName);
  if (order < 0) return Finish(Status::Error(ace::kIndexNotFound, indexName));
  *index = entry.firstIndex + order;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetIndexPageSize(ADSHANDLE index, std::uint32_t* pageSize) {
  LW_OUT(pageSize);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(index, c));
  *pageSize = 4096;  // the dictionary's SQLite page size
  return 0;
}

std::uint32_t SqliteEngine::AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) {
  LW_OUT(count);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *count = static_cast<std::uint16_t>(c->Table().indexes[order].segments.size());
  return 0;
}

std::uint32_t SqliteEngine::AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                                   std::uint16_t* length) {
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  const IndexDef& def = c->Table().indexes[order];
  // Callers ask for segments until this answer, once per key: it must not allocate.
  if (segment >= def.segments.size()) return FailWithCode(ace::kInvalidSegment);
  return Finish(CopyText(c->Table().columns[def.segments[segment]].name, buffer, length));
}

std::uint32_t SqliteEngine::AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) {
  LW_OUT(descending);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *descending = c->Table().indexes[order].descending ? 1 : 0;
  return 0;
}

std::uint32_t SqliteEngine::AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) {
  LW_OUT(unique);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *unique = c->Table().indexes[order].unique ? 1 : 0;
  return 0;
}

std::uint32_t SqliteEngine::AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) {
  LW_OUT(primary);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *primary = c->Table().indexes[order].primary ? 1 : 0;
  return 0;
}

std::uint32_t SqliteEngine::AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) {
  LW_OUT(flags);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *flags = IndexFlagsOf(c->Table().indexes[order]);
  return 0;
}

std::uint32_t SqliteEngine::AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText("", buffer, length));
}

std::uint32_t SqliteEngine::AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) {
  LW_OUT(length);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  *length = static_cast<std::uint16_t>(c->Table().indexes[order].keyLength);
  return 0;
}

}  // namespace lw::engine
