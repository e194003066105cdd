#include "data/AdsErrors.h"

#include <cctype>
#include <cstring>

#include "common/Utf8.h"
#include "data/AdsDataSet.h"
#include "data/ace/AceProvider.h"

namespace lw {

namespace {

thread_local bool errorBeingBuilt = false;

constexpr std::uint16_t kLastErrorBufferSize = 600;

std::string ColumnNameFrom(const std::string& message) {
  static constexpr std::string_view kMarker = "column \"";
  const auto at = message.find(kMarker);
  if (at == std::string::npos) return {};
  std::string rest = message.substr(at + kMarker.size(), 900);
  const auto quote = rest.find('"');
  if (quote != std::string::npos) rest.resize(quote);
  return rest;
}

struct LastError {
  std::uint32_t code = 0;
  std::string text;
  std::uint32_t result = 0;
};

LastError ReadLastError() {
  LastError last;
  char buffer[kLastErrorBufferSize + 1] = {};
  std::uint16_t length = kLastErrorBufferSize;
  last.result = ace::Ace().AdsGetLastError(&last.code, buffer, &length);
  buffer[kLastErrorBufferSize] = 0;
  last.text.assign(buffer, strnlen(buffer, kLastErrorBufferSize));
  return last;
}

}  // namespace

bool ErrorBeingBuilt() { return errorBeingBuilt; }
ErrorBuildingScope::ErrorBuildingScope() { errorBeingBuilt = true; }
ErrorBuildingScope::~ErrorBuildingScope() { errorBeingBuilt = false; }

std::int32_t ParseNativeSqlCode(const std::string& message) {
  const std::string upper = UpperCaseUtf8(message);
  static constexpr std::string_view kNative = "NATIVEERROR = ";
  if (upper.find("ERROR 7200:") == std::string::npos) return 0;
  const auto at = upper.find(kNative);
  if (at == std::string::npos) return 0;
  const auto start = at + kNative.size();
  auto end = upper.find(';', start);
  if (end == std::string::npos) end = upper.size();
  std::string digits = upper.substr(start, end - start);
  // A text that is not a whole decimal number leaves the code at 0.
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == ' ') ++i;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) negative = digits[i++] == '-';
  if (i == digits.size()) return 0;
  std::int64_t value = 0;
  for (; i < digits.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return 0;
    value = value * 10 + (digits[i] - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

EADSDatabaseError::EADSDatabaseError(const TAdsDataSet* cursor, std::string message, std::uint32_t code)
    : EDatabaseError(std::string()) {
  if (errorBeingBuilt) return;
  // Cleared however building ends: a flag left set would make every later CheckAce on this
  // thread pass a failure as success.
  ErrorBuildingScope building;
  AceCode = code;
  try {
    if (cursor) {
      CursorName = cursor->Name();
      CursorOwnerName = cursor->OwnerName();
      CursorDatabaseName = cursor->DatabaseName();
      CursorDataFolder = cursor->DataFolder();
      CursorTableName = cursor->TableName();
      if (code == 5147 || code == 5148 || code == 5149) ColumnName = ColumnNameFrom(message);
    }
    NativeSqlCode = ParseNativeSqlCode(message);
  } catch (...) {
    // The fields filled so far stay; the error itself must still be raised.
  }
  SetMessage(CursorName.empty() ? std::move(message) : CursorName + ": " + message);
}

EADSDatabaseError::~EADSDatabaseError() { errorBeingBuilt = false; }

void CheckAce(const TAdsDataSet* cursor, std::uint32_t result) {
  if (result == 0) return;
  if (errorBeingBuilt) return;
  LastError last = ReadLastError();
  throw EADSDatabaseError(cursor, std::move(last.text), last.code);
}

void RaiseCursorError(const TAdsDataSet* cursor, std::string message) {
  throw EADSDatabaseError(cursor, std::move(message), kCursorRefusalCode);
}

void RaiseDatabaseError(const TAdsDataSet* cursor, std::string message) {
  if (cursor && !cursor->Name().empty()) message = cursor->Name() + ": " + message;
  throw EDatabaseError(std::move(message));
}

AdsError MakeAdsError() {
  LastError last = ReadLastError();
  if (last.result != 0) {
    ace::Ace().AdsShowError("Ads Exception Error");
    return AdsError(std::string());
  }
  return AdsError(std::move(last.text));
}

}  // namespace lw
