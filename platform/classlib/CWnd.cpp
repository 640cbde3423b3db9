#include "platform/classlib/CWnd.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/classlib/CControls.h"
#include "platform/classlib/CGdiObject.h"
#include "platform/classlib/CWinApp.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

constexpr LPCSTR kWindowClass = "WfClassLibWnd";
constexpr LPCSTR kBigIconProp = "WfIconBig";
constexpr LPCSTR kSmallIconProp = "WfIconSmall";

std::mutex& PermanentMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HWND, CWnd*>& Permanent() {
  static auto* map = new std::map<HWND, CWnd*>;
  return *map;
}
std::map<HWND, std::unique_ptr<CWnd>>& Temporary() {
  thread_local std::map<HWND, std::unique_ptr<CWnd>> map;
  return map;
}
// Scroll-bar views of windows for the scroll handlers' argument, owning nothing.
std::map<HWND, std::unique_ptr<CScrollBar>>& TemporaryBars() {
  thread_local std::map<HWND, std::unique_ptr<CScrollBar>> map;
  return map;
}

CScrollBar* ScrollBarFromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  CWnd* permanent = CWnd::FromHandlePermanent(hwnd);
  if (permanent && permanent->IsKindOf(RUNTIME_CLASS(CScrollBar))) return static_cast<CScrollBar*>(permanent);
  auto& bar = TemporaryBars()[hwnd];
  if (!bar) {
    bar = std::make_unique<CScrollBar>();
    bar->m_hWnd = hwnd;
  }
  return bar.get();
}

// The object whose window is being created on this thread, attached by its first message.
thread_local CWnd* t_creating = nullptr;
thread_local std::vector<MSG> t_messages;

void EnsureWindowClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &CWnd::AfxWndProc;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kWindowClass;
    RegisterClass(&windowClass);
  });
}

bool ClassUsesOurProc(LPCSTR className) {
  WNDCLASS info{};
  return GetClassInfo(AfxGetInstanceHandle(), className, &info) && info.lpfnWndProc == &CWnd::AfxWndProc;
}

// The search of the message maps, from the class of `target` up.
template <class Match>
const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, Match match) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry && entry->nSig != AfxSig::end; ++entry) {
      if (match(*entry)) return entry;
    }
  }
  return nullptr;
}

struct NotifyExtra {
  NMHDR* header;
  LRESULT* result;
};

template <class F>
F As(AFX_PMSG pfn) {
  return AfxMsgHandler<F>(pfn);
}

// Removes and adds bits of the style (GWL_STYLE) or extended style (GWL_EXSTYLE), then applies any
// `flags` (SWP_FRAMECHANGED and the like) in place. FALSE when nothing changes.
BOOL ModifyStyleBits(HWND hwnd, int index, DWORD remove, DWORD add, UINT flags) {
  DWORD style = static_cast<DWORD>(::GetWindowLongPtr(hwnd, index)), wanted = (style & ~remove) | add;
  if (style == wanted) return FALSE;
  ::SetWindowLongPtr(hwnd, index, static_cast<LONG_PTR>(wanted));
  if (flags)
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

}  // namespace

LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  static std::mutex mutex;
  static auto* names = new std::set<std::string>;
  char name[128];
  std::snprintf(name, sizeof name, "WfClass:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                static_cast<void*>(background), static_cast<void*>(icon));
  std::lock_guard<std::mutex> lock(mutex);
  auto [at, added] = names->insert(name);
  if (added) {
    WNDCLASS windowClass{};
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = &CWnd::AfxWndProc;
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = background;
    windowClass.hIcon = icon;
    windowClass.lpszClassName = at->c_str();
    RegisterClass(&windowClass);
  }
  return at->c_str();
}

