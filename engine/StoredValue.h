#pragma once
// A value handed to a loader (Dictionary.h's FieldValue) in a column's stored form, for every
// store that keeps the embedded dictionary's stored forms.

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// NULL, an integer, a double or text (the text forms of ValueFromText) as the column stores it.
// Fails with kValueDoesNotFit naming the column.
Status StoredValueOf(const ColumnDef& column, const FieldValue& field, Value& value);

}  // namespace lw::engine
