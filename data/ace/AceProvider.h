#pragma once
// The process-wide engine provider the data layer calls through. The program installs its
// engine once at start (and tests install theirs, often wrapped in a TracingAce); the provider
// does not own it.

#include "data/ace/AceApi.h"

namespace lw::ace {

// The installed engine. REQUIRES: an engine has been installed with SetAce; otherwise throws
// lw::Exception("No database engine is installed.").
AceApi& Ace();

// Installs the engine (nullptr uninstalls). The caller keeps ownership and must keep it alive
// while it is installed.
void SetAce(AceApi* engine);

// Installs an engine for the lifetime of this object and restores the previous one afterwards.
class ScopedAce {
 public:
  explicit ScopedAce(AceApi& engine);
  ~ScopedAce();
  ScopedAce(const ScopedAce&) = delete;
  ScopedAce& operator=(const ScopedAce&) = delete;

 private:
  AceApi* previous_;
};

}  // namespace lw::ace
