// Draws the module's pictures at build time: the 17 group pictures (PNG 3044 + method), the two
// preset buttons (PNG 103 delete, 104 save), the tool bar's buttons (bitmap 128) and the shape
// editor's and tool view's cursors, and the module's icon 128. Usage: wf_make_pictures <output
// folder>; writes png-<id>.png, bitmap-<id>.dib, icon-<id>.png and cursor-<id>.cur there.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/GdiPlus.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Capture.h"
#include "resources/tools/GroupPicture.h"

namespace {

using wf_tools::Vec;

constexpr double kPi = 3.14159265358979323846;

// Whole coordinates at pixels' centres, as the graphics library takes them, or at their corners,
// where a shape must cover whole pixels from its edge (x from 0 to 1 is exactly pixel 0).
enum class Grid { kCentres, kCorners };

// A transparent 32-bit drawing surface with a GDI+ graphics object on it.
class Canvas {
 public:
  Canvas(int width, int height, Grid grid = Grid::kCentres)
      : width_(width), height_(height), shift_(grid == Grid::kCorners ? -0.5 : 0) {
    dc_ = CreateCompatibleDC(nullptr);
    BYTE* pixels = nullptr;
    bitmap_ = platform::CreateTopDownSection(width, height, &pixels);
    bits_ = pixels;
    old_ = SelectObject(dc_, bitmap_);
    GdipCreateFromHDC(dc_, &graphics_);
    GdipSetSmoothingMode(graphics_, SmoothingModeAntiAlias);
  }
  ~Canvas() {
    GdipDeleteGraphics(graphics_);
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  GpGraphics* graphics() const { return graphics_; }

  // Every pixel in one opaque colour, edge to edge.
  void Clear(ARGB opaque) {
    auto* pixels = static_cast<std::uint32_t*>(bits_);
    std::fill(pixels, pixels + width_ * height_, opaque);
  }

  void Fill(const std::vector<Vec>& polygon, ARGB colour) {
    GpPath* path = Path(polygon, true);
    GpSolidFill* brush = nullptr;
    GdipCreateSolidFill(colour, &brush);
    GdipFillPath(graphics_, reinterpret_cast<GpBrush*>(brush), path);
    GdipDeleteBrush(reinterpret_cast<GpBrush*>(brush));
    GdipDeletePath(path);
  }
  void Stroke(const std::vector<Vec>& points, bool closed, ARGB colour, REAL width) {
    GpPath* path = Path(points, closed);
    GpPen* pen = nullptr;
    GdipCreatePen1(colour, width, UnitPixel, &pen);
    GdipDrawPath(graphics_, pen, path);
    GdipDeletePen(pen);
    GdipDeletePath(path);
  }
  void Line(Vec from, Vec to, ARGB colour, REAL width) { Stroke({from, to}, false, colour, width); }
  void Ellipse(Vec centre, double rx, double ry, ARGB colour) { Fill(EllipsePoints(centre, rx, ry), colour); }

  static std::vector<Vec> EllipsePoints(Vec centre, double rx, double ry, double from = 0,
                                        double to = 2 * kPi, int steps = 48) {
    std::vector<Vec> points;
    for (int i = 0; i <= steps; ++i) {
      double angle = from + (to - from) * i / steps;
      points.push_back({centre.x + rx * std::cos(angle), centre.y + ry * std::sin(angle)});
    }
    return points;
  }

  // A packed 24-bit device-independent bitmap, rows bottom up, as bitmap resources hold them.
  bool SaveDib(const std::string& path) const {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const int stride = (width_ * 3 + 3) & ~3;
    header.biSizeImage = static_cast<DWORD>(stride * height_);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    const auto* pixels = static_cast<const BYTE*>(bits_);
    std::vector<char> row(static_cast<std::size_t>(stride), 0);
    for (int y = height_ - 1; y >= 0; --y) {
      for (int x = 0; x < width_; ++x) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<char>(pixels[(y * width_ + x) * 4 + c]);
      }
      out.write(row.data(), stride);
    }
    return out.good();
  }

