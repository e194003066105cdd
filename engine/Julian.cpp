#include "engine/Julian.h"

#include <cstdio>

#include "common/CivilDate.h"

namespace lw::engine {

namespace {

bool Digits(std::string_view text, std::size_t from, std::size_t count, int& value) {
  if (from + count > text.size()) return false;
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

// Julian day 2440588 is 1 January 1970.
constexpr std::int64_t kJulianOf1970 = 2440588;

std::int64_t JulianFromCivil(int year, int month, int day) { return DaysFromCivil(year, month, day) + kJulianOf1970; }

CivilDate CivilFromJulian(std::int64_t julian) {
  const lw::CivilDate civil = CivilFromDays(julian - kJulianOf1970);
  return CivilDate{static_cast<int>(civil.year), civil.month, civil.day};
}

bool IsValidCivil(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int days = kDays[month - 1];
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) days = 29;
  return day <= days;
}

std::optional<std::int64_t> ParseIsoDate(std::string_view text) {
  int y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, y) || !Digits(text, 5, 2, m) ||
      !Digits(text, 8, 2, d) || !IsValidCivil(y, m, d)) {
    return std::nullopt;
  }
  return JulianFromCivil(y, m, d);
}

std::string FormatIsoDate(std::int64_t julian) {
  CivilDate date = CivilFromJulian(julian);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
  return buffer;
}

std::optional<std::int64_t> ParseCompactDate(std::string_view text) {
  int y, m, d;
  if (text.size() != 8 || !Digits(text, 0, 4, y) || !Digits(text, 4, 2, m) || !Digits(text, 6, 2, d) ||
      !IsValidCivil(y, m, d)) {
    return std::nullopt;
  }
  return JulianFromCivil(y, m, d);
}

std::string FormatCompactDate(std::int64_t julian) {
  CivilDate date = CivilFromJulian(julian);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", date.year, date.month, date.day);
  return buffer;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
  int h, mi, s, ms = 0;
  if (text.size() < 8 || text[2] != ':' || text[5] != ':' || !Digits(text, 0, 2, h) || !Digits(text, 3, 2, mi) ||
      !Digits(text, 6, 2, s) || h > 23 || mi > 59 || s > 59) {
    return std::nullopt;
  }
  if (text.size() > 8) {
    if (text[8] != '.' || text.size() < 10 || text.size() > 12) return std::nullopt;
    std::size_t digits = text.size() - 9;
    if (!Digits(text, 9, digits, ms)) return std::nullopt;
    for (std::size_t i = digits; i < 3; ++i) ms *= 10;
  }
  return ((h * 60 + mi) * 60 + s) * 1000LL + ms;
}

std::string FormatIsoTime(std::int64_t milliseconds) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d", static_cast<int>(milliseconds / 3600000),
                static_cast<int>(milliseconds / 60000 % 60), static_cast<int>(milliseconds / 1000 % 60),
                static_cast<int>(milliseconds % 1000));
  return buffer;
}

std::optional<Timestamp> ParseIsoTimestamp(std::string_view text) {
  auto date = ParseIsoDate(text.substr(0, 10));
  if (!date) return std::nullopt;
  if (text.size() == 10) return Timestamp{*date, 0};
  if (text[10] != ' ' && text[10] != 'T') return std::nullopt;
  auto time = ParseIsoTime(text.substr(11));
  if (!time) return std::nullopt;
  return Timestamp{*date, *time};
}

std::string FormatIsoTimestamp(const Timestamp& value) {
  return FormatIsoDate(value.julian) + " " + FormatIsoTime(value.milliseconds);
}

}  // namespace lw::engine
