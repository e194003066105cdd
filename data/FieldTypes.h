#pragma once
// Field types and their derivation from the engine's column type codes.

#include <cstdint>
#include <optional>
#include <string>

namespace lw {

enum class FieldType {
  ftString,
  ftInteger,
  ftAutoInc,
  ftSmallint,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBoolean,
  ftMemo,
  ftBlob,
  ftBytes,
};

// The engine's column type codes.
namespace ColumnType {
inline constexpr std::uint16_t kLogical = 1;
inline constexpr std::uint16_t kNumeric = 2;
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
inline constexpr std::uint16_t kMoney = 18;
inline constexpr std::uint16_t kCIString = 20;
}  // namespace ColumnType

struct FieldTypeInfo {
  FieldType type;
  int size = 0;        // text and byte length; 4 for money (fraction digits); 1 for memo/blob
  int precision = 0;   // 20 for money
};

// The field type a column of the given engine type code has. Code 2 (numeric) is a short
// integer when it has no decimals and a length of at most 4, a float otherwise.
// Returns nothing for a code outside the mapping; the cursor then fails its open with
// UnknownFieldTypeMessage(code).
std::optional<FieldTypeInfo> FieldTypeFromColumnType(std::uint16_t typeCode, int length, int decimals);

// "Unknown field type (" code ") encountered."
std::string UnknownFieldTypeMessage(std::uint16_t typeCode);

}  // namespace lw
