#pragma once
// The description of a SELECT's result table, kept by either provider as a table of its
// connection with columns c1, c2, ...: a column read unchanged takes its source column's type;
// an expression column is typed by the provider, from what it computed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/SqlTranslator.h"
#include "engine/Status.h"

namespace lw::engine {

// The result's columns, named as selected; `expressions` gets the positions of the expression
// columns, still untyped.
std::shared_ptr<TableDef> ResultTableColumns(const std::string& name, const TranslatedSql& translated,
                                             std::vector<int>& expressions);

// An expression column as a double when it computes numbers, else as text of its longest value.
void TypeExpressionColumn(ColumnDef& column, bool numeric, std::uint32_t longest);

// Lays the record out and names the stored table and its columns; fails when the rows are too
// long to keep (the caller drops the table it made).
Status FinishResultTable(TableDef& table, const std::string& sqlName);

}  // namespace lw::engine
