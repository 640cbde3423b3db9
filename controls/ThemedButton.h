// A push button that draws itself: hot while the cursor is over it, pressed while the left
// button is held on it, optionally a toggle that stays pressed while checked. It reports clicks
// to its parent as a plain button does.
#pragma once
#include "platform/classlib/ClassLib.h"

class ThemedButton : public CButton {
 public:
  // Draw states.
  static constexpr int kNormal = 1, kHot = 2, kPressed = 3, kDisabled = 4, kDefault = 5;

  ThemedButton() = default;
  ~ThemedButton() override = default;

  // Themed drawing for all buttons: on only while the visual-styles library is loaded.
  static void EnableThemes(bool enable);
  // Loads the visual-styles library once; true when themed drawing is on.
  static bool LoadThemeLibrary();
  static bool ThemesEnabled() { return themesEnabled; }
  // The button's background in a state; the focus rectangle 3 pixels inside with `focused`.
  static void DrawFrame(CDC* dc, int state, const RECT& rect, bool focused);

  void PreSubclassWindow() override;
  void DrawItem(DRAWITEMSTRUCT* item) override;

  bool IsToggle() const { return isToggle != 0; }
  bool IsChecked() const { return checkState != 0; }

 protected:
  afx_msg void OnEnable(BOOL enable);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point) { OnLButtonDown(flags, point); }
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnCancelMode();
  afx_msg BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  afx_msg LRESULT OnSetCheck(WPARAM check, LPARAM);
  DECLARE_MESSAGE_MAP()

  // The state an item is drawn in: disabled, pressed (or a checked toggle), hot, focused or normal.
  int DrawState(const DRAWITEMSTRUCT& item) const;

  int pressedLook = 0;
  int buttonDown = 0;
  int hot = 0;
  int captured = 0;
  int isToggle = 0;
  int checkState = 0;

 private:
  void Repaint();
  void ReleaseCapture();
  void ClearState() { pressedLook = buttonDown = hot = 0; }
  static inline bool themesEnabled = false;
  static inline bool libraryTried = false;
};
