#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "platform/ui/Capture.h"
#include "platform/win32/Resource.h"
#include "resources/Resources.h"
#include "resources/tools/GroupPicture.h"

namespace {

using wf_tools::PictureLayout;
using wf_tools::Vec;

// x' = m x + c on the picture's pixels.
struct Isometry {
  double m[2][2];
  Vec c;
  Vec Apply(Vec p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + c.x, m[1][0] * p.x + m[1][1] * p.y + c.y};
  }
};

double Distance(Vec u, Vec v) { return std::hypot(u.x - v.x, u.y - v.y); }

// Every turn or reflection (with its shift) that carries the corners of `from` onto those of
// `to` in any order: two corners' images fix the candidates, the rest must agree.
std::vector<Isometry> Carrying(const std::vector<Vec>& from, const std::vector<Vec>& to) {
  std::vector<Isometry> found;
  const Vec u = from[1] - from[0];
  for (std::size_t i = 0; i < to.size(); ++i) {
    for (std::size_t j = 0; j < to.size(); ++j) {
      const Vec v = to[j] - to[i];
      if (i == j || std::fabs(Dot(u, u) - Dot(v, v)) > 1e-6) continue;
      const double turn = std::atan2(v.y, v.x) - std::atan2(u.y, u.x);
      const double twiceAxis = std::atan2(v.y, v.x) + std::atan2(u.y, u.x);
      const Isometry candidates[2] = {
          {{{std::cos(turn), -std::sin(turn)}, {std::sin(turn), std::cos(turn)}}, {}},
          {{{std::cos(twiceAxis), std::sin(twiceAxis)}, {std::sin(twiceAxis), -std::cos(twiceAxis)}}, {}}};
      for (Isometry iso : candidates) {
        iso.c = to[i] - iso.Apply(from[0]);
        bool onto = true;
        for (Vec p : from) {
          bool hit = false;
          for (Vec q : to) hit = hit || Distance(iso.Apply(p), q) < 1e-6;
          onto = onto && hit;
        }
        if (onto) found.push_back(iso);
      }
    }
  }
  return found;
}

Vec ToCell(const PictureLayout& layout, Vec p) {
  const Vec a = layout.a, b = layout.b;
  const double det = a.x * b.y - a.y * b.x;
  return {(p.x * b.y - p.y * b.x) / det, (a.x * p.y - a.y * p.x) / det};
}

bool Near(double value, double target) { return std::fabs(value - target) < 1e-6; }
bool Whole(double value) { return Near(value, std::round(value)); }

// The index of the group's operation that the isometry is, up to the lattice; -1 for none.
int OperationOf(const wf_tools::Group& group, const PictureLayout& layout, const Isometry& iso) {
  auto linear = [&](Vec v) { return iso.Apply(v) - iso.Apply({0, 0}); };
  const Vec ra = ToCell(layout, linear(layout.a)), rb = ToCell(layout, linear(layout.b));
  const Vec t = ToCell(layout, iso.Apply(layout.origin) - layout.origin);
  for (std::size_t k = 0; k < group.operations.size(); ++k) {
    const wf_tools::Operation& op = group.operations[k];
    if (Near(ra.x, op.r[0][0]) && Near(ra.y, op.r[1][0]) && Near(rb.x, op.r[0][1]) &&
        Near(rb.y, op.r[1][1]) && Whole(t.x - op.t.x) && Whole(t.y - op.t.y))
      return static_cast<int>(k);
  }
  return -1;
}

TEST(GroupPictures, TheMotifsCopiesAreRelatedByExactlyTheGroupsOperations) {
  for (const wf_tools::Group& group : wf_tools::AllGroups()) {
    SCOPED_TRACE(group.name);
    const PictureLayout layout = wf_tools::LayOut(group);
    ASSERT_EQ(layout.motifs.size(), group.operations.size());
    std::vector<bool> reached(group.operations.size(), false);
    for (std::size_t i = 0; i < layout.motifs.size(); ++i) {
      for (std::size_t j = 0; j < layout.motifs.size(); ++j) {
        for (int lx = -1; lx <= 1; ++lx) {
          for (int ly = -1; ly <= 1; ++ly) {
            std::vector<Vec> shifted = layout.motifs[j];
            for (Vec& p : shifted) p = p + double(lx) * layout.a + double(ly) * layout.b;
            for (const Isometry& iso : Carrying(layout.motifs[i], shifted)) {
              const int k = OperationOf(group, layout, iso);
              EXPECT_NE(k, -1) << "copy " << i << " is also copy " << j
                               << "'s image under an operation the group lacks";
              if (i == 0 && k == static_cast<int>(j)) reached[j] = true;
            }
          }
        }
      }
    }
    for (std::size_t k = 0; k < reached.size(); ++k) EXPECT_TRUE(reached[k]) << "operation " << k;
  }
}

// ---- The pictures as the module holds them ----------------------------------------------------

class ModulePictures : public ::testing::Test {
 protected:
  void SetUp() override { resources::RegisterModuleResources(nullptr); }
  void TearDown() override { resources::UnregisterModuleResources(nullptr); }

  // Kept beside the test's outputs for a look.
  static void Keep(const platform::CapturedImage& image, const std::string& name) {
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(image, std::string(dir) + "/" + name + ".png", true);
  }
};

