// The engine calls that move, read, key, scope, lock and write rows.

#include <algorithm>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/ImageCalls.h"
#include "engine/TableCalls.h"
#include "pgengine/PgEngine.h"

namespace lw::pgengine {

std::uint32_t PgEngine::AdsGotoBOF(ADSHANDLE handle) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(CursorOf(handle, c, order));
  return Finish(c->GotoBOF(order));
}

std::uint32_t PgEngine::AdsGotoTop(ADSHANDLE handle) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(CursorOf(handle, c, order));
  return Finish(c->GotoTop(order));
}

std::uint32_t PgEngine::AdsSkip(ADSHANDLE handle, std::int32_t rows) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(CursorOf(handle, c, order));
  return Finish(c->Skip(order, rows));
}

std::uint32_t PgEngine::AdsAtEOF(ADSHANDLE table, std::uint16_t* atEof) {
  LW_LOCK;
  LW_OUT(atEof);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *atEof = c->AtEOF() ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsAtBOF(ADSHANDLE table, std::uint16_t* atBof) {
  LW_LOCK;
  LW_OUT(atBof);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *atBof = c->AtBOF() ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsIsRecordVisible(ADSHANDLE handle, std::uint16_t* visible) {
  LW_LOCK;
  LW_OUT(visible);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(CursorOf(handle, c, order));
  bool isVisible = false;
  Status status = c->IsVisible(order, isVisible);
  *visible = isVisible ? 1 : 0;
  return Finish(status);
}

std::uint32_t PgEngine::AdsGetRecord(ADSHANDLE table, void* buffer, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(buffer);
  LW_OUT(length);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  const std::uint8_t* image = nullptr;
  LW_TRY(c->Image(image));
  return Finish(CopyRecord(image, c->Table().recordLength, buffer, length));
}

std::uint32_t PgEngine::AdsGetField(ADSHANDLE table, std::uint32_t field, char* buffer, std::uint32_t* length,
                                    std::uint16_t options) {
  LW_LOCK;
  LW_OUT(buffer);
  LW_OUT(length);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(table, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  const std::uint8_t* image = nullptr;
  LW_TRY(c->Image(image));
  return Finish(CopyFieldText(c->Table().columns[column], image, options, buffer, length));
}

std::uint32_t PgEngine::AdsIsEmpty(ADSHANDLE handle, std::uint32_t field, std::uint16_t* empty) {
  LW_LOCK;
  LW_OUT(empty);
  Cursor* c = nullptr;
  int column = 0;
  LW_TRY(CursorOnly(handle, c));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  const std::uint8_t* image = nullptr;
  LW_TRY(c->Image(image));
  *empty = IsEmptyColumn(c->Table().columns[column], image) ? 1 : 0;
  return 0;
}

std::uint32_t PgEngine::AdsGetBookmarkLength(ADSHANDLE handle, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(length);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(handle, c));
  *length = sizeof(std::int32_t);
  return 0;
}

std::uint32_t PgEngine::AdsGetBookmark60(ADSHANDLE handle, void* bookmark, std::uint32_t* length) {
  LW_LOCK;
  LW_OUT(bookmark);
  LW_OUT(length);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(handle, c));
  if (!c->HasRow()) return Finish(Status::Error(ace::kNoCurrentRecord));
  return Finish(CopyBookmark(c->RecordNumber(), bookmark, length));
}

std::uint32_t PgEngine::AdsGotoBookmark(ADSHANDLE table, std::int32_t bookmark) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  bool found = false;
  LW_TRY(c->GotoRecord(bookmark, found));
  return found ? 0 : Finish(Status::Error(ace::kRecordNotFound));
}

std::uint32_t PgEngine::AdsGotoRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  bool found = false;
  return Finish(c->GotoRecord(recordNumber, found));
}

std::uint32_t PgEngine::AdsGetRecordNum(ADSHANDLE table, std::uint16_t option, std::uint32_t* recordNumber) {
  LW_LOCK;
  LW_OUT(recordNumber);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  *recordNumber = static_cast<std::uint32_t>(c->RecordNumber());
  return 0;
}

std::uint32_t PgEngine::AdsGetRecordCount(ADSHANDLE handle, std::uint16_t option, std::uint32_t* count) {
  LW_LOCK;
  LW_OUT(count);
  const HandleEntry* entry = Find(handle);
  if (entry != nullptr && entry->kind == HandleKind::Statement) {
    if (entry->statement->RowsAffected() < 0) {
      *count = 0;
      return Finish(Status::Error(ace::kNoRowsAffected));
    }
    *count = static_cast<std::uint32_t>(entry->statement->RowsAffected());
    return 0;
  }
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(CursorOf(handle, c, order));
  return Finish(c->Count(order, (option & 3) == ace::kCountRespectScopes, *count));
}

// ---- dates ----

std::uint32_t PgEngine::AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) {
  LW_OUT(julian);
  LW_OUT(text);
  return Finish(JulianFromText(text, length, *julian));
}

std::uint32_t PgEngine::AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) {
  return Finish(CopyText(JulianText(julian), buffer, length));
}

// ---- raw keys and scopes ----

std::uint32_t PgEngine::AdsInitRawKey(ADSHANDLE index) {
  LW_LOCK;
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  c->Keys().InitRawKey(order);
  return 0;
}

