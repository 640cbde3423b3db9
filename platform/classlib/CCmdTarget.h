// Message maps: static tables of (message, notification code, id range, handler) that the
// macros below build, chained to the base class's table; and command targets, which look
// commands and their user-interface updates up in them.
#pragma once
#include "platform/classlib/CObject.h"
#include "platform/ui/Messages.h"

class CCmdTarget;
class CCmdUI;

using AFX_PMSG = void (CCmdTarget::*)();

// How an entry's handler is called: one kind per handler signature.
enum class AfxSig {
  end,
  cmd,            // void ()                           commands, control notifications
  cmdRange,       // void (UINT id)                    command ranges
  cmdUI,          // void (CCmdUI*)                    update of a command or a range
  notify,         // void (NMHDR*, LRESULT*)
  notifyExRange,  // BOOL (UINT id, NMHDR*, LRESULT*)
  message,        // LRESULT (WPARAM, LPARAM)          ON_MESSAGE, ON_REGISTERED_MESSAGE
  v,              // void ()
  b_v,            // BOOL ()
  i_create,       // int (CREATESTRUCT*)
  v_uii,          // void (UINT, int, int)             WM_SIZE
  v_ii,           // void (int, int)                   WM_MOVE
  v_up,           // void (UINT, CPoint)               mouse buttons and moves
  b_usp,          // BOOL (UINT, short, CPoint)        WM_MOUSEWHEEL
  b_wuu,          // BOOL (CWnd*, UINT, UINT)          WM_SETCURSOR
  v_w,            // void (CWnd*)                      focus, capture
  v_wp,           // void (CWnd*, CPoint)              WM_CONTEXTMENU
  v_t,            // void (UINT_PTR)                   WM_TIMER
  v_uuu,          // void (UINT, UINT, UINT)           keys and characters
  v_mmi,          // void (MINMAXINFO*)
  v_uus,          // void (UINT, UINT, CScrollBar*)    WM_HSCROLL, WM_VSCROLL
  v_b,            // void (BOOL)                       WM_ENABLE
  v_bu,           // void (BOOL, UINT)                 WM_SHOWWINDOW
  v_us,           // void (UINT, LPCSTR)               WM_SETTINGCHANGE
  l_p,            // LRESULT (CPoint)                  WM_NCHITTEST
  b_dc,           // BOOL (CDC*)                       WM_ERASEBKGND
  h_dwu,          // HBRUSH (CDC*, CWnd*, UINT)        WM_CTLCOLOR...
  v_ids,          // void (int, DRAWITEMSTRUCT*)       WM_DRAWITEM
  u_v,            // UINT ()                           WM_GETDLGCODE
  v_uwb,          // void (UINT, CWnd*, BOOL)          WM_ACTIVATE
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND and WM_NOTIFY entries carry a code and an id range
  UINT nCode;
  UINT nID;
  UINT nLastID;
  AfxSig nSig;
  AFX_PMSG pfn;
  const UINT* pRegisteredMessage;  // ON_REGISTERED_MESSAGE: where the number is kept
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Command codes of OnCmdMsg besides the control notification codes.
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;
// Reflected notifications come back to the control as these messages.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

// Whether a handler exists, without calling it (the update of command user interfaces asks).
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  // Looks the command (or its update, or a notification with code MAKELONG(code, WM_NOTIFY))
  // up in the message maps and calls the handler; TRUE when one was found.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Converts a typed handler to the table's uniform pointer; the signature column says how to
// call it back. `Target` names the exact type, so a handler of the wrong type does not compile.
// The table's pointers are turned back into their own type before any call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <class Target, class Source>
AFX_PMSG AfxMsgCast(Source handler) {
  return reinterpret_cast<AFX_PMSG>(static_cast<Target>(handler));
}
// The handler of an entry in the type its signature column names.
template <class Handler>
Handler AfxMsgHandler(AFX_PMSG pfn) {
  return reinterpret_cast<Handler>(pfn);
}
#pragma GCC diagnostic pop

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    typedef theClass ThisClass;                                                     \
    typedef baseClass TheBaseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, AfxSig::end, nullptr, nullptr }                                                 \
  }                                                                                             \
  ;                                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

