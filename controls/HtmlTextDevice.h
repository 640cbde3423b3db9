// How the markup drawer selects fonts, measures and writes text. The drawer's own is the device
// context's; tests put one of fixed metrics in its place so that layouts are exact.
#pragma once
#include <string_view>
#include <vector>

#include "platform/gdi/Text.h"

class HtmlTextDevice {
 public:
  virtual ~HtmlTextDevice() = default;
  // A pass starts on `dc`: its font is kept and given back by End.
  virtual void Begin(HDC dc) = 0;
  virtual void SelectFont(const LOGFONT& font) = 0;
  virtual TEXTMETRIC Metrics() = 0;
  virtual SIZE Extent(std::string_view text) = 0;
  virtual void Write(int x, int y, std::string_view text) = 0;
  virtual void End() = 0;
};

class GdiTextDevice : public HtmlTextDevice {
 public:
  ~GdiTextDevice() override { End(); }
  void Begin(HDC dc) override;
  void SelectFont(const LOGFONT& font) override;
  TEXTMETRIC Metrics() override;
  SIZE Extent(std::string_view text) override;
  void Write(int x, int y, std::string_view text) override;
  void End() override;

 protected:
  HDC dc = nullptr;

 private:
  // Fonts of the pass by description, so that styles switching back and forth do not make a
  // font each time.
  struct CachedFont {
    LOGFONT description;
    HFONT font;
    TEXTMETRIC metrics;
  };
  static constexpr size_t kCachedFonts = 16;
  void ReleaseFonts();

  std::vector<CachedFont> fonts;
  size_t current = 0;
  HGDIOBJ oldFont = nullptr;
};
