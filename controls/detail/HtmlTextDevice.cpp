#include "controls/detail/HtmlTextDevice.h"

#include "platform/gdi/Draw.h"

void GdiTextDevice::Begin(HDC passDc) {
  End();
  dc = passDc;
}

void GdiTextDevice::SelectFont(const LOGFONT& logFont) {
  HFONT made = CreateFontIndirect(&logFont);
  HGDIOBJ previous = SelectObject(dc, made);
  if (!oldFont) oldFont = previous;
  if (font) DeleteObject(font);
  font = made;
}

TEXTMETRIC GdiTextDevice::Metrics() {
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

void GdiTextDevice::End() {
  if (dc && oldFont) SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
  font = nullptr;
  oldFont = nullptr;
  dc = nullptr;
}
