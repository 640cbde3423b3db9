// The drawing state of a surface (view and zoom, clip, matrices, paints with their opacities and
// blends, pen, render settings, mask, font, saved states, the draw-call window) and the drawing
// operations that the state alone can carry out; the surface supplies the rest.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Matrix3.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Types.h"
#include "rowops/ImageSampler.h"
#include "rowops/RowOperation.h"
#include "vector/GlyphFont.h"
#include "vector/Paint.h"
#include "vector/RenderSettings.h"

namespace corvel {

class PathStage;
class RegionBase;

// What text drawing hands glyphs to.
class GlyphTarget {
 public:
  virtual ~GlyphTarget() = default;
  virtual bool DrawGlyphOutline(PathStage* stage, const Matrix3* matrix, double flatness) = 0;
  virtual bool DrawGlyphBitmap(CRowIteratorBands& coverage, double x, double y) = 0;
  virtual bool CanDrawGlyphBitmaps() = 0;
};

// Draw calls counted from 1; while enabled only calls first..last draw.
struct DrawCallWindowRecord {
  std::uint32_t flags = 0;
  std::int32_t enabled = 0;
  std::int32_t counter = 0;
  std::int32_t first = 0;
  std::int32_t last = 0;
};
enum DrawCallWindowFlags : std::uint32_t {
  keWindowSetEnabled = 1,
  keWindowGetEnabled = 2,
  keWindowGetCounter = 4,
  keWindowSetCounter = 8,
  keWindowGetRange = 16,
  keWindowSetRange = 32,
};

class DrawContext : public GlyphTarget {
 public:
  explicit DrawContext(keFormat format);
  ~DrawContext() override;
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  keFormat SetFormat(keFormat format);
  keFormat GetFormat() const { return format_; }

  virtual int SetView(int left, int top, int right, int bottom, double zoom);
  RECT GetRect(bool view) const { return view ? view_ : device_; }
  // Null: the whole view. Rectangles are in view coordinates.
  void SetClipRect(const RECT* rect);
  RECT GetClipRect() const { return state_.visible; }
  RECT GetDeviceClip() const { return state_.clip; }
  double GetZoom() const { return state_.zoom; }

  const Matrix3& GetMatrix() const { return state_.user; }
  void SetMatrix(const Matrix3& matrix);
  void SetDeviceMatrix(const Matrix3& matrix);
  bool SetUseDeviceMatrix(bool use);
  const Matrix3& CurrentTransform() const { return state_.current; }

  bool SaveState();
  bool RestoreState();
  bool RestoreAllStates();

  Paint* GetFillPaint() const { return state_.fillPaint.Get(); }
  bool IsFillPaintDirect() const { return state_.fillPaint && state_.fillPaint->IsDirect(); }
  bool SetFillOpacity(std::uint8_t opacity);
  bool SetStrokeOpacity(std::uint8_t opacity);
  // Null: the default blend. False when the clone cannot be made.
  bool SetFillBlend(const RowOperation* blend);
  bool SetStrokeBlend(const RowOperation* blend);
  // The context takes its own reference; null clears the paint.
  bool SetFillPaint(Paint* paint);
  bool SetStrokePaint(Paint* paint);
  Paint* GetStrokePaint() const { return state_.strokePaint.Get(); }

  // With deviceWidth strokes are built in device pixels.
  double SetLineWidth(double width, bool deviceWidth);
  double SetMiterLimit(double limit);
  std::int32_t SetLineJoin(std::int32_t join);
  // which: 0..3 one cap record, -2 all four; -1 (nothing changed) for anything else.
  std::int32_t SetCapKind(std::int32_t kind, int which);
  void SetCapFactors(double old[2], double length, double width, int which);
  bool SetDash(const double* lengths, int count, double offset) {
    return state_.pen.SetDash(lengths, count, offset);
  }
  const PenStyle& GetPen() const { return state_.pen; }

  // Coverage regions in view coordinates instead of drawing; null when nothing can be made.
  RegionBase* PathToRegion(PathStage& stage, bool antiAlias, const Matrix3* matrix, bool clip);
  RegionBase* StrokeToRegion(PathStage& stage, bool antiAlias, const Matrix3* matrix, bool clip);

