#pragma once
// A provider's last error of one thread, and the calls that read and set it. Each provider
// keeps its own (thread_local), so one provider's failure never shows as another's.

#include <cstdint>
#include <string>

#include "engine/Status.h"

namespace lw::engine {

struct LastError {
  std::uint32_t code = 0;
  std::string text;
  bool plain = false;  // `text` is the code's own text

  void Set(const Status& status) {
    code = status.code();
    text = status.text();
    plain = false;
  }
};

// AdsGetLastError: the code, and the text cut to the buffer.
void CopyLastError(const LastError& error, std::uint32_t* errorCode, char* buffer, std::uint16_t* length);
// AdsSetLastError.
void SetLastError(LastError& error, std::uint32_t errorCode, const char* text);
// AdsShowError: the text on the standard error stream, after the title.
void ShowLastError(const LastError& error, const char* title);

// AdsGetSQLStmtParams: whether the statement scans, and its parameter count.
Status CountStatementParameters(const char* statement, std::uint16_t* paramCount);

}  // namespace lw::engine
