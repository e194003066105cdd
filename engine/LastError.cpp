#include "engine/LastError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/ace/AceErrors.h"
#include "engine/SqlTranslator.h"

namespace lw::engine {

void CopyLastError(const LastError& error, std::uint32_t* errorCode, char* buffer, std::uint16_t* length) {
  if (errorCode != nullptr) *errorCode = error.code;
  if (buffer != nullptr && length != nullptr && *length > 0) {
    std::size_t n = std::min<std::size_t>(error.text.size(), *length - 1);
    std::memcpy(buffer, error.text.data(), n);
    buffer[n] = '\0';
    *length = static_cast<std::uint16_t>(n);
  }
}

void SetLastError(LastError& error, std::uint32_t errorCode, const char* text) {
  error.code = errorCode;
  error.text = text ? text : "";
  error.plain = false;
}

void ShowLastError(const LastError& error, const char* title) {
  std::fprintf(stderr, "%s: %s\n", title ? title : "", error.text.c_str());
}

Status CountStatementParameters(const char* statement, std::uint16_t* paramCount) {
  if (statement == nullptr) return Status::Error(ace::kInvalidArgument);
  int parameters = 0;
  Status status = ScanSql(statement, parameters);
  if (status.ok() && paramCount != nullptr) *paramCount = static_cast<std::uint16_t>(parameters);
  return status;
}

}  // namespace lw::engine
