#pragma once
// Calendar conversions: Julian day numbers (2451545 is 1 January 2000) and the text forms the
// engine stores ("YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS.mmm") and exchanges ("CCYYMMDD").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lw::engine {

struct CivilDate {
  int year;
  int month;
  int day;
};

std::int64_t JulianFromCivil(int year, int month, int day);
CivilDate CivilFromJulian(std::int64_t julian);
bool IsValidCivil(int year, int month, int day);

// "YYYY-MM-DD" -> Julian day; nothing for a malformed or impossible date.
std::optional<std::int64_t> ParseIsoDate(std::string_view text);
std::string FormatIsoDate(std::int64_t julian);
// "CCYYMMDD" -> Julian day.
std::optional<std::int64_t> ParseCompactDate(std::string_view text);
std::string FormatCompactDate(std::int64_t julian);

// A timestamp: Julian day and milliseconds since midnight.
struct Timestamp {
  std::int64_t julian;
  std::int64_t milliseconds;
};
// "YYYY-MM-DD HH:MM:SS[.mmm]" (a "T" may stand for the blank; a bare date means midnight).
std::optional<Timestamp> ParseIsoTimestamp(std::string_view text);
std::string FormatIsoTimestamp(const Timestamp& value);
// "HH:MM:SS[.mmm]" -> milliseconds since midnight.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);
std::string FormatIsoTime(std::int64_t milliseconds);

}  // namespace lw::engine
