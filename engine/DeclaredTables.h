#pragma once
// A table's description built from the table as declared (Dictionary.h), as the embedded
// dictionary's catalog and a server practice's catalog both keep it. Each store checks the
// columns its own way before it lays the record out.

#include "engine/Catalog.h"
#include "engine/Dictionary.h"
#include "engine/Status.h"

namespace lw::engine {

ColumnDef ColumnDefFrom(const ColumnSpec& declared);

// Appends the declared indexes; an index naming an unknown column sets `status` and leaves that
// segment out.
void AddIndexDefsFrom(const TableSpec& declared, TableDef& table, Status& status);

}  // namespace lw::engine
