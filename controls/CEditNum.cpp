#include "controls/CEditNum.h"

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct FormatEntry {
  const char* format;
  double step;
};
constexpr FormatEntry kFormats[] = {
    {"%1.3f", 0.001}, {"%1.2f", 0.01}, {"%1.1f", 0.1}, {"%1.0f", 1}, {"%x", 1}};
constexpr int kHex = 4;

std::string WindowText(HWND hwnd) {
  std::vector<char> buffer(static_cast<std::size_t>(::GetWindowTextLength(hwnd)) + 1);
  ::GetWindowText(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

// Every occurrence of `from` in the text becomes `to`.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty() || from == to) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// The longest leading decimal number of the text ([sign] digits [. digits] [e [sign] digits]);
// empty when it starts with none. Words such as "nan" or "inf" are not numbers here.
std::string LeadingNumber(const std::string& text) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return {};
  const std::size_t start = i;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  if (text[i] == '-' || text[i] == '+') ++i;
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return {};
  const std::size_t beforeExponent = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (digits() == 0) i = beforeExponent;
  }
  return text.substr(start, i - start);
}

bool HoldsCapture(const CEditNum& control) {
  HWND capture = ::GetCapture();
  return capture && !control.IsForeignWindow(capture);
}

}  // namespace

// ---- The field ----

BEGIN_MESSAGE_MAP(NumEditField, CEdit)
  ON_CONTROL_REFLECT(EN_CHANGE, OnChange)
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
  ON_WM_TIMER()
  ON_WM_CHAR()
  ON_WM_KEYDOWN()
  ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

NumEditField::NumEditField() {
  const std::lconv* convention = std::localeconv();
  SetLocaleSigns(convention->decimal_point, convention->negative_sign);
}

void NumEditField::SetLocaleSigns(const std::string& decimal, const std::string& negative) {
  decimalSeparator = decimal.empty() ? "." : decimal;
  negativeSign = negative.empty() ? "-" : negative;
}

CEditNum* NumEditField::Owner() const { return static_cast<CEditNum*>(GetParent()); }

void NumEditField::OnChange() {
  CEditNum* owner = Owner();
  if (!ignoreNextChange && notifyOnChange) {
    KillTimer(CEditNum::kUpdateTimer);
    owner->Notify(EN_CHANGE);
    if (owner->UpdateDelay() > 0) SetTimer(CEditNum::kUpdateTimer, static_cast<UINT>(owner->UpdateDelay()));
  } else if (!notifyOnChange) {
    notifyOnChange = true;
  }
  owner->Invalidate(FALSE);
  ignoreNextChange = false;
}

void NumEditField::OnSetFocus(CWnd* previous) {
  Default();
  Owner()->FocusArrived(HwndOf(previous));
}

void NumEditField::OnKillFocus(CWnd* next) {
  Default();
  CEditNum* owner = Owner();
  owner->FocusLeft(HwndOf(next));
  // Left, the field shows the number it holds, not what was typed around it; a new text for
  // the same number is not reported as a change.
  const double value = owner->ClampValue(owner->ParseText());
  const bool rewrite = WindowText(m_hWnd) != owner->FormatValue(value);
  owner->SetValue(value, rewrite ? TRUE : FALSE, TRUE);
}

void NumEditField::OnTimer(UINT_PTR id) {
  if (id != CEditNum::kUpdateTimer) {
    Default();
    return;
  }
  KillTimer(id);
  CEditNum* owner = Owner();
  NumEditButton* button = owner->Button();
  const bool sliding = button && button->sliderWindow && ::IsWindowVisible(button->sliderWindow);
  if (sliding || HoldsCapture(*owner))
    SetTimer(id, static_cast<UINT>(owner->UpdateDelay()));
  else
    owner->Notify(EN_UPDATE);
}

bool NumEditField::Accepts(char c) const {
  const int index = Owner()->FormatIndex();
  const bool hex = index == kHex;
  int from = 0, to = 0;
  GetSel(from, to);
  std::string text = WindowText(m_hWnd);
  if (from >= 0 && to > from && static_cast<std::size_t>(to) <= text.size()) text.erase(from, to - from);
  auto contains = [](const std::string& in, char one) { return in.find(one) != std::string::npos; };
  if ((c >= '0' && c <= '9') || c == '\b') return true;
  if (!hex && contains(negativeSign, c)) return true;
  if (hex) return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  if (index <= 2 && contains(decimalSeparator, c) &&
      text.find_first_of(decimalSeparator) == std::string::npos)
    return true;
  return (c == 'e' || c == 'E') && from != 0 && text.find_first_of("eE") == std::string::npos;
}

void NumEditField::OnChar(UINT character, UINT, UINT) {
  if (character < 256 && Accepts(static_cast<char>(character))) Default();
}

void NumEditField::Step(int steps) {
  CEditNum* owner = Owner();
  owner->SetValue(owner->GetValue() + steps * owner->Step(), TRUE, TRUE);
}

