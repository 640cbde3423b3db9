// Integer helpers: scaled multiplication and rectangles.
#pragma once
#include "platform/win32/Types.h"

// number x numerator / denominator in 64 bits, rounded half away from zero; -1 when the
// denominator is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL IsRectEmpty(const RECT* rect);
// The common part of a and b; an empty result is stored as all zeros and answers FALSE.
BOOL IntersectRect(RECT* result, const RECT* a, const RECT* b);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL PtInRect(const RECT* rect, POINT point);  // right and bottom are outside
// The smallest rectangle holding both (an empty one counts for nothing).
BOOL UnionRect(RECT* result, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
