#pragma once
// The engine's column type codes, as a table's columns report them (AdsGetFieldType) and as a
// practice stores them, and the questions the engine and the data layer ask of a code.

#include <cstdint>

namespace lw::ace {

namespace ColumnType {
inline constexpr std::uint16_t kLogical = 1;
inline constexpr std::uint16_t kNumeric = 2;  // right-aligned decimal text
inline constexpr std::uint16_t kDate = 3;
inline constexpr std::uint16_t kString = 4;
inline constexpr std::uint16_t kMemo = 5;
inline constexpr std::uint16_t kBinary = 6;
inline constexpr std::uint16_t kImage = 7;
inline constexpr std::uint16_t kVarchar = 8;
inline constexpr std::uint16_t kCompactDate = 9;
inline constexpr std::uint16_t kDouble = 10;
inline constexpr std::uint16_t kInteger = 11;
inline constexpr std::uint16_t kShortInt = 12;
inline constexpr std::uint16_t kTime = 13;
inline constexpr std::uint16_t kTimestamp = 14;
inline constexpr std::uint16_t kAutoInc = 15;
inline constexpr std::uint16_t kRaw = 16;
inline constexpr std::uint16_t kCurDouble = 17;
inline constexpr std::uint16_t kMoney = 18;  // a 64-bit count of ten-thousandths
inline constexpr std::uint16_t kCIString = 20;
}  // namespace ColumnType

// Every code above (19 is not a column type).
constexpr bool IsKnownColumnType(std::uint16_t type) {
  return type >= ColumnType::kLogical && type <= ColumnType::kCIString && type != 19;
}

// Fixed-width text, padded with blanks in the record image and compared without trailing blanks.
constexpr bool IsBlankPaddedText(std::uint16_t type) {
  return type == ColumnType::kString || type == ColumnType::kCIString;
}

// Text that compares, sorts and matches without regard to case.
constexpr bool IsCaseInsensitiveText(std::uint16_t type) { return type == ColumnType::kCIString; }

// Memo, binary, image and varchar: the value is held outside the record, whose bytes only
// reference it.
constexpr bool IsLargeColumn(std::uint16_t type) { return type >= ColumnType::kMemo && type <= ColumnType::kVarchar; }

}  // namespace lw::ace
