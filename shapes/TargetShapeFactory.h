// Builds the target shape of the command's tiling method from its parameters.
#pragma once
#include <memory>

#include "shapes/TargetShape.h"

namespace shapes {

// The view's (-1, -1): keep the centre the parameters give.
inline const Point2D kKeepCentre{-1, -1};

// The shape placed from the parameters of the UiContext's command, its centre moved to `centre`
// (image coordinates) unless that is kKeepCentre, fitted into the view's image and written back
// into the parameters. Corners outside the image are brought to its edge first; values that are
// not numbers count as 0. Null without a command. The caller owns the shape.
std::unique_ptr<TargetShape> CreateTargetShape(framework::ZoomScrollView* view, Point2D centre);

}  // namespace shapes
