#include "app/ProgressText.h"

#include <cmath>
#include <limits>

namespace lw {

int ProgressPercent(double minimum, double maximum, double position) {
  double range = maximum - minimum;
  if (range == 0) range = 1;
  // For whole-number positions and ranges below 10^13 every operand here is exact and the
  // quotient correctly rounded, so a true half (12.5) is seen as one and rounds to even.
  const double percent = std::nearbyint((position - minimum) * 100 / range);
  if (std::isnan(percent)) return 0;
  if (percent >= 100) return 100;
  // Only a reversed range (maximum below minimum) gets here with a very negative value.
  constexpr double lowest = std::numeric_limits<int>::min();
  return percent <= lowest ? std::numeric_limits<int>::min() : static_cast<int>(percent);
}

std::string ProgressText(int percent) { return std::to_string(percent) + " %"; }

double ClampProgressPosition(double minimum, double maximum, double position) {
  if (maximum > minimum) {
    if (position < minimum) return minimum;
    if (position > maximum) return maximum;
  }
  return position;
}

}  // namespace lw
