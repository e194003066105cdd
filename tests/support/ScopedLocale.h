#pragma once
// Runs part of a test under another process locale, as the window runs once its toolkit has
// applied the user's environment (setlocale(LC_ALL, "")).

#include <clocale>
#include <stdexcept>
#include <string>

namespace lw::test {

// A locale whose decimal separator is a comma; scripts/setup generates it.
inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    if (std::setlocale(LC_ALL, name) == nullptr) {
      throw std::runtime_error(std::string("locale ") + name + " is not installed (scripts/setup generates it)");
    }
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  std::string previous_;
};

}  // namespace lw::test
