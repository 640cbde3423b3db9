// The base of the filter's dialog: the host's image it works on, the view that shows it, and a
// copy of the host's untouched source made when it opens.
#pragma once
#include "core/RowIteratorBands.h"
#include "framework/HostImage.h"
#include "platform/classlib/ClassLib.h"

namespace framework {

class FilterDialog : public CDialog {
 public:
  explicit FilterDialog(UINT templateId, CWnd* parent = nullptr) : CDialog(templateId, parent) {}

  void SetHostImage(HostImage* image) { hostImage_ = image; }
  HostImage* GetHostImage() const { return hostImage_; }
  CWnd* GetView() const { return view_; }

 protected:
  CWnd* view_ = nullptr;
  HostImage* hostImage_ = nullptr;
  corvel::CRowIteratorBands sourceCopy_;
};

}  // namespace framework
