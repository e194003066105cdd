#include "data/RecordImage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/CivilDate.h"
#include "common/Exceptions.h"
#include "common/NumberText.h"

namespace lw::image {

namespace {

constexpr std::int32_t kNullInteger = INT32_MIN;
constexpr std::uint16_t kNullShort = 0x8000;
// The day count of 1 January 1970 (1 January of year 1 is day 1).
constexpr std::int64_t kDayCountOf1970 = 719163;

bool AllBytes(const std::uint8_t* p, std::uint32_t length, std::uint8_t a, std::uint8_t b) {
  for (std::uint32_t i = 0; i < length; ++i) {
    if (p[i] != a && p[i] != b) return false;
  }
  return true;
}

std::string Digits(std::int64_t value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
  return text;
}

// Images are packed without alignment: every number is copied out of or into its bytes.
template <typename T>
T Load(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
void Store(std::uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

std::int16_t LoadInt16(const std::uint8_t* p) { return Load<std::int16_t>(p); }
std::int32_t LoadInt32(const std::uint8_t* p) { return Load<std::int32_t>(p); }
std::uint32_t LoadUInt32(const std::uint8_t* p) { return Load<std::uint32_t>(p); }
std::int64_t LoadInt64(const std::uint8_t* p) { return Load<std::int64_t>(p); }
double LoadDouble(const std::uint8_t* p) { return Load<double>(p); }
void StoreInt16(std::uint8_t* p, std::int16_t v) { Store(p, v); }
void StoreInt32(std::uint8_t* p, std::int32_t v) { Store(p, v); }
void StoreInt64(std::uint8_t* p, std::int64_t v) { Store(p, v); }
void StoreDouble(std::uint8_t* p, double v) { Store(p, v); }

bool IsNull(const ColumnDesc& column, const std::uint8_t* record, bool adt) {
  namespace C = ace::ColumnType;
  const std::uint8_t* p = record + column.offset;
  const std::uint32_t n = column.length;
  if (adt) {
    switch (column.typeCode) {
      case C::kLogical: return p[0] == ' ';
      case C::kNumeric:
      case C::kDate:
      case C::kString:
      case C::kCompactDate:
      case C::kRaw:
      case C::kCIString: return AllBytes(p, n, 0, 0);
      case C::kMemo:
      case C::kBinary:
      case C::kImage:
      case C::kVarchar: return LoadInt32(p) == 0;
      case C::kDouble:
      case C::kCurDouble: return LoadInt32(p) == 32 && LoadInt32(p + 4) == INT32_MIN;
      case C::kInteger: return LoadInt32(p) == kNullInteger;
      case C::kShortInt: return static_cast<std::uint16_t>(LoadInt16(p)) == kNullShort;
      case C::kTime:
      case C::kAutoInc: return LoadInt32(p) == -1;
      case C::kTimestamp: return LoadInt32(p) == 0;
      case C::kMoney: return LoadInt32(p) == 0 && LoadInt32(p + 4) == INT32_MIN;
      default: return true;
    }
  }
  switch (column.typeCode) {
    case C::kLogical:
    case C::kNumeric:
    case C::kString: return AllBytes(p, n, 0, ' ');
    case C::kDate: return n == 4 ? LoadInt32(p) == 0 : AllBytes(p, n, 0, ' ');
    case C::kCompactDate: return AllBytes(p, n, 0, 0);
    case C::kMemo:
    case C::kBinary:
    case C::kImage:
    case C::kVarchar: return LoadInt32(p) == 0;
    case C::kDouble:
    case C::kInteger:
    case C::kShortInt:
    case C::kCurDouble: return false;
    default: return true;
  }
}

std::string Text(const ColumnDesc& column, const std::uint8_t* record) {
  const char* p = reinterpret_cast<const char*>(record + column.offset);
  std::uint32_t n = column.length;
  while (n > 0 && p[n - 1] == ' ') --n;
  return std::string(p, n);
}

bool Logical(const ColumnDesc& column, const std::uint8_t* record) {
  switch (record[column.offset]) {
    case '1':
    case 'T':
    case 'Y':
    case 't':
    case 'y': return true;
    default: return false;
  }
}

double NumericAsDouble(const ColumnDesc& column, const std::uint8_t* record) {
  // Blank-padded numeric text with "." as its decimal separator, whatever the locale; no number
  // reads as 0.
  double value = 0;
  ReadDouble(std::string_view(reinterpret_cast<const char*>(record + column.offset), column.length), value);
  return value;
}

std::int32_t NumericAsInteger(const ColumnDesc& column, const std::uint8_t* record) {
  std::int64_t value = 0;
  ReadInteger(std::string_view(reinterpret_cast<const char*>(record + column.offset), column.length), value);
  return static_cast<std::int32_t>(value);
}

std::int64_t DayCount(const ColumnDesc& column, const std::uint8_t* record, DateTextConverter& dates) {
  const std::uint8_t* p = record + column.offset;
  if (column.typeCode == ace::ColumnType::kCompactDate) {
    const std::int64_t year = p[0] * 128 + p[1] / 2;
    const int month = (p[1] % 2) * 8 + p[2] / 32;
    const int day = p[2] % 32;
    const std::string text = Digits(year, 4) + Digits(month, 2) + Digits(day, 2);
    return static_cast<std::int64_t>(std::trunc(dates.JulianFromText(text) - kJulianDayOffset));
  }
  if (column.length == 4) return static_cast<std::int64_t>(LoadInt32(p)) - kJulianDayOffset;
  const std::string text(reinterpret_cast<const char*>(p), column.length);
  return static_cast<std::int64_t>(std::trunc(dates.JulianFromText(text) - kJulianDayOffset));
}

double TimestampMilliseconds(const ColumnDesc& column, const std::uint8_t* record) {
  const std::uint8_t* p = record + column.offset;
  const double julian = LoadUInt32(p);
  const double ms = LoadUInt32(p + 4);
  const double value = (julian - kJulianDayOffset) * kMillisecondsPerDay + ms;
  return value < 0 ? 0 : value;
}

void WriteNull(const ColumnDesc& column, std::uint8_t* record, bool adt) {
  namespace C = ace::ColumnType;
  std::uint8_t* p = record + column.offset;
  const std::uint32_t n = column.length;
  if (!adt) {
    const bool zeros =
        column.typeCode >= C::kMemo && (column.typeCode <= C::kShortInt || column.typeCode == C::kCurDouble);
    std::memset(p, zeros ? 0 : ' ', n);
    return;
  }
  switch (column.typeCode) {
    case C::kLogical: p[0] = ' '; return;
    case C::kDouble:
    case C::kCurDouble:
    case C::kMoney:
      StoreInt32(p, column.typeCode == C::kMoney ? 0 : 32);
      StoreInt32(p + 4, INT32_MIN);
      return;
    case C::kInteger: StoreInt32(p, kNullInteger); return;
    case C::kAutoInc:
    case C::kTime: StoreInt32(p, -1); return;
    case C::kShortInt: StoreInt16(p, static_cast<std::int16_t>(kNullShort)); return;
    case C::kTimestamp:
      StoreInt32(p, 0);
      StoreInt32(p + 4, -1);
      return;
    default: std::memset(p, 0, n); return;
  }
}

void WriteText(const ColumnDesc& column, std::uint8_t* record, std::string_view text, bool adt) {
  std::uint8_t* p = record + column.offset;
  std::memset(p, text.empty() && adt ? 0 : ' ', column.length);
  std::memcpy(p, text.data(), std::min<std::size_t>(text.size(), column.length));
}

void WriteLogical(const ColumnDesc& column, std::uint8_t* record, bool value) {
  record[column.offset] = value ? 'T' : 'F';
}

void WriteNumeric(const ColumnDesc& column, std::uint8_t* record, double value) {
  std::string text;
  if (column.fieldType.type == FieldType::ftSmallint) {
    text = std::to_string(static_cast<long long>(std::nearbyint(value)));
  } else {
    // Fixed notation with at most `precision` significant digits, as the numeric text of the
    // column holds them; a value needing more integer digits than that does not fit.
    const int precision = column.decimals > 0 ? static_cast<int>(column.length) - 1 : static_cast<int>(column.length);
    const int decimals = column.decimals;
    if (precision < 1 || !std::isfinite(value)) throw EDatabaseError("Numeric out of range.");
    const std::string scientific = FormatScientific(value, precision - 1);
    double rounded = 0;
    ReadDouble(scientific, rounded);
    const std::size_t e = scientific.find('e');
    std::int64_t exponent = 0;
    if (e != std::string::npos) ReadInteger(std::string_view(scientific).substr(e + 1), exponent);
    if (rounded != 0 && exponent >= precision) throw EDatabaseError("Numeric out of range.");
    text = FormatFixed(rounded, decimals);
  }
  if (text.size() > column.length || text.find('E') != std::string::npos) {
    throw EDatabaseError("Numeric out of range.");
  }
  std::uint8_t* p = record + column.offset;
  std::memset(p, ' ', column.length);
  std::memcpy(p + column.length - text.size(), text.data(), text.size());
}

void WriteDayCount(const ColumnDesc& column, std::uint8_t* record, std::int64_t dayCount, DateTextConverter& dates) {
  std::uint8_t* p = record + column.offset;
  if (column.typeCode == ace::ColumnType::kCompactDate) {
    // Day counts start with 1 January of year 1 as day 1.
    const CivilDate date = CivilFromDays(dayCount - kDayCountOf1970);
    const std::int64_t high = date.year * 2 + date.month / 8;
    p[0] = static_cast<std::uint8_t>(high / 256);
    p[1] = static_cast<std::uint8_t>(high % 256);
    p[2] = static_cast<std::uint8_t>((date.month % 8) * 32 + date.day);
    return;
  }
  if (column.length == 4) {
    StoreInt32(p, static_cast<std::int32_t>(dayCount + kJulianDayOffset));
    return;
  }
  const std::string text = dates.TextFromJulian(static_cast<double>(dayCount + kJulianDayOffset));
  if (text.size() > column.length) throw EDatabaseError("Something's wrong with ADS date functions");
  std::memset(p, ' ', column.length);
  std::memcpy(p, text.data(), text.size());
}

void WriteTimestamp(const ColumnDesc& column, std::uint8_t* record, double milliseconds) {
  std::uint8_t* p = record + column.offset;
  const double days = std::trunc(milliseconds / kMillisecondsPerDay);
  const double rest = std::nearbyint(milliseconds - days * kMillisecondsPerDay);
  StoreInt32(p, static_cast<std::int32_t>(days + kJulianDayOffset));
  StoreInt32(p + 4, static_cast<std::int32_t>(rest));
}

void WriteBytes(const ColumnDesc& column, std::uint8_t* record, std::string_view bytes) {
  std::uint8_t* p = record + column.offset;
  std::memset(p, 0, column.length);
  std::memcpy(p, bytes.data(), std::min<std::size_t>(bytes.size(), column.length));
}

}  // namespace lw::image
