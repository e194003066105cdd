#include "pgengine/KeyBlocks.h"

#include <algorithm>

#include "pgengine/KeyOrder.h"

namespace lw::pgengine {

using engine::TableDef;
using engine::Value;

namespace {

// A look-up far from the last ones reads a few rows past its own (a scoped look-up seldom has
// more); each block read for a walk that keeps landing in the blocks before it is four times the
// last, up to the cap. A few blocks are kept, so a second walk on the same index (the paying rows
// of applications, behind the charges) finds its rows in what the first one read.
constexpr int kFirstLookAhead = 4;
constexpr int kLookAheadCap = 256;
constexpr std::size_t kBlocksKept = 8;

}  // namespace

bool KeyBlocks::Holds(const Block& block, const std::vector<Value>& key) {
  const engine::IndexDef& index = block.table->indexes[block.order];
  if (CompareKeys(*block.table, index, block.from, key) > 0) return false;
  if (block.toEnd) return true;
  // Rows after the last one read may still share its key.
  return !block.rows.empty() && CompareRowKey(*block.table, index, key.size(), block.rows.back().values, key) > 0;
}

KeyBlocks::Lookup KeyBlocks::Find(const TableDef& table, int order, const std::vector<Value>& key,
                                  std::uint64_t generation, ReadClock::time_point now) {
  Lookup lookup;
  blocks_.remove_if(
      [&](const Block& block) { return block.generation != generation || now - block.readAt >= kReadLifetime; });
  const engine::IndexDef& index = table.indexes[order];
  if (key.empty() || !ComparableKey(table, index, key)) return lookup;
  lookup.readAhead = kFirstLookAhead;
  for (auto block = blocks_.begin(); block != blocks_.end(); ++block) {
    if (block->table != &table || block->order != order || block->from.size() != key.size()) continue;
    if (Holds(*block, key)) {
      // Looking the block's first key up again is no step of a walk.
      if (CompareKeys(table, index, block->from, key) != 0) ++block->hits;
      auto less = [&](const ServerRow& row, const std::vector<Value>& k) {
        return CompareRowKey(table, index, k.size(), row.values, k) < 0;
      };
      auto greater = [&](const std::vector<Value>& k, const ServerRow& row) {
        return CompareRowKey(table, index, k.size(), row.values, k) > 0;
      };
      auto first = std::lower_bound(block->rows.begin(), block->rows.end(), key, less);
      auto last = std::upper_bound(first, block->rows.end(), key, greater);
      lookup.found = true;
      lookup.rows.assign(first, last);
      lookup.readAt = block->readAt;
      lookup.generation = block->generation;
      blocks_.splice(blocks_.begin(), blocks_, block);
      return lookup;
    }
    // A walk that has passed a block that served it reads more at once.
    const bool passed = !block->toEnd && !block->rows.empty() &&
                        CompareRowKey(table, index, key.size(), block->rows.back().values, key) <= 0;
    if (passed && block->hits > 0)
      lookup.readAhead = std::max(lookup.readAhead, std::min(block->limit * 4, kLookAheadCap));
  }
  return lookup;
}

void KeyBlocks::Keep(const TableDef& table, int order, std::vector<Value> key, std::vector<ServerRow> rows, int limit,
                     std::uint64_t generation, ReadClock::time_point readAt) {
  Block block;
  block.table = &table;
  block.order = order;
  block.from = std::move(key);
  block.toEnd = static_cast<int>(rows.size()) < limit;
  block.rows = std::move(rows);
  block.limit = limit;
  block.generation = generation;
  block.readAt = readAt;
  blocks_.push_front(std::move(block));
  if (blocks_.size() > kBlocksKept) blocks_.pop_back();
}

}  // namespace lw::pgengine
