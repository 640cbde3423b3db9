// The base of the filter's dialog: title, icons and accelerators, a tool bar and a zoomable view
// of the host's image made over placeholder items, commands routed to the view first, and a copy
// of the host's untouched source made when it opens.
#pragma once
#include "core/RowIteratorBands.h"
#include "framework/DialogToolBar.h"
#include "framework/HostImage.h"
#include "framework/ZoomScrollView.h"
#include "platform/classlib/ClassLib.h"

namespace framework {

class FilterDialog : public CDialog {
 public:
  static constexpr int kViewItem = 3002;
  static constexpr int kToolBarItem = 3003;
  static constexpr UINT kIconId = 128;

  // The view is made from viewClass, a ZoomScrollView; ids of 0 load nothing.
  FilterDialog(UINT templateId, UINT titleId, UINT acceleratorId, UINT toolBarId,
               const CRuntimeClass* viewClass, CWnd* parent = nullptr);
  ~FilterDialog() override;

  void SetHostImage(HostImage* image) { hostImage_ = image; }
  HostImage* GetHostImage() const { return hostImage_; }
  ZoomScrollView* GetView() const { return view_; }
  CToolBar& GetToolBar() { return toolBar_; }
  const CString& GetTitle() const { return title_; }

  // The caption becomes the title followed by the zoom in percent in square brackets.
  virtual void ShowZoom(double zoom);

  // The dialog's accelerators (the zoom keys), unless an edit field takes the key: true when the
  // message was one of them.
  bool TranslateAccelerators(MSG* msg);

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;

 protected:
  afx_msg void OnSize(UINT type, int cx, int cy);
  DECLARE_MESSAGE_MAP()

  // Replaces the placeholder item by the window made in its place; false without the item.
  bool TakePlaceOf(int item, CRect* place);

  ZoomScrollView* view_ = nullptr;  // deleted with its window
  DialogToolBar toolBar_;
  HostImage* hostImage_ = nullptr;
  corvel::CRowIteratorBands sourceCopy_;
  CString title_;

 private:
  class ZoomDisplay : public ZoomListener {
   public:
    explicit ZoomDisplay(FilterDialog& dialog) : dialog_(dialog) {}
    void ShowZoom(double zoom) override { dialog_.ShowZoom(zoom); }

   private:
    FilterDialog& dialog_;
  };

  ZoomDisplay zoomDisplay_{*this};
  const CRuntimeClass* viewClass_;
  UINT titleId_, acceleratorId_, toolBarId_;
  HACCEL accelerators_ = nullptr;
  HICON smallIcon_ = nullptr;
  // The view's distances from the client area's edges.
  CRect viewMargins_;
};

// "%d%%" of the zoom times 100, truncated.
CString ZoomPercentText(double zoom);

}  // namespace framework
