// The file-information tooltip: markup characters in data stay literal, the lines are laid out
// as the view shows them, and the process's locale is never touched.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "framework/detail/ThumbnailText.h"

namespace framework::detail {
namespace {

TEST(ThumbnailText, SizesInBytesKilobytesAndMegabytes) {
  EXPECT_EQ(FormatFileSize(1023), "1023 Bytes");
  EXPECT_EQ(FormatFileSize(1536), "1.5 KB");
  EXPECT_EQ(FormatFileSize(2097152), "2.00 MB");
}

TEST(ThumbnailText, DataFieldsShowLiterallyAndLinesStaySeparate) {
  const std::string localeBefore = std::setlocale(LC_ALL, nullptr);
  ThumbnailInfo info;
  info.width = 640;
  info.height = 480;
  info.fileFormat = 3;
  info.colourKind = 5;
  info.fileSize = 1536;
  info.exif = std::make_unique<CImageFileJPG::tag_ExifInfo>();
  std::strcpy(info.exif->CameraModel, "<i>Cam&Co");
  std::strcpy(info.exif->DateTime, "2024:05:06 07:08:09");
  const std::string text = FileInfoText("<b>x.png", "/photos/<old>/<b>x.png", info, std::locale::classic());

  EXPECT_EQ(text.rfind("<b><<b>x.png</b>\n640x480 - Greyscale, 1.5 KB\nJPEG file\n", 0), 0u) << text;
  EXPECT_NE(text.find("<font color=\"#363072\" style=\"b\"><<i>Cam&Co</font></b>\n"), std::string::npos);
  // The date taken ends its line, apart from the file's own time stamp.
  EXPECT_NE(text.find("Taken On: 05/06/24 07:08:09\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.rfind('\n') + 1), "Folder: /photos/<<old>");
  EXPECT_EQ(localeBefore, std::setlocale(LC_ALL, nullptr));

  info.exif.reset();
  const std::string plain = FileInfoText("a", "a.png", info, UserLocale());
  EXPECT_EQ(plain.find("Camera"), std::string::npos);
  EXPECT_EQ(plain.find("Taken On"), std::string::npos);
  EXPECT_EQ(localeBefore, std::setlocale(LC_ALL, nullptr));
}

}  // namespace
}  // namespace framework::detail
