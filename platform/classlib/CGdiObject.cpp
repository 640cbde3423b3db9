#include "platform/classlib/CGdiObject.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/classlib/CWnd.h"
#include "platform/ui/Metrics.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNCREATE(CDC, CObject)

namespace {

// Temporary wrappers of this thread, which own nothing, not even when the thread ends.
template <class T>
struct Unowned {
  void operator()(T* wrapper) const {
    wrapper->Detach();
    delete wrapper;
  }
};
template <class T, class Handle>
std::map<Handle, std::unique_ptr<T, Unowned<T>>>& TempMap() {
  thread_local std::map<Handle, std::unique_ptr<T, Unowned<T>>> map;
  return map;
}

}  // namespace

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  DeleteObject();
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  m_hObject = nullptr;
  return object;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ object = Detach();
  return ::DeleteObject(object);
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
  if (!object) return nullptr;
  auto& map = TempMap<CGdiObject, HGDIOBJ>();
  auto& wrapper = map[object];
  if (!wrapper) {
    // The wrapper is of the object's own kind, as the typed selections hand it on.
    switch (::GetObjectType(object)) {
      case OBJ_PEN:
        wrapper.reset(new CPen);
        break;
      case OBJ_BRUSH:
        wrapper.reset(new CBrush);
        break;
      case OBJ_FONT:
        wrapper.reset(new CFont);
        break;
      case OBJ_BITMAP:
        wrapper.reset(new CBitmap);
        break;
      case OBJ_REGION:
        wrapper.reset(new CRgn);
        break;
      default:
        wrapper.reset(new CGdiObject);
        break;
    }
    wrapper->m_hObject = object;
  }
  return wrapper.get();
}

void CGdiObject::DeleteTempMap() { TempMap<CGdiObject, HGDIOBJ>().clear(); }

BOOL CBrush::CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }

BOOL CFont::CreatePointFont(int pointSize, LPCSTR face) {
  LOGFONT font{};
  font.lfHeight = -MulDiv(pointSize, 96, 720);
  font.lfWeight = FW_NORMAL;
  if (face) std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", face);
  return CreateFontIndirect(&font);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

CDC::~CDC() {
  if (owned_ && m_hDC) ::DeleteDC(m_hDC);
}

CDC* CDC::FromHandle(HDC dc) {
  if (!dc) return nullptr;
  auto& map = TempMap<CDC, HDC>();
  auto& wrapper = map[dc];
  if (!wrapper) {
    wrapper.reset(new CDC);
    wrapper->m_hDC = dc;
  }
  return wrapper.get();
}

void CDC::DeleteTempMap() { TempMap<CDC, HDC>().clear(); }

BOOL CDC::Attach(HDC dc) {
  if (!dc) return FALSE;
  m_hDC = dc;
  owned_ = false;
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  owned_ = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* reference) {
  HDC dc = ::CreateCompatibleDC(reference ? reference->m_hDC : nullptr);
  if (!dc) return FALSE;
  DeleteDC();
  m_hDC = dc;
  owned_ = true;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  BOOL done = owned_ ? ::DeleteDC(m_hDC) : TRUE;
  m_hDC = nullptr;
  owned_ = false;
  return done;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (!object) return nullptr;
  return CGdiObject::FromHandle(::SelectObject(m_hDC, object->m_hObject));
}

CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT previous{};
  ::SetViewportOrgEx(m_hDC, x, y, &previous);
  return previous;
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT previous{};
  ::OffsetViewportOrgEx(m_hDC, dx, dy, &previous);
  return previous;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT previous{};
  ::SetWindowOrgEx(m_hDC, x, y, &previous);
  return previous;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(m_hDC, rect, brush);
  ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
  // Negative sizes extend to the left or up, as the frames of Draw3dRect use them.
  RECT rect{std::min(x, x + cx), std::min(y, y + cy), std::max(x, x + cx), std::max(y, y + cy)};
  FillSolidRect(&rect, colour);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx, y, -1, cy, bottomRight);
  FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT previous{};
  ::MoveToEx(m_hDC, x, y, &previous);
  return previous;
}

CSize CDC::GetTextExtent(LPCSTR text, int count) const {
  SIZE size{};
  ::GetTextExtentPoint32(m_hDC, text, count, &size);
  return size;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(HwndOf(wnd)) { m_hDC = ::GetDC(m_hWnd); }
CClientDC::~CClientDC() {
  ::ReleaseDC(m_hWnd, m_hDC);
  m_hDC = nullptr;
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(HwndOf(wnd)) { m_hDC = ::GetWindowDC(m_hWnd); }
CWindowDC::~CWindowDC() {
  ::ReleaseDC(m_hWnd, m_hDC);
  m_hDC = nullptr;
}
