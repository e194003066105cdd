// The engine calls that move, read, key, scope, lock and write rows.

#include <algorithm>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/ImageCalls.h"
#include "engine/TableCalls.h"
#include "pgengine/PgEngine.h"

namespace lw::pgengine {

// ---- raw keys and scopes ----

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

}  // namespace lw::pgengine
