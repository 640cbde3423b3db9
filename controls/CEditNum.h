// A field for one number in a range: typed, stepped with the arrow keys and the wheel, or
// dragged on a slider that drops from a button at its right end. It replaces a placeholder of
// a dialog and reports to its parent with the edit notifications (EN_SETFOCUS, EN_KILLFOCUS,
// EN_CHANGE and a delayed EN_UPDATE). The value is always finite and inside the range.
#pragma once
#include <string>

#include "platform/classlib/ClassLib.h"

class CEditNum;
class NumEditSlider;

// The typing part: filters characters, steps the value, reports changes.
class NumEditField : public CEdit {
 public:
  NumEditField();
  // The signs of the user's number convention (the locale's, read when made).
  void SetLocaleSigns(const std::string& decimal, const std::string& negative);
  const std::string& DecimalSeparator() const { return decimalSeparator; }

  bool ignoreNextChange = true;
  bool notifyOnChange = true;

 protected:
  afx_msg void OnChange();
  afx_msg void OnSetFocus(CWnd* previous);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnChar(UINT character, UINT repeat, UINT flags);
  afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
  afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  CEditNum* Owner() const;
  bool Accepts(char character) const;
  void Step(int steps);

  std::string decimalSeparator;
  std::string negativeSign;
};

// The drop button that opens the slider while it is held.
class NumEditButton : public CButton {
 public:
  void DrawItem(DRAWITEMSTRUCT* item) override;
  // Classic face in a state (1 normal, 2 hot, 3 pressed, 4 disabled) with the down arrow.
  static void DrawComboButton(HDC dc, int state, const RECT& rect);

  bool captured = false;
  bool pressed = false;
  bool hot = false;
  HWND sliderWindow = nullptr;
  NumEditSlider* slider = nullptr;

 protected:
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point) { OnLButtonDown(flags, point); }
  afx_msg void OnSetFocus(CWnd* previous);
  afx_msg void OnKillFocus(CWnd* next);
  DECLARE_MESSAGE_MAP()
};

// The value at pos of range on a logarithmic scale from lo to hi, kept within [lo, hi].
double LogInterpolate(double lo, double hi, double pos, double range);

// The popup on which the value is dragged; lives for one press of the drop button.
class NumEditSlider : public CWnd {
 public:
  NumEditSlider(double minimum, double maximum, double value, int scaleMode, NumEditField* edit)
      : minimum(minimum), maximum(maximum), value(value), scaleMode(scaleMode), edit(edit) {}
  // The value at x of a track from pixel a to pixel b, and the pixel nearest to a value.
  double ValueAt(int x, int a, int b) const;
  int ThumbAt(double v, int a, int b) const;
  // The first and last pixel of the track in a slider `width` wide.
  struct Track {
    int a, b;
  };
  static Track TrackOf(int width) { return {3, width - 4}; }

  double minimum, maximum, value;
  int scaleMode;
  NumEditField* edit;

 protected:
  afx_msg void OnSetFocus(CWnd* previous);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()

 private:
  void TrackLoop();
  CEditNum* Owner() const;
  bool closing = false;
};

class CEditNum : public CWnd {
  DECLARE_DYNAMIC(CEditNum)
 public:
  static constexpr UINT kEditId = 1029, kButtonId = 1031, kUpdateTimer = 25;

  CEditNum();
  ~CEditNum() override;

  virtual bool CreateDouble(UINT id, CWnd* parent, double minimum, double maximum, double value,
                            int formatIndex, int scaleMode, int sliderWidth, int updateDelay, BOOL hasButton,
                            BOOL notify);
  virtual bool Create(UINT id, CWnd* parent, int minimum, int maximum, int value, int formatIndex,
                      int scaleMode, int sliderWidth, int updateDelay, BOOL hasButton, BOOL notify);
  virtual void SetValue(double value, BOOL force, BOOL notify);
  virtual void SetIntValue(int value, BOOL force, BOOL notify) { SetValue(value, force, notify); }
  // Into [minimum, maximum]; the minimum wins a reversed range, and it stands for NaN.
  virtual double ClampValue(double value) const;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  void SetRange(double minimum, double maximum);
  void SetIntRange(int minimum, int maximum) { SetRange(minimum, maximum); }
  void SetFormat(int index);
  int FormatIndex() const { return formatIndex; }
  // The step of one key press or wheel notch.
  double Step() const;
  double GetValue();
  int GetIntValue() { return static_cast<int>(GetValue()); }
  // The number a text stands for (null: the field's text); not a number reads as 0, any
  // overflow as the nearest end of the range.
  double ParseText(const char* text = nullptr);
  std::string FormatValue(double value) const;
  double Minimum() const { return minimum; }
  double Maximum() const { return maximum; }
  // Logarithmic only over a positive range.
  bool IsLogarithmic() const { return scaleMode == 1 && minimum > 0 && maximum > 0; }
  int SliderWidth() const { return sliderWidth; }
  int UpdateDelay() const { return updateDelay; }
  NumEditField& Field() { return *edit; }
  NumEditButton* Button() { return hasButton ? button : nullptr; }

  // Part of the control: itself, its field, its button or the open slider.
  bool IsForeignWindow(HWND hwnd) const;
  // The EN_SETFOCUS and EN_KILLFOCUS rules: only focus from or to a foreign window counts.
  void FocusArrived(HWND from);
  void FocusLeft(HWND to);
  void Notify(WORD code);

 protected:
  afx_msg void OnPaint();
  afx_msg void OnSetFocus(CWnd* previous);
  afx_msg void OnKillFocus(CWnd* next);
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnSettingChange(UINT flags, LPCSTR section);
  afx_msg void OnEnable(BOOL enable);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void Layout();

  double value = 0;
  double minimum = 0;
  double maximum = 0;
  int sliderWidth = 100;
  NumEditField* edit;
  NumEditButton* button;
  int scaleMode = 0;
  UINT controlId = 0;
  int updateDelay = 0;
  std::string format = "%1.0f";
  int formatIndex = 3;
  bool hasButton = false;
};
