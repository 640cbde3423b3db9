// The scrolling, zooming image view the tool view builds on: one image of a provider at a zoom
// from a fixed table, centred while smaller than the window, painted through one memory bitmap,
// with the conversions between client and image coordinates that the shape editors work in.
#pragma once
#include "framework/HostImage.h"
#include "generators/Geometry.h"
#include "platform/classlib/ClassLib.h"

namespace framework {

// Told of every zoom change (the dialog's caption and zoom text).
class ZoomListener {
 public:
  virtual ~ZoomListener() = default;
  virtual void ShowZoom(double zoom) = 0;
};

class ZoomScrollView : public CScrollView {
  DECLARE_DYNCREATE(ZoomScrollView)
 public:
  static constexpr double kZoomSteps[] = {1.0 / 10, 1.0 / 9, 1.0 / 8, 1.0 / 7, 1.0 / 6, 1.0 / 5, 1.0 / 4,
                                          1.0 / 3,  1.0 / 2, 2.0 / 3, 1,       1.5,     2,       3,
                                          4,        5,       6,       7,       8,       9,       10};
  // The view's (-1, -1): zoom without keeping a point in place.
  static constexpr POINT kNoAnchor{-1, -1};

  // The displayed image is the provider's source, the alternative its auxiliary image.
  void SetImageProvider(HostImage* provider) { provider_ = provider; }
  void SetZoomListener(ZoomListener* listener) { listener_ = listener; }
  void SetCentred(bool centred) { centred_ = centred; }
  void SetShowAlternative(bool alternative) { showAlternative_ = alternative; }

  // To the next table step out or in; nothing beyond the table's ends.
  void ZoomStep(bool out, POINT anchor);
  // Keeps the image point under the anchor where it was; never below the table's first step.
  void SetZoom(double zoom, POINT anchor);
  double GetZoom() const { return zoom_; }
  // The zoom that shows the whole image in the client area; 1 without an image or client area.
  double FitZoom();
  CPoint CentringOffset();

  corvel::Point2D ClientToImage(const corvel::Point2D& point);
  corvel::Point2D ImageToClient(const corvel::Point2D& point);
  CPoint ClientToImage(POINT point);
  CPoint ImageToClient(POINT point);
  CRect ClientToImageRect(const RECT& rect);
  CRect ImageToClientRect(const RECT& rect);
  // (0, 0, width, height) of the shown image; empty without one. The shape editor's geometry
  // lives in it.
  CRect GetImageRect();

  void OnInitialUpdate() override;
  void OnDraw(CDC* dc) override;

  // The two checkerboard colours behind transparent pixels, and the overlays' tints (top byte
  // their opacity).
  static constexpr DWORD kCheckerLight = 0xFFFFFF, kCheckerDark = 0xC3CDD0;
  static constexpr DWORD kTintBlue = 0x7F0000FF, kTintRed = 0x7FFF0000;

 protected:
  // Draws over the image in client coordinates, into the bitmap the window gets.
  virtual void DrawOverlay(CDC*) {}
  // After every change of the zoom, whatever made it.
  virtual void ZoomChanged() {}
  // The image drawn: the provider's displayed or alternative image, null without one.
  corvel::CRowIteratorBands* GetImage();

 private:
  HostImage* provider_ = nullptr;
  ZoomListener* listener_ = nullptr;
  double zoom_ = 1.0;
  bool centred_ = true;
  bool showAlternative_ = false;
};

}  // namespace framework
