// Dialogs from the module's templates, modal (DoModal) or modeless (Create), with dialog data
// exchange between members and controls, and idle updates while the modal loop waits.
#pragma once
#include "platform/classlib/CWnd.h"

class CDataExchange;

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; IDOK, IDCANCEL or EndDialog's value; -1 when it cannot be made.
  virtual INT_PTR DoModal();
  // A modeless dialog (a child one for a template with DS_CONTROL).
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);

  // Reads the controls into the members (TRUE) or writes the members into the controls;
  // FALSE when a value fails its check (the control gets the focus).
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  void NextDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 0, 0); }
  void PrevDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 1, 0); }
  void GotoDlgCtrl(CWnd* control) {
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(HwndOf(control)), 1);
  }
  void SetDefID(UINT id) { SendMessage(DM_SETDEFID, id); }
  DWORD GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID)); }
  UINT GetTemplateId() const { return m_nIDTemplate; }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange*) {}
  BOOL PreTranslateMessage(MSG* msg) override;

  static INT_PTR AfxDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  bool m_bModal = false;
  INT_PTR m_nModalResult = -1;

  afx_msg LRESULT HandleInitDialog(WPARAM, LPARAM);
  afx_msg LRESULT OnKickIdle(WPARAM, LPARAM);
  // The buttons with the ids of OK and Cancel.
  afx_msg void OnOKButton() { OnOK(); }
  afx_msg void OnCancelButton() { OnCancel(); }
  DECLARE_MESSAGE_MAP()

 private:
  HWND CreateFromTemplate(HWND owner, bool visible);
};

// What DoDataExchange works on: the dialog, the direction, and the control last prepared.
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id);
  // Ends the exchange: the last prepared control gets the focus (and its text selected).
  [[noreturn]] void Fail();

  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  HWND m_hWndLastControl = nullptr;
  bool m_bEditLastControl = false;
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
struct CUserException {};

void DDX_Check(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
