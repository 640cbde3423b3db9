// The tile shape editor: the target shape of each symmetry group, its handles, cursors and
// overlay, the factory that builds it from the command's parameters, the zoom levels, and the
// record through which the editor reaches the running dialog. Uses framework/ (parameters, the
// zoom view) and generators/ (plane geometry, the rectangular period); app/ uses it.
//
// The stops of the tile window's zoom, 1 % to 5000 %, and the text of a zoom as a percentage.
#pragma once
#include <string>
#include <vector>

namespace shapes {

// Sorted ascending, each stop rounded to hundredths.
std::vector<double> BuildZoomLevels();
// Built on the first call and kept for the process.
const std::vector<double>& GetZoomLevels();

class ZoomFactor {
 public:
  explicit ZoomFactor(double value) : value(value) {}
  virtual ~ZoomFactor() = default;

  // The next stop above the value (50 at the top); kept as the value when apply is set.
  double NextZoomLevel(bool apply);
  // The next stop below the value (0.01 at the bottom).
  double PreviousZoomLevel(bool apply);

  double value;
};

// The factor as a percentage without the sign: "5000", "12.5", "1.25".
std::string FormatZoom(const ZoomFactor& zoom);

}  // namespace shapes
