#include "framework/detail/ThumbnailText.h"

#include <cstdio>
#include <ctime>
#include <iomanip>
#include <sstream>

namespace framework::detail {
namespace {

const char* ColourText(int kind) {
  switch (kind) {
    case 1:
      return "Monochrome";
    case 2:
      return "16 colors";
    case 3:
      return "256 colors";
    case 5:
      return "Greyscale";
    case 6:
      return "Greyscale with transparency";
    case 7:
      return "True Color";
    case 8:
      return "True Color with transparency";
    default:
      return "";
  }
}

const char* FormatText(int format) {
  switch (format) {
    case 1:
      return "Windows Bitmap";
    case 2:
      return "GIF file";
    case 3:
      return "JPEG file";
    case 4:
      return "PNG file";
    case 6:
      return "TIFF file";
    case 8:
      return "PCX file";
    default:
      return "";
  }
}

std::string FormatTime(const std::tm& time, const char* pattern, const std::locale& locale) {
  std::ostringstream text;
  text.imbue(locale);
  text << std::put_time(&time, pattern);
  return text.str();
}

// The EXIF date reads "year:month:day hour:minute:second".
std::string TakenOnText(const char* exifDate, const std::locale& locale) {
  std::tm time{};
  char end = 0;
  if (std::sscanf(exifDate, "%d:%d:%d %d:%d:%d%c", &time.tm_year, &time.tm_mon, &time.tm_mday, &time.tm_hour,
                  &time.tm_min, &time.tm_sec, &end) != 6)
    return {};
  time.tm_year -= 1900;
  time.tm_mon -= 1;
  time.tm_isdst = -1;
  if (std::mktime(&time) == -1) return {};
  return "Taken On: " + EscapeMarkup(FormatTime(time, "%x %X", locale)) + "\n";
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    escaped += c;
    if (c == '<') escaped += '<';
  }
  return escaped;
}

std::string FormatFileSize(std::uint32_t bytes) {
  char text[32];
  if (bytes < 1024)
    std::snprintf(text, sizeof text, "%d Bytes", static_cast<int>(bytes));
  else if (bytes < 1048576)
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.2f MB", bytes / 1048576.0);
  return text;
}

std::string FileInfoText(const std::string& label, const std::string& path, const ThumbnailInfo& info,
                         const std::locale& locale) {
  std::string camera, takenOn;
  if (info.exif && info.exif->CameraModel[0]) {
    const std::string model(info.exif->CameraModel,
                            strnlen(info.exif->CameraModel, sizeof info.exif->CameraModel));
    camera = "<b>Camera: <font color=\"#363072\" style=\"b\">" + EscapeMarkup(model) + "</font></b>\n";
  }
  if (info.exif && info.exif->DateTime[0]) {
    const std::string date(info.exif->DateTime, strnlen(info.exif->DateTime, sizeof info.exif->DateTime));
    takenOn = TakenOnText(date.c_str(), locale);
  }
  const std::time_t stamp = static_cast<std::time_t>(info.lastWriteTime);
  std::tm local{};
  localtime_r(&stamp, &local);
  const std::size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);

  std::ostringstream text;
  text << "<b>" << EscapeMarkup(label) << "</b>\n"
       << info.width << 'x' << info.height << " - " << ColourText(info.colourKind) << ", "
       << FormatFileSize(info.fileSize) << '\n'
       << FormatText(info.fileFormat) << '\n'
       << camera << takenOn << EscapeMarkup(FormatTime(local, "%c", locale)) << '\n'
       << "Folder: " << EscapeMarkup(folder);
  return text.str();
}

const std::locale& UserLocale() {
  static const std::locale user = [] {
    try {
      return std::locale("");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  return user;
}

}  // namespace framework::detail
