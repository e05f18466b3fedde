// A clip or update area as a list of rectangles.
//
// The list is kept in one canonical banded form: rectangles sorted by top then left, grouped in
// horizontal bands that share top and bottom, no two rectangles of a band touching, and no two
// vertically adjacent bands with the same horizontal spans. So two equal areas have equal lists,
// and an area that is a rectangle is exactly one rectangle (what SIMPLEREGION reports).
#pragma once

#include <vector>

#include "platform/types.h"

class Region {
 public:
  enum class Op { And, Or, Diff, Xor };

  Region() = default;
  explicit Region(const RECT& rect);

  const std::vector<RECT>& Rects() const { return m_rects; }
  bool Empty() const { return m_rects.empty(); }
  RECT Bounds() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Type() const;

  bool Contains(int x, int y) const;
  bool Intersects(const RECT& rect) const;

  void Offset(int dx, int dy);
  static Region Combine(const Region& a, const Region& b, Op op);
  void IntersectRect(const RECT& rect) { *this = Combine(*this, Region(rect), Op::And); }
  void SubtractRect(const RECT& rect) { *this = Combine(*this, Region(rect), Op::Diff); }
  void UnionRect(const RECT& rect) { *this = Combine(*this, Region(rect), Op::Or); }

  friend bool operator==(const Region&, const Region&) = default;

 private:
  std::vector<RECT> m_rects;
};

// Small rectangle helpers shared by the drawing code.
inline bool RectEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
inline RECT RectIntersection(const RECT& a, const RECT& b) {
  RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (RectEmpty(r)) return RECT{};
  return r;
}
// Union of bounding boxes; an empty rectangle adds nothing.
inline RECT RectBoundsUnion(const RECT& a, const RECT& b) {
  if (RectEmpty(a)) return b;
  if (RectEmpty(b)) return a;
  return RECT{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
              a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
