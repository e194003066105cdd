#include "engine/IndexKeys.h"

#include <algorithm>
#include <cstring>

#include "data/ace/AceApi.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceTypes.h"

namespace lw::engine {

IndexKeys::IndexKeys(const TableDef& table) : table_(table) {
  scopes_.resize(table.indexes.size());
  rawKeys_.resize(table.indexes.size());
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    rawKeys_[i].segments.resize(table.indexes[i].segments.size());
    rawKeys_[i].set.assign(table.indexes[i].segments.size(), false);
  }
}

Status IndexKeys::CheckOrder(int order) const {
  if (order < kNaturalOrder || order >= static_cast<int>(table_.indexes.size())) {
    return Status::Error(ace::kInvalidHandle);
  }
  return {};
}

Status IndexKeys::SetScope(int order, bool top, std::vector<Value>& key) {
  if (order == kNaturalOrder) return Status::Error(ace::kInvalidHandle, "(a scope needs an index)");
  LW_RETURN_IF_ERROR(CheckOrder(order));
  KeyScope& scope = scopes_[order];
  if (key.size() > table_.indexes[order].segments.size()) key.resize(table_.indexes[order].segments.size());
  if (top) {
    scope.hasTop = !key.empty();
    scope.top.swap(key);
  } else {
    scope.hasBottom = !key.empty();
    scope.bottom.swap(key);
  }
  ++scope.version;
  return {};
}

void IndexKeys::ClearScopes() {
  for (KeyScope& scope : scopes_) {
    if (scope.hasTop || scope.hasBottom) ++scope.version;
    scope.hasTop = scope.hasBottom = false;
    scope.top.clear();
    scope.bottom.clear();
  }
}

void IndexKeys::InitRawKey(int order) {
  RawKey& key = rawKeys_[order];
  key.set.assign(key.set.size(), false);
}

Status IndexKeys::SetKeySegment(int order, int column, const std::uint8_t* bytes, std::uint32_t length) {
  const IndexDef& index = table_.indexes[order];
  const ColumnDef& def = table_.columns[column];
  for (std::size_t s = 0; s < index.segments.size(); ++s) {
    if (index.segments[s] != column) continue;
    std::string& segment = rawKeys_[order].segments[s];
    segment.assign(def.length, ace::IsBlankPaddedText(def.type) ? ' ' : '\0');
    std::memcpy(segment.data(), bytes, std::min(length, def.length));
    rawKeys_[order].set[s] = true;
    return {};
  }
  return ColumnError(ace::kColumnNotFound, def, "it is no key column of index " + index.name);
}

Status IndexKeys::SetKeySegmentNull(int order, int column) {
  const ColumnDef& def = table_.columns[column];
  std::vector<std::uint8_t> null(table_.recordLength);
  WriteNullImage(def, null.data());
  return SetKeySegment(order, column, null.data() + def.offset, def.length);
}

void IndexKeys::BuildRawKey(int order, std::string& key) const {
  key.clear();
  const RawKey& raw = rawKeys_[order];
  for (std::size_t s = 0; s < raw.set.size() && raw.set[s]; ++s) key += raw.segments[s];
}

Status DecodeRawKey(const TableDef& table, int order, const std::uint8_t* key, std::uint32_t length,
                    std::vector<Value>& values) {
  values.clear();
  std::uint32_t at = 0;
  for (int column : table.indexes[order].segments) {
    const ColumnDef& def = table.columns[column];
    if (at + def.length > length) break;
    Value value;
    LW_RETURN_IF_ERROR(ValueFromImage(def, key + at, value));
    values.push_back(std::move(value));
    at += def.length;
  }
  return {};
}

Status EncodeKey(const TableDef& table, int order, const std::vector<Value>& values, std::string& key) {
  key.clear();
  std::vector<std::uint8_t> scratch(table.recordLength);
  const std::vector<int>& segments = table.indexes[order].segments;
  for (std::size_t s = 0; s < values.size() && s < segments.size(); ++s) {
    const ColumnDef& def = table.columns[segments[s]];
    LW_RETURN_IF_ERROR(WriteImageFromValue(def, values[s], scratch.data()));
    key.append(reinterpret_cast<const char*>(scratch.data() + def.offset), def.length);
  }
  return {};
}

}  // namespace lw::engine
