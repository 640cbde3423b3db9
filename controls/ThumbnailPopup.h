// A thumbnail view in a small tool window that picks one item: it opens beside a control of its
// owner and closes on a click, Enter, Space, Esc or the loss of the focus, telling the owner
// TVM_ENDPOPUP (posted: wParam the view, gone by then, so receivers read lParam, the item) and
// TVM_POPUPDESTROYING (sent: wParam the frame's handle).
#pragma once
#include "controls/ThumbnailView.h"

extern const UINT TVM_ENDPOPUP;
extern const UINT TVM_POPUPDESTROYING;

class CThumbnailPopup;

// The tool window around the popup; it forwards the view's messages to the owner.
class PopupFrame : public CWnd {
 public:
  CThumbnailPopup* view = nullptr;
  CWnd* owner = nullptr;  // null: the frame's parent
  int topBarWidth = 0;
  int topBarHeight = 0;
  CWnd* topBar = nullptr;

 protected:
  CWnd* Receiver();
  void PostNcDestroy() override;
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg LRESULT OnSelChange(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnEndPopup(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnPopupDestroying(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()
};

class CThumbnailPopup : public CThumbnailView {
  DECLARE_DYNCREATE(CThumbnailPopup)
 public:
  static constexpr int kColumns = 4;
  static constexpr int kMaxRows = 4;

  // `anchorRect` (screen) receives the popup's rectangle unless `frameRect` is not empty, which
  // then places the frame. Null when the popup or its view cannot be made.
  static CThumbnailPopup* CreatePopup(LPCSTR title, CWnd* parent, ThumbnailSource* source, UINT viewId,
                                      RECT* anchorRect, const RECT* frameRect, bool show, CWnd* topBar);
  void ShowPopup();
  // Sizes the popup for its items and places it beside the anchor in `rect`, within the work area.
  void ComputePopupRect(RECT* rect);
  // Runs once; the objects are freed when the frame's window is gone.
  void ClosePopup();
  PopupFrame& GetFrame() { return frame; }

  void OnInitialUpdate() override;

 protected:
  friend class PopupFrame;
  void PostNcDestroy() override;
  void EndPopup();
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
  afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnCaptureChanged(CWnd* window);
  DECLARE_MESSAGE_MAP()

  PopupFrame frame;
  CWnd* topBar = nullptr;
  CWnd* topBarParent = nullptr;
  bool closed = false;

 private:
  bool viewGone = false;  // the view's window went before the frame's
};
