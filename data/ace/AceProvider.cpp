#include "data/ace/AceProvider.h"

#include <atomic>

#include "common/Exceptions.h"

namespace lw::ace {

namespace {
std::atomic<AceApi*> installed{nullptr};
}  // namespace

AceApi& Ace() {
  AceApi* engine = installed.load(std::memory_order_acquire);
  if (engine == nullptr) throw Exception("No database engine is installed.");
  return *engine;
}

void SetAce(AceApi* engine) { installed.store(engine, std::memory_order_release); }

ScopedAce::ScopedAce(AceApi& engine) : previous_(installed.exchange(&engine)) {}

ScopedAce::~ScopedAce() { installed.store(previous_); }

}  // namespace lw::ace