// 0xAARRGGBB, top row first.
platform::CapturedImage LoadPicture(int id) {
  platform::CapturedImage image;
  CImageFile file;
  if (!file.LoadResource(FindResource(nullptr, MAKEINTRESOURCE(id), "PNG"), keImageFormatPNG)) return image;
  image.width = static_cast<int>(file.GetWidth());
  image.height = static_cast<int>(file.GetHeight());
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      RGBQUAD c = file.GetPixelColor(x, y);
      image.pixels.push_back(std::uint32_t(c.rgbReserved) << 24 | c.rgbRed << 16 | c.rgbGreen << 8 |
                             c.rgbBlue);
    }
  }
  return image;
}

bool Inside(const std::vector<Vec>& polygon, Vec p) {
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Vec u = polygon[i], v = polygon[j];
    if ((u.y > p.y) != (v.y > p.y) && p.x < u.x + (p.y - u.y) * (v.x - u.x) / (v.y - u.y)) inside = !inside;
  }
  return inside;
}

double DistanceToEdges(const std::vector<Vec>& polygon, Vec p) {
  double nearest = 1e9;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Vec d = polygon[i] - polygon[j];
    const double s = std::clamp(Dot(p - polygon[j], d) / Dot(d, d), 0.0, 1.0);
    nearest = std::min(nearest, Distance(p, polygon[j] + s * d));
  }
  return nearest;
}

bool LooksLike(std::uint32_t pixel, std::uint32_t colour) {
  for (int shift : {0, 8, 16, 24}) {
    if (std::abs(int(pixel >> shift & 0xFF) - int(colour >> shift & 0xFF)) > 8) return false;
  }
  return true;
}

TEST_F(ModulePictures, EachGroupPictureIsOpaqueUncutAndShowsItsMotifExactlyWhereTheLayoutPutsIt) {
  const auto groups = wf_tools::AllGroups();
  for (std::size_t i = 0; i < groups.size(); ++i) {
    SCOPED_TRACE(groups[i].name);
    const platform::CapturedImage picture = LoadPicture(resources::kGroupPictureFirst + int(i));
    ASSERT_EQ(picture.width, wf_tools::kPictureSize);
    ASSERT_EQ(picture.height, wf_tools::kPictureSize);
    Keep(picture, "group-" + groups[i].name);
    const PictureLayout layout = wf_tools::LayOut(groups[i]);
    int seeThrough = 0, strays = 0, cut = 0;
    std::vector<int> solid(layout.motifs.size()), shown(layout.motifs.size());
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const std::uint32_t pixel = picture.At(x, y);
        seeThrough += pixel >> 24 != 0xFF;
        const bool border = x == 0 || y == 0 || x == picture.width - 1 || y == picture.height - 1;
        cut += border && pixel != 0xFFFFFFFF;
        const Vec centre{x + 0.5, y + 0.5};
        bool nearAny = false;
        for (std::size_t k = 0; k < layout.motifs.size(); ++k) {
          const bool inside = Inside(layout.motifs[k], centre);
          const double edge = DistanceToEdges(layout.motifs[k], centre);
          nearAny = nearAny || inside || edge < 1;
          // The whole pixel inside the copy.
          if (inside && edge > 0.71) {
            ++solid[k];
            shown[k] += LooksLike(pixel, wf_tools::kMotifColour);
          }
        }
        strays += !nearAny && LooksLike(pixel, wf_tools::kMotifColour);
      }
    }
    EXPECT_EQ(seeThrough, 0);
    EXPECT_EQ(cut, 0) << "a mark reaches the picture's edge";
    EXPECT_EQ(strays, 0);
    for (std::size_t k = 0; k < layout.motifs.size(); ++k) {
      EXPECT_GE(solid[k], 3) << "copy " << k;
      EXPECT_EQ(shown[k], solid[k]) << "copy " << k;
    }
  }
}

// The strip as its 24-bit rows, bottom row first, hold it; 0xFFRRGGBB, top row first.
platform::CapturedImage LoadToolBar() {
  platform::CapturedImage image;
  HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(resources::kToolBarPicture), RT_BITMAP);
  if (!found) return image;
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  if (header.biBitCount != 24 || header.biHeight <= 0) return image;
  image.width = header.biWidth;
  image.height = header.biHeight;
  const int stride = (image.width * 3 + 3) & ~3;
  for (int y = 0; y < image.height; ++y) {
    const BYTE* row = bytes + header.biSize + std::size_t(image.height - 1 - y) * stride;
    for (int x = 0; x < image.width; ++x)
      image.pixels.push_back(0xFF000000u | row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]);
  }
  return image;
}

// The tool bar replaces the light grey by the button face: a glyph that reaches a button's edge
// shows as a dark seam there, or as a stray pixel in the next button.
TEST_F(ModulePictures, TheToolBarsButtonsKeepTheirTopRowAndSideColumnsClearOfTheGlyphs) {
  const platform::CapturedImage strip = LoadToolBar();
  ASSERT_EQ(strip.width, 48);
  ASSERT_EQ(strip.height, 15);
  Keep(strip, "toolbar");
  constexpr std::uint32_t kFace = 0xFFC0C0C0;
  for (int x = 0; x < strip.width; ++x) EXPECT_EQ(strip.At(x, 0), kFace) << "top row, x " << x;
  for (int button = 0; button < 3; ++button) {
    for (int x : {16 * button, 16 * button + 15}) {
      for (int y = 0; y < strip.height; ++y) EXPECT_EQ(strip.At(x, y), kFace) << "x " << x << ", y " << y;
    }
  }
}

}  // namespace