  // Null image: no mask (placement and options stay). 101 when the image cannot be shared.
  int SetMask(CRowIteratorBands* image, const double placement[4], const SamplerOptions* options);

  bool StrokePath(PathStage* stage, const Matrix3* matrix);
  bool FillPath(PathStage* stage, const Matrix3* matrix);

  // The context takes its own reference; answers the font now set.
  GlyphFont* SetFont(GlyphFont* font);
  GlyphFont* GetFont() const { return state_.font.Get(); }
  void SetTextOrigin(double x, double y);
  PathPoint GetTextOrigin() const { return state_.textOrigin; }
  void SetTextScale(double scale) { state_.textScale = scale; }
  // From the text origin, or along the path when one is given (bent: each glyph's outline warped
  // onto it); the origin moves past the text. True without a font; false at a character the font
  // has no glyph for.
  bool DrawText(TextIterator& text, const PathMeasure* path, bool bent);

  std::int32_t SetAntialiasLevel(std::int32_t level);
  std::int32_t GetAntialiasLevel() const { return state_.settings.antiAliasLevel; }
  std::int32_t SetRenderMode(std::int32_t mode);
  std::int32_t GetRenderMode() const { return state_.settings.renderMode; }
  double SetFlatness(double flatness);
  std::int32_t SetFillRule(std::int32_t rule);
  std::int32_t GetFillRule() const { return state_.settings.fillRule; }
  void SetSettingsFlag(bool flag) { state_.settings.flag = flag; }
  std::int32_t GetSettingsPair(bool* flag) const;
  void SetSettingsPair(bool flag, std::int32_t value);
  const RenderSettings& GetRenderSettings() const { return state_.settings; }

  bool DrawCallWindow(DrawCallWindowRecord& record);

  bool DrawGlyphOutline(PathStage* stage, const Matrix3* matrix, double flatness) override;

  // The surface's part.
  virtual bool Fill(const RECT* rect) = 0;
  virtual bool FillRegion(RegionBase* region) = 0;
  virtual bool StrokeRegion(RegionBase* region) = 0;
  virtual bool Render(PathStage& stage, int mode, Paint* paint, std::int32_t fillRule,
                      const Matrix3* matrix) = 0;
  virtual int AttachImage(CRowIteratorBands& image) = 0;
  virtual int DetachImage() = 0;
  virtual CRowIteratorBands* GetTargetImage() { return nullptr; }

 protected:
  // False when the call falls outside the draw-call window (it then draws nothing).
  bool CountDrawCall();
  // For one drawing call with the fill (or stroke) paint.
  PaintAttachRecord AttachRecord(bool stroke);
  RECT OffsetScaleRect(const RECT& rect) const;

  CRowIteratorBands mask_;
  keFormat format_;
  RECT device_{0, 0, 0, 0};
  RECT view_{0, 0, 0, 0};

 private:
  struct State {
    State() = default;
    State(const State& other);
    State& operator=(const State&) = delete;
    State& operator=(State&&) = default;

    std::uint8_t fillOpacity = 255;
    std::uint8_t strokeOpacity = 255;
    std::unique_ptr<RowOperation> fillBlend;
    std::unique_ptr<RowOperation> strokeBlend;
    RECT clip{0, 0, 0, 0};
    RECT visible{0, 0, 0, 0};
    double zoom = 1.0;
    double maskPlacement[4] = {0, 0, 0, 0};
    SamplerOptions maskOptions{keInterpolationBilinear, 1, 0, false};
    Matrix3 user = kIdentityMatrix3;
    Matrix3 current = kIdentityMatrix3;
    Matrix3 inverseView = kIdentityMatrix3;
    Matrix3 deviceMatrix = kIdentityMatrix3;
    bool useDeviceMatrix = false;
    RefPtr<Paint> fillPaint;
    RefPtr<Paint> strokePaint;
    PenStyle pen;
    RenderSettings settings;
    RefPtr<GlyphFont> font;
    PathPoint textOrigin;
    double textScale = 1.0;
  };

  bool StrokeInDevicePixels(PathStage& stage, const Matrix3* matrix);
  bool SetBlend(std::unique_ptr<RowOperation>& slot, const RowOperation* blend);

  State state_;
  std::vector<std::unique_ptr<State>> saved_;
  DrawCallWindowRecord window_;
};

}  // namespace corvel
