#include "data/Variant.h"

namespace lw {

const char* VariantKindName(const Variant& value) {
  switch (value.index()) {
    case 0: return "Null";
    case 1: return "Boolean";
    case 2: return "Integer";
    case 3: return "Int64";
    case 4: return "Double";
    case 5: return "Currency";
    case 6: return "String";
    case 7: return "Date";
  }
  return "Unknown";
}

}  // namespace lw
