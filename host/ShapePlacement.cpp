#include "host/ShapePlacement.h"

#include <cstdint>
#include <utility>

#include "core/Rounding.h"
#include "framework/GenericCommand.h"
#include "framework/HostImage.h"
#include "framework/TableParameters.h"
#include "framework/ZoomScrollView.h"
#include "generators/TileLattice.h"
#include "resources/ParameterTable.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/UiContext.h"

namespace wfhost {

namespace {

using namespace resources;

const int kShapeIds[] = {kTilingMethod,  kAngle,         kPoint1X, kPoint1Y,      kPoint2X,
                         kPoint2Y,       kPoint3X,       kPoint3Y, kPointCenterX, kPointCenterY,
                         kSpline1,       kSpline2,       kSpline3, kBoundBoxLeft, kBoundBoxTop,
                         kBoundBoxRight, kBoundBoxBottom};

bool IsBoundingBox(int id) {
  return id == kBoundBoxLeft || id == kBoundBoxTop || id == kBoundBoxRight || id == kBoundBoxBottom;
}

// The value of a descriptor, changeable or not, as the descriptor is.
template <class Values>
auto ValueOf(Values& descriptor, int id) -> decltype(descriptor.data()) {
  for (const ParameterRow& row : kParameterTable) {
    if (row.id != id) continue;
    for (auto& value : descriptor) {
      if (value.key == row.key) return &value;
    }
  }
  return nullptr;
}

// The editor reads an image only for its size: one grey byte a pixel is the least to hold it.
class SizedImage : public framework::HostImage {
 public:
  bool Create(int width, int height) {
    return GetSourceImage().CreateGrey(width, height).GetCode() == corvel::keErrorNone;
  }
};

// A left-button drag from the handle to a point, in the steps a hand makes; the view's client
// and image coordinates agree, as it has no window.
void DragHandle(shapes::TargetShape& shape, shapes::Point2D from, shapes::Point2D to) {
  constexpr int kSteps = 8;
  auto at = [](shapes::Point2D p) { return CPoint(corvel::RoundToInt(p.x), corvel::RoundToInt(p.y)); };
  shape.OnLButtonDown(MK_LBUTTON, at(from));
  for (int i = 1; i <= kSteps; ++i)
    shape.OnMouseMove(MK_LBUTTON, at(from + (to - from) * (double(i) / kSteps)));
  shape.OnLButtonUp(0, at(to));
}

}  // namespace

struct ShapePlacement::Editor {
  SizedImage image;
  framework::ZoomScrollView view;
  framework::GenericCommand command;
};

ShapePlacement::ShapePlacement() : editor(std::make_unique<Editor>()) {
  editor->view.SetImageProvider(&editor->image);
  framework::DefineTableParameters(editor->command.GetParameters());
}

// Out of line, where the editor is complete; the shape goes first, as it points into it.
ShapePlacement::~ShapePlacement() = default;

const shapes::TargetShape* ShapePlacement::Place(int width, int height, GivenValues given,
                                                 Descriptor& descriptor) {
  shape.reset();
  if (width <= 0 || height <= 0 || !editor->image.Create(width, height)) return nullptr;
  framework::ParameterSet& parameters = editor->command.GetParameters();
  for (int id : kShapeIds) {
    const DescriptorValue* value = ValueOf(descriptor, id);
    framework::Parameter* parameter = parameters.GetParameter(id);
    if (!value || !parameter) continue;
    if (id == kTilingMethod || id == kAngle)
      parameter->SetInt(value->integer);
    else
      parameter->SetFloat(static_cast<float>(value->real));
  }
  // The given value, in pixels; null when the descriptor has none.
  auto pixels = [&](int xId) -> std::unique_ptr<shapes::Point2D> {
    const DescriptorValue *x = ValueOf(descriptor, xId), *y = ValueOf(descriptor, xId + 1);
    return x && y ? std::make_unique<shapes::Point2D>(x->real * width, y->real * height) : nullptr;
  };
  const std::unique_ptr<shapes::Point2D> givenCentre = given.centre ? pixels(kPointCenterX) : nullptr;
  {
    const shapes::UiContextRun run(nullptr, nullptr, &editor->command);
    shape = shapes::CreateTargetShape(&editor->view, givenCentre ? *givenCentre : shapes::kKeepCentre);
    if (!shape) return nullptr;
    // Corner 1 of the cell is Point2, corner 3 Point1; a shape without that handle ignores the drag.
    const std::pair<bool, std::pair<int, int>> drags[] = {{given.point2, {1, kPoint2X}},
                                                          {given.point1, {3, kPoint1X}}};
    for (const auto& [wanted, corner] : drags) {
      if (!wanted) continue;
      const std::unique_ptr<shapes::Point2D> to = pixels(corner.second);
      if (!to) continue;
      const shapes::Point2D* points = shape->GetPoints();
      corvel::RotatePointDegrees(shape->GetAngle(), points[4].x, points[4].y, *to);
      DragHandle(*shape, points[corner.first], *to);
    }
  }
  for (int id : kShapeIds) {
    DescriptorValue* value = ValueOf(descriptor, id);
    const framework::Parameter* parameter = parameters.GetParameter(id);
    if (!value || !parameter || id == kTilingMethod || (given.boundingBox && IsBoundingBox(id))) continue;
    if (id == kAngle) {
      parameter->GetInt(&value->integer);
    } else {
      float real = 0;
      parameter->GetFloat(&real);
      value->real = real;
    }
  }
  return shape.get();
}

bool PlacedCellHasArea(int width, int height, const Descriptor& descriptor) {
  const DescriptorValue* method = ValueOf(descriptor, kTilingMethod);
  // As the filter reads them: fractions of the area, rounded to whole pixels.
  auto at = [&](int xId) {
    const DescriptorValue *x = ValueOf(descriptor, xId), *y = ValueOf(descriptor, xId + 1);
    return POINT{corvel::RoundToInt(static_cast<float>(x->real) * width),
                 corvel::RoundToInt(static_cast<float>(y->real) * height)};
  };
  const corvel::TileLattice lattice = corvel::BuildTileLattice(
      method && method->integer < kGroupCount ? method->integer : 0, at(kPoint3X), at(kPoint1X), at(kPoint2X),
      at(kPointCenterX));
  return std::int64_t{lattice.basisA.x} * lattice.basisB.y !=
         std::int64_t{lattice.basisB.x} * lattice.basisA.y;
}

}  // namespace wfhost
