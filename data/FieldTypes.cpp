#include "data/FieldTypes.h"

namespace lw {

std::optional<FieldTypeInfo> FieldTypeFromColumnType(std::uint16_t typeCode, int length, int decimals) {
  namespace C = ace::ColumnType;
  switch (typeCode) {
    case C::kString:
    case C::kCIString: return FieldTypeInfo{FieldType::ftString, length};
    case C::kInteger: return FieldTypeInfo{FieldType::ftInteger};
    case C::kAutoInc: return FieldTypeInfo{FieldType::ftAutoInc};
    case C::kShortInt: return FieldTypeInfo{FieldType::ftSmallint};
    case C::kNumeric:
      if (decimals == 0 && length <= 4) return FieldTypeInfo{FieldType::ftSmallint};
      return FieldTypeInfo{FieldType::ftFloat};
    case C::kDouble: return FieldTypeInfo{FieldType::ftFloat};
    case C::kCurDouble: return FieldTypeInfo{FieldType::ftCurrency};
    case C::kMoney: return FieldTypeInfo{FieldType::ftBCD, 4, 20};
    case C::kDate:
    case C::kCompactDate: return FieldTypeInfo{FieldType::ftDate};
    case C::kTime: return FieldTypeInfo{FieldType::ftTime};
    case C::kTimestamp: return FieldTypeInfo{FieldType::ftDateTime};
    case C::kLogical: return FieldTypeInfo{FieldType::ftBoolean};
    case C::kMemo:
    case C::kVarchar: return FieldTypeInfo{FieldType::ftMemo, 1};
    case C::kBinary:
    case C::kImage: return FieldTypeInfo{FieldType::ftBlob, 1};
    case C::kRaw: return FieldTypeInfo{FieldType::ftBytes, length};
    default: return std::nullopt;
  }
}

std::string UnknownFieldTypeMessage(std::uint16_t typeCode) {
  return "Unknown field type (" + std::to_string(typeCode) + ") encountered.";
}

}  // namespace lw
