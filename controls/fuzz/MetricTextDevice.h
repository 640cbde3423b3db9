// A font of fixed metrics for the markup drawer's tests and fuzz target: every character is
// half the font's height wide (one pixel more from weight 700), the ascent three quarters of
// the height. What is written is recorded with its font and colour.
#pragma once
#include <string>
#include <vector>

#include "controls/HtmlDrawer.h"
#include "platform/gdi/Draw.h"

namespace fuzz {

class MetricTextDevice : public HtmlTextDevice {
 public:
  struct Written {
    int x, y;
    std::string text;
    LOGFONT font;
    COLORREF colour;
  };
  std::vector<Written> written;

  void Begin(HDC passDc) override { dc = passDc; }
  void SelectFont(const LOGFONT& selected) override { font = selected; }
  TEXTMETRIC Metrics() override {
    TEXTMETRIC metrics{};
    metrics.tmHeight = Height();
    metrics.tmAscent = Height() * 3 / 4;
    metrics.tmDescent = Height() - metrics.tmAscent;
    return metrics;
  }
  SIZE Extent(std::string_view text) override {
    return SIZE{static_cast<LONG>(text.size()) * Advance(), Height()};
  }
  void Write(int x, int y, std::string_view text) override {
    written.push_back({x, y, std::string(text), font, GetTextColor(dc)});
  }
  void End() override {}

  int Height() const { return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight > 0 ? font.lfHeight : 10; }
  int Advance() const { return Height() / 2 + (font.lfWeight >= 700 ? 1 : 0); }

 private:
  HDC dc = nullptr;
  LOGFONT font{};
};

// A drawer on the metric font with a white page to measure and draw on.
class MetricDrawer {
 public:
  MetricDrawer() : device(new MetricTextDevice), drawer(std::unique_ptr<HtmlTextDevice>(device)) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(nullptr, 400, 300);
    old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 400, 300, WHITENESS);
  }
  ~MetricDrawer() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  SIZE Measure(const char* text) { return drawer.Measure(SIZE{400, 300}, dc, text); }
  // Measures, then draws into (left, 0, right, 300); answers what was written.
  const std::vector<MetricTextDevice::Written>& Render(const char* text, int left = 0, int right = 201) {
    Measure(text);
    device->written.clear();
    drawer.Draw(dc, text, left, 0, right, 300);
    return device->written;
  }
  MetricTextDevice* device;
  HtmlDrawer drawer;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

}  // namespace fuzz