  // Straight (not premultiplied) colours, for the PNG.
  bool Save(const std::string& path) const {
    platform::CapturedImage image;
    image.width = width_;
    image.height = height_;
    const auto* pixels = static_cast<const std::uint32_t*>(bits_);
    for (int i = 0; i < width_ * height_; ++i) {
      std::uint32_t p = pixels[i], alpha = p >> 24;
      auto channel = [&](int shift) {
        std::uint32_t c = (p >> shift) & 0xFF;
        return alpha ? std::min<std::uint32_t>(255, (c * 255 + alpha / 2) / alpha) : 0;
      };
      image.pixels.push_back(alpha << 24 | channel(16) << 16 | channel(8) << 8 | channel(0));
    }
    return platform::WritePng(image, path, true);
  }

 private:
  GpPath* Path(const std::vector<Vec>& points, bool closed) {
    GpPath* path = nullptr;
    GdipCreatePath(FillModeWinding, &path);
    for (std::size_t i = 1; i < points.size(); ++i) {
      GdipAddPathLine(path, REAL(points[i - 1].x + shift_), REAL(points[i - 1].y + shift_),
                      REAL(points[i].x + shift_), REAL(points[i].y + shift_));
    }
    if (closed) GdipClosePathFigure(path);
    return path;
  }

