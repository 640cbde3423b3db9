// Windows as objects: a CWnd is attached to one window handle, receives the window's messages
// through its message map (handlers named after the messages, reached by the ON_WM_ macros)
// and falls back on the window's own procedure. Windows not made through a CWnd are reached
// through temporary objects (FromHandle), which the idle time of modal loops deletes.
#pragma once
#include "platform/classlib/CCmdTarget.h"
#include "platform/classlib/CRect.h"
#include "platform/classlib/CString.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Ui.h"

#define afx_msg
#define CALLBACK

class CDC;
class CFont;
class CWnd;
class CMenu;
class CScrollBar;
class CToolTipCtrl;

// Messages of the class library.
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;  // wParam: disable commands without a handler
constexpr UINT WM_KICKIDLE = 0x036A;
constexpr UINT WM_INITIALUPDATE = 0x0364;

// The user interface of one command, updated by its ON_UPDATE_COMMAND_UI handler.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CMenu* m_pMenu = nullptr;
  CWnd* m_pOther = nullptr;  // the control or bar that shows the command
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);
  virtual void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
  virtual void SetText(LPCSTR text);
  void ContinueRouting() { m_bContinueRouting = TRUE; }
  // Asks the target's handler; without one, disables the command when asked to.
  BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);
};

class CWnd;
// The handle of a window object that may be null.
inline HWND HwndOf(const CWnd* wnd);

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)
 public:
  HWND m_hWnd = nullptr;
  // Places in the z-order for SetWindowPos.
  static const CWnd wndTop;
  static const CWnd wndBottom;
  static const CWnd wndTopMost;
  static const CWnd wndNoTopMost;

  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object attached to the window, else a temporary one; null for a null handle.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  static void DeleteTempMap();
  BOOL Attach(HWND hwnd);
  HWND Detach();

  // Creation with a class name (null: the class library's own window class).
  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                      UINT id, void* context = nullptr);
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, void* param = nullptr);
  virtual BOOL DestroyWindow();
  // Routes the window's messages through this object, ahead of its procedure.
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // Tree, geometry and state.
  CWnd* GetParent() const;
  CWnd* GetOwner() const { return GetParent(); }
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(int id) const;
  void GetDlgItem(int id, HWND* hwnd) const { *hwnd = ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int id);
  CWnd* GetWindow(UINT command) const { return FromHandle(::GetWindow(m_hWnd, command)); }
  BOOL IsChild(const CWnd* wnd) const { return ::IsChild(m_hWnd, HwndOf(wnd)); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
  void ClientToScreen(RECT* rect) const;
  void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
  void ScreenToClient(RECT* rect) const;
  void MapWindowPoints(CWnd* to, POINT* points, UINT count) const {
    ::MapWindowPoints(m_hWnd, HwndOf(to), points, count);
  }
  void MapWindowPoints(CWnd* to, RECT* rect) const {
    ::MapWindowPoints(m_hWnd, HwndOf(to), reinterpret_cast<POINT*>(rect), 2);
  }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  void MoveWindow(const RECT* rect, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
  }
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  void CenterWindow(CWnd* alternateOwner = nullptr);
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

  // Painting.
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
  void ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
    return ::RedrawWindow(m_hWnd, rect, region, flags);
  }
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, redraw, 0); }

  // Text, fonts, icons.
  void SetWindowText(LPCSTR text) { ::SetWindowText(m_hWnd, text); }
  int GetWindowText(LPSTR buffer, int size) const { return ::GetWindowText(m_hWnd, buffer, size); }
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON icon, BOOL big);
  HICON GetIcon(BOOL big) const;
  void SetDlgItemText(int id, LPCSTR text) { ::SetDlgItemText(m_hWnd, id, text); }
  int GetDlgItemText(int id, CString& text) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) {
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
  }
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
  }
  void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
  UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessage(m_hWnd, id, message, wParam, lParam);
  }

  // Messages, input, timers.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
  }
  // To every descendant (or only the children), depth first.
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL deep = TRUE);
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
  static CWnd* WindowFromPoint(POINT point) { return FromHandle(::WindowFromPoint(point)); }
  CWnd* ChildWindowFromPoint(POINT point) const { return FromHandle(::ChildWindowFromPoint(m_hWnd, point)); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) {
    return ::SetTimer(m_hWnd, id, elapse, proc);
  }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);
  // Scrolling.
  int SetScrollInfo(int bar, SCROLLINFO* info, BOOL redraw = TRUE) {
    return ::SetScrollInfo(m_hWnd, bar, info, redraw);
  }
  BOOL GetScrollInfo(int bar, SCROLLINFO* info, UINT mask = SIF_ALL) const;
  int GetScrollPos(int bar) const { return ::GetScrollPos(m_hWnd, bar); }
  int SetScrollPos(int bar, int pos, BOOL redraw = TRUE) { return ::SetScrollPos(m_hWnd, bar, pos, redraw); }
  void ScrollWindow(int dx, int dy, const RECT* rect = nullptr, const RECT* clip = nullptr) {
    ::ScrollWindow(m_hWnd, dx, dy, rect, clip);
  }

  // Updates the command user interface of the children (tool bars, buttons) with `target`.
  void UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler);
  // Tooltips for the children: TTN_NEEDTEXT comes to this window for each control.
  BOOL EnableToolTips(BOOL enable = TRUE);

  // The message pump's hooks.
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A notification reflected from the parent; TRUE when this control handled it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}
  // Calls the window's default handling for the message being handled.
  LRESULT Default();
  // The message this thread is handling (what Default passes on).
  static const MSG* GetCurrentMessage();

  // The window procedure of every window attached to an object.
  static LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Default handlers of the ON_WM_ macros: the window's default processing.
  afx_msg int OnCreate(CREATESTRUCT* cs);
  afx_msg void OnDestroy() { Default(); }
  afx_msg void OnNcDestroy() { Default(); }
  afx_msg void OnSize(UINT, int, int) { Default(); }
  afx_msg void OnMove(int, int) { Default(); }
  afx_msg void OnPaint() { Default(); }
  afx_msg BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
  afx_msg void OnLButtonDown(UINT, CPoint) { Default(); }
  afx_msg void OnLButtonUp(UINT, CPoint) { Default(); }
  afx_msg void OnLButtonDblClk(UINT, CPoint) { Default(); }
  afx_msg void OnRButtonDown(UINT, CPoint) { Default(); }
  afx_msg void OnRButtonUp(UINT, CPoint) { Default(); }
  afx_msg void OnMouseMove(UINT, CPoint) { Default(); }
  afx_msg BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
  afx_msg BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
  afx_msg void OnTimer(UINT_PTR) { Default(); }
  afx_msg void OnKeyDown(UINT, UINT, UINT) { Default(); }
  afx_msg void OnKeyUp(UINT, UINT, UINT) { Default(); }
  afx_msg void OnChar(UINT, UINT, UINT) { Default(); }
  afx_msg void OnSetFocus(CWnd*) { Default(); }
  afx_msg void OnKillFocus(CWnd*) { Default(); }
  afx_msg void OnCaptureChanged(CWnd*) { Default(); }
  afx_msg void OnContextMenu(CWnd*, CPoint) { Default(); }
  afx_msg void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
  afx_msg void OnHScroll(UINT, UINT, CScrollBar*);
  afx_msg void OnVScroll(UINT, UINT, CScrollBar*);
  afx_msg void OnEnable(BOOL) { Default(); }
  afx_msg void OnShowWindow(BOOL, UINT) { Default(); }
  afx_msg void OnSysColorChange() { Default(); }
  afx_msg void OnSettingChange(UINT, LPCSTR) { Default(); }
  afx_msg void OnCancelMode() { Default(); }
  afx_msg void OnClose() { Default(); }
  afx_msg LRESULT OnNcHitTest(CPoint) { return Default(); }
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  afx_msg void OnDrawItem(int id, DRAWITEMSTRUCT* item);
  afx_msg UINT OnGetDlgCode() { return static_cast<UINT>(Default()); }
  afx_msg void OnActivate(UINT, CWnd*, BOOL) { Default(); }

 protected:
  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before it was attached
  CToolTipCtrl* m_pToolTip = nullptr;
  DECLARE_MESSAGE_MAP()

 private:
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  BOOL DispatchEntry(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* result);
};

