// A scrolling grid of thumbnails from a ThumbnailSource: selection by mouse and keyboard, items
// reordered by dragging where the source allows it, and a markup tooltip over a resting pointer.
// Selection changes and double-clicks go to the parent as TVM_SELCHANGE and TVM_SELDBLCLK.
#pragma once
#include <set>
#include <vector>

#include "controls/ThumbnailSource.h"
#include "controls/ToolTipWnd.h"
#include "core/RowIteratorBands.h"
#include "platform/classlib/ClassLib.h"

// Registered by name: wParam the view, lParam its current item.
extern const UINT TVM_SELCHANGE;
extern const UINT TVM_SELDBLCLK;

class CThumbnailView : public CScrollView {
  DECLARE_DYNCREATE(CThumbnailView)
 public:
  static constexpr UINT_PTR kTipTimer = 101;

  CThumbnailView();
  ~CThumbnailView() override;

  void SetSource(ThumbnailSource* source);
  ThumbnailSource* GetSource() const { return source; }
  void SelectItem(int index);
  void ScrollToCurrentItem();
  bool IsSelected(int index) const { return selection.count(index) != 0; }
  void Deselect(int index) { selection.erase(index); }
  void ClearSelection() { selection.clear(); }
  const std::set<int>& GetSelection() const { return selection; }
  int GetCurrentItem() const { return current; }

  // Client point to item, -1 for none; an item's rectangle in document coordinates.
  int HitTest(POINT point);
  CRect GetItemRect(int index);
  int GetColumns();
  SIZE GetItemSize() const { return itemSize; }

  void SetMultiSelect(bool on) { multiSelect = on; }
  void SetShowCaptions(bool on) { showCaptions = on; }
  void SetTintSelected(bool on) { tintSelected = on; }
  void SetDragCursors(WORD drag, WORD noDrop) {
    dragCursorId = drag;
    noDropCursorId = noDrop;
  }
  void SetContextMenu(CMenu* menu) { contextMenu = menu; }
  HtmlToolTipWnd& GetToolTip() { return tooltip; }

  void OnInitialUpdate() override;
  void OnDraw(CDC* dc) override;

 protected:
  BOOL OnScrollBy(CSize amount, BOOL doScroll = TRUE) override;
  void Layout();
  // After `current` changed.
  void UpdateSelection(bool ctrl, bool shift, bool keyboard, int previous);
  // Target -1 removes the selected items.
  void MoveSelectedItems(int target);
  void RedrawItem(int index);
  void NotifyParent(UINT message);

  afx_msg LRESULT OnItemLoaded(WPARAM index, LPARAM relayout);
  afx_msg int OnCreate(CREATESTRUCT* cs);
  afx_msg void OnDestroy();
  afx_msg BOOL OnEraseBkgnd(CDC* dc);
  afx_msg void OnSetFocus(CWnd* old);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
  afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
  afx_msg void OnContextMenu(CWnd* window, CPoint point);
  DECLARE_MESSAGE_MAP()

  ThumbnailSource* source = nullptr;
  SIZE itemSize{};
  SIZE thumbSize{};
  corvel::CRowIteratorBands frameCache, selectedFrameCache;
  std::set<int> selection;
  int current = -1;
  int anchor = -1;
  HtmlToolTipWnd tooltip;
  int hoverItem = -1;
  int lastTipItem = -1;
  int tipTicks = 0;
  bool dragging = false;
  WORD dragCursorId = 0, noDropCursorId = 0;
  CMenu* contextMenu = nullptr;
  COLORREF textColour = RGB(40, 50, 40);
  COLORREF selectedBackColour = RGB(200, 220, 255);
  COLORREF selectedTextColour = RGB(40, 50, 40);
  COLORREF backColour = RGB(255, 255, 255);
  bool tintSelected = false;
  bool multiSelect = true;
  bool showCaptions = false;
  CFont font;
  int lineHeight = 0;

 private:
  int VisibleCount();
  bool ItemVisible(int index);
  void DrawItem(CDC* dc, int index, bool selected, bool focused);
  corvel::CRowIteratorBands* CellBackground(bool selected);
  bool TipMayShow();
  void RefreshHover();
  void HideTip();
  // The drop place for a client point: an index 0..count, -1 for none.
  int DropIndex(POINT point);
  void DrawInsertMark(int index, bool show);
  bool DragLoop(CPoint start, int* dropIndex);
};