  int width_, height_;
  double shift_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  GpGraphics* graphics_ = nullptr;
};

// ---- Group pictures ---------------------------------------------------------------------------

using wf_tools::kPictureSize;
constexpr ARGB kCellFill = 0xFFF4F7FB, kCellEdge = 0xFF8A96A3;
constexpr ARGB kMirror = 0xFF1F4E9C, kGlide = 0xFF5F86C4, kRotation = 0xFFB0182C;

std::vector<Vec> RegularPolygon(Vec centre, double radius, int sides, double turn) {
  std::vector<Vec> points;
  for (int i = 0; i < sides; ++i) {
    double angle = turn + 2 * kPi * i / sides;
    points.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
  }
  return points;
}

// A lens for two-fold centres, a triangle, a square, and a six-pointed star: at this size a
// hexagon would read as a disc.
void DrawRotationCentre(Canvas& canvas, Vec at, int order) {
  switch (order) {
    case 2:
      canvas.Fill(Canvas::EllipsePoints(at, 4.2, 2.4, 0, 2 * kPi, 32), kRotation);
      break;
    case 3:
      canvas.Fill(RegularPolygon(at, 4.8, 3, -kPi / 2), kRotation);
      break;
    case 4:
      canvas.Fill(RegularPolygon(at, 4.8, 4, kPi / 4), kRotation);
      break;
    default: {
      std::vector<Vec> star;
      for (int i = 0; i < 12; ++i) {
        double radius = i % 2 ? 3.1 : 5.6, angle = -kPi / 2 + kPi * i / 6;
        star.push_back({at.x + radius * std::cos(angle), at.y + radius * std::sin(angle)});
      }
      canvas.Fill(star, kRotation);
      break;
    }
  }
}

// Glides thinner and lighter than mirrors, so that the dense groups stay readable.
void DrawDashed(Canvas& canvas, Vec from, Vec to, ARGB colour) {
  Vec d = to - from;
  double length = std::sqrt(Dot(d, d));
  const double dash = 3, gap = 2.5;
  for (double s = 0; s < length; s += dash + gap) {
    double e = std::min(length, s + dash);
    canvas.Line(from + (s / length) * d, from + (e / length) * d, colour, 1.0f);
  }
}

void DrawGroup(const wf_tools::Group& group, const std::string& path) {
  Canvas canvas(kPictureSize, kPictureSize, Grid::kCorners);
  canvas.Clear(0xFFFFFFFF);
  const wf_tools::PictureLayout layout = wf_tools::LayOut(group);
  auto at = [&](Vec f) { return layout.At(f); };
  std::vector<Vec> cell = {at({0, 0}), at({1, 0}), at({1, 1}), at({0, 1})};
  canvas.Fill(cell, kCellFill);
  canvas.Stroke(cell, true, kCellEdge, 1.0f);
  const auto lines = wf_tools::ReflectionLines(group);
  for (const auto& line : lines) {
    if (!line.mirror) DrawDashed(canvas, at(line.from), at(line.to), kGlide);
  }
  for (const auto& line : lines) {
    if (line.mirror) canvas.Line(at(line.from), at(line.to), kMirror, 1.6f);
  }
  // The motifs over the lines, so that no glide hides one; the centres' marks over everything.
  for (const auto& motif : layout.motifs) canvas.Fill(motif, wf_tools::kMotifColour);
  for (const auto& centre : wf_tools::RotationCentres(group))
    DrawRotationCentre(canvas, at(centre.at), centre.order);
  HFONT font = CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
  HGDIOBJ oldFont = SelectObject(canvas.dc(), font);
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetTextColor(canvas.dc(), RGB(0x20, 0x20, 0x20));
  SetTextAlign(canvas.dc(), TA_CENTER | TA_BOTTOM);
  TextOut(canvas.dc(), kPictureSize / 2, kPictureSize - 2, group.name.c_str(),
          static_cast<int>(group.name.size()));
  SelectObject(canvas.dc(), oldFont);
  DeleteObject(font);
  if (!canvas.Save(path)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

// ---- Preset buttons ---------------------------------------------------------------------------

void DrawSaveButton(const std::string& path) {
  Canvas canvas(16, 16);
  canvas.Fill({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}, 0xFF2E5A9C);
  canvas.Fill({{4, 2}, {12, 2}, {12, 7.5}, {4, 7.5}}, 0xFFF4F4F4);
  canvas.Line({5, 4}, {11, 4}, 0xFF9AA7B8, 1.0f);
  canvas.Fill({{4.5, 10}, {11.5, 10}, {11.5, 14.5}, {4.5, 14.5}}, 0xFFB8C2CC);
  canvas.Fill({{9, 11}, {10.5, 11}, {10.5, 13.5}, {9, 13.5}}, 0xFF2E5A9C);
  canvas.Save(path);
}

void DrawDeleteButton(const std::string& path) {
  Canvas canvas(16, 16);
  canvas.Line({3.5, 3.5}, {12.5, 12.5}, 0xFFC62828, 2.8f);
  canvas.Line({12.5, 3.5}, {3.5, 12.5}, 0xFFC62828, 2.8f);
  canvas.Save(path);
}

// ---- Tool bar --------------------------------------------------------------------------------

// The tool bar's three buttons side by side, 16 x 15 each, on the light grey that tool bars
// replace by the button face: zoom, pan, and the target shape of the image area.
void DrawToolBar(const std::string& path) {
  constexpr int kWidth = 48, kHeight = 15;
  constexpr ARGB kFace = 0xFFC0C0C0, kDark = 0xFF202020;
  Canvas canvas(kWidth, kHeight);
  canvas.Clear(kFace);
  canvas.Line({9, 9}, {13.5, 13.5}, kDark, 2.4f);
  canvas.Ellipse({6.5, 6.5}, 5, 5, kDark);
  canvas.Ellipse({6.5, 6.5}, 3.6, 3.6, 0xFFE8F0FF);
  // The hand keeps a clear column on either side: the zoom button once showed its thumb.
  for (double x : {19.5, 22.0, 24.5, 27.0}) canvas.Line({x, 3.5}, {x, 9}, kDark, 1.6f);
  canvas.Fill({{18.5, 8}, {28, 8}, {28, 11}, {26, 13.5}, {21, 13.5}, {18.5, 11}}, kDark);
  canvas.Line({18.8, 9.5}, {17.6, 7.2}, kDark, 1.6f);
  const std::vector<Vec> shape = {{34, 12.5}, {45, 12.5}, {39.5, 2.5}};
  canvas.Stroke(shape, true, 0xFF1F4E9C, 1.0f);
  for (Vec corner : shape)
    canvas.Fill(
        {corner - Vec{1.5, 1.5}, corner + Vec{1.5, -1.5}, corner + Vec{1.5, 1.5}, corner + Vec{-1.5, 1.5}},
        kDark);
  canvas.SaveDib(path);
}

// ---- Cursors ----------------------------------------------------------------------------------

constexpr ARGB kInk = 0xFF000000, kPaper = 0xFFFFFFFF;

std::vector<Vec> Turned(const std::vector<Vec>& points, Vec centre, double angle) {
  std::vector<Vec> out;
  for (Vec p : points) {
    out.push_back({centre.x + p.x * std::cos(angle) - p.y * std::sin(angle),
                   centre.y + p.x * std::sin(angle) + p.y * std::cos(angle)});
  }
  return out;
}

// A rim with round corners: the pens' mitred joins would spike at the arrows' sharp corners.
void DrawRim(Canvas& canvas, const std::vector<Vec>& shape) {
  for (std::size_t i = 0; i < shape.size(); ++i) {
    canvas.Line(shape[i], shape[(i + 1) % shape.size()], kInk, 2.2f);
    canvas.Ellipse(shape[i], 1.1, 1.1, kInk);
  }
}

// White shapes with a black rim: every rim first, then every face, so that shapes merge.
void DrawOutlined(Canvas& canvas, const std::vector<std::vector<Vec>>& shapes) {
  for (const auto& shape : shapes) DrawRim(canvas, shape);
  for (const auto& shape : shapes) canvas.Fill(shape, kPaper);
}

// A cursor resource: the hot spot as two little-endian 16-bit words, then the picture as PNG.
void SaveCursor(const Canvas& canvas, int hotX, int hotY, const std::string& path) {
  const std::string picture = path + ".png";
  canvas.Save(picture);
  std::ifstream in(picture, std::ios::binary);
  std::ofstream out(path, std::ios::binary);
  const char hotSpot[4] = {char(hotX), char(hotX >> 8), char(hotY), char(hotY >> 8)};
  out.write(hotSpot, 4);
  out << in.rdbuf();
  std::remove(picture.c_str());
}

void DrawMoveCursor(const std::string& path) {
  Canvas canvas(32, 32);
  const std::vector<Vec> arm = {{1.5, -1.5}, {1.5, -8},  {4.5, -8},   {0, -13},
                                {-4.5, -8},  {-1.5, -8}, {-1.5, -1.5}};
  std::vector<Vec> outline;
  for (int quarter = 0; quarter < 4; ++quarter) {
    auto turned = Turned(arm, {15, 15}, -quarter * kPi / 2);
    outline.insert(outline.end(), turned.begin(), turned.end());
  }
  DrawOutlined(canvas, {outline});
  SaveCursor(canvas, 15, 15, path);
}

void DrawCornerCursor(const std::string& path) {
  Canvas canvas(32, 32);
  const std::vector<Vec> arrow = {{-12, 0}, {-7, -4.5}, {-7, -1.5}, {7, -1.5}, {7, -4.5},
                                  {12, 0},  {7, 4.5},   {7, 1.5},   {-7, 1.5}, {-7, 4.5}};
  DrawOutlined(canvas, {Turned(arrow, {15, 15}, kPi / 4)});
  SaveCursor(canvas, 15, 15, path);
}

void DrawRotateCursor(const std::string& path) {
  Canvas canvas(32, 32);
  const Vec centre{15, 15};
  const double start = -kPi / 3, end = 7 * kPi / 6;
  auto arc = Canvas::EllipsePoints(centre, 8, 8, start, end, 40);
  canvas.Stroke(arc, false, kInk, 5.0f);
  Vec tip = arc.front();
  Vec tangent{std::sin(start), -std::cos(start)};  // against the arc's direction of travel
  Vec across{-tangent.y, tangent.x};
  std::vector<Vec> head = {tip + 5.0 * tangent, tip + 5.0 * across, tip - 5.0 * across};
  DrawRim(canvas, head);
  canvas.Stroke(arc, false, kPaper, 2.4f);
  canvas.Fill(head, kPaper);
  SaveCursor(canvas, 15, 15, path);
}

void DrawZoomCursor(const std::string& path) {
  Canvas canvas(32, 32);
  const Vec lens{12, 12};
  canvas.Line({17, 17}, {26, 26}, kInk, 5.0f);
  canvas.Line({18, 18}, {25, 25}, 0xFF606060, 2.5f);
  canvas.Ellipse(lens, 8.2, 8.2, kInk);
  canvas.Ellipse(lens, 6.6, 6.6, kPaper);
  canvas.Line({8, 12}, {16, 12}, kInk, 1.6f);
  canvas.Line({12, 8}, {12, 16}, kInk, 1.6f);
  SaveCursor(canvas, 12, 12, path);
}

void DrawPanCursor(const std::string& path) {
  Canvas canvas(32, 32);
  auto bar = [](double x, double top, double bottom) {
    auto points = Canvas::EllipsePoints({x, top}, 1.7, 1.7, kPi, 2 * kPi, 8);
    auto lower = Canvas::EllipsePoints({x, bottom}, 1.7, 1.7, 0, kPi, 8);
    points.insert(points.end(), lower.begin(), lower.end());
    return points;
  };
  std::vector<std::vector<Vec>> hand = {
      bar(10.5, 8, 18),
      bar(14, 5, 17),
      bar(17.5, 5, 17),
      bar(21, 7, 18),
      Turned(bar(0, -4, 4), {7.5, 18}, -kPi / 4),
      {{9, 15}, {22.7, 15}, {22.7, 21}, {20, 26}, {12, 26}, {9, 21}},
  };
  DrawOutlined(canvas, hand);
  SaveCursor(canvas, 16, 16, path);
}

void DrawControlCursor(const std::string& path) {
  Canvas canvas(32, 32);
  for (auto [from, to] : {std::pair<Vec, Vec>{{15, 2}, {15, 28}}, {{2, 15}, {28, 15}}}) {
    canvas.Line(from, to, kPaper, 3.2f);
  }
  for (auto [from, to] : {std::pair<Vec, Vec>{{15, 2}, {15, 28}}, {{2, 15}, {28, 15}}}) {
    canvas.Line(from, to, kInk, 1.2f);
  }
  canvas.Ellipse({15, 15}, 5, 5, kInk);
  canvas.Ellipse({15, 15}, 3.4, 3.4, kPaper);
  SaveCursor(canvas, 15, 15, path);
}

// ---- The module's icon ------------------------------------------------------------------------

// A square tile of four turned Ls, the filter's tiling in small.
void DrawModuleIcon(const std::string& path) {
  Canvas canvas(32, 32);
  std::vector<Vec> tile;
  for (int corner = 0; corner < 4; ++corner) {
    auto arc = Canvas::EllipsePoints({corner == 0 || corner == 3 ? 26.0 : 5.0, corner < 2 ? 26.0 : 5.0}, 4.5,
                                     4.5, corner * kPi / 2, (corner + 1) * kPi / 2, 6);
    tile.insert(tile.end(), arc.begin(), arc.end());
  }
  canvas.Fill(tile, 0xFF1F4E9C);
  const std::vector<Vec> ell = {{-6, -7}, {-1, -7}, {-1, 1}, {6, 1}, {6, 6}, {-6, 6}};
  for (int quarter = 0; quarter < 4; ++quarter) {
    auto turned = Turned(ell, {15.5, 15.5}, quarter * kPi / 2);
    for (Vec& p : turned)
      p = Vec{15.5, 15.5} + 0.6 * (p - Vec{15.5, 15.5}) +
          6.5 * Turned({{1, -1}}, {0, 0}, quarter * kPi / 2)[0];
    canvas.Fill(turned, 0xFFF2A65A);
  }
  canvas.Save(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  GdiplusStartup(&token, &input, nullptr);
  auto groups = wf_tools::AllGroups();
  for (std::size_t i = 0; i < groups.size(); ++i) {
    DrawGroup(groups[i], folder + "/png-" + std::to_string(3044 + i) + ".png");
  }
  DrawDeleteButton(folder + "/png-103.png");
  DrawSaveButton(folder + "/png-104.png");
  DrawToolBar(folder + "/bitmap-128.dib");
  DrawModuleIcon(folder + "/icon-128.png");
  DrawRotateCursor(folder + "/cursor-3007.cur");
  DrawZoomCursor(folder + "/cursor-3009.cur");
  DrawPanCursor(folder + "/cursor-3011.cur");
  DrawMoveCursor(folder + "/cursor-3026.cur");
  DrawControlCursor(folder + "/cursor-3029.cur");
  DrawCornerCursor(folder + "/cursor-3067.cur");
  GdiplusShutdown(token);
  return 0;
}
