#pragma once
// A table's description from its specification (Dictionary.h), as the embedded dictionary's
// catalog and a server practice's catalog both keep it. Each store checks the columns its own
// way before it lays the record out.

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/Status.h"

namespace lw::engine {

ColumnDef ColumnFromSpec(const ColumnSpec& spec);

// Appends the specification's indexes; an index naming an unknown column sets `status` and
// leaves that segment out.
void AddIndexesFromSpec(const TableSpec& spec, TableDef& table, Status& status);

}  // namespace lw::engine
