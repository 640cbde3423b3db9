#include "platform/classlib/CDialog.h"

#include <cstdlib>
#include <string>

#include "platform/classlib/CWinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
  ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
  ON_COMMAND(IDOK, OnOKButton)
  ON_COMMAND(IDCANCEL, OnCancelButton)
END_MESSAGE_MAP()

namespace {

// The dialog being created on this thread, attached when its procedure first runs.
thread_local CDialog* t_creatingDialog = nullptr;

// A control's number read with `get` on saving, else written with `set`.
void ExchangeByMessages(CDataExchange* dx, int id, int& value, UINT get, UINT set) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessage(control, get, 0, 0));
  } else {
    ::SendMessage(control, set, static_cast<WPARAM>(value), 0);
  }
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd && ::IsWindow(m_hWnd)) DestroyWindow();
}

INT_PTR CDialog::AfxDlgProc(HWND hwnd, UINT, WPARAM, LPARAM) {
  if (t_creatingDialog && !FromHandlePermanent(hwnd)) {
    // Everything the dialog gets from here on (WM_INITDIALOG included) runs through the
    // object's message map, ahead of the dialog manager's default procedure.
    CDialog* dialog = t_creatingDialog;
    t_creatingDialog = nullptr;
    dialog->SubclassWindow(hwnd);
  }
  return FALSE;
}

HWND CDialog::CreateFromTemplate(HWND owner, bool visible) {
  const DialogTemplate* found = platform::FindDialogTemplate(
      AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(m_nIDTemplate)));
  if (!found) return nullptr;
  DialogTemplate dialog = *found;
  if (!visible) dialog.style &= ~WS_VISIBLE;
  CDialog* outer = t_creatingDialog;
  t_creatingDialog = this;
  HWND hwnd = CreateDialogIndirectParam(AfxGetResourceHandle(), &dialog, owner, &AfxDlgProc, 0);
  t_creatingDialog = outer;
  if (!hwnd && m_hWnd) Detach();
  return hwnd;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : ::GetActiveWindow();
  if (owner) owner = ::GetAncestor(owner, GA_ROOT);
  m_bModal = true;
  m_nModalResult = -1;
  HWND hwnd = CreateFromTemplate(owner, false);
  if (!hwnd) {
    m_bModal = false;
    return -1;
  }
  platform::ModalHooks hooks;
  hooks.preTranslate = [this](MSG* msg) {
    // From the window of the message up to the dialog, each object may take it first.
    for (HWND at = msg->hwnd; at; at = ::GetParent(at)) {
      if (CWnd* wnd = FromHandlePermanent(at); wnd && wnd->PreTranslateMessage(msg)) return true;
      if (at == m_hWnd) break;
    }
    return false;
  };
  hooks.idle = [this] {
    if (m_hWnd) SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, 0);
    if (CWinApp* app = AfxGetApp()) app->OnIdle(0);
  };
  INT_PTR result = platform::RunModalLoop(hwnd, hooks);
  if (::IsWindow(hwnd)) {
    if (FromHandlePermanent(hwnd) == this) {
      DestroyWindow();
    } else {
      ::DestroyWindow(hwnd);
    }
  }
  m_bModal = false;
  DeleteTempMap();
  return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  m_bModal = false;
  return CreateFromTemplate(HwndOf(parent), true) != nullptr;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (m_bModal) {
    ::EndDialog(m_hWnd, result);
  } else {
    ShowWindow(SW_HIDE);
  }
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::OnKickIdle(WPARAM, LPARAM) {
  SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
  return 0;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_hWnd) return FALSE;
  return ::IsDialogMessage(m_hWnd, msg);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CUserException&) {
    return FALSE;
  }
  return TRUE;
}

HWND CDataExchange::PrepareCtrl(int id) {
  m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  m_bEditLastControl = false;
  return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  PrepareCtrl(id);
  m_bEditLastControl = true;
  return m_hWndLastControl;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl) {
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessage(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  throw CUserException{};
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  ExchangeByMessages(dx, id, value, BM_GETCHECK, BM_SETCHECK);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(control)->GetWindowText(value);
  } else {
    ::SetWindowText(control, value);
  }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    CString text;
    CWnd::FromHandle(control)->GetWindowText(text);
    text.Trim();
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (text.IsEmpty() || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) {
      AfxMessageBox("Please enter an integer.", MB_ICONEXCLAMATION);
      dx->Fail();
    }
    value = static_cast<int>(parsed);
  } else {
    ::SetWindowText(control, std::to_string(value).c_str());
  }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND first = dx->PrepareCtrl(id);
  if (!dx->m_bSaveAndValidate) {
    int index = 0;
    for (HWND button = first; button; button = ::GetWindow(button, GW_HWNDNEXT), ++index) {
      if (button != first && (::GetWindowLongPtr(button, GWL_STYLE) & WS_GROUP)) break;
      ::SendMessage(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return;
  }
  value = -1;
  int index = 0;
  for (HWND button = first; button; button = ::GetWindow(button, GW_HWNDNEXT), ++index) {
    if (button != first && (::GetWindowLongPtr(button, GWL_STYLE) & WS_GROUP)) break;
    if (::SendMessage(button, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED)) value = index;
  }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  ExchangeByMessages(dx, id, index, CB_GETCURSEL, CB_SETCURSEL);
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
  ExchangeByMessages(dx, id, index, LB_GETCURSEL, LB_SETCURSEL);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND hwnd = dx->PrepareCtrl(id);
  if (hwnd) control.SubclassWindow(hwnd);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum) {
  if (!dx->m_bSaveAndValidate || (value >= minimum && value <= maximum)) return;
  CString text;
  text.Format("Please enter an integer between %d and %d.", minimum, maximum);
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  dx->Fail();
}
