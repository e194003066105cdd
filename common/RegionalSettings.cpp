#include "common/RegionalSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstring>

namespace lw {

namespace {

RegionalSettings& Current() {
  static RegionalSettings settings;
  return settings;
}

// The first character of a strftime date pattern that is neither a conversion nor alphanumeric.
char DateSeparatorOf(const char* pattern) {
  if (pattern == nullptr) return '\0';
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '%') {
      if (p[1] == '\0') break;
      ++p;
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != ' ') return *p;
  }
  return '\0';
}

}  // namespace

RegionalSettings ReadRegionalSettings() {
  RegionalSettings settings;
  // A private locale object from the environment, so the C library's own formatting stays "C".
  locale_t locale = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return settings;
  const char* radix = nl_langinfo_l(RADIXCHAR, locale);
  if (radix != nullptr && radix[0] != '\0') settings.decimalSeparator = radix[0];
  const char separator = DateSeparatorOf(nl_langinfo_l(D_FMT, locale));
  if (separator != '\0') settings.dateSeparator = separator;
  freelocale(locale);
  return settings;
}

const RegionalSettings& CurrentRegionalSettings() { return Current(); }

void SetCurrentRegionalSettings(const RegionalSettings& settings) { Current() = settings; }

}  // namespace lw
