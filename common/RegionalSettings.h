#pragma once
// The user's regional separators, read at start and again when the system announces a
// settings change. The discrepancy line uses them.

namespace lw {

struct RegionalSettings {
  char decimalSeparator = '.';  // "." when the locale gives none
  char dateSeparator = '/';     // "/" when the locale gives none; '\0' writes nothing
};

// The separators of the process locale (LC_NUMERIC, and the LC_TIME date format), read now.
RegionalSettings ReadRegionalSettings();

// The process-wide separators in effect; start-up and locale-change handling refresh them.
const RegionalSettings& CurrentRegionalSettings();
void SetCurrentRegionalSettings(const RegionalSettings& settings);

}  // namespace lw
