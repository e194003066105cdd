#pragma once
// The value of a column as links and assignments pass it around: Null, or one of the kinds a
// column can hold. A date-time is the day count since 30 December 1899 with the time as the
// fraction; money travels as a Currency count of ten-thousandths.

#include <cstdint>
#include <string>
#include <variant>

#include "common/Currency.h"

namespace lw {

struct DateTimeValue {
  double days = 0;
  bool operator==(const DateTimeValue&) const = default;
};

using Variant =
    std::variant<std::monostate, bool, std::int32_t, std::int64_t, double, Currency, std::string, DateTimeValue>;

inline bool VariantIsNull(const Variant& value) { return std::holds_alternative<std::monostate>(value); }

}  // namespace lw
