// The engine calls that open tables and describe their columns and indexes. The descriptions
// take no lock (see SqliteEngine.h).

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/EngineCall.h"
#include "engine/SqliteEngine.h"
#include "engine/TableCalls.h"

namespace lw::engine {

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

}  // namespace lw::engine