// ---- command targets ----

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig::end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  bool notify = HIWORD(static_cast<DWORD>(nCode)) == WM_NOTIFY && nCode != CN_UPDATE_COMMAND_UI;
  UINT message = notify ? WM_NOTIFY : WM_COMMAND;
  for (const AFX_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig::end; ++entry) {
      if (entry->nMessage != message || nID < entry->nID || nID > entry->nLastID) continue;
      bool codeMatches = notify ? LOWORD(entry->nCode) == LOWORD(static_cast<DWORD>(nCode))
                                : static_cast<int>(entry->nCode) == nCode;
      if (!codeMatches) continue;
      if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        return TRUE;
      }
      switch (entry->nSig) {
        case AfxSig::cmd:
          (this->*entry->pfn)();
          return TRUE;
        case AfxSig::cmdRange:
          (this->*As<void (CCmdTarget::*)(UINT)>(entry->pfn))(nID);
          return TRUE;
        case AfxSig::cmdUI: {
          auto* ui = static_cast<CCmdUI*>(pExtra);
          (this->*As<void (CCmdTarget::*)(CCmdUI*)>(entry->pfn))(ui);
          return !ui->m_bContinueRouting;
        }
        case AfxSig::notify: {
          auto* extra = static_cast<NotifyExtra*>(pExtra);
          (this->*As<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(entry->pfn))(extra->header, extra->result);
          return TRUE;
        }
        case AfxSig::notifyExRange: {
          auto* extra = static_cast<NotifyExtra*>(pExtra);
          if ((this->*As<BOOL (CCmdTarget::*)(UINT, NMHDR*, LRESULT*)>(entry->pfn))(nID, extra->header,
                                                                                    extra->result)) {
            return TRUE;
          }
          break;
        }
        default:
          break;
      }
    }
  }
  return FALSE;
}

void CCmdUI::Enable(BOOL on) {
  if (m_pOther && !on && CWnd::GetFocus() == m_pOther) {
    // A control losing its use gives the focus on, as a dialog would.
    if (CWnd* parent = m_pOther->GetParent()) parent->SendMessage(WM_NEXTDLGCTL, 0, FALSE);
  }
  if (m_pOther) m_pOther->EnableWindow(on);
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check) {
  if (m_pOther && (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON)) {
    m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
  }
}

void CCmdUI::SetText(LPCSTR text) {
  if (m_pOther) m_pOther->SetWindowText(text);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
  if (m_nID == 0 || !target) return TRUE;
  m_bEnableChanged = FALSE;
  m_bContinueRouting = FALSE;
  BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (!handled && disableIfNoHandler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info{nullptr};
    Enable(target->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
  }
  return handled;
}

// ---- windows ----

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;
const CWnd CWnd::wndTopMost;
const CWnd CWnd::wndNoTopMost;

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_DRAWITEM()
  ON_WM_CTLCOLOR()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
END_MESSAGE_MAP()

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    if (::IsWindow(m_hWnd)) {
      DestroyWindow();
    } else {
      Detach();
    }
  }
  delete m_pToolTip;
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard<std::mutex> lock(PermanentMutex());
  auto found = Permanent().find(hwnd);
  return found == Permanent().end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(hwnd)) return permanent;
  auto& temp = Temporary()[hwnd];
  if (!temp) {
    temp = std::make_unique<CWnd>();
    temp->m_hWnd = hwnd;
  }
  return temp.get();
}

void CWnd::DeleteTempMap() {
  auto& map = Temporary();
  for (auto& [hwnd, wnd] : map) wnd->m_hWnd = nullptr;
  map.clear();
  for (auto& [hwnd, bar] : TemporaryBars()) bar->m_hWnd = nullptr;
  TemporaryBars().clear();
  CDC::DeleteTempMap();
  CGdiObject::DeleteTempMap();
}

