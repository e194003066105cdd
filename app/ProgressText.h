#pragma once
// The progress bar's value rules, free of any toolkit so they can be checked on their own.
// The bar holds floating-point minimum, maximum and position and shows "<percent> %".

#include <string>

namespace lw {

// The percentage shown for `position`: (position - minimum) * 100 / (maximum - minimum), rounded
// to the nearest integer with ties to even, never above 100. An empty range (maximum equal to
// minimum) counts as a range of 1. A NaN anywhere shows 0.
int ProgressPercent(double minimum, double maximum, double position);

// The bar's text for a percentage: the number, a blank and "%" ("0 %", "100 %").
std::string ProgressText(int percent);

// The position actually stored when `position` is set: pulled into [minimum, maximum] when the
// maximum exceeds the minimum, kept as given otherwise.
double ClampProgressPosition(double minimum, double maximum, double position);

}  // namespace lw
