// The zoomable image view that carries shape overlays: it keeps GDI+ running for them, forwards
// the mouse to the current overlay and draws it over the image in client coordinates.
#pragma once
#include <vector>

#include "framework/ZoomScrollView.h"
#include "shapes/ShapeHandle.h"

namespace shapes {

class PreviewView : public framework::ZoomScrollView {
 public:
  PreviewView();
  ~PreviewView() override;

  // The list does not own its overlays. The first one added to an empty list becomes current.
  void AddOverlay(ShapeHandle* shape);
  // The current overlay stays until the next AddOverlay.
  BOOL RemoveAllOverlays(int flag = 0);
  ShapeHandle* GetCurrentShape() const { return currentShape; }

 protected:
  void DrawOverlay(CDC* dc) override;

  afx_msg void OnLButtonDown(UINT flags, CPoint at);
  afx_msg void OnLButtonUp(UINT flags, CPoint at);
  afx_msg void OnRButtonDown(UINT flags, CPoint at);
  afx_msg void OnRButtonUp(UINT flags, CPoint at);
  afx_msg void OnMouseMove(UINT flags, CPoint at);
  afx_msg BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
  DECLARE_MESSAGE_MAP()

  ShapeHandle* currentShape = nullptr;
  std::vector<ShapeHandle*> overlays;

 private:
  ULONG_PTR gdiplusToken = 0;
};

}  // namespace shapes
