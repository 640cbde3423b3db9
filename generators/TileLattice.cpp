#include "generators/TileLattice.h"

#include <cmath>
#include <initializer_list>

#include "generators/Geometry.h"

namespace corvel {

namespace {

POINT Minus(POINT a, POINT b) { return {a.x - b.x, a.y - b.y}; }

// "P3ML": V2 upright, V1 the same turned by 120 degrees with half of V2's height below.
void P3MLVectors(POINT p0, POINT p1, POINT p2, POINT& v1, POINT& v2) {
  v2 = {0, 2 * p1.y - p0.y - p2.y};
  v1 = v2;
  RotateIntPointDegrees(120, 0, 0, v1);
  v1.y = -v2.y / 2;
}

}  // namespace

TileLattice BuildTileLattice(int method, POINT p0, POINT p1, POINT p2, POINT centre) {
  const POINT d1 = Minus(p1, p0), d2 = Minus(p2, p0);
  TileLattice t;
  t.anchor = p0;
  POINT& v1 = t.basisA;
  POINT& v2 = t.basisB;
  switch (method) {
    case keTilingP1: {
      v1 = {d2.x, 0};
      v2 = d1;
      bool moved = false;
      if (v2.y < 0) {
        t.negateK0 = true;
        if (v1.x < 0) {
          t.anchor = {p1.x + v1.x, p1.y + v1.y};
          moved = true;
        }
        v2 = {-v2.x, -v2.y};
        if (!moved) t.anchor = p1;
      }
      if (v1.x < 0) {
        t.negateK1 = true;
        v1 = {-v1.x, -v1.y};
        if (!moved) t.anchor = p2;
      }
      t.repeats = true;
      break;
    }
    case keTilingP2: v1 = {d2.x, 0}; v2 = {0, d1.y}; break;
    case keTilingPM: v1 = {d2.x, 0}; v2 = {0, 2 * d1.y}; break;
    case keTilingPG: v1 = {2 * d2.x, 0}; v2 = {0, d1.y}; break;
    case keTilingPMM: v1 = {2 * d2.x, 0}; v2 = {0, 2 * d1.y}; break;
    case keTilingPMG: v1 = {d2.x, 0}; v2 = {0, 4 * d1.y}; break;
    case keTilingPGG: v1 = {2 * d2.x, 0}; v2 = {0, 2 * d1.y}; break;
    case keTilingCM:
      v1 = {p0.x - p2.x, 0};
      v2 = {0, d1.y};
      t.anchor = p2;
      break;
    case keTilingCMM: {
      const POINT w{2 * p0.x - p1.x - p2.x, 2 * p0.y - p1.y - p2.y}, a = Minus(p1, p2);
      v1 = {w.x, a.y};
      v2 = {w.x, -a.y};
      t.anchor = p2;
      break;
    }
    case keTilingP4: v1 = {2 * d2.x, 0}; v2 = {0, 2 * d1.y}; break;
    case keTilingP4M:
      v1 = {2 * (p0.x - p2.x), 0};
      v2 = {0, 2 * d1.y};
      t.anchor = p2;
      break;
    case keTilingP4G: v1 = {2 * d2.x, 0}; v2 = {0, 2 * d1.y}; break;
    case keTilingP3:
      v1 = {2 * p2.x - p0.x - p1.x, 2 * p2.y - p0.y - p1.y};
      v2 = {0, 2 * p1.y - p0.y - p2.y};
      t.repeats = true;
      break;
    case keTilingP3ML:
      P3MLVectors(p0, p1, p2, v1, v2);
      if (v1.x < 0) {
        for (POINT* p : {&p0, &p1, &p2}) RotateIntPointDegrees(-180, centre.x, centre.y, *p);
        P3MLVectors(p0, p1, p2, v1, v2);
        t.anchor = p0;
        t.turnedHalf = true;
      }
      t.repeats = true;
      break;
    case keTilingP3LM:
    case keTilingP6:
      v1 = {2 * d2.x, 0};
      v2 = {d2.x, 2 * d1.y};
      t.repeats = true;
      break;
    case keTilingP6M: {
      p2.y = p0.y;
      p1.x = p0.x;
      p1.y = p0.y + LONG(std::sqrt(3.0) * (p2.x - p0.x));
      v2 = {0, 2 * (p1.y - p0.y)};
      v1 = {v2.x + 3 * (p2.x - p1.x), v2.y + 3 * (p2.y - p1.y)};
      t.anchor = p1;
      t.anchorBelowD = true;
      t.repeats = true;
      break;
    }
    default:
      break;
  }
  return t;
}

}  // namespace corvel
