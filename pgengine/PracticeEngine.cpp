#include "pgengine/PracticeEngine.h"

#include <algorithm>
#include <string>

#include "engine/Engine.h"
#include "pgengine/ServerDescriptor.h"
#include "pgengine/ServerEngine.h"

namespace lw::pgengine {

namespace {

thread_local ace::AceApi* lastFailed = nullptr;

}  // namespace

std::unique_ptr<ace::AceApi> CreatePracticeEngine() {
  return std::make_unique<PracticeEngine>(engine::CreateSqliteEngine(), CreateServerEngine());
}

PracticeEngine::PracticeEngine(std::unique_ptr<ace::AceApi> embedded, std::unique_ptr<ace::AceApi> server)
    : embedded_(std::move(embedded)), server_(std::move(server)) {}

ace::AceApi& PracticeEngine::For(ADSHANDLE handle) { return handle >= kServerHandleBase ? *server_ : *embedded_; }

std::uint32_t PracticeEngine::Note(ace::AceApi& provider, std::uint32_t result) {
  if (result != 0) lastFailed = &provider;
  return result;
}

std::uint32_t PracticeEngine::AdsConnect60(const char* connectPath, std::uint16_t serverTypes, const char* userName,
                                           const char* password, std::uint32_t options, ADSHANDLE* connection) {
  ace::AceApi& p = connectPath != nullptr && IsServerDescriptor(connectPath) ? *server_ : *embedded_;
  return Note(p, p.AdsConnect60(connectPath, serverTypes, userName, password, options, connection));
}

std::uint32_t PracticeEngine::AdsGetLastError(std::uint32_t* errorCode, char* buffer, std::uint16_t* length) {
  return (lastFailed ? *lastFailed : *embedded_).AdsGetLastError(errorCode, buffer, length);
}

std::uint32_t PracticeEngine::AdsSetLastError(std::uint32_t errorCode, const char* text) {
  lastFailed = embedded_.get();
  return embedded_->AdsSetLastError(errorCode, text);
}

std::uint32_t PracticeEngine::AdsShowError(const char* title) {
  return (lastFailed ? *lastFailed : *embedded_).AdsShowError(title);
}

std::uint32_t PracticeEngine::AdsGetSQLStmtParams(const char* statement, std::uint16_t* paramCount) {
  return Note(*embedded_, embedded_->AdsGetSQLStmtParams(statement, paramCount));
}

std::uint32_t PracticeEngine::AdsConvertStringToJulian(const char* text, std::uint16_t length, double* julian) {
  return Note(*embedded_, embedded_->AdsConvertStringToJulian(text, length, julian));
}

std::uint32_t PracticeEngine::AdsConvertJulianToString(double julian, char* buffer, std::uint16_t* length) {
  return Note(*embedded_, embedded_->AdsConvertJulianToString(julian, buffer, length));
}

// A call on a handle goes to the provider that made the handle.
#define LW_ROUTED_BY_HANDLE(name, parameters, arguments) \
  std::uint32_t PracticeEngine::name parameters {        \
    ace::AceApi& p = For(LW_ACE_FIRST arguments);        \
    return Note(p, p.name arguments);                    \
  }
LW_ACE_HANDLE_CALLS(LW_ROUTED_BY_HANDLE)
#undef LW_ROUTED_BY_HANDLE

}  // namespace lw::pgengine
