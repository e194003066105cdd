// The engine calls that open tables and describe their columns and indexes.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "pgengine/EngineCall.h"
#include "pgengine/PgEngine.h"

namespace lw::pgengine {

std::uint32_t PgEngine::AdsOpenTable(ADSHANDLE connection, const char* name, const char* alias, std::uint16_t tableType,
                                     std::uint16_t charType, std::uint16_t lockType, std::uint16_t checkRights,
                                     std::uint32_t options, ADSHANDLE* table) {
  LW_LOCK;
  LW_OUT(table);
  *table = ace::kNoHandle;
  Connection* c;
  LW_TRY(ConnectionOf(connection, c));
  if (name == nullptr || *name == '\0') return Finish(Status::Error(ace::kInvalidArgument, "(no table name)"));
  std::shared_ptr<const TableDef> def;
  LW_TRY(c->ResolveTable(name, def));
  *table = AddCursor(connection, std::make_unique<Cursor>(*c, def, options, false), 0);
  return 0;
}

std::uint32_t PgEngine::AdsCloseTable(ADSHANDLE table) {
  LW_LOCK;
  const HandleEntry* entry = Find(table);
  if (entry == nullptr || entry->kind != HandleKind::Cursor) return Finish(Status::Error(ace::kInvalidHandle));
  CloseCursor(table);
  return 0;
}

std::uint32_t PgEngine::AdsGetTableType(ADSHANDLE table, std::uint16_t* tableType) {
  LW_LOCK;
  LW_OUT(tableType);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *tableType = ace::kTableAdt;
  return 0;
}

std::uint32_t PgEngine::AdsGetTableCharType(ADSHANDLE table, std::uint16_t* charType) {
  LW_LOCK;
  LW_OUT(charType);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *charType = ace::kCharAnsi;
  return 0;
}

std::uint32_t PgEngine::AdsIsTableEncrypted(ADSHANDLE table, std::uint16_t* encrypted) {
  LW_LOCK;
  LW_OUT(encrypted);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *encrypted = 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsEncryptionEnabled(ADSHANDLE table, std::uint16_t* enabled) {
  LW_LOCK;
  LW_OUT(enabled);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *enabled = 0;
  return 0;
}

std::uint32_t PgEngine::AdsEnableEncryption(ADSHANDLE table, const char* password) {
  LW_LOCK;
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  return Finish(Status::Error(ace::kNotEncrypted));
}

std::uint32_t PgEngine::AdsOpenIndex(ADSHANDLE table, const char* indexFile, ADSHANDLE* indexes, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(indexes);
  LW_OUT(count);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  std::string name = indexFile ? indexFile : "";
  std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  int order = c->Table().FindIndex(name);
  if (order < 0) return Finish(Status::Error(ace::kIndexNotFound, indexFile ? indexFile : ""));
  if (*count < 1) return Finish(Status::Error(ace::kInsufficientBuffer));
  indexes[0] = cursors_.at(table).indexes[order];
  *count = 1;
  return 0;
}

std::uint32_t PgEngine::AdsGetRecordLength(ADSHANDLE table, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *length = c->Table().recordLength;
  return 0;
}

std::uint32_t PgEngine::AdsGetTableOpenOptions(ADSHANDLE table, std::uint32_t* options) {
  LW_LOCK;
  LW_OUT(options);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *options = c->Options();
  if ((c->Options() & ace::kOptionReadOnly) == 0 && !c->IsResult()) *options |= ace::kOptionUpdateRight;
  return 0;
}

std::uint32_t PgEngine::AdsCacheRecords(ADSHANDLE table, std::uint16_t records) {
  LW_LOCK;
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  return 0;
}

std::uint32_t PgEngine::AdsGetNumFields(ADSHANDLE table, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().columns.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldType(ADSHANDLE table, std::uint32_t field, std::uint16_t* type) {
  LW_LOCK;
  LW_OUT(type);
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  *type = c->Table().columns[column].type;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldLength(ADSHANDLE table, std::uint32_t field, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  *length = c->Table().columns[column].length;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldDecimals(ADSHANDLE table, std::uint32_t field, std::uint16_t* decimals) {
  LW_LOCK;
  LW_OUT(decimals);
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  *decimals = c->Table().columns[column].decimals;
  return 0;
}

std::uint32_t PgEngine::AdsGetFieldName(ADSHANDLE table, std::uint16_t field, char* buffer, std::uint16_t* length) {
  LW_LOCK;
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  return Finish(CopyText(c->Table().columns[column].name, buffer, length));
}

std::uint32_t PgEngine::AdsGetFieldOffset(ADSHANDLE table, std::uint32_t field, std::uint32_t* offset) {
  LW_LOCK;
  LW_OUT(offset);
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  *offset = c->Table().columns[column].offset;
  return 0;
}

std::uint32_t PgEngine::AdsGetColumnPermissions(ADSHANDLE table, std::uint16_t field, std::uint32_t* permissions) {
  LW_LOCK;
  LW_OUT(permissions);
  Cursor* c;
  int column;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOf(*c, field, column));
  bool writable = !c->IsResult() && (c->Options() & ace::kOptionReadOnly) == 0;
  *permissions = ace::kPermissionRead | (writable ? ace::kPermissionUpdate | ace::kPermissionInsert : 0);
  return 0;
}

std::uint32_t PgEngine::AdsGetNullRecord(ADSHANDLE table, void* buffer, std::uint32_t length) {
  LW_LOCK;
  LW_OUT(buffer);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  const TableDef& def = c->Table();
  if (length < def.recordLength) return Finish(Status::Error(ace::kInsufficientBuffer));
  auto* image = static_cast<std::uint8_t*>(buffer);
  std::memset(image, 0, def.recordLength);
  for (const ColumnDef& column : def.columns) WriteNullImage(column, image);
  return 0;
}

std::uint32_t PgEngine::AdsGetNumIndexes(ADSHANDLE table, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c;
  LW_TRY(CursorOnly(table, c));
  *count = static_cast<std::uint16_t>(c->Table().indexes.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetAllIndexes(ADSHANDLE table, ADSHANDLE* indexes, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c;
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
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText(c->Table().indexes[order].name, buffer, length));
}

std::uint32_t PgEngine::AdsGetIndexHandle(ADSHANDLE table, const char* indexName, ADSHANDLE* index) {
  LW_LOCK;
  LW_OUT(index);
  Cursor* c;
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
  Cursor* c;
  LW_TRY(CursorOnly(index, c));
  *pageSize = 4096;  // the dictionary's SQLite page size
  return 0;
}

std::uint32_t PgEngine::AdsGetNumSegments(ADSHANDLE index, std::uint16_t* count) {
  LW_LOCK;
  LW_OUT(count);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  *count = static_cast<std::uint16_t>(c->Table().indexes[order].segments.size());
  return 0;
}

std::uint32_t PgEngine::AdsGetSegmentFieldname(ADSHANDLE index, std::uint16_t segment, char* buffer,
                                               std::uint16_t* length) {
  LW_LOCK;
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  const IndexDef& def = c->Table().indexes[order];
  if (segment >= def.segments.size()) return Finish(Status::Error(ace::kInvalidSegment));
  return Finish(CopyText(c->Table().columns[def.segments[segment]].name, buffer, length));
}

std::uint32_t PgEngine::AdsIsIndexDescending(ADSHANDLE index, std::uint16_t* descending) {
  LW_LOCK;
  LW_OUT(descending);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  *descending = c->Table().indexes[order].descending ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsIndexUnique(ADSHANDLE index, std::uint16_t* unique) {
  LW_LOCK;
  LW_OUT(unique);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  *unique = c->Table().indexes[order].unique ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsIndexPrimaryKey(ADSHANDLE index, std::uint16_t* primary) {
  LW_LOCK;
  LW_OUT(primary);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  *primary = c->Table().indexes[order].primary ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexFlags(ADSHANDLE index, std::uint32_t* flags) {
  LW_LOCK;
  LW_OUT(flags);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  const IndexDef& def = c->Table().indexes[order];
  *flags = (def.unique ? ace::kIndexFlagUnique : 0) | (def.descending ? ace::kIndexFlagDescending : 0) |
           (def.primary ? ace::kIndexFlagPrimary : 0);
  return 0;
}

std::uint32_t PgEngine::AdsGetIndexCondition(ADSHANDLE index, char* buffer, std::uint16_t* length) {
  LW_LOCK;
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  return Finish(CopyText("", buffer, length));
}

std::uint32_t PgEngine::AdsGetKeyLength(ADSHANDLE index, std::uint16_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c;
  int order;
  LW_TRY(IndexOf(index, c, order));
  *length = static_cast<std::uint16_t>(c->Table().indexes[order].keyLength);
  return 0;
}

}  // namespace lw::pgengine
