#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"

namespace {

// The mask as rows of '#' and '.', top row first.
std::vector<std::string> Mask(CImageFile& image) {
  std::vector<std::string> rows;
  for (long y = static_cast<long>(image.GetHeight()) - 1; y >= 0; --y) {
    std::string row;
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x)
      row += image.SelectionIsInside(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

}  // namespace

TEST(ImageFileSelection, WithoutMaskEverythingInsideIsSelected) {
  CImageFile image(3, 2, 8, 0);
  EXPECT_FALSE(image.SelectionIsValid());
  EXPECT_TRUE(image.SelectionIsInside(2, 1));
  EXPECT_FALSE(image.SelectionIsInside(3, 1));
  EXPECT_FALSE(image.SelectionClear());
  EXPECT_FALSE(image.SelectionInvert());
  ASSERT_TRUE(image.SelectionCreate());
  EXPECT_FALSE(image.SelectionIsInside(2, 1));
  RECT box;
  image.SelectionGetBox(box);
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 0);
  EXPECT_EQ(box.bottom, 2);
  image.SelectionAddRect(Rect(0, 1, 2, 0));
  const auto before = Mask(image);
  EXPECT_EQ(before, (std::vector<std::string>{"...", "##."}));
  ASSERT_TRUE(image.SelectionInvert());
  EXPECT_EQ(Mask(image), (std::vector<std::string>{"###", "..#"}));
  ASSERT_TRUE(image.SelectionInvert());
  EXPECT_EQ(Mask(image), before);
  ASSERT_TRUE(image.SelectionClear());
  EXPECT_EQ(Mask(image), (std::vector<std::string>{"...", "..."}));
}

TEST(ImageFileSelection, RectanglesAreNormalisedAndClamped) {
  CImageFile a(5, 4, 8, 0), b(5, 4, 8, 0);
  ASSERT_TRUE(a.SelectionAddRect(Rect(1, 3, 4, 1)));
  ASSERT_TRUE(b.SelectionAddRect(Rect(4, 1, 1, 3)));
  EXPECT_EQ(Mask(a), Mask(b));
  EXPECT_EQ(Mask(a), (std::vector<std::string>{".....", ".###.", ".###.", "....."}));
  RECT box;
  a.SelectionGetBox(box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.top, 3);
  EXPECT_EQ(box.bottom, 1);

  CImageFile c(5, 4, 8, 0);
  ASSERT_TRUE(c.SelectionAddRect(Rect(10, 20, 12, 30)));
  EXPECT_EQ(Mask(c), (std::vector<std::string>{".....", ".....", ".....", "....."}));
  c.SelectionGetBox(box);
  EXPECT_EQ(box.top, 4);  // widened by the clamped values
  EXPECT_EQ(box.right, 5);
}

TEST(ImageFileSelection, Ellipse) {
  CImageFile image(9, 9, 8, 0);
  EXPECT_FALSE(image.SelectionAddEllipse(Rect(2, 0, 2, 8)));  // zero width
  EXPECT_TRUE(image.SelectionIsValid());                      // but the mask was made
  ASSERT_TRUE(image.SelectionAddEllipse(Rect(0, 8, 8, 0)));
  // Rows below the centre need the outline strictly below them, rows above strictly above.
  EXPECT_EQ(Mask(image),
            (std::vector<std::string>{".........", "....#....", "..#####..", ".#######.", ".#######.",
                                      ".#######.", ".#######.", "..#####..", "........."}));
}

TEST(ImageFileSelection, PolygonWindingDoesNotMatter) {
  POINT clockwise[] = {{1, 1}, {1, 4}, {4, 4}, {4, 1}};
  POINT anticlockwise[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
  CImageFile a(6, 6, 8, 0), b(6, 6, 8, 0);
  ASSERT_TRUE(a.SelectionAddPolygon(clockwise, 4));
  ASSERT_TRUE(b.SelectionAddPolygon(anticlockwise, 4));
  EXPECT_EQ(Mask(a), Mask(b));
  EXPECT_EQ(Mask(a), (std::vector<std::string>{"......", ".####.", ".####.", ".####.", ".####.", "......"}));
  RECT box;
  a.SelectionGetBox(box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.bottom, 0);
  EXPECT_EQ(box.right, 6);
  EXPECT_EQ(box.top, 6);
  EXPECT_FALSE(a.SelectionAddPolygon(clockwise, 2));
  EXPECT_FALSE(a.SelectionAddPolygon(nullptr, 4));
}

TEST(ImageFileSelection, PolygonRingsAndATriangle) {
  // Two squares as two rings, separated by a point with x = -1.
  POINT rings[] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {-1, 0}, {4, 3}, {4, 5}, {6, 5}, {6, 3}};
  CImageFile image(8, 6, 8, 0);
  ASSERT_TRUE(image.SelectionAddPolygon(rings, 9));
  EXPECT_EQ(Mask(image), (std::vector<std::string>{"....###.", "....###.", "....###.", "........", "##......",
                                                   "##......"}));
  POINT triangle[] = {{0, 0}, {6, 0}, {0, 6}};
  CImageFile t(7, 7, 8, 0);
  ASSERT_TRUE(t.SelectionAddPolygon(triangle, 3));
  EXPECT_EQ(Mask(t), (std::vector<std::string>{"#......", "##.....", "###....", "####...", "#####..",
                                               "######.", "#######"}));
}

TEST(ImageFileSelection, PolygonFarOutsideTheImageIsCheap) {
  POINT huge[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  CImageFile image(4, 4, 8, 0);
  EXPECT_TRUE(image.SelectionAddPolygon(huge, 3));
}

TEST(ImageFileSelection, ColourPixelsAndCopies) {
  CImageFile image(4, 2, 24, 0);
  image.SetPixelColor(1, 0, RGB(9, 8, 7));
  image.SetPixelColor(3, 1, RGB(9, 8, 7));
  ASSERT_TRUE(image.SelectionAddColor(RGBQUAD{7, 8, 9, 123}));
  EXPECT_EQ(Mask(image), (std::vector<std::string>{"...#", ".#.."}));
  RECT box;
  image.SelectionGetBox(box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 3);  // inclusive for colours
  EXPECT_EQ(box.bottom, 0);
  EXPECT_EQ(box.top, 1);
  EXPECT_TRUE(image.SelectionAddPixel(0, 1));
  EXPECT_FALSE(image.SelectionAddPixel(4, 1));

  CImageFile copy(4, 2, 8, 0);
  ASSERT_TRUE(copy.SelectionCopy(image));
  EXPECT_EQ(Mask(copy), Mask(image));
  CImageFile small(3, 2, 8, 0);
  EXPECT_FALSE(small.SelectionCopy(image));

  CImageFile split;
  ASSERT_TRUE(image.SelectionSplit(&split));
  EXPECT_EQ(split.GetPixelIndex(3, 1), 255);
  EXPECT_EQ(split.GetPixelIndex(2, 1), 0);
  EXPECT_TRUE(image.SelectionDelete());
  EXPECT_FALSE(image.SelectionSplit(&split));
}

TEST(ImageFileSelection, RegionOfTheFullySelectedRuns) {
  CImageFile image(6, 3, 8, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_FALSE(image.SelectionToHRGN(region));
  image.SelectionAddRect(Rect(1, 2, 3, 0));
  image.SelectionAddPixel(5, 2);
  image.SelectionAddPixel(4, 0);
  ASSERT_TRUE(image.SelectionToHRGN(region));
  RECT box;
  GetRgnBox(region, &box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 6);
  EXPECT_EQ(box.bottom, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(PtInRegion(region, x, y) != 0, image.SelectionIsInside(x, y)) << x << "," << y;
    }
  }
  HRGN none = nullptr;
  EXPECT_FALSE(image.SelectionToHRGN(none));
  DeleteObject(region);
}
