#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/classlib/ClassLib.h"
#include "platform/win32/Clock.h"
#include "tests/platform/UiFixture.h"

namespace classlib_map_test {

// A window whose handlers record the arguments each message map signature hands them.
class CProbeWnd : public CWnd {
 public:
  std::vector<std::string> seen;
  bool deleted = false;
  bool* deletedFlag = nullptr;

  afx_msg int OnCreate(CREATESTRUCT* cs) {
    seen.push_back("create " + std::to_string(cs->cx));
    return CWnd::OnCreate(cs);
  }
  afx_msg void OnSize(UINT, int cx, int cy) {
    seen.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
  }
  afx_msg void OnLButtonDown(UINT flags, CPoint point) {
    seen.push_back("down " + std::to_string(point.x) + "," + std::to_string(point.y) +
                   ((flags & MK_LBUTTON) ? " L" : ""));
  }
  afx_msg BOOL OnMouseWheel(UINT, short delta, CPoint) {
    seen.push_back("wheel " + std::to_string(delta));
    return TRUE;
  }
  afx_msg void OnKeyDown(UINT key, UINT, UINT) { seen.push_back("key " + std::to_string(key)); }
  afx_msg void OnTimer(UINT_PTR id) { seen.push_back("timer " + std::to_string(id)); }
  afx_msg void OnSetFocus(CWnd* old) {
    seen.push_back(std::string("focus from ") + (old ? "a window" : "none"));
  }
  afx_msg LRESULT OnNcHitTest(CPoint) { return HTCLIENT; }
  afx_msg void OnPing() { seen.push_back("command"); }
  afx_msg void OnHScroll(UINT code, UINT, CScrollBar* bar) {
    seen.push_back("hscroll " + std::to_string(code) +
                   (bar && ::GetDlgCtrlID(bar->m_hWnd) == 88 ? " from 88" : ""));
  }
  afx_msg void OnFieldChanged() { seen.push_back("field changed"); }
  afx_msg void OnUpdatePassedOn(CCmdUI* ui) { ui->ContinueRouting(); }
  afx_msg BOOL OnTip(UINT id, NMHDR* header, LRESULT*) {
    auto* request = reinterpret_cast<NMTTDISPINFO*>(header);
    std::snprintf(request->szText, sizeof request->szText, "tip %u", id);
    return TRUE;
  }
  void PostNcDestroy() override {
    if (deletedFlag) *deletedFlag = true;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEWHEEL()
  ON_WM_KEYDOWN()
  ON_WM_TIMER()
  ON_WM_HSCROLL()
  ON_WM_SETFOCUS()
  ON_WM_NCHITTEST()
  ON_COMMAND(500, OnPing)
  ON_UPDATE_COMMAND_UI(503, OnUpdatePassedOn)
  ON_EN_CHANGE(77, OnFieldChanged)
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, OnTip)
END_MESSAGE_MAP()

// An edit that handles its own change notification before its parent sees it.
class CSelfishEdit : public CEdit {
 public:
  int changes = 0;
  afx_msg void OnChange() { ++changes; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfishEdit, CEdit)
  ON_CONTROL_REFLECT(EN_CHANGE, OnChange)
END_MESSAGE_MAP()

}  // namespace classlib_map_test

namespace {

using classlib_map_test::CProbeWnd;
using classlib_map_test::CSelfishEdit;
using wf_test::UiTest;

class ClassLibMapTest : public UiTest {
 protected:
  void TearDown() override {
    CWnd::DeleteTempMap();
    UiTest::TearDown();
  }
};

TEST_F(ClassLibMapTest, HandlersGetTheirMessagesArguments) {
  platform::VirtualClockScope clock;
  CProbeWnd wnd;
  LPCSTR windowClass = AfxRegisterWndClass(CS_DBLCLKS);
  EXPECT_STREQ(AfxRegisterWndClass(CS_DBLCLKS), windowClass);  // registered once
  ASSERT_TRUE(
      wnd.CreateEx(0, windowClass, "probe", WS_POPUP | WS_VISIBLE, CRect(100, 100, 300, 250), nullptr, 0));
  wnd.SetFocus();
  platform::Click(platform::ClientPoint(wnd.m_hWnd, 12, 34));
  platform::Wheel(platform::CentreOf(wnd.m_hWnd), -WHEEL_DELTA);
  platform::Key(VK_DOWN);
  wnd.SetTimer(9, 50);
  platform::PumpMessages();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(60));
  platform::PumpMessages();
  wnd.KillTimer(9);
  wnd.SendMessage(WM_COMMAND, 500);
  CSliderCtrl slider;
  ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE, CRect(0, 100, 100, 130), &wnd, 88));
  slider.SetFocus();
  platform::Key(VK_RIGHT);
  platform::PumpMessages();
  EXPECT_EQ(wnd.seen, (std::vector<std::string>{"create 200", "size 200x150", "focus from none",
                                                "down 12,34 L", "wheel -120", "key 40", "timer 9", "command",
                                                "hscroll 1 from 88", "hscroll 8 from 88"}));
}

