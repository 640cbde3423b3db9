// The size grip of a resizable dialog: a size-box scroll bar kept in the owner's lower-right
// corner, whose drag resizes the owner as a frame's corner does.
#pragma once
#include "platform/classlib/ClassLib.h"

namespace framework {

class ResizableGrip {
 public:
  explicit ResizableGrip(CWnd& owner);
  ResizableGrip(const ResizableGrip&) = delete;
  ResizableGrip& operator=(const ResizableGrip&) = delete;

  // Makes the grip window in the owner (which must exist), placed and shown.
  BOOL Create();
  // Follows the owner's corner; call after every size change of the owner.
  void Place();
  CScrollBar& GetGripWindow() { return grip_; }

 private:
  CWnd& owner_;
  int width_;
  int height_;
  CScrollBar grip_;
};

}  // namespace framework
