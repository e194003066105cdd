#include "engine/KeyViolation.h"

#include <string_view>
#include <vector>

namespace lw::engine {

namespace {

// A quoted SQLite name as SQLite prints it: without its quotes, doubled quotes made single.
std::string Unquoted(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::string(quoted);
  std::string name;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    name += quoted[i];
    if (quoted[i] == '"' && quoted[i + 1] == '"') ++i;
  }
  return name;
}

// The table's columns SQLite listed after "UNIQUE constraint failed: ", in its order; empty when
// the text is not that form or names a column the catalog does not know.
std::vector<int> ListedColumns(const TableDef& table, std::string_view text) {
  constexpr std::string_view kMarker = "UNIQUE constraint failed: ";
  const std::size_t at = text.find(kMarker);
  if (at == std::string_view::npos) return {};
  std::string_view list = text.substr(at + kMarker.size());
  const std::string prefix = Unquoted(table.sqlName) + ".";
  std::vector<int> columns;
  while (!list.empty()) {
    const std::size_t comma = list.find(", ");
    std::string_view item = list.substr(0, comma);
    if (item.substr(0, prefix.size()) != prefix) return {};
    item.remove_prefix(prefix.size());
    int found = -1;
    for (std::size_t c = 0; c < table.columns.size() && found < 0; ++c) {
      const ColumnDef& column = table.columns[c];
      const std::string& indexed = column.keySqlName.empty() ? column.sqlName : column.keySqlName;
      if (Unquoted(indexed) == item) found = static_cast<int>(c);
    }
    if (found < 0) return {};
    columns.push_back(found);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 2);
  }
  return columns;
}

}  // namespace

Status DuplicateKeyIn(const TableDef& table, const IndexDef& index) {
  std::string names;
  for (const int c : index.segments) names += (names.empty() ? "" : ", ") + table.columns[c].name;
  return Status::Error(ace::kDuplicateKey, "index " + index.name + " of " + table.name + " (" + names + ")");
}

Status NameViolatedKey(const TableDef& table, Status failure) {
  if (failure.code() != ace::kDuplicateKey) return failure;
  const std::vector<int> columns = ListedColumns(table, failure.text());
  if (columns.empty()) return failure;
  for (const IndexDef& index : table.indexes) {
    if (index.unique && index.segments == columns) return DuplicateKeyIn(table, index);
  }
  return failure;
}

}  // namespace lw::engine
