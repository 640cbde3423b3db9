// TileWindow: a modeless, resizable window that shows the tile (or the originals) repeated side
// by side at a zoom, so that the user can judge whether it is seamless; dragging moves the
// tiling. Its placement, zoom and choice of source live in the command's parameters.
#pragma once
#include "core/RowIteratorBands.h"
#include "generators/Geometry.h"
#include "platform/classlib/ClassLib.h"
#include "shapes/ZoomLevels.h"

namespace app {

class TileWindow : public CDialog {
 public:
  static constexpr UINT kTemplate = 3022;
  static constexpr int kShowOriginalsItem = 3019;
  static constexpr int kViewItem = 3033;
  static constexpr int kZoomOutItem = 3032;
  static constexpr int kZoomInItem = 3035;
  static constexpr int kZoomTextItem = 3036;
  // Sent to the parent object instead of closing.
  static constexpr UINT kCloseRequest = WM_USER + 1;

  // `parentObject` gets kCloseRequest when the user closes the window.
  explicit TileWindow(CWnd* parentObject);
  BOOL Create() { return CDialog::Create(kTemplate, nullptr); }

  void Open(corvel::CRowIteratorBands& originals);
  void SetTile(corvel::CRowIteratorBands& tile);
  static bool ZoomAllowed(SIZE size, double zoom, bool multiply);
  // `window` moved wholly onto `work` and, where it would cover `keepClear`, beside it: right,
  // left, below or above, the first side where it fits; where none does, on the roomier of
  // right and left.
  static CRect PlaceBeside(CRect window, const CRect& keepClear, const CRect& work);

  // What the viewing area shows, from the top-left of the display canvas.
  corvel::CRowIteratorBands& GetDisplay() { return display_; }
  CPoint GetScrollOffset() const { return scrollOffset_; }
  CSize GetScaledTileSize() const { return scaledTileSize_; }
  CRect GetViewArea() const { return viewArea_; }
  bool HasWholeTiles() const { return wholeTiles_; }
  double GetZoom() const { return zoom_.value; }

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // The dialog keys' OK and Cancel would only hide the window: Esc closes it as its close box
  // does, and Enter, with no button to press, does nothing.
  void OnOK() override {}
  void OnCancel() override { OnClose(); }
  afx_msg void OnZoomOut();
  afx_msg void OnZoomIn();
  afx_msg void OnShowOriginals();
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  afx_msg void OnSize(UINT type, int width, int height);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* info);
  afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized);
  afx_msg void OnClose();
  afx_msg void OnPaint();
  afx_msg BOOL OnToolTipText(UINT, NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  corvel::CRowIteratorBands* ShownSource();
  void UpdateZoomControls();
  void EnableZoomButtons();
  void SavePlacement();
  void KeepOffTheDialog();
  void RememberZoomAnchor();
  void Render(bool recentre);
  bool FillPiece(corvel::CRowIteratorBands& piece, corvel::CRowIteratorBands& source, bool recentre);

  CWnd* parentObject_;
  int showOriginals_ = FALSE;
  corvel::CRowIteratorBands originals_;
  corvel::CRowIteratorBands tile_;
  CSize clientSize_{0, 0};
  CRect viewArea_{0, 0, 0, 0};
  shapes::ZoomFactor zoom_{1.0};
  int zoomGroupHalfWidth_ = 0;
  CSize minTrackSize_{0, 0};
  corvel::CRowIteratorBands display_;
  CPoint scrollOffset_{0, 0};
  bool dragging_ = false;
  CPoint dragLast_{0, 0};
  CSize scaledTileSize_{0, 0};
  CSize displaySize_{0, 0};
  CPoint tileOrigin_{0, 0};
  corvel::Point2D zoomAnchor_;
  bool wholeTiles_ = false;
  bool initialised_ = false;
};

}  // namespace app
