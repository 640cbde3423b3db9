// Pop-up windows that show a tip beside the pointer for an owner window, which decides when
// they show and hide: TToolTipWnd paints plain text, HtmlToolTipWnd markup through its own
// drawer. They only size, place and paint themselves.
#pragma once
#include <string>

#include "controls/HtmlDrawer.h"
#include "platform/classlib/ClassLib.h"

// The work area with one monitor, else the whole virtual screen.
void GetWorkArea(RECT* area);

class TToolTipWnd : public CWnd {
 public:
  TToolTipWnd() = default;
  ~TToolTipWnd() override = default;

  // Hidden, empty; placed behind `owner` while hidden and destroyed with it.
  BOOL Create(CWnd* owner);
  void Hide();
  void Show();

  const std::string& Text() const { return text; }
  const RECT& WindowRect() const { return windowRect; }
  const RECT& TextRect() const { return textRect; }

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* dc);
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()

  int margin = 2;
  RECT windowRect{};
  RECT textRect{};
  std::string text;
  CWnd* owner = nullptr;
  UINT drawFlags = 0;
};

class HtmlToolTipWnd : public TToolTipWnd {
 public:
  // Carriage returns, line feeds and tabs of a tip are dropped until the owner says otherwise.
  HtmlToolTipWnd() { drawer.SetLineBreakChars(0); }
  ~HtmlToolTipWnd() override = default;

  // Measures the tip for a pointer at the screen point (x, y), below and right of it and kept
  // on the screen; Show then shows it.
  void SetTip(int x, int y, const char* tip);
  HtmlDrawer& Drawer() { return drawer; }

 protected:
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()

  HtmlDrawer drawer;
};
