// The image-file library: the image object CImageFile, byte streams over files and memory
// (ByteStream.h), the format dispatch and one codec class per format (ImageFileBMP.h, ...).
// Uses the core and the platform layer; the filter, the controls and the framework read and
// write image files through it.
//
// CImageFile: the image of the image-file library. One packed device-independent bitmap (the
// information header, the palette and bottom-up pixel rows of 1, 4, 8 or 24 bits in one heap
// block) plus an info record, and optionally an alpha plane, a selection mask and layers.
// Every codec decodes into a CImageFile and encodes from one; the format classes derive from
// it. Members report failure by false or null and keep a text in the last error.
#pragma once
#include <cstddef>
#include <cstdio>
#include <functional>

#include "codecs/ByteStream.h"
#include "codecs/ImageFileFormat.h"
#include "codecs/ImageFileInfo.h"
#include "platform/gdi/Text.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/ModuleResource.h"
#include "platform/win32/Types.h"

// What DrawStringEx draws: text on an optional background box with rounded corners.
struct CTextInfo {
  char text[4096];
  LOGFONT lfont;
  COLORREF fcolor;
  long align;  // 0 left, 1 centre, 2 right
  BYTE opaque;
  COLORREF bcolor;
  float b_opacity;  // 0 opaque .. 1 invisible
  BYTE b_outline;   // kept, not drawn
  BYTE b_round;     // corner radius in percent of a line's height, at most 50
};

class CImageFile {
 public:
  struct rgb_color {
    BYTE r, g, b;
  };

  explicit CImageFile(unsigned long type = keImageFormatUnknown);
  CImageFile(unsigned long width, unsigned long height, unsigned long bpp, unsigned long type);
  CImageFile(const CImageFile& src, bool copypixels = true, bool copyselection = true, bool copyalpha = true);
  // Construct and decode (or load); the outcome shows through IsValid and GetLastError.
  CImageFile(const char* filename, unsigned long type);
  CImageFile(FILE* stream, unsigned long type);
  CImageFile(CByteStream* stream, unsigned long type);
  CImageFile(unsigned char* buffer, unsigned long size, unsigned long type);
  virtual ~CImageFile();
  CImageFile& operator=(const CImageFile& src);

  // Lifecycle.
  bool Destroy();
  // The DIB block, or null; the pixels start cleared.
  void* Create(unsigned long width, unsigned long height, unsigned long bpp, unsigned long type);
  bool CreateFromArray(unsigned char* array, unsigned long width, unsigned long height, unsigned long bpp,
                       unsigned long bytesperline, bool flipimage);
  bool CreateFromMatrix(unsigned char** rows, unsigned long width, unsigned long height, unsigned long bpp,
                        unsigned long bytesperline, bool flipimage);
  void Copy(const CImageFile& src, bool copypixels = true, bool copyselection = true, bool copyalpha = true);
  bool Transfer(CImageFile& from);
  BYTE* GetBits(unsigned long row = 0);
  long GetSize() const;
  bool IsInside(long x, long y) const;
  void Clear(unsigned char value = 0);
  static void FreeMemory(void* memblock);

  // Encoding and decoding through the format dispatch.
  bool Encode(CByteStream* stream, unsigned long type);
  bool Encode(CByteStream* stream, CImageFile** images, int count, unsigned long type);
  bool Encode(FILE* stream, unsigned long type);
  bool Encode(FILE* stream, CImageFile** images, int count, unsigned long type);
  // buffer must be null on entry; release the result with FreeMemory.
  bool Encode(unsigned char*& buffer, long& size, unsigned long type);
  bool Encode2RGBA(CByteStream* stream);
  bool Encode2RGBA(unsigned char*& buffer, long& size);
  bool Decode(CByteStream* stream, unsigned long type);
  bool Decode(FILE* stream, unsigned long type);
  bool Decode(unsigned char* buffer, unsigned long size, unsigned long type);
  // The format whose signature a file's first bytes carry, of those a decode of unknown format
  // finds only by trying them (the JPEG-2000 family, enhanced metafiles, icons); keImageFormatUnknown
  // for any other. A damaged file decoded as its format tells what is wrong with it.
  static unsigned long FormatOfSignature(const unsigned char* head, std::size_t size);
  bool Save(const char* filename, unsigned long type);
  bool Load(const char* filename, unsigned long type = keImageFormatUnknown);
  bool LoadResource(HRSRC resource, unsigned long type, HMODULE module = nullptr);