// Commands and their updates.
#define ON_COMMAND(id, fn)                                                                              \
  {WM_COMMAND, CN_COMMAND, (id), (id), AfxSig::cmd, AfxMsgCast<void (CCmdTarget::*)()>(&ThisClass::fn), \
   nullptr},
#define ON_COMMAND_RANGE(first, last, fn)                                                \
  {WM_COMMAND, CN_COMMAND,       (first),                                                \
   (last),     AfxSig::cmdRange, AfxMsgCast<void (CCmdTarget::*)(UINT)>(&ThisClass::fn), \
   nullptr},
#define ON_UPDATE_COMMAND_UI(id, fn)                                         \
  {WM_COMMAND,    static_cast<UINT>(CN_UPDATE_COMMAND_UI),                   \
   (id),          (id),                                                      \
   AfxSig::cmdUI, AfxMsgCast<void (CCmdTarget::*)(CCmdUI*)>(&ThisClass::fn), \
   nullptr},
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, fn)                          \
  {WM_COMMAND,    static_cast<UINT>(CN_UPDATE_COMMAND_UI),                   \
   (first),       (last),                                                    \
   AfxSig::cmdUI, AfxMsgCast<void (CCmdTarget::*)(CCmdUI*)>(&ThisClass::fn), \
   nullptr},
#define ON_CONTROL(code, id, fn)                                    \
  {WM_COMMAND,  static_cast<UINT>(code),                            \
   (id),        (id),                                               \
   AfxSig::cmd, AfxMsgCast<void (CCmdTarget::*)()>(&ThisClass::fn), \
   nullptr},
#define ON_CONTROL_RANGE(code, first, last, fn)                                                 \
  {WM_COMMAND, static_cast<UINT>(code), (first),                                                \
   (last),     AfxSig::cmdRange,        AfxMsgCast<void (CCmdTarget::*)(UINT)>(&ThisClass::fn), \
   nullptr},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_NOTIFY(code, id, fn)                                                                            \
  {WM_NOTIFY, static_cast<UINT>(code), (id),                                                               \
   (id),      AfxSig::notify,          AfxMsgCast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(&ThisClass::fn), \
   nullptr},
#define ON_NOTIFY_EX_RANGE(code, first, last, fn)                            \
  {WM_NOTIFY,                                                                \
   static_cast<UINT>(code),                                                  \
   (first),                                                                  \
   (last),                                                                   \
   AfxSig::notifyExRange,                                                    \
   AfxMsgCast<BOOL (CCmdTarget::*)(UINT, NMHDR*, LRESULT*)>(&ThisClass::fn), \
   nullptr},
// Notifications a control handles itself when its parent reflects them back.
#define ON_CONTROL_REFLECT(code, fn)                   \
  {WM_COMMAND + WM_REFLECT_BASE,                       \
   static_cast<UINT>(code),                            \
   0,                                                  \
   0,                                                  \
   AfxSig::cmd,                                        \
   AfxMsgCast<void (CCmdTarget::*)()>(&ThisClass::fn), \
   nullptr},
#define ON_NOTIFY_REFLECT(code, fn)                                    \
  {WM_NOTIFY + WM_REFLECT_BASE,                                        \
   static_cast<UINT>(code),                                            \
   0,                                                                  \
   0,                                                                  \
   AfxSig::notify,                                                     \
   AfxMsgCast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(&ThisClass::fn), \
   nullptr},
// Any message, by number or by registered number (a variable read when the map is searched).
#define ON_MESSAGE(msg, fn)                                                                               \
  {(msg),  0, 0, 0, AfxSig::message, AfxMsgCast<LRESULT (CCmdTarget::*)(WPARAM, LPARAM)>(&ThisClass::fn), \
   nullptr},
#define ON_REGISTERED_MESSAGE(variable, fn)                                \
  {                                                                        \
      0xC000,                                                              \
      0,                                                                   \
      0,                                                                   \
      0,                                                                   \
      AfxSig::message,                                                     \
      AfxMsgCast<LRESULT (CCmdTarget::*)(WPARAM, LPARAM)>(&ThisClass::fn), \
      &(variable)},
