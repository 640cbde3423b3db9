#include "vector/detail/TextDrawer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/core/ImageBytes.h"
#include "vector/detail/ImageCanvas.h"

namespace corvel {
namespace {

RefPtr<GlyphFont> Font(int height) {
  LOGFONT description{};
  description.lfHeight = -height;
  description.lfWeight = FW_BOLD;
  std::strcpy(description.lfFaceName, "Arial");
  return RefPtr<GlyphFont>::Adopt(CreateGdiGlyphFont(description));
}

// A circle run clockwise on screen from its top: the normal points to the centre, so glyphs
// stand on the circle with their tops outwards.
class Circle : public PathMeasure {
 public:
  Circle(double cx, double cy, double radius) : cx_(cx), cy_(cy), radius_(radius) {}
  bool Seek(double distance, PathPoint* point, PathPoint* normal) const override {
    const double angle = distance / radius_ - M_PI / 2;
    *normal = PathPoint{-std::cos(angle), -std::sin(angle)};
    *point = PathPoint{cx_ - radius_ * normal->x, cy_ - radius_ * normal->y};
    return true;
  }

 private:
  double cx_, cy_, radius_;
};

struct GreyTarget {
  GreyTarget(int width, int height) : canvas(keFormatGrey) {
    const CColorRef black(0, 0, 0, 255);
    EXPECT_EQ(image.Create(width, height, keFormatGrey, &black).GetCode(), 0);
    EXPECT_EQ(canvas.AttachImage(image), 0);
    canvas.SetStrokePaint(nullptr);
  }
  // Inked pixels and the range of their distances from a point.
  int Inked(double cx = 0, double cy = 0, double* nearest = nullptr, double* farthest = nullptr) {
    const std::vector<std::uint8_t> bytes = ImageBytes(image);
    int count = 0;
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        if (bytes[std::size_t(y) * image.GetRowBytes() + x] < 128) continue;
        ++count;
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (nearest != nullptr) *nearest = count == 1 ? d : std::min(*nearest, d);
        if (farthest != nullptr) *farthest = count == 1 ? d : std::max(*farthest, d);
      }
    }
    return count;
  }
  // Looked at by hand: WF_CAPTURE_DIR=dir writes the image there as a PGM.
  void Capture(const char* name) {
    const char* dir = std::getenv("WF_CAPTURE_DIR");
    if (dir == nullptr) return;
    FILE* file = std::fopen((std::string(dir) + "/" + name + ".pgm").c_str(), "wb");
    if (file == nullptr) return;
    std::fprintf(file, "P5 %d %d 255\n", image.Width(), image.Height());
    const std::vector<std::uint8_t> bytes = ImageBytes(image);
    for (int y = 0; y < image.Height(); ++y)
      std::fwrite(&bytes[std::size_t(y) * image.GetRowBytes()], 1, std::size_t(image.Width()), file);
    std::fclose(file);
  }
  CRowIteratorBands image;
  ImageCanvas canvas;
};

TEST(TextDrawer, CharacterSetsMapToCodePages) {
  EXPECT_EQ(CharsetToCodePage(128), 932);
  EXPECT_EQ(CharsetToCodePage(130), 1361);
  EXPECT_EQ(CharsetToCodePage(255), 1);
  EXPECT_EQ(CharsetToCodePage(ANSI_CHARSET), 0);
  EXPECT_EQ(CharsetToCodePage(77), 0);
}

TEST(TextDrawer, BaselineTextInksWhereItStandsAndMovesTheOrigin) {
  RefPtr<GlyphFont> font = Font(24);
  ASSERT_TRUE(font);
  GreyTarget target(200, 40);
  target.canvas.SetFont(font.Get());
  target.canvas.SetTextOrigin(10, 30);
  TextIterator text("Wendle", 0);
  ASSERT_TRUE(target.canvas.DrawText(text, nullptr, false));
  std::vector<double> advances;
  ASSERT_TRUE(font->LayoutAdvances(text, &advances));
  ASSERT_EQ(advances.size(), 6u);
  double width = 0;
  for (double advance : advances) width += advance;
  EXPECT_NEAR(target.canvas.GetTextOrigin().x, 10 + width, 1e-9);
  EXPECT_EQ(target.canvas.GetTextOrigin().y, 30);
  EXPECT_GT(target.Inked(), 150);
  target.Capture("text-baseline");

  // Nothing above the cap height or left of the origin.
  const std::vector<std::uint8_t> bytes = ImageBytes(target.image);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (y < 6 || x < 9 || x > 11 + width) {
        EXPECT_LT(bytes[std::size_t(y) * target.image.GetRowBytes() + x], 128) << x << "," << y;
      }
}