  // Attributes.
  unsigned long GetWidth() const;
  unsigned long GetHeight() const;
  unsigned short GetBpp() const;
  unsigned long GetNumColors() const;
  unsigned long GetEffWidth() const;
  unsigned long GetType() const;
  bool IsValid() const;
  void* GetDIB() const;
  bool IsIndexed() const;
  unsigned char GetColorType();
  long GetTransIndex() const;
  void SetTransIndex(long index);
  bool IsTransparent() const;
  RGBQUAD GetTransColor();
  void SetTransColor(RGBQUAD color);
  long GetXDPI() const;
  long GetYDPI() const;
  void SetXDPI(long dpi);
  void SetYDPI(long dpi);
  unsigned long GetFlags() const;
  void SetFlags(unsigned long flags, bool lockreserved = true);
  unsigned long GetFrameDelay() const;
  void SetFrameDelay(unsigned long delay);
  void GetOffset(long* x, long* y) const;
  void SetOffset(long x, long y);
  unsigned char GetJpegQuality() const;
  void SetJpegQuality(unsigned char quality);
  unsigned char GetJpegScale() const;
  void SetJpegScale(unsigned char scale);
  long GetProgress() const;
  void SetProgress(long progress);
  long GetEscape() const;
  void SetEscape(long escape);
  bool IsEnabled() const;
  void Enable(bool enable = true);
  long GetNumFrames() const;
  long GetFrame() const;
  void SetFrame(long frame);
  const char* GetLastError() const;
  // After a decode of a file cut short that shows what came before (BMP, icons, GIF, JPEG): what
  // stands in for the part it lacks, such as "the rows it lacks are black"; null for a whole file.
  const char* GetShortFileFill() const;
  static const char* GetVersion();
  static float GetVersionNumber();
  unsigned long GetCodecOption(unsigned long format = keImageFormatUnknown) const;
  bool SetCodecOption(unsigned long option, unsigned long format = keImageFormatUnknown);

  // Alpha plane: one byte per pixel, rows bottom-up, 0 transparent, 255 opaque.
  void AlphaCreate();
  void AlphaDelete();
  bool AlphaIsValid() const;
  void AlphaClear();
  void AlphaSet(unsigned char level);
  void AlphaSet(long x, long y, unsigned char level);
  bool AlphaSet(CImageFile& from);
  unsigned char AlphaGet(long x, long y);
  BYTE* AlphaGetPointer(long x = 0, long y = 0);
  void AlphaInvert();
  unsigned char AlphaGetMax() const;
  void AlphaSetMax(unsigned char max);
  void AlphaPaletteEnable(bool enable = true);
  bool AlphaPaletteIsEnabled() const;
  bool AlphaPaletteIsValid();
  void AlphaPaletteClear();
  bool AlphaCopy(CImageFile& from);
  bool AlphaFlip();
  bool AlphaMirror();
  bool AlphaSplit(CImageFile* dest);
  bool AlphaPaletteSplit(CImageFile* dest);
  void AlphaStrip();

  // Palette.
  unsigned long GetPaletteSize() const;
  RGBQUAD* GetPalette() const;
  RGBQUAD GetPaletteColor(unsigned char i);
  bool GetPaletteColor(unsigned char i, unsigned char* r, unsigned char* g, unsigned char* b);
  void SetPaletteColor(unsigned char i, unsigned char r, unsigned char g, unsigned char b,
                       unsigned char alpha = 0);
  void SetPaletteColor(unsigned char i, RGBQUAD c);
  void SetPaletteColor(unsigned char i, unsigned long colorref);
  void SetPalette(unsigned long n, unsigned char* r, unsigned char* g = nullptr, unsigned char* b = nullptr);
  void SetPalette(rgb_color* rgb, unsigned long n = 256);
  void SetPalette(RGBQUAD* pal, unsigned long n = 256);
  void SetGrayPalette();
  void SetStdPalette();
  void BlendPalette(unsigned long colorref, long percent);
  bool IsGrayScale();
  bool IsSamePalette(CImageFile& img, bool checkalpha = true);
  void SwapIndex(unsigned char i1, unsigned char i2);
  unsigned long GetClrImportant() const;
  void SetClrImportant(unsigned long n = 0);
  unsigned char GetNearestIndex(RGBQUAD c);
  static RGBQUAD RGBtoRGBQUAD(unsigned long colorref);
  static unsigned long RGBQUADtoRGB(RGBQUAD c);

