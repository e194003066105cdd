#pragma once
// The proleptic Gregorian calendar, one conversion for the whole program: a civil date from a
// count of days and back. The count here starts at 1 January 1970 (day 0); each caller shifts
// its own epoch (Julian day numbers, record images' day counts, the report's date values).

#include <cstdint>

namespace lw {

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

// Exact for every day count (whole eras of 400 years, negative counts included).
CivilDate CivilFromDays(std::int64_t daysSince1970);
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);

}  // namespace lw
