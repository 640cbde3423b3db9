// The tool bar: a row of flat picture buttons cut from one bitmap strip, sending WM_COMMAND
// to its parent; their states come from the parent's command-update handlers at idle time,
// and their tooltips from the parent's TTN_NEEDTEXT handler.
#pragma once
#include <cstddef>
#include <vector>

#include "platform/classlib/CControls.h"
#include "platform/classlib/CWnd.h"

constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_TOP = CBRS_TOP;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;

constexpr UINT TBBS_BUTTON = 0x0000;
constexpr UINT TBBS_SEPARATOR = 0x0001;
constexpr UINT TBBS_CHECKBOX = 0x0002;
constexpr UINT TBBS_GROUP = 0x0004;
constexpr UINT TBBS_CHECKGROUP = TBBS_GROUP | TBBS_CHECKBOX;
constexpr UINT TBBS_CHECKED = 0x0100;
constexpr UINT TBBS_PRESSED = 0x0200;
constexpr UINT TBBS_DISABLED = 0x0400;

// A tool-bar resource: the image size and the buttons' command ids (0 for a separator); the
// bitmap of the same id holds the images side by side.
struct ToolBarResource {
  UINT id;
  int width;
  int height;
  const UINT* items;
  std::size_t count;
};

namespace platform {
void RegisterToolBarTable(HINSTANCE module, const ToolBarResource* entries, std::size_t count);
}  // namespace platform

// A bitmap resource (RT_BITMAP: a device-independent bitmap without its file header), null
// when the module has none of that id or its bytes are not a bitmap.
HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);

class CToolBar : public CWnd {
  DECLARE_DYNAMIC(CToolBar)
 public:
  ~CToolBar() override;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* parent, DWORD controlStyle = TBSTYLE_FLAT,
                DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, CRect borders = CRect(0, 0, 0, 0),
                UINT id = AFX_IDW_TOOLBAR);
  BOOL LoadToolBar(UINT id);
  BOOL LoadBitmap(UINT id);
  BOOL SetButtons(const UINT* ids, int count);
  void SetSizes(SIZE button, SIZE image);
  int GetCount() const { return static_cast<int>(buttons_.size()); }
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void GetItemRect(int index, RECT* rect) const;
  UINT GetButtonStyle(int index) const;
  void SetButtonStyle(int index, UINT style);
  // The bar's size when laid out in one row.
  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) const;
  virtual void OnUpdateCmdUI(CCmdTarget* target, BOOL disableIfNoHandler);

 protected:
  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnCaptureChanged(CWnd* wnd);
  afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM);
  afx_msg BOOL OnToolTipText(UINT id, NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  struct Button {
    UINT id;
    UINT style;
    int image;
  };
  int HitTest(CPoint point) const;
  void DrawButton(CDC& dc, int index) const;
  void ResetTools(const std::vector<Button>& old);

  std::vector<Button> buttons_;
  CSize button_{23, 22};
  CSize image_{16, 15};
  HBITMAP bitmap_ = nullptr;
  int pressed_ = -1;  // the button the left button went down on
  int hot_ = -1;
  CToolTipCtrl tips_;
};

// The update of one tool-bar button.
class CToolCmdUI : public CCmdUI {
 public:
  void Enable(BOOL on = TRUE) override;
  void SetCheck(int check = 1) override;
  void SetText(LPCSTR) override {}
};
