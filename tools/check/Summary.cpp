#include "tools/check/Summary.h"

namespace lw::check {

namespace {

struct Appender {
  char* buffer;
  std::size_t size;
  std::size_t length = 0;

  void Text(const char* text) {
    while (*text != '\0') Char(*text++);
  }
  void Char(char c) {
    if (length + 1 < size) buffer[length++] = c;
    if (size > 0) buffer[length < size ? length : size - 1] = '\0';
  }
  // "12 rows checked" / "1 row checked": the noun in the singular for exactly one.
  void Count(long long value, const char* singular, const char* plural) {
    char digits[32];
    FormatGrouped(value, digits, sizeof digits);
    Text(digits);
    Char(' ');
    Text(value == 1 ? singular : plural);
  }
};

}  // namespace

std::size_t FormatGrouped(long long value, char* buffer, std::size_t size) {
  char reversed[40];
  std::size_t n = 0;
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  int digits = 0;
  do {
    if (digits > 0 && digits % 3 == 0) reversed[n++] = ',';
    reversed[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    ++digits;
  } while (magnitude != 0);
  if (value < 0) reversed[n++] = '-';
  Appender out{buffer, size};
  while (n > 0) out.Char(reversed[--n]);
  return out.length;
}

std::size_t FormatSummary(const RunCounts& counts, char* buffer, std::size_t size) {
  Appender out{buffer, size};
  out.Count(counts.checked.load(), "row checked", "rows checked");
  out.Text(", ");
  out.Count(counts.discrepancies.load(), "discrepancy", "discrepancies");
  out.Text(", ");
  out.Count(counts.fixed.load(), "row fixed", "rows fixed");
  if (const long long skipped = counts.skipped.load(); skipped > 0) {
    out.Text(", ");
    out.Count(skipped, "locked row skipped", "locked rows skipped");
  }
  return out.length;
}

}  // namespace lw::check
