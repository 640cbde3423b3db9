#include "codecs/ImageFile.h"
#include "codecs/ImageFileFormat.h"
#include "controls/ImageButton.h"
#include "platform/win32/ModuleResource.h"
#include "rowops/CoreTables.h"
#include "tests/controls/ControlsFixture.h"

namespace {

using wf_test::ControlsTest;
constexpr int kId = 42;
constexpr UINT kPictureId = 3044;

// An 85 x 85 opaque picture, pure red: its blend over the grey face shows the opacity.
std::vector<BYTE> RedPng() {
  CImageFile picture;
  picture.Create(85, 85, 24, keImageFormatPNG);
  for (long y = 0; y < 85; ++y)
    for (long x = 0; x < 85; ++x) picture.SetPixelColor(x, y, RGBQUAD{0, 0, 255, 0});
  unsigned char* buffer = nullptr;
  long size = 0;
  EXPECT_TRUE(picture.Encode(buffer, size, keImageFormatPNG));
  std::vector<BYTE> bytes(buffer, buffer + size);
  CImageFile::FreeMemory(buffer);
  return bytes;
}

class ImageButtonTest : public ControlsTest {
 protected:
  // The blends read the tables of the core's start-up.
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    ControlsTest::SetUp();
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    static const std::vector<BYTE> bytes = RedPng();
    static const BinaryResource table[] = {
        {"PNG", MAKEINTRESOURCE(kPictureId), bytes.data(), static_cast<DWORD>(bytes.size())}};
    platform::RegisterResourceTable(kModule, table, 1);
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE, CRect(20, 30, 60, 60), &panel, kId));
  }
  void TearDown() override {
    ControlsTest::TearDown();
    platform::UnregisterResourceTable(kModule);
  }
  // The red channel at the picture's centre.
  int CentreRed(const std::string& name) {
    platform::CapturedImage picture = Picture(button, name);
    return static_cast<int>((picture.At(picture.width / 2, picture.height / 2) >> 16) & 0xFF);
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7400);
  ImageButton button;
};

TEST_F(ImageButtonTest, SizesToThePictureAndBlendsItByState) {
  ASSERT_EQ(button.LoadImage(kPictureId).GetCode(), 0);
  button.SizeToImage(true);
  CRect place;
  button.GetWindowRect(&place);
  panel.ScreenToClient(&place);
  EXPECT_EQ(place, CRect(20, 30, 109, 119));
  // Red over the face at 200/255 away, 255 under the cursor; disabled, only its lightness at 100/255.
  const int face = GetRValue(GetSysColor(COLOR_BTNFACE));
  const int away = CentreRed("image-normal");
  EXPECT_NEAR(away, 255 - (255 - face) * 55 / 255, 2);
  platform::MouseMove(platform::CentreOf(button));
  platform::PumpMessages();
  EXPECT_EQ(CentreRed("image-hot"), 255);
  platform::MouseMove(platform::ClientPoint(panel, 250, 150));
  platform::PumpMessages();
  button.EnableWindow(FALSE);
  platform::CapturedImage disabled = Picture(button, "image-disabled");
  const std::uint32_t centre = disabled.At(44, 44);
  EXPECT_NE(centre, Rgb(GetSysColor(COLOR_BTNFACE)));
  EXPECT_LE(static_cast<int>((centre >> 16) & 0xFF), face);
  // The frame stays the button's.
  EXPECT_EQ(disabled.At(0, 0), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(ImageButtonTest, TheFocusRectangleShowsOverAPictureThatFillsTheFace) {
  ASSERT_EQ(button.LoadImage(kPictureId).GetCode(), 0);
  button.SizeToImage(true);
  const platform::CapturedImage away = Picture(button, "image-unfocused");
  button.SetFocus();
  platform::PumpMessages();
  const platform::CapturedImage focused = Picture(button, "image-focused");
  // Every other pixel of the rectangle 3 inside the edge is the picture's inverse.
  for (POINT dot : {POINT{3, 3}, POINT{45, 3}, POINT{3, 45}, POINT{85, 85}})
    EXPECT_EQ(focused.At(dot.x, dot.y), away.At(dot.x, dot.y) ^ 0x00FFFFFFu) << dot.x << "," << dot.y;
  EXPECT_EQ(focused.At(4, 3), away.At(4, 3));
  EXPECT_EQ(focused.At(44, 44), away.At(44, 44));
}

TEST_F(ImageButtonTest, AMissingPictureLeavesAPlainButton) {
  EXPECT_EQ(button.LoadImage(3099).GetCode(), 201);
  EXPECT_FALSE(button.HasImage());
  button.SizeToImage(true);
  CRect place;
  button.GetWindowRect(&place);
  EXPECT_EQ(place.Size(), CSize(40, 30));
  EXPECT_EQ(Picture(button, "image-missing").At(20, 15), Rgb(GetSysColor(COLOR_BTNFACE)));
}

}  // namespace
