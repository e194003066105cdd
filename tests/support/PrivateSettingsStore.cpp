#include "tests/support/PrivateSettingsStore.h"

#include <cstdlib>

namespace lw::test {

PrivateSettingsStore::PrivateSettingsStore() {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
  setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
}

PrivateSettingsStore::~PrivateSettingsStore() {
  if (previous_)
    setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace lw::test
