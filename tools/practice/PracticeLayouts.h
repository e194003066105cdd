#pragma once
// The practice tables in their stored layout, as dictionary specifications: what the practice tool
// creates practices from, and the test fixtures and benchmarks that build practices the same way.

#include <string>
#include <vector>

#include "data/TableLayouts.h"
#include "engine/Dictionary.h"

namespace lw::practice {

inline engine::TableSpec SpecFromLayout(const TableLayout& layout, std::string defaultIndex = {}) {
  engine::TableSpec tableSpec;
  tableSpec.name = layout.name;
  for (const ColumnLayout& column : layout.columns) {
    tableSpec.columns.push_back({column.name, column.typeCode, static_cast<std::uint32_t>(column.length), 0});
  }
  for (const IndexLayout& index : layout.indexes) {
    tableSpec.indexes.push_back({index.name, index.keyColumns, index.unique, index.name == "PRIMARY"});
  }
  tableSpec.defaultIndex = std::move(defaultIndex);
  return tableSpec;
}

// MWTRN and MWPAX exactly as a practice stores them, with no default index named.
inline std::vector<engine::TableSpec> PracticeTables() {
  return {SpecFromLayout(MwtrnLayout()), SpecFromLayout(MwpaxLayout())};
}

}  // namespace lw::practice
