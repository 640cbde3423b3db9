// Resolutions read from files, which may hold anything.
#pragma once

// Whole dots per inch, or 0 (the image's default) for a value no picture has.
inline long DotsPerInch(double value) { return value >= 1 && value < 1e6 ? static_cast<long>(value) : 0; }
