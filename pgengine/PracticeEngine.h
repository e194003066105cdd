#pragma once
// The engine the programs install: one embedded engine and one server provider behind the engine
// interface. AdsConnect60 picks the provider from what the practice's MWDDF.ADD is (a server
// descriptor or anything else, which the embedded engine judges); every later call goes to the
// provider whose handle it carries (server handles start at kServerHandleBase). The last error
// is the one of the provider that answered the thread's last failing call.

#include <memory>

#include "data/ace/AceCalls.h"

namespace lw::pgengine {

using ace::ADSHANDLE;

class PracticeEngine final : public ace::AceApi {
 public:
  PracticeEngine(std::unique_ptr<ace::AceApi> embedded, std::unique_ptr<ace::AceApi> server);

  LW_ACE_OVERRIDES  // every call of ace::AceApi

 private:
  ace::AceApi& For(ADSHANDLE handle);
  // Remembers which provider answered a failing call.
  std::uint32_t Note(ace::AceApi& provider, std::uint32_t result);

  std::unique_ptr<ace::AceApi> embedded_;
  std::unique_ptr<ace::AceApi> server_;
};

}  // namespace lw::pgengine
