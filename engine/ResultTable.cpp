#include "engine/ResultTable.h"

#include <algorithm>

#include "data/ace/AceErrors.h"
#include "data/ace/AceTypes.h"

namespace lw::engine {

std::shared_ptr<TableDef> ResultTableColumns(const std::string& name, const TranslatedSql& translated,
                                             std::vector<int>& expressions) {
  auto table = std::make_shared<TableDef>();
  table->name = name;
  const TableDef& source = *translated.table;
  expressions.clear();
  for (std::size_t i = 0; i < translated.results.size(); ++i) {
    const SqlResultColumn& r = translated.results[i];
    ColumnDef column;
    if (r.sourceColumn >= 0) {
      const ColumnDef& from = source.columns[r.sourceColumn];
      column.type = from.type;
      column.length = from.length;
      column.decimals = from.decimals;
    } else {
      expressions.push_back(static_cast<int>(i));
    }
    column.name = r.name;
    table->columns.push_back(std::move(column));
  }
  return table;
}

void TypeExpressionColumn(ColumnDef& column, bool numeric, std::uint32_t longest) {
  if (numeric) {
    column.type = ace::ColumnType::kDouble;  // a double holds every integer an expression gives
    column.length = 8;
  } else {
    column.type = ace::ColumnType::kString;
    column.length = std::max<std::uint32_t>(1, longest);
  }
}

Status FinishResultTable(TableDef& table, const std::string& sqlName) {
  std::uint64_t recordLength = 0;
  for (const ColumnDef& column : table.columns) recordLength += column.length;
  if (recordLength > kMaxRecordLength) {
    return SqlRejection(ace::kNativeUnsupported, "the result rows are too long to keep");
  }
  FinishLayout(table);
  table.sqlName = sqlName;
  for (std::size_t i = 0; i < table.columns.size(); ++i) table.columns[i].sqlName = "c" + std::to_string(i + 1);
  return {};
}

}  // namespace lw::engine
