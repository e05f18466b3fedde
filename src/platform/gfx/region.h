// SPDX-License-Identifier: GPL-3.0-or-later
// A clip or update area as a list of rectangles.
//
// The list is kept in one canonical banded form: rectangles sorted by top then left, grouped in
// horizontal bands that share top and bottom, no two rectangles of a band touching, and no two
// vertically adjacent bands with the same horizontal spans. So two equal areas have equal lists,
// and an area that is a rectangle is exactly one rectangle (what SIMPLEREGION reports).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <vector>

#include "base/rect.h"
#include "base/types.h"

namespace gfx {

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

}  // namespace gfx
