#include "platform/gdi/detail/ClippedFill.h"

#include <vector>

namespace platform::gdi {

namespace {

// Past the surface, so that no edge the clipping adds can show.
constexpr double kMargin = 2;
// Cairo holds paths in 24.8 fixed point, about 2^23 px each way from the surface: well within
// that a path goes to Cairo as it is, so that every shape Cairo can hold fills as Cairo fills it.
constexpr double kCairoReach = 1 << 21;
// Pieces made from a path's bends: far more than a surface shows. Past them, bends that still
// cross the box go as their chords.
constexpr long kMaxPieces = 1L << 16;

// A corner of a figure with the edge that reaches it from the corner before: a line, or a
// cubic curve (controls c1, c2) lying wholly within the box.
struct Corner {
  DevicePoint at;
  bool curved;
  DevicePoint c1, c2;
};

Corner LineTo(DevicePoint at) { return {at, false, {}, {}}; }

// Sutherland-Hodgman, one side of the box at a time. What a side cuts away is replaced by a
// run along that side, which winds around no point of the box: winding numbers inside hold.
class FigureClipper final : public DevicePathSink {
 public:
  FigureClipper(cairo_t* cr, const DeviceBox& box) : cr_(cr), box_(box) {}

  void Move(DevicePoint to) override {
    Finish();
    figure_.push_back(LineTo(to));
  }
  void Line(DevicePoint to) override { figure_.push_back(LineTo(to)); }
  void Curve(const Bend& bend) override { Pieces(bend, 0); }
  void Close() override { Finish(); }

  // Clips the figure so far, closed, into Cairo's path.
  void Finish() {
    std::vector<Corner> figure;
    figure.swap(figure_);
    for (int side = 0; side < 4 && figure.size() >= 2; ++side) figure = ClipToSide(figure, side);
    if (figure.size() < 2) return;
    cairo_move_to(cr_, figure.back().at.x, figure.back().at.y);
    for (const Corner& c : figure) {
      if (c.curved)
        cairo_curve_to(cr_, c.c1.x, c.c1.y, c.c2.x, c.c2.y, c.at.x, c.at.y);
      else
        cairo_line_to(cr_, c.at.x, c.at.y);
    }
    cairo_close_path(cr_);
  }

 private:
  // A bend within the box stays a curve (an arc is flattened: Cairo has no arcs of its own in
  // a path); one beyond a side goes as its chord, which stays beyond it; one crossing the box
  // is halved until flat.
  void Pieces(const Bend& bend, int halvings) {
    const DeviceBox hull = bend.HullBox();
    const bool flat = pieces_ >= kMaxPieces || bend.IsFlat(halvings);
    if (bend.IsCubic() && box_.Holds(hull)) {
      const auto& c = bend.Hull();
      figure_.push_back({c[3], true, c[1], c[2]});
    } else if (flat || box_.Misses(hull)) {
      figure_.push_back(LineTo(bend.End()));
    } else {
      const auto halves = bend.Halves();
      Pieces(halves.first, halvings + 1);
      Pieces(halves.second, halvings + 1);
      return;
    }
    ++pieces_;
  }

  // How far a point lies inside a side: left, right, top, bottom.
  double Inside(DevicePoint p, int side) const {
    switch (side) {
      case 0:
        return p.x - box_.left;
      case 1:
        return box_.right - p.x;
      case 2:
        return p.y - box_.top;
      default:
        return box_.bottom - p.y;
    }
  }

  // Where the line from p to q crosses a side they lie on either side of.
  DevicePoint Crossing(DevicePoint p, DevicePoint q, int side) const {
    const double t = Inside(p, side) / (Inside(p, side) - Inside(q, side));
    if (side < 2) return {side == 0 ? box_.left : box_.right, p.y + t * (q.y - p.y)};
    return {p.x + t * (q.x - p.x), side == 2 ? box_.top : box_.bottom};
  }

  std::vector<Corner> ClipToSide(const std::vector<Corner>& figure, int side) const {
    std::vector<Corner> kept;
    kept.reserve(figure.size() + 4);
    const std::size_t n = figure.size();
    for (std::size_t i = 0; i < n; ++i) {
      const Corner& from = figure[(i + n - 1) % n];
      const Corner& to = figure[i];
      const bool fromIn = Inside(from.at, side) >= 0, toIn = Inside(to.at, side) >= 0;
      if (fromIn != toIn) kept.push_back(LineTo(Crossing(from.at, to.at, side)));
      if (toIn) kept.push_back(fromIn ? to : LineTo(to.at));
    }
    return kept;
  }

  cairo_t* cr_;
  const DeviceBox box_;
  std::vector<Corner> figure_;
  long pieces_ = 0;
};

}  // namespace

void SetFillPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface) {
  cairo_new_path(cr);
  if (surface.Grown(kCairoReach).Holds(path.Extents())) return path.Emit(cr);
  FigureClipper clipper(cr, surface.Grown(kMargin));
  path.Walk(clipper);
  clipper.Finish();
}

}  // namespace platform::gdi