void NumEditField::OnKeyDown(UINT key, UINT, UINT) {
  if (key == VK_UP)
    Step(1);
  else if (key == VK_DOWN)
    Step(-1);
  else
    Default();
}

BOOL NumEditField::OnMouseWheel(UINT, short delta, CPoint) {
  if (const int steps = delta / WHEEL_DELTA) Step(steps);
  return TRUE;
}

// ---- The control ----

IMPLEMENT_DYNAMIC(CEditNum, CWnd)

BEGIN_MESSAGE_MAP(CEditNum, CWnd)
  ON_WM_PAINT()
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
  ON_WM_SIZE()
  ON_WM_SETTINGCHANGE()
  ON_WM_ENABLE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CEditNum::CEditNum() : edit(new NumEditField), button(new NumEditButton) {}

CEditNum::~CEditNum() {
  if (m_hWnd) DestroyWindow();
  delete edit;
  delete button;
}

bool CEditNum::Create(UINT id, CWnd* parent, int minimum, int maximum, int value, int formatIndex,
                      int scaleMode, int sliderWidth, int updateDelay, BOOL hasButton, BOOL notify) {
  return CreateDouble(id, parent, minimum, maximum, value, formatIndex, scaleMode, sliderWidth, updateDelay,
                      hasButton, notify);
}

bool CEditNum::CreateDouble(UINT id, CWnd* parent, double minimum, double maximum, double value,
                            int formatIndex, int scaleMode, int sliderWidth, int updateDelay, BOOL hasButton,
                            BOOL notify) {
  CWnd* placeholder = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
  if (!placeholder) return false;
  this->hasButton = hasButton != FALSE;
  this->updateDelay = updateDelay;
  this->scaleMode = scaleMode;
  SetFormat(formatIndex);
  CRect place;
  placeholder->GetClientRect(&place);
  placeholder->MapWindowPoints(parent, &place);
  HWND before = ::GetWindow(placeholder->m_hWnd, GW_HWNDPREV);
  placeholder->DestroyWindow();
  controlId = id;
  if (!CWnd::Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, place, parent, id))
    return false;
  ::SetWindowPos(m_hWnd, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  CRect client;
  GetClientRect(&client);
  if (!edit->Create(WS_CHILD | WS_VISIBLE,
                    CRect(client.left + 2, client.top + 2, client.right - 18, client.bottom - 2), this,
                    kEditId))
    return false;
  edit->SendMessage(WM_SETFONT, static_cast<WPARAM>(parent->SendMessage(WM_GETFONT)), FALSE);
  if (this->hasButton &&
      !button->Create("", WS_CHILD | WS_VISIBLE | BS_CENTER | BS_VCENTER | BS_OWNERDRAW,
                      CRect(client.right - 17, client.top + 2, client.right - 2, client.bottom - 2), this,
                      kButtonId))
    return false;
  SetRange(minimum, maximum);
  SetValue(value, TRUE, notify);
  Invalidate();
  if (this->hasButton) this->sliderWidth = sliderWidth == -1 ? 100 : sliderWidth;
  EnableToolTips(TRUE);
  edit->notifyOnChange = true;
  return true;
}

void CEditNum::Layout() {
  CRect c;
  GetClientRect(&c);
  if (edit->m_hWnd)
    edit->SetWindowPos(nullptr, c.left + 3, c.top + 3, c.right - 35 - (c.left + 3),
                       c.bottom - 1 - (c.top + 3), SWP_NOZORDER | SWP_NOACTIVATE);
  if (hasButton && button->m_hWnd)
    button->SetWindowPos(nullptr, c.right - 17, c.top + 2, 15, c.bottom - 1 - (c.top + 2),
                         SWP_NOZORDER | SWP_NOACTIVATE);
}

void CEditNum::OnSize(UINT, int, int) {
  Default();
  Layout();
}

void CEditNum::OnSettingChange(UINT, LPCSTR) {
  Default();
  Layout();
}

void CEditNum::OnEnable(BOOL enable) {
  Default();
  if (edit->m_hWnd) edit->EnableWindow(enable);
  if (hasButton && button->m_hWnd) button->EnableWindow(enable);
}

void CEditNum::OnDestroy() {
  // A picture given to the drop button is the control's to free.
  if (hasButton && button->m_hWnd) {
    if (HBITMAP picture = button->GetBitmap()) ::DeleteObject(picture);
  }
  Default();
}

void CEditNum::SetRange(double minimum, double maximum) {
  this->minimum = std::isnan(minimum) ? 0 : minimum;
  this->maximum = std::isnan(maximum) ? this->minimum : maximum;
  if (edit->m_hWnd) {
    const double typed = ParseText();
    if (typed < this->minimum)
      SetValue(this->minimum, TRUE, TRUE);
    else if (typed > this->maximum)
      SetValue(this->maximum, TRUE, TRUE);
  }
  if (m_hWnd) Invalidate();
}

void CEditNum::SetFormat(int index) {
  formatIndex = index;
  if (index >= 0 && index <= kHex) format = kFormats[index].format;
}

