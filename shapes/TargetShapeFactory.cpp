#include "shapes/TargetShapeFactory.h"

#include <cmath>
#include <utility>

#include "generators/TileLattice.h"
#include "resources/ParameterTable.h"
#include "shapes/CMMShape.h"
#include "shapes/CMShape.h"
#include "shapes/P1Shape.h"
#include "shapes/P2Shape.h"
#include "shapes/P3LMShape.h"
#include "shapes/P3MLShape.h"
#include "shapes/P3Shape.h"
#include "shapes/P4MShape.h"
#include "shapes/P4Shape.h"
#include "shapes/P6MShape.h"
#include "shapes/P6Shape.h"
#include "shapes/PGShape.h"
#include "shapes/PMGShape.h"
#include "shapes/PMMShape.h"
#include "shapes/PMShape.h"
#include "shapes/UiContext.h"

namespace shapes {

namespace {

int GetInt(const framework::ParameterSet& parameters, int id) {
  int value = 0;
  if (const framework::Parameter* parameter = parameters.GetParameter(id)) parameter->GetInt(&value);
  return value;
}

double GetFloat(const framework::ParameterSet& parameters, int id) {
  float value = 0;
  if (const framework::Parameter* parameter = parameters.GetParameter(id)) parameter->GetFloat(&value);
  return std::isfinite(value) ? value : 0.0;
}

double Fraction(double value) { return value >= 1 ? 1 : value > 0 ? value : 0; }

template <class Shape>
std::unique_ptr<TargetShape> Make(framework::ZoomScrollView* view) {
  return std::make_unique<Shape>(view);
}

using ShapeMaker = std::unique_ptr<TargetShape> (*)(framework::ZoomScrollView*);

// One line a group; a group without a shape of its own edits the "P1" cell.
const std::pair<int, ShapeMaker> kShapeMakers[] = {
    {corvel::keTilingP3, Make<P3Shape>},     {corvel::keTilingP3ML, Make<P3MLShape>},
    {corvel::keTilingP3LM, Make<P3LMShape>}, {corvel::keTilingP6, Make<P6Shape>},
    {corvel::keTilingP6M, Make<P6MShape>},   {corvel::keTilingCM, Make<CMShape>},
    {corvel::keTilingP4G, Make<CMShape>},    {corvel::keTilingCMM, Make<CMMShape>},
    {corvel::keTilingP4, Make<P4Shape>},     {corvel::keTilingP4M, Make<P4MShape>},
    {corvel::keTilingP2, Make<P2Shape>},     {corvel::keTilingPM, Make<PMShape>},
    {corvel::keTilingPG, Make<PGShape>},     {corvel::keTilingPGG, Make<PGShape>},
    {corvel::keTilingPMM, Make<PMMShape>},   {corvel::keTilingPMG, Make<PMGShape>},
};

std::unique_ptr<TargetShape> MakeShape(int method, framework::ZoomScrollView* view) {
  for (const auto& [group, make] : kShapeMakers)
    if (group == method) return make(view);
  return std::make_unique<P1Shape>(view);
}

}  // namespace

std::unique_ptr<TargetShape> CreateTargetShape(framework::ZoomScrollView* view, Point2D centre) {
  framework::GenericCommand* command = GetUiContext()->command;
  if (!command) return nullptr;
  const framework::ParameterSet& parameters = command->GetParameters();
  const int angle = GetInt(parameters, resources::kAngle);
  const int method = GetInt(parameters, resources::kTilingMethod);
  const CRect image = view->GetImageRect();
  auto corner = [&](int xId, int yId) {
    return Point2D(image.Width() * Fraction(GetFloat(parameters, xId)),
                   image.Height() * Fraction(GetFloat(parameters, yId)));
  };
  Point2D points[kShapePointCount];
  points[13] = corner(resources::kPoint2X, resources::kPoint2Y);
  points[15] = corner(resources::kPoint1X, resources::kPoint1Y);
  points[12] = corner(resources::kPoint3X, resources::kPoint3Y);
  const double splines[kSplineCount] = {GetFloat(parameters, resources::kSpline1),
                                        GetFloat(parameters, resources::kSpline2),
                                        GetFloat(parameters, resources::kSpline3)};

  std::unique_ptr<TargetShape> shape = MakeShape(method, view);
  shape->SetPoints(points);
  if (centre != kKeepCentre) {
    const Point2D d = centre - shape->ComputeCentre();
    Point2D* p = shape->GetPoints();
    for (int i : {0, 1, 3, 2, 12, 13, 15, 14}) p[i] += d;
  }
  shape->SetSplines(splines);
  shape->SetAngle(angle);
  shape->FitIntoImage();
  // The snap moves the corners; the parameters follow, so that they say what is shown.
  if (method == 0 && shape->CheckShape()) shape->WriteParameters(false);
  return shape;
}

}  // namespace shapes
