#pragma once
// A value handed to a loader (Dictionary.h's FieldValue) in a column's stored form, for every
// store that keeps the embedded dictionary's stored forms.

#include <vector>

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// NULL, an integer, a double or text (the text forms of ValueFromText) as the column stores it.
// Fails with kValueDoesNotFit naming the column.
Status StoredValueOf(const ColumnDef& column, const FieldValue& field, Value& value);

// A loader's row as the table's stored values by column (NULL where not named); `given` tells
// which columns the row named. Fails with kColumnNotFound on a name the table lacks.
Status StoredRowValues(const TableDef& table, const Row& row, std::vector<Value>& values, std::vector<bool>& given);

}  // namespace lw::engine
