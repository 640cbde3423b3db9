#include "controls/HtmlTextDevice.h"

#include <cstring>

#include "platform/gdi/Draw.h"

void GdiTextDevice::Begin(HDC passDc) {
  End();
  dc = passDc;
}

void GdiTextDevice::SelectFont(const LOGFONT& description) {
  for (size_t i = 0; i < fonts.size(); ++i)
    if (std::memcmp(&fonts[i].description, &description, sizeof description) == 0) {
      SelectObject(dc, fonts[i].font);
      current = i;
      return;
    }
  if (fonts.size() == kCachedFonts) ReleaseFonts();
  HFONT made = CreateFontIndirect(&description);
  HGDIOBJ previous = SelectObject(dc, made);
  if (!oldFont) oldFont = previous;
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  fonts.push_back({description, made, metrics});
  current = fonts.size() - 1;
}

TEXTMETRIC GdiTextDevice::Metrics() {
  if (current < fonts.size()) return fonts[current].metrics;
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  return metrics;
}

SIZE GdiTextDevice::Extent(std::string_view text) {
  SIZE size{0, 0};
  GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void GdiTextDevice::Write(int x, int y, std::string_view text) {
  TextOut(dc, x, y, text.data(), static_cast<int>(text.size()));
}

void GdiTextDevice::ReleaseFonts() {
  if (dc && oldFont) SelectObject(dc, oldFont);
  oldFont = nullptr;
  for (const CachedFont& cached : fonts) DeleteObject(cached.font);
  fonts.clear();
  current = 0;
}

void GdiTextDevice::End() {
  ReleaseFonts();
  dc = nullptr;
}
