// Dialogs built from templates: the template tables a module registers (as a resource
// compiler would have linked them in), modal and modeless creation, the dialog class's
// default procedure and the keyboard interface of dialogs (IsDialogMessage): Tab and the
// arrows move the focus in template order, on through the controls of a dialog inside another
// (DS_CONTROL) as if they were the outer one's, Enter presses the default button, Esc cancels
// (unless a window of the dialog holds the mouse: then Esc is that window's, to end its drag),
// and a mnemonic (the letter after "&" in a control's text, with Alt, or alone where the focus
// takes no characters) clicks its button or focuses its control (a label's: the control after it).
#pragma once
#include <cstddef>

#include "platform/ui/Controls.h"
#include "platform/ui/Window.h"

constexpr LPCSTR kDialogClassName = "#32770";

// Dialog styles.
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | 0x0008;

// One control of a template; positions and sizes in dialog units (a quarter of the average
// character width across, an eighth of the character height down).
struct DialogItemTemplate {
  LPCSTR className;
  LPCSTR text;
  int id;
  short x;
  short y;
  short cx;
  short cy;
  DWORD style;  // WS_CHILD is implied
  DWORD exStyle;
};

struct DialogTemplate {
  DWORD style;
  DWORD exStyle;
  short x;
  short y;
  short cx;
  short cy;
  LPCSTR title;
  LPCSTR fontFace;  // with DS_SETFONT
  WORD pointSize;
  const DialogItemTemplate* items;
  std::size_t itemCount;
};

struct DialogResource {
  UINT id;
  const DialogTemplate* dialog;
};

namespace platform {
// Installs the dialog templates of a module, replacing any earlier table (static tables).
void RegisterDialogTable(HINSTANCE module, const DialogResource* entries, std::size_t count);
void UnregisterDialogTable(HINSTANCE module);
// The template `name` (an integer id) of `module`, or null.
const DialogTemplate* FindDialogTemplate(HINSTANCE module, LPCSTR name);
}  // namespace platform

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Dialog window words beside DWLP_MSGRESULT.
constexpr int DWLP_DLGPROC = sizeof(LONG_PTR);
constexpr int DWLP_USER = 2 * sizeof(LONG_PTR);
constexpr int DLGWINDOWEXTRA = 4 * sizeof(LONG_PTR);

constexpr UINT DM_GETDEFID = WM_USER;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT MSGF_DIALOGBOX = 0;

// Creates the dialog and its controls, sends WM_INITDIALOG, gives the focus to the first
// tab stop when the procedure answers TRUE, and shows the dialog when its style says so.
HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM initParam);
HWND CreateDialogParam(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
inline HWND CreateDialog(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc) {
  return CreateDialogParam(instance, name, parent, proc, 0);
}
// Runs the dialog modally (its owner disabled meanwhile) and answers EndDialog's result;
// -1 when it cannot be made.
INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM initParam);
INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
inline INT_PTR DialogBox(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc) {
  return DialogBoxParam(instance, name, parent, proc, 0);
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Handles the keyboard interface for messages of `dialog` and its controls (and dispatches
// every other message of theirs); FALSE for messages of other windows.
BOOL IsDialogMessage(HWND dialog, MSG* msg);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
// Dialog units to pixels with the dialog's font.
BOOL MapDialogRect(HWND dialog, RECT* rect);
LONG GetDialogBaseUnits();

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
