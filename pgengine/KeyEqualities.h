#pragma once
// A plain SQL condition on a column ("Chart Number" = 'X') cannot use the server's indexes,
// whose keys are the pair (column IS NOT NULL, COALESCE(column, placeholder)) so that NULL sorts
// first, as in the embedded engine; the server then reads the whole table. The same equality said
// on the key expressions can use them, and adding it changes nothing: it follows from the plain
// one. It is added only where that is certain: an equality of a column that leads an index with
// a bound text or integer value of its kind, standing alone between top-level ANDs of the
// statement's only WHERE over its one table. Anything else (OR, NOT, CASE, BETWEEN, a join, a
// case-insensitive column) leaves the statement as it is.

#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"

namespace lw::pgengine {

// `fromWhereOrder`: the translated text after a SELECT's select list ("FROM t WHERE ... ORDER BY
// ..."), its literals bound as ?1, ?2, ... from `binds`. Returns it with the key equalities added
// at the end of its WHERE, or unchanged.
std::string WithKeyEqualities(const std::string& fromWhereOrder, const engine::TableDef& table,
                              const std::vector<engine::Value>& binds);

}  // namespace lw::pgengine
