#pragma once
// Field types and their derivation from the engine's column type codes (data/ace/AceTypes.h).

#include <cstdint>
#include <optional>
#include <string>

#include "data/ace/AceTypes.h"

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

struct FieldTypeInfo {
  FieldType type;
  int size = 0;       // text and byte length; 4 for money (fraction digits); 1 for memo/blob
  int precision = 0;  // 20 for money
};

// The field type a column of the given engine type code has. Code 2 (numeric) is a short
// integer when it has no decimals and a length of at most 4, a float otherwise.
// Returns nothing for a code outside the mapping; the cursor then fails its open with
// UnknownFieldTypeMessage(code).
std::optional<FieldTypeInfo> FieldTypeFromColumnType(std::uint16_t typeCode, int length, int decimals);

// "Unknown field type (" code ") encountered."
std::string UnknownFieldTypeMessage(std::uint16_t typeCode);

}  // namespace lw
