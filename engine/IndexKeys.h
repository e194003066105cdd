#pragma once
// A cursor's key state per index of its table: the scope bounds a caller set and the raw key it
// is building segment by segment. Both providers keep these alike; how a scope becomes a query
// stays with each provider's cursor.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

inline constexpr int kNaturalOrder = -1;

// Prefixes of key values: a top and a bottom bound, inclusive. `version` changes whenever a bound
// does, so a cursor can tell that rows it read under the scope are stale.
struct KeyScope {
  bool hasTop = false;
  bool hasBottom = false;
  std::vector<Value> top;
  std::vector<Value> bottom;
  std::uint64_t version = 0;
};

class IndexKeys {
 public:
  explicit IndexKeys(const TableDef& table);

  // Orders: kNaturalOrder or an index of the table.
  Status CheckOrder(int order) const;
  // The order's scope when it has a bound; null for natural order or no bound.
  const KeyScope* ScopeOf(int order) const {
    if (order == kNaturalOrder) return nullptr;
    const KeyScope& scope = scopes_[order];
    return scope.hasTop || scope.hasBottom ? &scope : nullptr;
  }
  std::uint64_t ScopeVersion(int order) const { return order == kNaturalOrder ? 0 : scopes_[order].version; }

  // Takes the key's values by swapping, so the caller's vector gets the old bound's buffers; a
  // key longer than the index is cut to its segments.
  Status SetScope(int order, bool top, std::vector<Value>& key);
  void ClearScopes();

  // Raw keys: per index, the segment images set since InitRawKey.
  void InitRawKey(int order);
  Status SetKeySegment(int order, int column, const std::uint8_t* bytes, std::uint32_t length);
  Status SetKeySegmentNull(int order, int column);
  // Concatenated images of the segments set, up to the first one not set.
  void BuildRawKey(int order, std::string& key) const;

 private:
  struct RawKey {
    std::vector<std::string> segments;
    std::vector<bool> set;
  };

  const TableDef& table_;
  std::vector<KeyScope> scopes_;
  std::vector<RawKey> rawKeys_;
};

// The values a raw key of the index holds (whole segments only).
Status DecodeRawKey(const TableDef& table, int order, const std::uint8_t* key, std::uint32_t length,
                    std::vector<Value>& values);
// Key values as the index's raw key.
Status EncodeKey(const TableDef& table, int order, const std::vector<Value>& values, std::string& key);

}  // namespace lw::engine
