#pragma once
// Numbers in text, converted without regard to the locale: "." is the decimal separator whatever
// LC_NUMERIC says. The process locale follows the user's environment once the window's toolkit
// starts, and the C library's own conversions (strtod, printf's %f/%g/%e) follow it; stored
// numeric text and CSV files must not. Only the report line uses the regional separators.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lw {

// Where a number read from the start of a text ends, and whether it was read.
struct NumberRead {
  std::size_t end = 0;  // bytes used, leading blanks included; 0 when no number was found
  bool ok = false;      // false when there is no number, or it lies outside the type's range
};

// Reads a number at the start of `text`: blanks (spaces and tabs) are skipped, then an optional
// sign, decimal digits with "." as the decimal separator, and (for doubles) an optional exponent.
// On failure `value` is left as it was.
NumberRead ReadDouble(std::string_view text, double& value);
NumberRead ReadInteger(std::string_view text, std::int64_t& value);

// The C locale's printf conversions: %.*f, %.*e and %.*g with the given precision.
std::string FormatFixed(double value, int decimals);
std::string FormatScientific(double value, int precision);
std::string FormatGeneral(double value, int precision);

}  // namespace lw
