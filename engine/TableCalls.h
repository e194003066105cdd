#pragma once
// The backend-independent halves of the engine calls that describe an open table and its
// indexes: answers read from the table's description alone, the same for both providers.

#include <cstdint>

#include "data/ace/AceErrors.h"
#include "engine/Catalog.h"
#include "engine/Status.h"

namespace lw::engine {

// A field number (from 1) as a column position. Inline: every column read starts here.
inline Status ColumnOfField(const TableDef& table, std::uint32_t field, int& column) {
  if (field < 1 || field > table.columns.size()) return Status::Error(ace::kInvalidFieldNumber);
  column = static_cast<int>(field - 1);
  return {};
}

// The index an index file name stands for (its folder ignored), or -1.
int IndexOfFile(const TableDef& table, const char* indexFile);

// The options a table was opened with, plus the update right unless it is read-only or a result.
std::uint32_t OpenOptionsOf(std::uint32_t options, bool isResult);
// Read, and update and insert unless the table is read-only or a result.
std::uint32_t ColumnPermissionsOf(std::uint32_t options, bool isResult);

// Every column's NULL marker in a buffer of `length` bytes.
Status CopyNullRecord(const TableDef& table, void* buffer, std::uint32_t length);

std::uint32_t IndexFlagsOf(const IndexDef& index);

}  // namespace lw::engine
