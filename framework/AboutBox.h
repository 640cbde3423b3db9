// The about box of the host's about selector: four lines about the module, taken from its
// version block where it has them.
#pragma once
#include "platform/classlib/ClassLib.h"

namespace framework {

class CAboutDlg : public CDialog {
  DECLARE_DYNAMIC(CAboutDlg)
 public:
  static constexpr UINT kTemplate = 107;
  static constexpr int kNameItem = 1014, kVendorItem = 1015, kAuthorsItem = 1016, kDescriptionItem = 1017;

  CAboutDlg();
  // Takes the lines from the version block of the loaded module of that file name; a missing
  // block or value leaves its line as it was.
  void ReadVersionBlock(LPCSTR moduleFileName);
  BOOL OnInitDialog() override;

  CString name;
  CString vendor;
  CString authors;
  CString description;

 protected:
  // A click anywhere closes the box.
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  DECLARE_MESSAGE_MAP()
};

// The box of the running module: its file is the application's name with ".8bf", or the
// module that holds this code where no application object names one. Without a script or a
// display to show it on, the lines go to standard error.
void ShowAboutBox();

}  // namespace framework
