// SPDX-License-Identifier: GPL-3.0-or-later
// Rectangle lists for update regions, visible regions and dirty areas. Lists are kept disjoint:
// a drawing call clipped to them must not touch a pixel twice (inverting a focus rectangle twice
// would undo it).
#include <algorithm>

#include "platform/window/window_core.h"

namespace window {
namespace {

// Beyond this many pieces a list is replaced by its bounding box: slightly more is painted or
// presented, but the lists stay cheap to walk.
constexpr std::size_t kMaxPieces = 64;

// The parts of `a` outside `b`, appended to `out`.
void Cut(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  RECT i = Intersect(a, b);
  if (IsEmpty(i)) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back({a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back({a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back({a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back({i.right, i.top, a.right, i.bottom});
}

}  // namespace

void AddRect(std::vector<RECT>& list, const RECT& r) {
  if (IsEmpty(r)) return;
  for (const RECT& e : list) {
    if (e.left <= r.left && e.top <= r.top && e.right >= r.right && e.bottom >= r.bottom) return;
  }
  // Pieces that the new rectangle covers completely go; the rest keeps only what it adds.
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const RECT& e) {
                              return r.left <= e.left && r.top <= e.top && r.right >= e.right &&
                                     r.bottom >= e.bottom;
                            }),
             list.end());
  std::vector<RECT> pieces{r};
  for (const RECT& e : list) {
    std::vector<RECT> next;
    for (const RECT& p : pieces) Cut(p, e, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  list.insert(list.end(), pieces.begin(), pieces.end());
  if (list.size() > kMaxPieces) {
    RECT box = BoundingBox(list);
    list.assign(1, box);
  }
}

void SubtractRect(std::vector<RECT>& list, const RECT& r) {
  if (IsEmpty(r)) return;
  std::vector<RECT> out;
  out.reserve(list.size());
  for (const RECT& e : list) Cut(e, r, out);
  list.swap(out);
}

void IntersectList(std::vector<RECT>& list, const RECT& r) {
  std::vector<RECT> out;
  out.reserve(list.size());
  for (const RECT& e : list) {
    RECT i = Intersect(e, r);
    if (!IsEmpty(i)) out.push_back(i);
  }
  list.swap(out);
}

RECT BoundingBox(const std::vector<RECT>& list) {
  RECT box{};
  for (const RECT& e : list) box = Union(box, e);
  return box;
}

}  // namespace window
