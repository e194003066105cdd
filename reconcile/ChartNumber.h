#pragma once
// The chart number filter as the chart box holds it. The stored Chart Number holds 8 bytes of
// UTF-8, so the box takes at most 8 bytes, never part of a character, and upper-cases what is
// typed by Unicode's simple mapping. The window's box and ledgerwick-check apply this one rule.

#include <cstddef>
#include <string>
#include <string_view>

namespace lw {

inline constexpr std::size_t kChartNumberBytes = 8;

// `typed` upper-cased, then cut to the longest start of at most kChartNumberBytes bytes that
// ends between two characters ("école" gives "ÉCOLE"; "AÉÉÉÉ", 9 bytes, gives "AÉÉÉ").
std::string ChartNumberFromTyped(std::string_view typed);

}  // namespace lw
