// The engine calls that open tables and describe their columns and indexes.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/TableCalls.h"
#include "pgengine/PgEngine.h"

namespace lw::pgengine {

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

}  // namespace lw::pgengine
