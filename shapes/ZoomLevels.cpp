#include "shapes/ZoomLevels.h"

#include <cmath>
#include <cstdio>

namespace shapes {

namespace {

constexpr double kMultipliers[10] = {1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8, 10};
constexpr double kSmallest = 0.01, kLargest = 50;
// Values within this of a stop count as the stop.
constexpr double kSame = 0.000001;

double RoundToHundredths(double f) { return std::trunc(100 * f + 0.5) / 100; }

}  // namespace

std::vector<double> BuildZoomLevels() {
  std::vector<double> levels;
  double f = 1.0, base = 1.0;
  int i = 0;
  do {
    levels.push_back(RoundToHundredths(f));
    f = base * kMultipliers[i++];
    if (i == 10) {
      base = f;
      i = 0;
    }
  } while (f <= kLargest);

  // Downward the multipliers run backwards over a base a decade lower; two of them round onto
  // the stop inserted before, which is then not repeated.
  f = 1.0;
  base = 0.1;
  i = 9;
  do {
    const double rounded = RoundToHundredths(f);
    if (rounded != levels.front()) levels.insert(levels.begin(), rounded);
    f = base * kMultipliers[--i];
    if (i == 0) {
      base *= 0.1;
      i = 10;
    }
  } while (f >= kSmallest);
  return levels;
}

const std::vector<double>& GetZoomLevels() {
  static const std::vector<double> levels = BuildZoomLevels();
  return levels;
}

double ZoomFactor::NextZoomLevel(bool apply) {
  double next = kLargest;
  for (double level : GetZoomLevels()) {
    if (level > value + kSame) {
      next = level;
      break;
    }
  }
  if (apply) value = next;
  return next;
}

double ZoomFactor::PreviousZoomLevel(bool apply) {
  double previous = kSmallest;
  for (double level : GetZoomLevels()) {
    if (level < value - kSame) previous = level;
  }
  if (apply) value = previous;
  return previous;
}

std::string FormatZoom(const ZoomFactor& zoom) {
  const double percent = zoom.value * 100;
  const double whole = std::trunc(percent + 0.5);
  const long hundredths = static_cast<long>(std::trunc(std::fabs(percent - whole) * 100 + 0.5));
  const char* format = hundredths == 0 || percent >= 1000       ? "%1.0f"
                       : hundredths % 10 == 0 || percent >= 100 ? "%1.1f"
                                                                : "%1.2f";
  char text[64];
  std::snprintf(text, sizeof text, format, percent);
  return text;
}

}  // namespace shapes