BOOL CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd) return FALSE;
  std::lock_guard<std::mutex> lock(PermanentMutex());
  Permanent()[hwnd] = this;
  m_hWnd = hwnd;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hwnd = m_hWnd;
  if (hwnd) {
    std::lock_guard<std::mutex> lock(PermanentMutex());
    auto found = Permanent().find(hwnd);
    if (found != Permanent().end() && found->second == this) Permanent().erase(found);
  }
  m_hWnd = nullptr;
  return hwnd;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void*) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, nullptr);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, void* param) {
  CREATESTRUCT cs{param,
                  AfxGetInstanceHandle(),
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                  HwndOf(parent),
                  static_cast<int>(rect.bottom - rect.top),
                  static_cast<int>(rect.right - rect.left),
                  static_cast<int>(rect.top),
                  static_cast<int>(rect.left),
                  static_cast<LONG>(style),
                  windowName,
                  className,
                  exStyle};
  if (!PreCreateWindow(cs)) return FALSE;
  if (!cs.lpszClass) {
    EnsureWindowClass();
    cs.lpszClass = kWindowClass;
  }
  bool ours = ClassUsesOurProc(cs.lpszClass);
  CWnd* outer = t_creating;
  if (ours) t_creating = this;
  HWND hwnd = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x,
                               cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  if (t_creating == this) t_creating = outer;
  if (!hwnd) return FALSE;
  if (!ours) SubclassWindow(hwnd);
  return m_hWnd == hwnd;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND hwnd = m_hWnd;
  if (FromHandlePermanent(hwnd) != this) {
    m_hWnd = nullptr;
    return ::DestroyWindow(hwnd);
  }
  BOOL destroyed = ::DestroyWindow(hwnd);
  // The window is gone whether or not its procedure saw the end of it.
  if (m_hWnd == hwnd && !::IsWindow(hwnd)) Detach();
  return destroyed;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!Attach(hwnd)) return FALSE;
  PreSubclassWindow();
  auto previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (previous != &AfxWndProc) m_pfnSuper = previous;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  HWND control = ::GetDlgItem(HwndOf(parent), static_cast<int>(id));
  return control && SubclassWindow(control);
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

LRESULT CWnd::AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd && t_creating) {
    wnd = t_creating;
    t_creating = nullptr;
    wnd->Attach(hwnd);
  }
  if (!wnd) return ::DefWindowProc(hwnd, message, wParam, lParam);
  t_messages.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  t_messages.pop_back();
  if (message == WM_NCDESTROY && FromHandlePermanent(hwnd) == wnd) {
    if (wnd->m_pfnSuper) ::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
    wnd->m_pfnSuper = nullptr;
    wnd->Detach();
    wnd->PostNcDestroy();  // may delete the object
  }
  return result;
}

const MSG* CWnd::GetCurrentMessage() { return t_messages.empty() ? nullptr : &t_messages.back(); }

LRESULT CWnd::Default() {
  const MSG* current = GetCurrentMessage();
  return current ? DefWindowProc(current->message, current->wParam, current->lParam) : 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 0;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    *result = 0;
    return OnNotify(wParam, lParam, result);
  }
  const AFX_MSGMAP_ENTRY* entry = FindEntry(GetMessageMap(), [message](const AFX_MSGMAP_ENTRY& candidate) {
    if (candidate.pRegisteredMessage) return *candidate.pRegisteredMessage == message;
    return candidate.nMessage == message && message != WM_COMMAND && message != WM_NOTIFY;
  });
  return entry && DispatchEntry(*entry, message, wParam, lParam, result);
}