TEST_F(ClassLibMapTest, ControlsHandleReflectedNotificationsThemselves) {
  CProbeWnd parent;
  parent.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0);
  CSelfishEdit edit;
  ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(5, 5, 100, 25), &parent, 77));
  CEdit plain;
  ASSERT_TRUE(plain.Create(WS_CHILD | WS_VISIBLE, CRect(5, 30, 100, 50), &parent, 77));
  edit.SetWindowText("one");
  plain.SetWindowText("two");
  EXPECT_EQ(edit.changes, 1);
  // The reflected change stops at the control; the other reaches the parent's map.
  EXPECT_EQ(std::count(parent.seen.begin(), parent.seen.end(), "field changed"), 1);
}

TEST_F(ClassLibMapTest, ToolTipsOfChildWindowsAskTheParentByTheChildsId) {
  CProbeWnd parent;
  parent.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0);
  CButton button;
  button.Create("Apply", WS_CHILD | WS_VISIBLE, CRect(5, 5, 80, 30), &parent, 3006);
  ASSERT_TRUE(parent.EnableToolTips());
  NMTTDISPINFO request{};
  request.hdr = NMHDR{nullptr, reinterpret_cast<UINT_PTR>(button.m_hWnd), TTN_NEEDTEXTA};
  request.uFlags = TTF_IDISHWND;
  parent.SendMessage(WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
  EXPECT_STREQ(request.szText, "tip 3006");
}

TEST_F(ClassLibMapTest, DestroyingTheWindowEndsTheObjectsHold) {
  bool ended = false;
  auto* wnd = new CProbeWnd;
  wnd->deletedFlag = &ended;
  wnd->CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0);
  HWND hwnd = wnd->m_hWnd;
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), wnd);
  ::DestroyWindow(hwnd);
  EXPECT_TRUE(ended);
  EXPECT_EQ(wnd->m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  delete wnd;
  // Windows made elsewhere get a temporary object that owns nothing.
  HWND other = MakeTop({0, 0, 5, 5});
  CWnd* temporary = CWnd::FromHandle(other);
  EXPECT_EQ(temporary->m_hWnd, other);
  CWnd::DeleteTempMap();
  EXPECT_TRUE(IsWindow(other));
}

TEST_F(ClassLibMapTest, CommandUpdatesDisableControlsWithoutHandlers) {
  CProbeWnd parent;
  parent.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0);
  CButton handled, orphan, label;
  handled.Create("Ping", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 500);
  orphan.Create("None", WS_CHILD | WS_VISIBLE, CRect(0, 20, 50, 40), &parent, 501);
  label.Create("Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, CRect(0, 40, 50, 60), &parent, 502);
  CButton passedOn;  // its update handler routes on, and no command handler follows
  passedOn.Create("On", WS_CHILD | WS_VISIBLE, CRect(0, 60, 50, 80), &parent, 503);
  parent.UpdateDialogControls(&parent, TRUE);
  EXPECT_TRUE(handled.IsWindowEnabled());
  EXPECT_FALSE(orphan.IsWindowEnabled());
  EXPECT_FALSE(passedOn.IsWindowEnabled());
  EXPECT_TRUE(label.IsWindowEnabled());
}

TEST_F(ClassLibMapTest, DrawingWrappersPaintWhatTheyName) {
  CBitmap bitmap;
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 20, 20));
  CBitmap* old = dc.SelectObject(&bitmap);
  dc.FillSolidRect(0, 0, 20, 20, RGB(1, 2, 3));
  dc.Draw3dRect(2, 2, 10, 8, RGB(255, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(dc.GetPixel(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(10, 2), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(11, 2), RGB(0, 0, 255));  // the top-right corner is the bottom-right's
  EXPECT_EQ(dc.GetPixel(2, 9), RGB(0, 0, 255));   // and so is the bottom-left one
  EXPECT_EQ(dc.GetPixel(5, 5), RGB(1, 2, 3));
  EXPECT_EQ(dc.GetPixel(12, 5), RGB(1, 2, 3));
  CPen pen(PS_SOLID, 1, RGB(0, 255, 0));
  CPen* oldPen = dc.SelectObject(&pen);
  dc.MoveTo(0, 15);
  dc.LineTo(20, 15);
  EXPECT_EQ(dc.GetPixel(7, 15), RGB(0, 255, 0));
  dc.SelectObject(oldPen);
  dc.SelectObject(old);
}

}  // namespace
