// CColorRef: the core's one colour value. Channels are kept at 16 bits (an 8-bit v as v x 257,
// so the high byte is the 8-bit value); a colour may also carry a palette index. Palette
// arguments are an entry count and entries laid out blue, green, red, reserved; a palette with
// no entries counts as no palette.
#pragma once
#include <cstdint>

#include "core/CoreResult.h"
#include "platform/win32/Types.h"

namespace corvel {

// Tolerance-match modes.
enum keMatchMode : int {
  keMatchAlways = 0,
  keMatchRGB = 1,
  keMatchHueSaturation = 2,
  keMatchLuminance = 3,
  keMatchOpaque = 4,
  keMatchAlpha = 5,
  keMatchHue = 6,
};

class CColorRef {
 public:
  using Comparator = bool (*)(const CColorRef& self, int tolerance, const CColorRef& other);

  CColorRef();
  CColorRef(COLORREF packed, std::uint32_t paletteSize = 0, const RGBQUAD* palette = nullptr);
  CColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha,
            std::uint32_t paletteSize = 0, const RGBQUAD* palette = nullptr);
  CColorRef(const CColorRef& other) = default;
  CColorRef& operator=(const CColorRef& other) = default;
  virtual ~CColorRef() = default;

  // Setters. With a palette the colour becomes its nearest entry and carries that index.
  virtual void SetBGR(const std::uint8_t* bytes, std::uint32_t size = 0, const RGBQUAD* palette = nullptr);
  virtual void SetColorref(COLORREF packed, std::uint32_t size = 0, const RGBQUAD* palette = nullptr);
  virtual void SetRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint32_t size = 0,
                      const RGBQUAD* palette = nullptr);
  virtual void SetBGRA(const std::uint8_t* bytes, std::uint32_t size = 0, const RGBQUAD* palette = nullptr);
  virtual void SetColorrefAlpha(std::uint32_t packed, std::uint32_t size = 0,
                                const RGBQUAD* palette = nullptr);
  virtual void Set(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha,
                   std::uint32_t size = 0, const RGBQUAD* palette = nullptr);
  virtual void SetIndex(std::int32_t index, std::uint32_t size = 0, const RGBQUAD* palette = nullptr);
  virtual void SetIndexAlpha(std::int32_t index, std::uint8_t alpha, std::uint32_t size = 0,
                             const RGBQUAD* palette = nullptr);
  virtual void SetGreyBytes(const std::uint8_t* bytes);
  virtual void SetGrey(std::uint8_t grey);
  virtual void SetGreyABytes(const std::uint8_t* bytes);
  virtual void SetGreyA(std::uint8_t grey, std::uint8_t alpha);
  virtual void SetAlpha(std::uint8_t alpha);
  virtual void Assign(const CColorRef& other);

  // Getters: 8-bit readings; 101 for a colour with neither a value nor a usable index.
  virtual int GetRed(std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual int GetGreen(std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual int GetBlue(std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual int GetAlpha(std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetBGR(std::uint8_t* bytes, std::uint32_t size = 0,
                            const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetColorref(COLORREF* packed, std::uint32_t size = 0,
                                 const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetRGBBytes(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue,
                                 std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetRGB(std::uint32_t* red, std::uint32_t* green, std::uint32_t* blue,
                            std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetColorrefAlpha(std::uint32_t* packed, std::uint32_t size = 0,
                                      const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetBGRA(std::uint8_t* bytes, std::uint32_t size = 0,
                             const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetRGBA(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue, std::uint8_t* alpha,
                             std::uint32_t size = 0, const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetRGBA32(std::uint32_t* red, std::uint32_t* green, std::uint32_t* blue,
                               std::uint32_t* alpha, std::uint32_t size = 0,
                               const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetIndexByte(std::uint8_t* index, std::uint32_t size = 0,
                                  const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetIndex(std::int32_t* index, std::uint32_t size = 0,
                              const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetIndexAlphaBytes(std::uint8_t* index, std::uint8_t* alpha, std::uint32_t size = 0,
                                        const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetIndexAlpha(std::int32_t* index, std::uint32_t* alpha, std::uint32_t size = 0,
                                   const RGBQUAD* palette = nullptr) const;
  virtual CoreResult GetGreyByte(std::uint8_t* grey) const;
  virtual CoreResult GetGrey(std::uint32_t* grey) const;
  virtual CoreResult GetGreyABytes(std::uint8_t* greyAlpha) const;
  virtual CoreResult GetGreyAlpha(std::uint8_t* grey, std::uint8_t* alpha) const;
  virtual CoreResult GetGreyAlpha32(std::uint32_t* grey, std::uint32_t* alpha) const;

  // Tolerance in half-percent steps (200 and more: anything matches).
  virtual bool Matches(int mode, int tolerance, const CColorRef& other) const;
  virtual void SetMatchMode(int mode);
  virtual bool MatchesStored(int mode, int tolerance, const CColorRef& other) const;

  // 16-bit access for the 16-bit pixel formats.
  void Set16(std::uint16_t red, std::uint16_t green, std::uint16_t blue, std::uint16_t alpha);
  void Get16(std::uint16_t* red, std::uint16_t* green, std::uint16_t* blue, std::uint16_t* alpha) const;
  std::uint32_t Grey16() const;

  bool IsValid() const { return valid_; }
  bool IsIndexed() const { return indexed_; }
  // The stored channels as bytes, whether or not the colour is valid.
  std::uint8_t Red8() const { return static_cast<std::uint8_t>(red_ >> 8); }
  std::uint8_t Green8() const { return static_cast<std::uint8_t>(green_ >> 8); }
  std::uint8_t Blue8() const { return static_cast<std::uint8_t>(blue_ >> 8); }
  std::uint8_t Alpha8() const { return static_cast<std::uint8_t>(alpha_ >> 8); }

 private:
  bool valid_ = false;
  bool indexed_ = false;
  std::uint32_t red_ = 0;
  std::uint32_t green_ = 0;
  std::uint32_t blue_ = 0;
  std::uint32_t alpha_ = 0;
  std::int32_t index_ = 0;
  Comparator comparator_;
};

}  // namespace corvel