BOOL CWnd::DispatchEntry(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT* result) {
  AFX_PMSG pfn = entry.pfn;
  switch (entry.nSig) {
    case AfxSig::message:
      *result = (this->*As<LRESULT (CWnd::*)(WPARAM, LPARAM)>(pfn))(wParam, lParam);
      break;
    case AfxSig::v:
      (this->*As<void (CWnd::*)()>(pfn))();
      break;
    case AfxSig::b_v:
      *result = (this->*As<BOOL (CWnd::*)()>(pfn))();
      break;
    case AfxSig::i_create:
      *result = (this->*As<int (CWnd::*)(CREATESTRUCT*)>(pfn))(reinterpret_cast<CREATESTRUCT*>(lParam));
      break;
    case AfxSig::v_uii:
      (this->*As<void (CWnd::*)(UINT, int, int)>(pfn))(
          static_cast<UINT>(wParam), static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
      break;
    case AfxSig::v_ii:
      (this->*As<void (CWnd::*)(int, int)>(pfn))(static_cast<SHORT>(LOWORD(lParam)),
                                                 static_cast<SHORT>(HIWORD(lParam)));
      break;
    case AfxSig::v_up:
      (this->*As<void (CWnd::*)(UINT, CPoint)>(pfn))(static_cast<UINT>(wParam), CPoint(lParam));
      break;
    case AfxSig::b_usp:
      *result = (this->*As<BOOL (CWnd::*)(UINT, short, CPoint)>(pfn))(
          LOWORD(wParam), static_cast<short>(HIWORD(wParam)), CPoint(lParam));
      break;
    case AfxSig::b_wuu:
      *result = (this->*As<BOOL (CWnd::*)(CWnd*, UINT, UINT)>(pfn))(
          FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig::v_w:
      (this->*As<void (CWnd::*)(CWnd*)>(pfn))(FromHandle(
          reinterpret_cast<HWND>(message == WM_CAPTURECHANGED ? static_cast<WPARAM>(lParam) : wParam)));
      break;
    case AfxSig::v_wp:
      (this->*As<void (CWnd::*)(CWnd*, CPoint)>(pfn))(FromHandle(reinterpret_cast<HWND>(wParam)),
                                                      CPoint(lParam));
      break;
    case AfxSig::v_t:
      (this->*As<void (CWnd::*)(UINT_PTR)>(pfn))(wParam);
      break;
    case AfxSig::v_uuu:
      (this->*As<void (CWnd::*)(UINT, UINT, UINT)>(pfn))(static_cast<UINT>(wParam), LOWORD(lParam),
                                                         HIWORD(lParam));
      break;
    case AfxSig::v_mmi:
      (this->*As<void (CWnd::*)(MINMAXINFO*)>(pfn))(reinterpret_cast<MINMAXINFO*>(lParam));
      break;
    case AfxSig::v_uus:
      (this->*As<void (CWnd::*)(UINT, UINT, CScrollBar*)>(pfn))(
          LOWORD(wParam), HIWORD(wParam), ScrollBarFromHandle(reinterpret_cast<HWND>(lParam)));
      break;
    case AfxSig::v_b:
      (this->*As<void (CWnd::*)(BOOL)>(pfn))(static_cast<BOOL>(wParam));
      break;
    case AfxSig::v_bu:
      (this->*As<void (CWnd::*)(BOOL, UINT)>(pfn))(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
      break;
    case AfxSig::v_us:
      (this->*As<void (CWnd::*)(UINT, LPCSTR)>(pfn))(static_cast<UINT>(wParam),
                                                     reinterpret_cast<LPCSTR>(lParam));
      break;
    case AfxSig::l_p:
      *result = (this->*As<LRESULT (CWnd::*)(CPoint)>(pfn))(CPoint(lParam));
      break;
    case AfxSig::b_dc:
      *result = (this->*As<BOOL (CWnd::*)(CDC*)>(pfn))(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
      break;
    case AfxSig::h_dwu: {
      UINT kind = message == WM_CTLCOLOREDIT      ? CTLCOLOR_EDIT
                  : message == WM_CTLCOLORLISTBOX ? CTLCOLOR_LISTBOX
                  : message == WM_CTLCOLORBTN     ? CTLCOLOR_BTN
                  : message == WM_CTLCOLORDLG     ? CTLCOLOR_DLG
                                                  : CTLCOLOR_STATIC;
      *result = reinterpret_cast<LRESULT>((this->*As<HBRUSH (CWnd::*)(CDC*, CWnd*, UINT)>(pfn))(
          CDC::FromHandle(reinterpret_cast<HDC>(wParam)), FromHandle(reinterpret_cast<HWND>(lParam)), kind));
      break;
    }
    case AfxSig::v_ids:
      (this->*As<void (CWnd::*)(int, DRAWITEMSTRUCT*)>(pfn))(static_cast<int>(wParam),
                                                             reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      break;
    case AfxSig::u_v:
      *result = (this->*As<UINT (CWnd::*)()>(pfn))();
      break;
    case AfxSig::v_uwb:
      (this->*As<void (CWnd::*)(UINT, CWnd*, BOOL)>(pfn))(
          LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
      break;
    default:
      return FALSE;
  }
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  auto control = reinterpret_cast<HWND>(lParam);
  if (control) {
    CWnd* child = FromHandlePermanent(control);
    if (child && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
  } else {
    code = CN_COMMAND;  // menus and accelerators
  }
  return OnCmdMsg(id, code, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header) return FALSE;
  CWnd* child = FromHandlePermanent(header->hwndFrom);
  if (child && child != this && child->OnChildNotify(WM_NOTIFY, header->idFrom, lParam, result)) return TRUE;
  auto id = static_cast<UINT>(header->idFrom);
  // A tooltip of a whole window names the window; its handlers are found by the window's id.
  if (header->code == TTN_NEEDTEXTA && (reinterpret_cast<NMTTDISPINFO*>(header)->uFlags & TTF_IDISHWND)) {
    id = static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)));
  }
  NotifyExtra extra{header, result};
  return OnCmdMsg(id, static_cast<int>(MAKELPARAM(static_cast<WORD>(header->code), WM_NOTIFY)), &extra,
                  nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return ReflectChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_COMMAND && message != WM_NOTIFY) return FALSE;
  UINT code = message == WM_COMMAND ? HIWORD(wParam) : reinterpret_cast<NMHDR*>(lParam)->code;
  const AFX_MSGMAP_ENTRY* entry = FindEntry(GetMessageMap(), [&](const AFX_MSGMAP_ENTRY& candidate) {
    return candidate.nMessage == message + WM_REFLECT_BASE && LOWORD(candidate.nCode) == LOWORD(code);
  });
  if (!entry) return FALSE;
  if (entry->nSig == AfxSig::cmd) {
    (this->*entry->pfn)();
  } else {
    LRESULT ignored = 0;
    (this->*As<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(entry->pfn))(reinterpret_cast<NMHDR*>(lParam),
                                                                    result ? result : &ignored);
  }
  return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

int CWnd::OnCreate(CREATESTRUCT*) { return static_cast<int>(Default()); }

void CWnd::OnHScroll(UINT, UINT, CScrollBar* bar) {
  const MSG* current = GetCurrentMessage();
  CWnd* child = bar ? FromHandlePermanent(bar->m_hWnd) : nullptr;
  LRESULT ignored = 0;
  if (child && child != this && current &&
      child->OnChildNotify(current->message, current->wParam, current->lParam, &ignored))
    return;
  Default();
}

void CWnd::OnVScroll(UINT code, UINT pos, CScrollBar* bar) { OnHScroll(code, pos, bar); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* wnd, UINT) {
  const MSG* current = GetCurrentMessage();
  CWnd* child = wnd ? FromHandlePermanent(wnd->m_hWnd) : nullptr;
  LRESULT brush = 0;
  if (child && child != this && current &&
      child->OnChildNotify(current->message, current->wParam, current->lParam, &brush)) {
    return reinterpret_cast<HBRUSH>(brush);
  }
  return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, DRAWITEMSTRUCT* item) {
  const MSG* current = GetCurrentMessage();
  CWnd* child = item ? FromHandlePermanent(item->hwndItem) : nullptr;
  LRESULT ignored = 0;
  if (child && child != this && current &&
      child->OnChildNotify(WM_DRAWITEM, current->wParam, current->lParam, &ignored))
    return;
  Default();
}

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::GetTopLevelParent() const { return FromHandle(::GetAncestor(m_hWnd, GA_ROOT)); }
CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }

int CWnd::SetDlgCtrlID(int id) {
  return static_cast<int>(::SetWindowLongPtr(m_hWnd, GWLP_ID, static_cast<LONG_PTR>(id)));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  return ModifyStyleBits(m_hWnd, GWL_STYLE, remove, add, flags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  return ModifyStyleBits(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

void CWnd::ClientToScreen(RECT* rect) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
  ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

void CWnd::ScreenToClient(RECT* rect) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  HWND after = nullptr;
  if (insertAfter == &wndTop)
    after = HWND_TOP;
  else if (insertAfter == &wndBottom)
    after = HWND_BOTTOM;
  else if (insertAfter == &wndTopMost)
    after = HWND_TOPMOST;
  else if (insertAfter == &wndNoTopMost)
    after = HWND_NOTOPMOST;
  else
    after = HwndOf(insertAfter);
  return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
  RECT area;
  HWND around = alternateOwner ? alternateOwner->m_hWnd : ::GetParent(m_hWnd);
  if (around && ::IsWindowVisible(around)) {
    ::GetWindowRect(around, &area);
  } else {
    ::SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT window;
  ::GetWindowRect(m_hWnd, &window);
  POINT corner{(area.left + area.right - (window.right - window.left)) / 2,
               (area.top + area.bottom - (window.bottom - window.top)) / 2};
  if (GetStyle() & WS_CHILD) ::ScreenToClient(::GetParent(m_hWnd), &corner);
  ::SetWindowPos(m_hWnd, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* dc) {
  if (!dc) return 0;
  return ::ReleaseDC(m_hWnd, dc->m_hDC);
}

void CWnd::GetWindowText(CString& text) const {
  int length = GetWindowTextLength();
  ::GetWindowText(m_hWnd, text.GetBuffer(length + 1), length + 1);
  text.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int id, CString& text) const {
  HWND control = ::GetDlgItem(m_hWnd, id);
  int length = control ? ::GetWindowTextLength(control) : 0;
  ::GetDlgItemText(m_hWnd, id, text.GetBuffer(length + 1), length + 1);
  text.ReleaseBuffer();
  return text.GetLength();
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }

HICON CWnd::SetIcon(HICON icon, BOOL big) {
  LPCSTR prop = big ? kBigIconProp : kSmallIconProp;
  auto previous = static_cast<HICON>(::GetProp(m_hWnd, prop));
  ::SetProp(m_hWnd, prop, icon);
  return previous;
}

HICON CWnd::GetIcon(BOOL big) const {
  return static_cast<HICON>(::GetProp(m_hWnd, big ? kBigIconProp : kSmallIconProp));
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep) {
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    ::SendMessage(child, message, wParam, lParam);
    if (deep && ::GetWindow(child, GW_CHILD))
      FromHandle(child)->SendMessageToDescendants(message, wParam, lParam, TRUE);
  }
}

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info, UINT mask) const {
  info->cbSize = sizeof *info;
  info->fMask = mask;
  return ::GetScrollInfo(m_hWnd, bar, info);
}

void CWnd::UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler) {
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    CCmdUI state;
    state.m_nID = static_cast<UINT>(::GetDlgCtrlID(child));
    state.m_pOther = FromHandle(child);
    // Static labels and controls without an id have no command to update.
    if (state.m_nID == 0 || state.m_nID == 0xFFFF ||
        (::SendMessage(child, WM_GETDLGCODE, 0, 0) & DLGC_STATIC))
      continue;
    state.DoUpdate(target, disableIfNoHandler);
  }
}

BOOL CWnd::EnableToolTips(BOOL enable) {
  if (!enable) {
    if (m_pToolTip) m_pToolTip->Activate(FALSE);
    return TRUE;
  }
  if (!m_pToolTip) {
    m_pToolTip = new CToolTipCtrl;
    if (!m_pToolTip->Create(this)) return FALSE;
  }
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    TOOLINFO tool{sizeof tool, TTF_IDISHWND | TTF_SUBCLASS, m_hWnd, reinterpret_cast<UINT_PTR>(child), {},
                  nullptr,     LPSTR_TEXTCALLBACK,          0};
    m_pToolTip->SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool));
  }
  m_pToolTip->Activate(TRUE);
  return TRUE;
}
