#pragma once
// Rows read ahead on an index for scoped look-ups, kept per connection. A look-up of the rows
// whose leading key columns equal a key (a detail table following its master) reads the next
// rows of the index from that key on, not only the key's own rows; while later look-ups land in
// what was read, they are answered here without a round trip, and each block read for such a
// walk is larger than the last. Look-ups that land elsewhere keep reading a few rows only.
//
// Invariant: a block holds, in index order, every row of its index from its first key on up to
// its last row (to the index's end when `toEnd`), as the server had them at `generation`, and is
// used only while the connection's generation is unchanged (no write or lock of its own, no
// change announced by the server) and for kReadLifetime after it was read.

#include <chrono>
#include <cstdint>
#include <list>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"

namespace lw::pgengine {

// A row as read from the server: its record number and its columns' values.
struct ServerRow {
  std::int64_t rowid = 0;
  std::vector<engine::Value> values;
};

using ReadClock = std::chrono::steady_clock;

// Rows of a practice table read longer ago than this are read again, so other users' changes
// show even when the server's announcement of them is late.
inline constexpr auto kReadLifetime = std::chrono::milliseconds(500);

class KeyBlocks {
 public:
  struct Lookup {
    bool found = false;
    std::vector<ServerRow> rows;  // found: the key's rows, in index order
    ReadClock::time_point readAt;
    std::uint64_t generation = 0;
    int readAhead = 0;  // not found: how many rows to read from the key on
  };

  // The rows of `table` whose leading key.size() columns of index `order` equal `key`, when a
  // fresh block holds them all; otherwise how many rows the read for them should take.
  // A key that cannot be compared here (ComparableKey) is never found and reads no more than
  // the look-up itself needs.
  Lookup Find(const engine::TableDef& table, int order, const std::vector<engine::Value>& key, std::uint64_t generation,
              ReadClock::time_point now);

  // Keeps the rows read for a look-up that Find did not serve: the index's first `limit` rows
  // from `key` on (fewer only at the index's end).
  void Keep(const engine::TableDef& table, int order, std::vector<engine::Value> key, std::vector<ServerRow> rows,
            int limit, std::uint64_t generation, ReadClock::time_point readAt);

  void Clear() { blocks_.clear(); }

 private:
  struct Block {
    const engine::TableDef* table = nullptr;
    int order = 0;
    std::vector<engine::Value> from;
    std::vector<ServerRow> rows;
    bool toEnd = false;
    int limit = 0;
    int hits = 0;
    std::uint64_t generation = 0;
    ReadClock::time_point readAt;
  };

  // Whether the block holds every row whose leading columns equal key.
  static bool Holds(const Block& block, const std::vector<engine::Value>& key);

  std::list<Block> blocks_;  // most recently used first
};

}  // namespace lw::pgengine
