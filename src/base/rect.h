// SPDX-License-Identifier: GPL-3.0-or-later
// Rectangle arithmetic shared by every layer: right and bottom are exclusive, and a rectangle with
// no area is empty whatever its corners say, so an intersection that misses is the empty RECT{}.
#pragma once

#include <algorithm>

#include "base/types.h"

namespace rect {

constexpr int Width(const RECT& r) { return r.right - r.left; }
constexpr int Height(const RECT& r) { return r.bottom - r.top; }
constexpr bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

constexpr RECT Intersect(const RECT& a, const RECT& b) {
  const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return IsEmpty(r) ? RECT{} : r;
}

// The bounding box of both; an empty rectangle adds nothing.
constexpr RECT Union(const RECT& a, const RECT& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

constexpr RECT Offset(RECT r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
  return r;
}

constexpr bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace rect