TEST(TextDrawer, TheTextScaleSpreadsTheAdvancesNotTheGlyphs) {
  RefPtr<GlyphFont> font = Font(24);
  ASSERT_TRUE(font);
  TextIterator probe("ii", 0);
  std::vector<double> advances;
  ASSERT_TRUE(font->LayoutAdvances(probe, &advances));
  ASSERT_EQ(advances.size(), 2u);
  double inkedAtOne = 0;
  for (double scale : {1.0, 2.0}) {
    GreyTarget target(200, 40);
    target.canvas.SetFont(font.Get());
    target.canvas.SetTextOrigin(10, 30);
    target.canvas.SetTextScale(scale);
    TextIterator text("ii", 0);
    ASSERT_TRUE(target.canvas.DrawText(text, nullptr, false));
    EXPECT_NEAR(target.canvas.GetTextOrigin().x, 10 + scale * (advances[0] + advances[1]), 1e-9) << scale;
    // The second glyph starts one scaled advance on: no ink right of the first before it.
    const std::vector<std::uint8_t> bytes = ImageBytes(target.image);
    int gap = 0;
    for (int x = static_cast<int>(10 + advances[0]); x < static_cast<int>(10 + scale * advances[0]); ++x) {
      bool inked = false;
      for (int y = 0; y < 40; ++y) inked |= bytes[std::size_t(y) * target.image.GetRowBytes() + x] >= 128;
      gap += !inked;
    }
    EXPECT_GE(gap, static_cast<int>((scale - 1) * advances[0]) - 1) << scale;
    if (scale == 1.0)
      inkedAtOne = target.Inked();
    else
      EXPECT_NEAR(target.Inked(), inkedAtOne, inkedAtOne * 0.1) << "the glyphs keep their size";
  }
}

TEST(TextDrawer, TextFollowsACircleRigidOrBent) {
  RefPtr<GlyphFont> font = Font(20);
  ASSERT_TRUE(font);
  const Circle circle(150, 150, 100);
  for (bool bent : {false, true}) {
    GreyTarget target(300, 300);
    target.canvas.SetFont(font.Get());
    TextIterator text("WENDLE FORGE ALONG A CIRCLE, ROUND AND ROUND", 0);
    ASSERT_TRUE(target.canvas.DrawText(text, &circle, bent));
    double nearest = 0, farthest = 0;
    EXPECT_GT(target.Inked(150, 150, &nearest, &farthest), 1500);
    // Glyphs stand on the circle and reach outwards by their height.
    EXPECT_GT(nearest, 100 - 8);
    EXPECT_LT(farthest, 100 + 22);
    // The run goes most of the way round: every quadrant is inked.
    const std::vector<std::uint8_t> bytes = ImageBytes(target.image);
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
      int count = 0;
      for (int y = 150 * (quadrant / 2); y < 150 * (quadrant / 2 + 1); ++y)
        for (int x = 150 * (quadrant % 2); x < 150 * (quadrant % 2 + 1); ++x)
          count += bytes[std::size_t(y) * target.image.GetRowBytes() + x] >= 128;
      EXPECT_GT(count, 200) << quadrant << (bent ? " bent" : " rigid");
    }
    target.Capture(bent ? "text-circle-bent" : "text-circle-rigid");
  }
}

class Straight : public PathMeasure {
 public:
  bool Seek(double distance, PathPoint* point, PathPoint* normal) const override {
    *point = PathPoint{distance, 30};
    *normal = PathPoint{0, 1};
    return true;
  }
};

// Along a straight path each glyph lands on its laid-out cell, as on the baseline.
TEST(TextDrawer, StraightPathDrawsAsTheBaseline) {
  RefPtr<GlyphFont> font = Font(24);
  ASSERT_TRUE(font);
  std::vector<std::uint8_t> drawn[3];
  const Straight straight;
  for (int way = 0; way < 3; ++way) {
    GreyTarget target(200, 40);
    target.canvas.SetFont(font.Get());
    target.canvas.SetTextOrigin(4, way == 0 ? 30 : 0);
    TextIterator text("CIRCLE", 0);
    ASSERT_TRUE(target.canvas.DrawText(text, way == 0 ? nullptr : &straight, way == 2));
    drawn[way] = ImageBytes(target.image);
  }
  for (int way : {1, 2}) {
    int differing = 0;
    for (std::size_t i = 0; i < drawn[0].size(); ++i) differing += std::abs(drawn[0][i] - drawn[way][i]) > 64;
    EXPECT_LT(differing, way == 1 ? 1 : 20) << way;
  }
}

TEST(TextDrawer, MissingFontDrawsNothingAndMissingGlyphsStop) {
  GreyTarget target(100, 40);
  TextIterator text("abc", 0);
  EXPECT_TRUE(target.canvas.DrawText(text, nullptr, false));
  EXPECT_EQ(target.Inked(), 0);
  RefPtr<GlyphFont> font = Font(20);
  ASSERT_TRUE(font);
  target.canvas.SetFont(font.Get());
  target.canvas.SetTextOrigin(0, 30);
  TextIterator wide(u"a\u4e00b");
  EXPECT_FALSE(target.canvas.DrawText(wide, nullptr, false));
  EXPECT_GT(target.Inked(), 0);  // the glyph before it was drawn
  EXPECT_LT(target.canvas.GetTextOrigin().x, 20);

  // An origin that is no number, or a huge one, inks nothing.
  const int inked = target.Inked();
  for (double x : {std::nan(""), 1e300, -1073741824.0}) {
    target.canvas.SetTextOrigin(x, 30);
    TextIterator more("abc", 0);
    target.canvas.DrawText(more, nullptr, false);
  }
  EXPECT_EQ(target.Inked(), inked);
}

}  // namespace
}  // namespace corvel
