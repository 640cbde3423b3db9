// The shape of the chosen group placed on an image of a given size as the shape editor places it
// when it opens: its own constraints, centre and spline handles, fitted into the image, and the
// bounding box derived from the placed shape.
#pragma once
#include <memory>

#include "host/FilterHost.h"
#include "shapes/TargetShape.h"

namespace wfhost {

// Which of the shape's values the user gave; the others come from the placement.
struct GivenValues {
  bool point1 = false, point2 = false;
  bool centre = false;
  bool boundingBox = false;
};

// The editor's surroundings for one placement on an image of a given size, which the placed
// shape keeps pointing to: it lives as long as this.
class ShapePlacement {
 public:
  ShapePlacement();
  ~ShapePlacement();
  ShapePlacement(const ShapePlacement&) = delete;
  ShapePlacement& operator=(const ShapePlacement&) = delete;

  // Rewrites the descriptor's points, centre, angle, splines and (unless given) bounding box
  // with the placed shape's, and answers the shape; null when no image of the size can be had.
  // A given corner is dragged where it was given, as the editor's user drags it, so the group's
  // shape takes it as that drag would.
  const shapes::TargetShape* Place(int width, int height, GivenValues given, Descriptor& descriptor);

 private:
  struct Editor;
  std::unique_ptr<Editor> editor;
  std::unique_ptr<shapes::TargetShape> shape;
};

// Whether the cell of the descriptor's corners has an area on an area of the image of this size,
// in the whole pixels the filter reads: the editor's cell on a narrow image may have none.
bool PlacedCellHasArea(int width, int height, const Descriptor& descriptor);

}  // namespace wfhost