  // Pixels: x from the left, y from the bottom row.
  unsigned char GetPixelIndex(long x, long y);
  void SetPixelIndex(long x, long y, unsigned char i);
  RGBQUAD GetPixelColor(long x, long y, bool getalpha = true);
  unsigned char GetPixelGray(long x, long y);
  void SetPixelColor(long x, long y, RGBQUAD c, bool setalpha = false);
  void SetPixelColor(long x, long y, unsigned long colorref);
  void BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool setalpha = false);
  bool IsTransparent(long x, long y);
  // Note the order: both x values, then both y values.
  void DrawLine(int startx, int endx, int starty, int endy, RGBQUAD c, bool setalpha = false);
  void DrawLine(int startx, int endx, int starty, int endy, unsigned long colorref);

  // Exchange with the platform's graphics: global memory holding a packed DIB, bitmaps,
  // icons, and drawing into device contexts (sizes below 0 stand for the image's own).
  HANDLE CopyToHandle();
  bool CreateFromHANDLE(HANDLE handle);
  HBITMAP MakeBitmap(HDC hdc = nullptr);
  bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
  bool CreateFromHICON(HICON icon);
  long Draw(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1, RECT* clip = nullptr,
            bool smooth = false);
  long Draw(HDC hdc, const RECT& rect, RECT* clip = nullptr, bool smooth = false);
  long Draw2(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1);
  long Draw2(HDC hdc, const RECT& rect);
  long Stretch(HDC hdc, long x, long y, long cx, long cy, unsigned long rop = SRCCOPY);
  long Stretch(HDC hdc, const RECT& rect, unsigned long rop = SRCCOPY);
  long Tile(HDC hdc, RECT* rect);
  // (x, y) is the bottom-left corner of the text counted from the top of the picture.
  long DrawString(HDC hdc, long x, long y, const char* text, RGBQUAD color, const char* font, long size = 0,
                  long weight = 400, BYTE italic = 0, BYTE underline = 0, bool setalpha = false);
  long DrawStringEx(HDC hdc, long x, long y, CTextInfo* info, bool setalpha = false);
  static void InitTextInfo(CTextInfo* info);

  // Selection mask: one byte per pixel, rows bottom-up, nonzero selected.
  bool SelectionIsValid() const;
  bool SelectionCreate();
  bool SelectionDelete();
  bool SelectionClear();
  void SelectionGetBox(RECT& r) const;
  bool SelectionIsInside(long x, long y);
  bool SelectionInvert();
  bool SelectionCopy(CImageFile& from);
  bool SelectionSplit(CImageFile* dest);
  // Adds every run of fully selected pixels to region; rows are DIB rows.
  bool SelectionToHRGN(HRGN& region);
  bool SelectionAddPixel(int x, int y);
  bool SelectionAddRect(RECT r);
  bool SelectionAddEllipse(RECT r);
  bool SelectionAddPolygon(POINT* points, long count);
  bool SelectionAddColor(RGBQUAD c);

  // Turning over.
  bool Flip();
  bool Mirror();

  // Sampling between pixel centres (which lie at integer coordinates) and outside the image.
  enum class InterpolationMethod : int {
    Nearest = 1,
    Bilinear = 2,
    BSpline = 3,
    Cubic = 4,
    GeneralizedCubic = 5,
    Lanczos = 6,
    Box = 7,
    Hermite = 8,
    Hamming = 9,
    Sinc = 10,
    Blackman = 11,
    Bessel = 12,
    Gaussian = 13,
    Quadratic = 14,
    Mitchell = 15,
    Catrom = 16,
  };
  // What a sample outside the image yields.
  enum class OverflowMethod : int {
    Color = 1,
    Background = 2,
    Transparent = 3,
    Wrap = 4,
    Repeat = 5,
    Mirror = 6,
  };
  void OverflowCoordinates(long& x, long& y, OverflowMethod method);
  void OverflowCoordinates(float& x, float& y, OverflowMethod method);
  // A null replacement colour means white with alpha 0.
  RGBQUAD GetPixelColorWithOverflow(long x, long y, OverflowMethod method = OverflowMethod::Background,
                                    const RGBQUAD* replacement = nullptr);
  RGBQUAD GetPixelColorInterpolated(float x, float y, InterpolationMethod method,
                                    OverflowMethod overflow = OverflowMethod::Background,
                                    const RGBQUAD* replacement = nullptr);
  // The average colour over a width x height rectangle centred on (x, y).
  RGBQUAD GetAreaColorInterpolated(float x, float y, float width, float height, InterpolationMethod method,
                                   OverflowMethod overflow = OverflowMethod::Background,
                                   const RGBQUAD* replacement = nullptr);
  static void AddAveragingCont(const RGBQUAD& color, float weight, float& r, float& g, float& b, float& a);
  static float KernelBSpline(float x);
  static float KernelLinear(float t);
  static float KernelCubic(float t);
  static float KernelGeneralizedCubic(float t, float a = -1);
  static float KernelLanczosSinc(float t, float r = 3);
  static float KernelBox(float x);
  static float KernelHermite(float x);
  static float KernelHamming(float x);
  static float KernelSinc(float x);
  static float KernelBlackman(float x);
  static double KernelBessel_J1(double x);
  static double KernelBessel_P1(double x);
  static double KernelBessel_Q1(double x);
  static double KernelBessel_Order1(double x);
  static float KernelBessel(float x);
  static float KernelGaussian(float x);
  static float KernelQuadratic(float x);
  static float KernelMitchell(float x);
  static float KernelCatrom(float x);

  // Geometric transformations. A null destination means the result replaces this image;
  // otherwise this image stays as it is and the result goes to the destination.
  bool RotateLeft(CImageFile* dest = nullptr);
  bool RotateRight(CImageFile* dest = nullptr);
  bool Rotate180(CImageFile* dest = nullptr);
  // Angles in degrees, counter-clockwise.
  bool Rotate(float angle, CImageFile* dest = nullptr);
  bool Rotate2(float angle, CImageFile* dest = nullptr,
               InterpolationMethod method = InterpolationMethod::Bilinear,
               OverflowMethod overflow = OverflowMethod::Background, const RGBQUAD* replacement = nullptr,
               bool optimizeRightAngles = true, bool keepSize = false);
  // Mode 1 nearest, 2 bicubic, anything else bilinear or (shrinking 24 bits) area averaging.
  bool Resample(long newx, long newy, int mode = 1, CImageFile* dest = nullptr);
  bool Resample2(long newx, long newy, InterpolationMethod method = InterpolationMethod::BSpline,
                 OverflowMethod overflow = OverflowMethod::Repeat, CImageFile* dest = nullptr,
                 bool disableAveraging = false);
  bool QIShrink(long newx, long newy, CImageFile* dest = nullptr);
  bool Thumbnail(long newx, long newy, RGBQUAD canvascolor, CImageFile* dest = nullptr);
  bool Expand(long left, long top, long right, long bottom, RGBQUAD canvascolor, CImageFile* dest = nullptr);
  bool Expand(long newx, long newy, RGBQUAD canvascolor, CImageFile* dest = nullptr);
  // Top and bottom count from the top of the picture.
  bool Crop(long left, long top, long right, long bottom, CImageFile* dest = nullptr);
  bool Crop(const RECT& rect, CImageFile* dest = nullptr);
  // Angle in radians.
  bool CropRotatedRectangle(long topx, long topy, long width, long height, float angle,
                            CImageFile* dest = nullptr);
  bool Skew(float xgain, float ygain, long xpivot = 0, long ypivot = 0, bool interpolate = false);
  bool CircleTransform(int type, long rmax = 0, float coeff = 1.0f);

  // Colour transformations.
  bool GrayScale();
  bool Negative();
  bool IncreaseBpp(unsigned long nbit);
  bool DecreaseBpp(unsigned long nbit, bool errordiffusion, const RGBQUAD* palette = nullptr,
                   unsigned long clrimportant = 0);
  // Method 0 to 7; other values act as 0.
  bool Dither(long method = 0);

 protected:
  void Startup(unsigned long type);
  void Ghost(CImageFile* from);
  void CopyInfo(const CImageFile& src);
  // Refuses (true) a null stream or an image without pixels, with a last-error text.
  bool EncodeSafeCheck(CByteStream* stream);
  void SetLastError(const char* text);
  // A refusal: keeps the text as the last error and answers false.
  bool Fail(const char* text);
  // A decoder met the file's end and left the rest as created: fill says what shows there (a
  // lasting text). The first note of a decode is kept.
  void NoteShortFile(const char* fill);
  // The note for rows left as created: black, or the first colour of a palette not black there.
  const char* LackedRowsFill() const;
  // Runs one decode or encode whose failures leave by throwing a CodecFailure
  // (codecs/detail/CodecFailure.h): true when it ends, else false with the failure's text.
  bool Guarded(const std::function<void()>& operation);
  void Bitfield2RGB(unsigned char* src, unsigned short redmask, unsigned short greenmask,
                    unsigned short bluemask, unsigned char bpp);
  // One row of Bitfield2RGB: width source pixels into a 24-bit row (which may overlap src).
  // At 32 bits, masks that are all zero mean blue, green, red and a dropped fourth byte.
  void BitfieldRow2RGB(const unsigned char* src, BYTE* dst, DWORD redmask, DWORD greenmask, DWORD bluemask,
                       unsigned char bpp);
  static int CompareColors(const void* a, const void* b);
  void RGBtoBGR(unsigned char* buffer, int length);
  unsigned char BlindGetPixelIndex(long x, long y);
  RGBQUAD BlindGetPixelColor(long x, long y);
  BYTE* BlindGetPixelPointer(long x, long y);
  // The colour of a pixel inside the image, alpha from the alpha plane when there is one.
  RGBQUAD PixelWithAlpha(long x, long y) {
    RGBQUAD c = BlindGetPixelColor(x, y);
    if (alpha_) c.rgbReserved = BlindAlphaGet(x, y);
    return c;
  }
  unsigned char BlindAlphaGet(long x, long y);
  void BlindSetPixelIndex(long x, long y, unsigned char i);
  // Every change of palette entries makes the nearest-colour cache stale.
  void InvalidateNearestCache() { info_.lastNearestValid = false; }

  void* dib_;
  BITMAPINFOHEADER header_;
  CImageFileInfo info_;
  BYTE* selection_;
  BYTE* alpha_;
  CImageFile** layers_;

 private:
  // reportFailure: a failure leaves the decoder's text (and frame count) in this image.
  bool DecodeWithFormat(CByteStream* stream, unsigned long type, bool reportFailure);
  bool EncodeWithFormat(CByteStream* stream, unsigned long type);
  bool CreateForRows(unsigned long width, unsigned long height, unsigned long bpp);
  void CopySourceRow(const unsigned char* source, unsigned long row, unsigned long bpp,
                     unsigned long bytesperline);
  void Unghost();
  // DrawStringEx once it has a device context.
  long DrawTextInfo(HDC hdc, long x, long y, CTextInfo* info, bool setalpha);
  // Draw's area (device coordinates inside the clip) through a work bitmap: sampled from the
  // image placed at (x, y, cx, cy), and blended over the device when blended is set.
  void DrawArea(HDC hdc, const RECT& painted, long x, long y, long cx, long cy, bool smooth, bool blended);
  // Bytes of an alpha or selection plane of this image's size.
  std::size_t PlaneSize() const;
  // An uninitialised plane, or null when the image has no pixels or the plane is too large.
  BYTE* AllocatePlane() const;
  void SetSelectionBoxEmpty();
  // The image an operation builds its result in: this image's info record, depth, format id
  // and palette, with an alpha plane when this image has one. The size is checked against
  // the image cap in 64 bits before anything is allocated.
  bool CreateWorkingImage(CImageFile& work, double width, double height, unsigned long bpp = 0);
  // The finished working image to the destination, or over this image without one.
  bool DeliverResult(CImageFile& work, CImageFile* dest);
  // Sets the progress for the row; true when the escape flag asks to stop.
  bool ReportRow(long row, long rows);
  // The area-averaging shrink of Resample into a 24-bit working image; false when its
  // accumulators cannot be had.
  bool ShrinkByAreas(CImageFile& work, double xScale, double yScale);
  // Stores an interpolated colour: through the colour setter in palette images, as bytes
  // otherwise, and its alpha into the alpha plane when there is one.
  void StoreSample(long x, long y, const RGBQUAD& c);
  // Samples this image at every (xs[i], ys[j]), points within half a pixel of the image, into
  // work (i, j) with a kernel method, its weights planned once per column and per row; false
  // for the methods without a kernel, or when the plans cannot be had.
  bool SampleGrid(const float* xs, long columns, const float* ys, long rows, InterpolationMethod method,
                  OverflowMethod overflow, CImageFile& work);
};
