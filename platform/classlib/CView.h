// Views: windows that draw through OnDraw, made dynamically from their run-time class and
// deleted with their window; the scroll view keeps a scrolled drawing of a total size.
#pragma once
#include "platform/classlib/CGdiObject.h"
#include "platform/classlib/CWnd.h"

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
 public:
  virtual void OnDraw(CDC* dc) = 0;
  virtual void OnPrepareDC(CDC*) {}
  // Called once the view has been created and placed (WM_INITIALUPDATE does it too).
  virtual void OnInitialUpdate() { Invalidate(TRUE); }

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void PostNcDestroy() override { delete this; }
  afx_msg void OnPaint();
  afx_msg LRESULT HandleInitialUpdate(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()
};

class CScrollView : public CView {
  DECLARE_DYNAMIC(CScrollView)
 public:
  static const SIZE sizeDefault;

  // The drawing's size in pixels; page and line steps default to a tenth of the size and of
  // the page.
  void SetScrollSizes(int mapMode, SIZE total, const SIZE& page = sizeDefault,
                      const SIZE& line = sizeDefault);
  CSize GetTotalSize() const { return m_totalLog; }
  CPoint GetScrollPosition() const;
  // Scrolls to the position, kept within what the drawing allows.
  void ScrollToPosition(POINT position);
  void OnPrepareDC(CDC* dc) override;

 protected:
  int m_nMapMode = MM_TEXT;
  CSize m_totalLog;
  CSize m_pageDev;
  CSize m_lineDev;

  void UpdateBars();
  // Scrolls by the amount, answers whether it moved.
  virtual BOOL OnScrollBy(CSize amount, BOOL doScroll = TRUE);
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
  afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  int NewPosition(int bar, UINT code, UINT thumb) const;
};
