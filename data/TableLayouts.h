#pragma once
// The stored layouts of the two practice tables the program reads: every column in table
// order with its field type and size, and every index with its key columns. Practices built
// for tests and the demo are created from these, so they must match a real practice exactly.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/FieldTypes.h"

namespace lw {

struct ColumnLayout {
  std::string name;
  FieldType fieldType;
  int size;                // the field size: text length, 4 for money, 1 for memo, else 0
  std::uint16_t typeCode;  // the engine column type a real practice stores it with
  int length;              // bytes in the record image
};

struct IndexLayout {
  std::string name;
  std::string keyColumns;  // upper case, separated by ";"
  bool unique;
};

struct TableLayout {
  std::string name;
  std::vector<ColumnLayout> columns;
  std::vector<IndexLayout> indexes;

  // The column of that name (case-insensitive), or nullptr.
  const ColumnLayout* FindColumn(std::string_view columnName) const;
};

// MWTRN: transactions (charges, payments, adjustments); 122 columns, 24 indexes.
const TableLayout& MwtrnLayout();
// MWPAX: payment applications; 6 columns, 4 indexes.
const TableLayout& MwpaxLayout();

}  // namespace lw
