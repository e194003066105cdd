#include "reconcile/ChartNumber.h"

#include "common/Utf8.h"

namespace lw {

std::string ChartNumberFromTyped(std::string_view typed) {
  return std::string(Utf8Prefix(UpperCaseUtf8(typed), kChartNumberBytes));
}

}  // namespace lw
