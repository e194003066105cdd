#pragma once
// A write that a unique index refused: SQLite names the generated key columns it indexes
// ("UNIQUE constraint failed: MWPAX.__key1, MWPAX.__key2"), which mean nothing to the person who
// made the write. This names the index and its columns as the catalog has them.

#include "engine/Catalog.h"
#include "engine/Status.h"

namespace lw::engine {

// The duplicate-key error naming `index` of `table` and its columns.
Status DuplicateKeyIn(const TableDef& table, const IndexDef& index);

// `failure` with its text naming the violated index of `table` when it is a duplicate key that
// one of the table's unique indexes explains; any other status unchanged.
Status NameViolatedKey(const TableDef& table, Status failure);

}  // namespace lw::engine
