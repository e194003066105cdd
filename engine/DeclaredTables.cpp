#include "engine/DeclaredTables.h"

#include "data/ace/AceErrors.h"

namespace lw::engine {

ColumnDef ColumnDefFrom(const ColumnSpec& declared) {
  ColumnDef column;
  column.name = declared.name;
  column.type = declared.type;
  column.length = declared.length;
  column.decimals = declared.decimals;
  return column;
}

void AddIndexDefsFrom(const TableSpec& declared, TableDef& table, Status& status) {
  for (const IndexSpec& i : declared.indexes) {
    IndexDef index;
    index.name = i.name;
    index.unique = i.unique;
    index.primary = i.primary;
    std::size_t start = 0;
    while (start <= i.keyColumns.size()) {
      std::size_t end = i.keyColumns.find(';', start);
      if (end == std::string::npos) end = i.keyColumns.size();
      int column = table.FindColumn(i.keyColumns.substr(start, end - start));
      if (column < 0)
        status = Status::Error(ace::kInvalidArgument, "index " + i.name + " names an unknown column");
      else
        index.segments.push_back(column);
      start = end + 1;
    }
    table.indexes.push_back(std::move(index));
  }
}

}  // namespace lw::engine
