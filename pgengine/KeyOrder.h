#pragma once
// Index keys compared in this process exactly as the server's index orders them, so rows read
// ahead on an index can answer later look-ups without asking the server again. Each key column
// is ordered as its key expressions say (StoredForm.h): NULL below every value; integers and
// doubles by value, with NaN above every number and -0 equal to 0 as the server orders double
// precision; text (collation "C") and bytes bytewise, a shorter prefix first; case-insensitive
// character columns by their ASCII lower-case form.

#include <cstddef>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"

namespace lw::pgengine {

// Whether every value can be compared here: NULL, or the kind the column's stored form holds.
// A look-up with any other value goes to the server, which judges it as it always has.
bool ComparableKey(const engine::TableDef& table, const engine::IndexDef& index, const std::vector<engine::Value>& key);

// <0, 0 or >0 as the first `width` key columns of a row's values order against `key`.
// REQUIRES: ComparableKey(table, index, key), key.size() >= width, and row values of the
// columns' stored kinds (as rows read from the server are).
int CompareRowKey(const engine::TableDef& table, const engine::IndexDef& index, std::size_t width,
                  const std::vector<engine::Value>& row, const std::vector<engine::Value>& key);

// <0, 0 or >0 as two keys of the same width order.
// REQUIRES: ComparableKey for both, a.size() == b.size().
int CompareKeys(const engine::TableDef& table, const engine::IndexDef& index, const std::vector<engine::Value>& a,
                const std::vector<engine::Value>& b);

}  // namespace lw::pgengine
