#pragma once
// Points the per-user settings store ($XDG_CONFIG_HOME) at a private empty folder for the life of
// the object and puts the previous value back afterwards, so no test reads or writes the real
// user's store.

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/TempDir.h"

namespace lw::test {

class PrivateSettingsStore {
 public:
  PrivateSettingsStore();
  ~PrivateSettingsStore();
  PrivateSettingsStore(const PrivateSettingsStore&) = delete;
  PrivateSettingsStore& operator=(const PrivateSettingsStore&) = delete;

  // The folder XDG_CONFIG_HOME names while the object lives.
  const std::filesystem::path& Path() const { return dir_.Path(); }

 private:
  TempDir dir_;
  std::optional<std::string> previous_;
};

}  // namespace lw::test
