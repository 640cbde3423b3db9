#include "generators/detail/TileGenerator.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/RowThreads.h"
#include "generators/detail/SourceWindow.h"
#include "generators/detail/TileWorker.h"

namespace corvel {

TileGenerator::~TileGenerator() = default;

void TileGenerator::ReleaseWorkImage() { workImage.Destroy(); }

void TileGenerator::SetSeamCurves(double k0, double k1, double k2) {
  seamK0 = k0;
  seamK1 = k1;
  seamK2 = k2;
}

void TileGenerator::SetFeather(double percentage) { feather0 = feather1 = feather2 = percentage / 400; }

void TileGenerator::SetFeatherUV(double percentage) { feather1 = feather2 = percentage / 400; }

void TileGenerator::SetFeatherUniform(double percentage) {
  feather0 = feather1 = feather2 = percentage / 400;
}

namespace {

// The matrix whose columns are a and b, with its determinant and inverse. A zero determinant
// leaves infinite or NaN entries in the inverse; the mappings test the determinant first.
void BuildLattice(POINT a, POINT b, LatticeMatrix& matrix, LatticeMatrix& inverse, double& det) {
  matrix = {double(a.x), double(b.x), double(a.y), double(b.y)};
  det = matrix.m00 * matrix.m11 - matrix.m01 * matrix.m10;
  inverse = {matrix.m11 / det, -matrix.m01 / det, -matrix.m10 / det, matrix.m00 / det};
}

}  // namespace

void TileGenerator::PrepareLattice() {
  BuildLattice(basisA, basisB, matM, invM, detM);
  BuildLattice(basisC, basisD, matN, invN, detN);
  SetAnchor();
}

RECT TileGenerator::CellBounds() const {
  const LONG zero = 0, sx = basisA.x + basisB.x, sy = basisA.y + basisB.y;
  return {std::min({zero, basisA.x, basisB.x, sx}), std::min({zero, basisA.y, basisB.y, sy}),
          std::max({zero, basisA.x, basisB.x, sx}), std::max({zero, basisA.y, basisB.y, sy})};
}

Point2D TileGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = PlaneToLattice(p.x, p.y);
  return LatticeToPlane(uv.x, uv.y) + origin;
}

int TileGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) {
    const Point2D q = MapPoint(WrapToCell(x, y));
    return PlaneToLattice(q.x, q.y);
  });
}

void TileGenerator::ComputeOriginFromLattice() {
  origin.Set(basisA.x < 0 ? -basisA.x : 0, basisB.y < 0 ? -basisB.y : 0);
}

CoreResult TileGenerator::TakeSourceArea(CRowIteratorBands& source, int anchorX, int anchorY,
                                         double /*featherPercent*/, const RECT& area) {
  if (!CRowIteratorBands::IsValid(&source)) return keErrorNotCreated;
  const std::int64_t width = std::int64_t{area.right} - area.left + 1;
  const std::int64_t height = std::int64_t{area.bottom} - area.top + 1;
  if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return keErrorBadArgument;

  // A view of our own, so that the caller's presentation of the source stays as it is.
  CRowIteratorBands bgra;
  CoreResult result = bgra.ShareFrom(source);
  if (!result.Ok()) return result;
  // An area inside a BGRA image is only read: a view of it spares the copy.
  if (bgra.GetFormat() == keFormatBGRA && area.left >= 0 && area.top >= 0 && area.right < bgra.Width() &&
      area.bottom < bgra.Height()) {
    const RECT& frame = bgra.GetRect();
    result = workImage.CreateSubView(bgra, frame.left + area.left, frame.top + area.top,
                                     frame.left + area.right + 1, frame.top + area.bottom + 1);
    if (!result.Ok()) return result;
    origin.Set(double(anchorX) - area.left, double(anchorY) - area.top);
    return CoreResult();
  }
  // Rows at a spreading pitch, which the render reads in place.
  result = workImage.CreateSpread(int(width), int(height), keFormatBGRA);
  if (!result.Ok()) return result;

  // Outside the source the nearest edge pixel stands in: a picked area may leave the image.
  const int sourceWidth = bgra.Width(), sourceHeight = bgra.Height();
  const int first = int(std::clamp<std::int64_t>(area.left, 0, sourceWidth - 1));
  const int last = int(std::clamp<std::int64_t>(area.right, 0, sourceWidth - 1));
  const std::int64_t before = std::clamp<std::int64_t>(first - std::int64_t{area.left}, 0, width);
  const std::int64_t inside = area.left > last || area.right < first ? 0 : last - first + 1;
  // Only the columns read are converted; a view of storage below a byte a pixel starts on a byte.
  const int spanStart = bgra.GetBitsPerPixel() >= 8 ? first : 0;
  // A view converts its rows in buffers of its own: each thread reads through a view of its own.
  std::vector<CRowIteratorBands> views(std::size_t(RowThreads::Count()));
  std::atomic<std::int32_t> failure{keErrorNone};
  RowThreads::Run(int(height), [&](int firstRow, int lastRow, int slot) {
    CRowIteratorBands& view = views[std::size_t(slot)];
    if (!CRowIteratorBands::IsValid(&view)) {
      CoreResult made = view.ShareFrom(bgra);
      if (made.Ok()) made = view.SetViewFormat(keFormatBGRA, keAccessRead);
      if (!made.Ok()) {
        view.Destroy();
        failure = made.GetCode();
        return;
      }
    }
    for (int y = firstRow; y < lastRow; ++y) {
      const int sourceRow = int(std::clamp<std::int64_t>(std::int64_t{area.top} + y, 0, sourceHeight - 1));
      BYTE* from = nullptr;
      BYTE* to = nullptr;
      CoreResult locked = view.LockRowSpan(sourceRow, spanStart, last - spanStart + 1, &from);
      if (locked.Ok()) locked = workImage.LockRow(y, &to);
      if (!locked.Ok()) {
        view.ReleaseAllRows();
        failure = locked.GetCode();
        return;
      }
      const BYTE* leftEdge = from + 4 * std::size_t(first - spanStart);
      const BYTE* rightEdge = from + 4 * std::size_t(last - spanStart);
      for (std::int64_t x = 0; x < before; ++x) std::memcpy(to + 4 * x, leftEdge, 4);
      if (inside > 0) std::memcpy(to + 4 * before, leftEdge, std::size_t(4 * inside));
      for (std::int64_t x = before + inside; x < width; ++x) std::memcpy(to + 4 * x, rightEdge, 4);
      workImage.UnlockRow(y);
      view.UnlockRow(sourceRow);
    }
  });
  if (failure != keErrorNone) {
    ReleaseWorkImage();
    return failure.load();
  }
  origin.Set(double(anchorX) - area.left, double(anchorY) - area.top);
  return CoreResult();
}

}  // namespace corvel
