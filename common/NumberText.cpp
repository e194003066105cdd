#include "common/NumberText.h"

#include <charconv>
#include <vector>

namespace lw {

namespace {

// Skips blanks and a plus sign that stands before a digit or a point (from_chars takes only "-").
std::size_t NumberStart(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-' && text[i + 1] != '+') ++i;
  return i;
}

template <typename T>
NumberRead Read(std::string_view text, T& value) {
  const std::size_t start = NumberStart(text);
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  T read{};
  std::from_chars_result result;
  if constexpr (std::is_floating_point_v<T>) {
    result = std::from_chars(first, last, read, std::chars_format::general);
  } else {
    result = std::from_chars(first, last, read, 10);
  }
  if (result.ptr == first) return {};
  NumberRead outcome{static_cast<std::size_t>(result.ptr - text.data()), result.ec == std::errc()};
  if (outcome.ok) value = read;
  return outcome;
}

template <typename... Precision>
std::string Format(double value, std::chars_format format, Precision... precision) {
  // Fixed notation of a large double needs over 300 digits before any decimals.
  std::vector<char> buffer(64);
  for (;;) {
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision...);
    if (result.ec == std::errc()) return std::string(buffer.data(), result.ptr);
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

NumberRead ReadDouble(std::string_view text, double& value) { return Read(text, value); }

NumberRead ReadInteger(std::string_view text, std::int64_t& value) { return Read(text, value); }

std::string FormatFixed(double value, int decimals) { return Format(value, std::chars_format::fixed, decimals); }

std::string FormatScientific(double value, int precision) {
  return Format(value, std::chars_format::scientific, precision);
}

std::string FormatGeneral(double value, int precision) { return Format(value, std::chars_format::general, precision); }

}  // namespace lw
