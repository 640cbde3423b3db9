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

// Rewrites the descriptor's points, centre, angle, splines and (unless given) bounding box with
// the placed shape's. A given corner is then dragged where it was given, as the editor's user
// drags it, so the group's shape takes it as that drag would. The shape is returned for the caller to
// inspect; it no longer edits.
std::unique_ptr<shapes::TargetShape> PlaceShape(int width, int height, GivenValues given,
                                                Descriptor& descriptor);

}  // namespace wfhost