std::uint32_t PgEngine::AdsSetField(ADSHANDLE handle, std::uint32_t field, const char* value, std::uint32_t length) {
  LW_LOCK;
  LW_OUT(value);
  Cursor* c = nullptr;
  int order = 0;
  int column = 0;
  LW_TRY(CursorOf(handle, c, order));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  if (handles_.At(Slot(handle)).kind == HandleKind::Index) {
    const ColumnDef& def = c->Table().columns[column];
    std::vector<std::uint8_t> scratch;
    LW_TRY(KeySegmentFromText(def, c->Table().recordLength, value, length, scratch));
    return Finish(c->Keys().SetKeySegment(order, column, scratch.data() + def.offset, def.length));
  }
  return Finish(c->SetColumnText(column, value, length));
}

std::uint32_t PgEngine::AdsSetFieldRaw(ADSHANDLE handle, std::uint32_t field, const void* value, std::uint32_t length) {
  LW_LOCK;
  LW_OUT(value);
  Cursor* c = nullptr;
  int order = 0;
  int column = 0;
  LW_TRY(CursorOf(handle, c, order));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  const auto* bytes = static_cast<const std::uint8_t*>(value);
  if (handles_.At(Slot(handle)).kind == HandleKind::Index)
    return Finish(c->Keys().SetKeySegment(order, column, bytes, length));
  return Finish(c->SetColumn(column, bytes, length));
}

std::uint32_t PgEngine::AdsSetEmpty(ADSHANDLE handle, std::uint32_t field) {
  LW_LOCK;
  const HandleEntry* entry = Find(handle);
  if (entry != nullptr && entry->kind == HandleKind::Statement)
    return Finish(entry->statement->SetParameterNull(field));
  Cursor* c = nullptr;
  int order = 0;
  int column = 0;
  LW_TRY(CursorOf(handle, c, order));
  LW_TRY(ColumnOfField(c->Table(), field, column));
  if (entry->kind == HandleKind::Index) return Finish(c->Keys().SetKeySegmentNull(order, column));
  return Finish(c->SetColumnNull(column));
}

std::uint32_t PgEngine::AdsBuildRawKey(ADSHANDLE index, void* key, std::uint16_t* length) {
  LW_LOCK;
  LW_OUT(key);
  LW_OUT(length);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  std::string built;
  c->Keys().BuildRawKey(order, built);
  return Finish(CopyRawKey(built, key, length));
}

std::uint32_t PgEngine::AdsStepIndexKey(ADSHANDLE index, void* key, std::uint16_t length, std::int16_t direction) {
  LW_LOCK;
  LW_OUT(key);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  std::vector<Value> values;
  LW_TRY(DecodeRawKey(c->Table(), order, static_cast<const std::uint8_t*>(key), length, values));
  LW_TRY(StepLastKeyValue(values, direction));
  std::string stepped;
  LW_TRY(EncodeKey(c->Table(), order, values, stepped));
  std::memcpy(key, stepped.data(), std::min<std::size_t>(stepped.size(), length));
  return 0;
}

std::uint32_t PgEngine::AdsSetScope(ADSHANDLE index, std::uint16_t scopeOption, const void* key, std::uint16_t length,
                                    std::uint16_t dataType) {
  LW_LOCK;
  LW_OUT(key);
  Cursor* c = nullptr;
  int order = 0;
  LW_TRY(IndexOf(index, c, order));
  if (scopeOption != ace::kScopeTop && scopeOption != ace::kScopeBottom) {
    return Finish(Status::Error(ace::kInvalidArgument, "(the scope option is 1 for top or 2 for bottom)"));
  }
  std::vector<Value> values;
  const auto* bytes = static_cast<const std::uint8_t*>(key);
  const TableDef& table = c->Table();
  const ColumnDef& first = table.columns[table.indexes[order].segments[0]];
  if (dataType == ace::kRawKey) {
    LW_TRY(DecodeRawKey(c->Table(), order, bytes, length, values));
  } else {
    LW_TRY(ScopeValueFromCaller(first, dataType, bytes, length, values));
  }
  return Finish(c->Keys().SetScope(order, scopeOption == ace::kScopeTop, values));
}

std::uint32_t PgEngine::AdsClearAllScopes(ADSHANDLE table) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  c->Keys().ClearScopes();
  return 0;
}

// ---- locks and writes ----

std::uint32_t PgEngine::AdsLockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(c->Lock(recordNumber));
}

std::uint32_t PgEngine::AdsUnlockRecord(ADSHANDLE table, std::uint32_t recordNumber) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(c->Unlock(recordNumber));
}

std::uint32_t PgEngine::AdsGetRecordCRC(ADSHANDLE table, std::uint32_t* crc, std::uint32_t options) {
  LW_LOCK;
  LW_OUT(crc);
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(c->Checksum(*crc));
}

std::uint32_t PgEngine::AdsAppendRecord(ADSHANDLE table) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(c->Append());
}

std::uint32_t PgEngine::AdsWriteRecord(ADSHANDLE table) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  return Finish(c->Write());
}

std::uint32_t PgEngine::AdsCancelUpdate(ADSHANDLE table) {
  LW_LOCK;
  Cursor* c = nullptr;
  LW_TRY(CursorOnly(table, c));
  c->Cancel();
  return 0;
}

}  // namespace lw::pgengine
