// How the markup drawer draws text at one moment: the record its tags and style rules change,
// pushed and popped as styled tags open and close.
#pragma once
#include <string>

#include "platform/win32/Types.h"

struct HtmlStyle {
  std::string styleName;
  int fontSize = 10;
  int fontWeight = 400;
  int italic = 0;
  int underline = 0;
  int lineThrough = 0;
  int overline = 0;
  std::string fontFamily = "Microsoft Sans Serif";
  COLORREF textColor = 0;
  COLORREF backgroundColor = 0xFFFFFF;
  COLORREF borderColorLight = 0;
  COLORREF borderColorDark = 0;
  COLORREF backgroundMidColor = 0xFFFFFF;
  COLORREF backgroundEndColor = 0xFFFFFF;
  int backgroundMode = 1;     // 1 transparent, 2 opaque
  int backgroundEffect = -1;  // a fill effect code; -1 transparent
  std::string backgroundImage;
  int textAlign = 0;      // 0 left, 1 center, 2 right
  int verticalAlign = 3;  // 0 top, 1 middle, 2 bottom, 3 baseline
  int borderStyle = 0;    // 0 none, 1 solid, 2 dashed, 3 dotted, 4 dash-dot, 5 dash-dot-dot, 6 double
  int borderWidth = 0;
  int textTransform = 0;  // 0 none, 1 uppercase, 2 lowercase, 3 capitalize
  int marginLeft = 2, marginRight = 2, marginTop = 2, marginBottom = 2;
  int paddingLeft = 0, paddingRight = 0, paddingTop = 0, paddingBottom = 0;
  int linkKind = 0;  // 0 none, 1 href, 2 msg
  std::string linkTarget;
};

constexpr int kBorderDouble = 6;
