#pragma once
// The error check every engine result passes, and the data layer's error classes.

#include <cstdint>
#include <string>

#include "common/Exceptions.h"

namespace lw {

class TAdsDataSet;

// The code of the refusals the cursors raise themselves.
inline constexpr std::uint32_t kCursorRefusalCode = 5121;

// An engine call failed, or a cursor refused an operation (code 5121). The message carries
// the cursor's name and ": " before the text when a cursor is concerned.
class EADSDatabaseError : public EDatabaseError {
 public:
  // Builds the error for `cursor` (may be null). While another EADSDatabaseError is being
  // built on this thread the object stays empty: no message, every field zero.
  EADSDatabaseError(const TAdsDataSet* cursor, std::string message, std::uint32_t code);
  EADSDatabaseError(const EADSDatabaseError&) = default;
  ~EADSDatabaseError() override;
  const char* ClassName() const noexcept override { return "EADSDatabaseError"; }

  std::uint32_t AceCode = 0;
  std::int32_t NativeSqlCode = 0;
  std::string CursorName;
  std::string CursorOwnerName;
  std::string CursorDatabaseName;
  std::string CursorDataFolder;
  std::string CursorTableName;
  std::string ColumnName;  // codes 5147-5149 only
};

// The connection was misused (no connect path, path changed while connected).
LW_DECLARE_ERROR(AdsConnectionError, Exception);
// The engine refused a disconnect.
LW_DECLARE_ERROR(AdsError, Exception);

// Returns when `result` is 0. Otherwise raises an EADSDatabaseError carrying the engine's
// last error code and text (AdsGetLastError), for `cursor` (may be null). Does nothing while
// an EADSDatabaseError is being built on the calling thread.
void CheckAce(const TAdsDataSet* cursor, std::uint32_t result);

// Raises the cursor's own refusal: EADSDatabaseError with code 5121.
[[noreturn]] void RaiseCursorError(const TAdsDataSet* cursor, std::string message);

// Raises EDatabaseError with the cursor's name and ": " before the message.
[[noreturn]] void RaiseDatabaseError(const TAdsDataSet* cursor, std::string message);

// Builds the AdsError of a refused disconnect from the engine's last error.
AdsError MakeAdsError();

// The NativeSqlCode a message yields: the decimal number after "NATIVEERROR = " when the
// upper-cased message contains "ERROR 7200:" and "NATIVEERROR = ", else 0.
std::int32_t ParseNativeSqlCode(const std::string& message);

// Whether an EADSDatabaseError is being built on the calling thread. Holding an
// ErrorBuildingScope sets it, as building an error does.
bool ErrorBeingBuilt();
class ErrorBuildingScope {
 public:
  ErrorBuildingScope();
  ~ErrorBuildingScope();
  ErrorBuildingScope(const ErrorBuildingScope&) = delete;
  ErrorBuildingScope& operator=(const ErrorBuildingScope&) = delete;
};

}  // namespace lw