double CEditNum::Step() const {
  return formatIndex >= 0 && formatIndex <= kHex ? kFormats[formatIndex].step : 0;
}

double CEditNum::ClampValue(double v) const {
  if (std::isnan(v) || minimum > maximum) return minimum;
  return std::fmin(std::fmax(v, minimum), maximum);
}

double CEditNum::ParseText(const char* text) {
  std::string source = text ? text : edit->m_hWnd ? WindowText(edit->m_hWnd) : std::string();
  if (formatIndex == kHex) {
    errno = 0;
    const long long parsed = std::strtoll(source.c_str(), nullptr, 16);
    return static_cast<double>(parsed);
  }
  // The user's signs become the runtime library's before the number is read.
  ReplaceAll(source, edit->DecimalSeparator(), ".");
  const std::string number = LeadingNumber(source);
  if (number.empty()) return 0;
  const double parsed = std::strtod(number.c_str(), nullptr);
  if (std::isinf(parsed)) return parsed > 0 ? DBL_MAX : -DBL_MAX;
  return parsed;
}

std::string CEditNum::FormatValue(double v) const {
  char buffer[64];
  if (formatIndex == kHex) {
    // Integers of the hex form are shown as 32-bit, as they are read.
    const double whole = std::trunc(std::fmin(std::fmax(v, -2147483648.0), 4294967295.0));
    const auto bits = static_cast<unsigned>(whole < 0 ? static_cast<int>(whole)
                                                      : static_cast<long long>(whole));
    std::snprintf(buffer, sizeof buffer, "%x", bits);
    return buffer;
  }
  const int length = std::snprintf(nullptr, 0, format.c_str(), v);
  std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
  std::snprintf(text.data(), text.size(), format.c_str(), v);
  return text.data();
}

double CEditNum::GetValue() {
  if (edit->m_hWnd) value = ClampValue(ParseText());
  return value;
}

void CEditNum::SetValue(double newValue, BOOL force, BOOL notify) {
  if (!edit->m_hWnd) return;
  value = ClampValue(newValue);
  if (::GetFocus() == edit->m_hWnd && !force) return;
  const std::string old = WindowText(edit->m_hWnd);
  const std::string text = FormatValue(value);
  if (text == old && !force) return;
  edit->notifyOnChange = notify != FALSE;
  int from = 0, to = 0;
  edit->GetSel(from, to);
  if (ParseText(old.c_str()) == value) edit->notifyOnChange = false;
  edit->SetWindowText(text.c_str());
  if (text != old) {
    const int end = static_cast<int>(text.size());
    edit->SetSel(end, end, TRUE);
  } else {
    edit->SetSel(from, to, TRUE);
  }
}

LRESULT CEditNum::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH) && edit->m_hWnd)
    return edit->SendMessage(message, wParam, lParam);
  return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CEditNum::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  CWnd* parent = GetParent();
  if (header && parent && header->code == TTN_NEEDTEXTA) {
    header->idFrom = controlId;
    *result = parent->SendMessage(WM_NOTIFY, wParam, lParam);
    return TRUE;
  }
  if (header && parent && (header->code == TTN_SHOW || header->code == TTN_POP)) {
    header->idFrom = reinterpret_cast<UINT_PTR>(m_hWnd);
    *result = parent->SendMessage(WM_NOTIFY, reinterpret_cast<WPARAM>(m_hWnd), lParam);
    return TRUE;
  }
  return CWnd::OnNotify(wParam, lParam, result);
}

bool CEditNum::IsForeignWindow(HWND hwnd) const {
  if (!hwnd) return true;
  if (hwnd == m_hWnd || hwnd == edit->m_hWnd) return false;
  if (hasButton && (hwnd == button->m_hWnd || hwnd == button->sliderWindow ||
                    (button->slider && hwnd == button->slider->m_hWnd)))
    return false;
  return true;
}

void CEditNum::FocusArrived(HWND from) {
  if (IsForeignWindow(from)) Notify(EN_SETFOCUS);
}

void CEditNum::FocusLeft(HWND to) {
  if (IsForeignWindow(to)) Notify(EN_KILLFOCUS);
}

void CEditNum::Notify(WORD code) {
  if (CWnd* parent = GetParent())
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(controlId, code), reinterpret_cast<LPARAM>(m_hWnd));
}

void CEditNum::OnSetFocus(CWnd* previous) {
  FocusArrived(HwndOf(previous));
  if (!edit->m_hWnd) return;
  edit->SetFocus();
  edit->SetSel(0, -1);
  Invalidate(FALSE);
}

void CEditNum::OnKillFocus(CWnd* next) {
  Default();
  FocusLeft(HwndOf(next));
}

void CEditNum::OnPaint() {
  CPaintDC dc(this);
  CRect box;
  GetClientRect(&box);
  dc.FillSolidRect(&box, GetSysColor(COLOR_WINDOW));
  dc.Draw3dRect(&box, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
  box.DeflateRect(1, 1);
  dc.Draw3dRect(&box, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DFACE));
}
