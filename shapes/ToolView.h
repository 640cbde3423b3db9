// The view the user works on inside the plug-in dialog: the picked image at a zoom, scrolled,
// with the target shape of the chosen group over it. Three tools share the mouse: zoom, pan and
// shape. The view owns its shape.
#pragma once
#include <memory>

#include "shapes/PreviewView.h"
#include "shapes/TargetShape.h"

namespace shapes {

class CToolView : public PreviewView {
  DECLARE_DYNCREATE(CToolView)
 public:
  static constexpr UINT kZoomIn = 32773, kZoomOut = 32775;
  static constexpr UINT kZoomTool = 32776, kPanTool = 32778, kShapeTool = 32779;
  static constexpr UINT kLastTool = 33776;
  // The plug-in dialog's status line.
  static constexpr int kStatusItem = 1002;

  CToolView();
  ~CToolView() override;

  // Builds the shape of the current tiling method with its centre at `centre` (image
  // coordinates; kKeepCentre keeps the parameters'), makes it the only overlay and frees the
  // one it replaces.
  bool CreateTargetShape(Point2D centre);
  TargetShape* GetShape() const { return shape_.get(); }
  UINT GetCurrentTool() const { return currentTool; }

  void OnInitialUpdate() override;

 protected:
  void ZoomChanged() override;
  afx_msg void OnZoomIn();
  afx_msg void OnZoomOut();
  afx_msg void OnTool(UINT id);
  afx_msg void OnUpdateTool(CCmdUI* ui);
  afx_msg void OnLButtonDown(UINT flags, CPoint at);
  afx_msg void OnLButtonUp(UINT flags, CPoint at);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint at);
  afx_msg void OnRButtonDown(UINT flags, CPoint at);
  afx_msg void OnRButtonUp(UINT flags, CPoint at);
  afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint screenPoint);
  afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
  afx_msg BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
  DECLARE_MESSAGE_MAP()

 private:
  // The base handle size in image units, for the shape's hit test; kept with every change of the
  // zoom and every new shape.
  void UpdateHitTolerance();
  // Scrolls with the mouse until the button is released or the capture is lost; Esc scrolls
  // back to where it began and the mouse no longer scrolls.
  void PanLoop(CPoint pressed);
  // A press on the shape; a drag it starts holds the mouse, so that Esc comes here (the dialog
  // leaves it to the window holding the mouse) and calls the drag off.
  void PressShape(UINT flags, CPoint at, bool right);
  void ReleaseShape(UINT flags, CPoint at, bool right);

  UINT currentTool = kShapeTool;
  HCURSOR zoomCursor;
  HCURSOR panCursor;
  std::unique_ptr<TargetShape> shape_;
};

}  // namespace shapes
