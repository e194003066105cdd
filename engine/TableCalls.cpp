#include "engine/TableCalls.h"

#include <cstring>
#include <string>

#include "data/ace/AceApi.h"
#include "engine/RecordCodec.h"

namespace lw::engine {

int IndexOfFile(const TableDef& table, const char* indexFile) {
  std::string name = indexFile ? indexFile : "";
  std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  return table.FindIndex(name);
}

std::uint32_t OpenOptionsOf(std::uint32_t options, bool isResult) {
  if ((options & ace::kOptionReadOnly) == 0 && !isResult) options |= ace::kOptionUpdateRight;
  return options;
}

std::uint32_t ColumnPermissionsOf(std::uint32_t options, bool isResult) {
  bool writable = !isResult && (options & ace::kOptionReadOnly) == 0;
  return ace::kPermissionRead | (writable ? ace::kPermissionUpdate | ace::kPermissionInsert : 0);
}

Status CopyNullRecord(const TableDef& table, void* buffer, std::uint32_t length) {
  if (length < table.recordLength) return Status::Error(ace::kInsufficientBuffer);
  auto* image = static_cast<std::uint8_t*>(buffer);
  std::memset(image, 0, table.recordLength);
  for (const ColumnDef& column : table.columns) WriteNullImage(column, image);
  return {};
}

std::uint32_t IndexFlagsOf(const IndexDef& index) {
  return (index.unique ? ace::kIndexFlagUnique : 0) | (index.descending ? ace::kIndexFlagDescending : 0) |
         (index.primary ? ace::kIndexFlagPrimary : 0);
}

}  // namespace lw::engine
