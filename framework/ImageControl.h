// A child window that shows one core image centred in its client area; a dialog makes it in
// place of a placeholder item of its template.
#pragma once
#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"
#include "platform/classlib/ClassLib.h"

namespace framework {

class ImageControl : public CWnd {
 public:
  // Replaces the item by the control: same id, place and style, plus `extraStyle`.
  BOOL CreateOverItem(CWnd* parent, int itemId, DWORD extraStyle = 0);
  // The control shares the image (an empty one shows nothing) and shows it at once.
  corvel::CoreResult SetImage(corvel::CRowIteratorBands& image);
  corvel::CRowIteratorBands& GetImage() { return image_; }
  virtual void Draw(CDC* dc);

 protected:
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()

 private:
  corvel::CRowIteratorBands image_;
};

}  // namespace framework