inline HWND HwndOf(const CWnd* wnd) { return wnd ? wnd->m_hWnd : nullptr; }

// A window class of the class library's own procedure with these traits, registered once; the
// name it answers lives as long as the process.
LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                           HICON icon = nullptr);

// The window-message entries: each calls the handler named after the message.
#define WF_ON_WM(message, sig, type, fn) \
  {(message), 0, 0, 0, AfxSig::sig, AfxMsgCast<type>(&ThisClass::fn), nullptr},
#define ON_WM_CREATE() WF_ON_WM(WM_CREATE, i_create, int (CWnd::*)(CREATESTRUCT*), OnCreate)
#define ON_WM_DESTROY() WF_ON_WM(WM_DESTROY, v, void (CWnd::*)(), OnDestroy)
#define ON_WM_SIZE() WF_ON_WM(WM_SIZE, v_uii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_MOVE() WF_ON_WM(WM_MOVE, v_ii, void (CWnd::*)(int, int), OnMove)
#define ON_WM_PAINT() WF_ON_WM(WM_PAINT, v, void (CWnd::*)(), OnPaint)
#define ON_WM_ERASEBKGND() WF_ON_WM(WM_ERASEBKGND, b_dc, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_LBUTTONDOWN() WF_ON_WM(WM_LBUTTONDOWN, v_up, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP() WF_ON_WM(WM_LBUTTONUP, v_up, void (CWnd::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() WF_ON_WM(WM_LBUTTONDBLCLK, v_up, void (CWnd::*)(UINT, CPoint), OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() WF_ON_WM(WM_RBUTTONDOWN, v_up, void (CWnd::*)(UINT, CPoint), OnRButtonDown)
#define ON_WM_RBUTTONUP() WF_ON_WM(WM_RBUTTONUP, v_up, void (CWnd::*)(UINT, CPoint), OnRButtonUp)
#define ON_WM_MOUSEMOVE() WF_ON_WM(WM_MOUSEMOVE, v_up, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_MOUSEWHEEL() WF_ON_WM(WM_MOUSEWHEEL, b_usp, BOOL (CWnd::*)(UINT, short, CPoint), OnMouseWheel)
#define ON_WM_SETCURSOR() WF_ON_WM(WM_SETCURSOR, b_wuu, BOOL (CWnd::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_TIMER() WF_ON_WM(WM_TIMER, v_t, void (CWnd::*)(UINT_PTR), OnTimer)
#define ON_WM_KEYDOWN() WF_ON_WM(WM_KEYDOWN, v_uuu, void (CWnd::*)(UINT, UINT, UINT), OnKeyDown)
#define ON_WM_KEYUP() WF_ON_WM(WM_KEYUP, v_uuu, void (CWnd::*)(UINT, UINT, UINT), OnKeyUp)
#define ON_WM_CHAR() WF_ON_WM(WM_CHAR, v_uuu, void (CWnd::*)(UINT, UINT, UINT), OnChar)
#define ON_WM_SETFOCUS() WF_ON_WM(WM_SETFOCUS, v_w, void (CWnd::*)(CWnd*), OnSetFocus)
#define ON_WM_KILLFOCUS() WF_ON_WM(WM_KILLFOCUS, v_w, void (CWnd::*)(CWnd*), OnKillFocus)
#define ON_WM_CAPTURECHANGED() WF_ON_WM(WM_CAPTURECHANGED, v_w, void (CWnd::*)(CWnd*), OnCaptureChanged)
#define ON_WM_CONTEXTMENU() WF_ON_WM(WM_CONTEXTMENU, v_wp, void (CWnd::*)(CWnd*, CPoint), OnContextMenu)
#define ON_WM_GETMINMAXINFO() WF_ON_WM(WM_GETMINMAXINFO, v_mmi, void (CWnd::*)(MINMAXINFO*), OnGetMinMaxInfo)
#define ON_WM_HSCROLL() WF_ON_WM(WM_HSCROLL, v_uus, void (CWnd::*)(UINT, UINT, CScrollBar*), OnHScroll)
#define ON_WM_VSCROLL() WF_ON_WM(WM_VSCROLL, v_uus, void (CWnd::*)(UINT, UINT, CScrollBar*), OnVScroll)
#define ON_WM_ENABLE() WF_ON_WM(WM_ENABLE, v_b, void (CWnd::*)(BOOL), OnEnable)
#define ON_WM_SHOWWINDOW() WF_ON_WM(WM_SHOWWINDOW, v_bu, void (CWnd::*)(BOOL, UINT), OnShowWindow)
#define ON_WM_SYSCOLORCHANGE() WF_ON_WM(WM_SYSCOLORCHANGE, v, void (CWnd::*)(), OnSysColorChange)
#define ON_WM_SETTINGCHANGE() WF_ON_WM(WM_SETTINGCHANGE, v_us, void (CWnd::*)(UINT, LPCSTR), OnSettingChange)
#define ON_WM_CANCELMODE() WF_ON_WM(WM_CANCELMODE, v, void (CWnd::*)(), OnCancelMode)
#define ON_WM_CLOSE() WF_ON_WM(WM_CLOSE, v, void (CWnd::*)(), OnClose)
#define ON_WM_NCHITTEST() WF_ON_WM(WM_NCHITTEST, l_p, LRESULT (CWnd::*)(CPoint), OnNcHitTest)
#define ON_WM_DRAWITEM() WF_ON_WM(WM_DRAWITEM, v_ids, void (CWnd::*)(int, DRAWITEMSTRUCT*), OnDrawItem)
#define ON_WM_GETDLGCODE() WF_ON_WM(WM_GETDLGCODE, u_v, UINT (CWnd::*)(), OnGetDlgCode)
#define ON_WM_ACTIVATE() WF_ON_WM(WM_ACTIVATE, v_uwb, void (CWnd::*)(UINT, CWnd*, BOOL), OnActivate)
#define ON_WM_NCDESTROY() WF_ON_WM(WM_NCDESTROY, v, void (CWnd::*)(), OnNcDestroy)
// Every WM_CTLCOLOR... message goes to the one handler with the kind of control.
#define ON_WM_CTLCOLOR()                                                              \
  WF_ON_WM(WM_CTLCOLORSTATIC, h_dwu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor) \
  WF_ON_WM(WM_CTLCOLOREDIT, h_dwu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)   \
  WF_ON_WM(WM_CTLCOLORBTN, h_dwu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)    \
  WF_ON_WM(WM_CTLCOLORDLG, h_dwu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)    \
  WF_ON_WM(WM_CTLCOLORLISTBOX, h_dwu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)
constexpr UINT CTLCOLOR_MSGBOX = 0;
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_LISTBOX = 2;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_DLG = 4;
constexpr UINT CTLCOLOR_SCROLLBAR = 5;
constexpr UINT CTLCOLOR_STATIC = 6;
