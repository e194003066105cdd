#pragma once
// A plain SQL condition on a column ("Chart Number" = 'X') cannot use an index whose keys are
// expressions of the column (NULL given a place below every value), so a chart's query would read
// the whole table. The same equality said on the key expressions can use the index, and adding
// it changes nothing: it follows from the plain one. It is added only where that is certain: an
// equality of a column that leads an index with a bound text or integer value of its kind,
// standing alone between top-level ANDs of the statement's only WHERE over its one table.
// Anything else (OR, NOT, CASE, BETWEEN, a join, a case-insensitive column) leaves the statement
// as it is. Each store says the equality on its own key expressions.

#include <functional>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"

namespace lw::engine {

// The condition that says `column` equals the value bound as `placeholder`, on its index keys.
using KeyEquality = std::function<std::string(const ColumnDef& column, const std::string& placeholder)>;

// `fromWhereOrder`: the translated text after a SELECT's select list ("FROM t WHERE ... ORDER BY
// ..."), its literals bound as ?1, ?2, ... from `binds`. Returns it with the key equalities added
// at the end of its WHERE, or unchanged.
std::string WithKeyEqualities(const std::string& fromWhereOrder, const TableDef& table, const std::vector<Value>& binds,
                              const KeyEquality& keyEquality);

}  // namespace lw::engine
