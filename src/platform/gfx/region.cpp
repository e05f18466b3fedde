// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/region.h"

#include <algorithm>

namespace gfx {

namespace {

struct Span {
  LONG left;
  LONG right;
  friend bool operator==(const Span&, const Span&) = default;
};

bool Apply(Region::Op op, bool a, bool b) {
  switch (op) {
    case Region::Op::And:
      return a && b;
    case Region::Op::Or:
      return a || b;
    case Region::Op::Diff:
      return a && !b;
    case Region::Op::Xor:
      return a != b;
  }
  return false;
}

// Horizontal spans of `rects` that cover the whole band [top, bottom). Because the lists are
// banded, a rectangle either covers a band completely or not at all.
void SpansInBand(const std::vector<RECT>& rects, LONG top, LONG bottom, std::vector<Span>& out) {
  out.clear();
  for (const RECT& r : rects) {
    if (r.top > top) break;  // sorted by top: nothing later starts at or above this band
    if (r.top <= top && r.bottom >= bottom) out.push_back({r.left, r.right});
  }
}

void CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, Region::Op op,
                  std::vector<LONG>& edges, std::vector<Span>& out) {
  out.clear();
  edges.clear();
  for (const Span& s : a) edges.insert(edges.end(), {s.left, s.right});
  for (const Span& s : b) edges.insert(edges.end(), {s.left, s.right});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  auto inside = [](const std::vector<Span>& spans, LONG x) {
    for (const Span& s : spans)
      if (x >= s.left && x < s.right) return true;
    return false;
  };
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    const LONG x0 = edges[i];
    const LONG x1 = edges[i + 1];
    if (!Apply(op, inside(a, x0), inside(b, x0))) continue;
    if (!out.empty() && out.back().right == x0)
      out.back().right = x1;
    else
      out.push_back({x0, x1});
  }
}

}  // namespace

namespace {

// Coordinates are kept within +-2^30 so that offsets by any on-screen amount cannot overflow.
LONG Limit(long long v) {
  constexpr long long kLimit = 1LL << 30;
  return static_cast<LONG>(v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v));
}

}  // namespace

Region::Region(const RECT& rect) {
  const RECT r{Limit(rect.left), Limit(rect.top), Limit(rect.right), Limit(rect.bottom)};
  if (!rect::IsEmpty(r)) m_rects.push_back(r);
}

RECT Region::Bounds() const {
  RECT box{};
  for (const RECT& r : m_rects) box = rect::Union(box, r);
  return box;
}

int Region::Type() const {
  if (m_rects.empty()) return NULLREGION;
  return m_rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Contains(int x, int y) const {
  for (const RECT& r : m_rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

bool Region::Intersects(const RECT& rect) const {
  if (rect::IsEmpty(rect)) return false;
  for (const RECT& r : m_rects)
    if (!rect::IsEmpty(rect::Intersect(r, rect))) return true;
  return false;
}

void Region::Offset(int dx, int dy) {
  bool collapsed = false;
  for (RECT& r : m_rects) {
    r.left = Limit(static_cast<long long>(r.left) + dx);
    r.right = Limit(static_cast<long long>(r.right) + dx);
    r.top = Limit(static_cast<long long>(r.top) + dy);
    r.bottom = Limit(static_cast<long long>(r.bottom) + dy);
    collapsed = collapsed || rect::IsEmpty(r);
  }
  if (collapsed) *this = Combine(*this, Region(), Op::Or);  // drop what was pushed off the edge
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
  // Arbitrary input (a fresh rectangle) is banded trivially, so one sweep over the union of the
  // two lists' horizontal edges gives the canonical result.
  std::vector<LONG> ys;
  ys.reserve((a.m_rects.size() + b.m_rects.size()) * 2);
  for (const RECT& r : a.m_rects) ys.insert(ys.end(), {r.top, r.bottom});
  for (const RECT& r : b.m_rects) ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  Region result;
  std::vector<Span> spansA, spansB, spans, previous;
  std::vector<LONG> edges;
  std::size_t previousStart = 0;  // index in result of the previous band's first rectangle
  LONG previousBottom = 0;
  bool havePrevious = false;
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    const LONG top = ys[i];
    const LONG bottom = ys[i + 1];
    SpansInBand(a.m_rects, top, bottom, spansA);
    SpansInBand(b.m_rects, top, bottom, spansB);
    CombineSpans(spansA, spansB, op, edges, spans);
    if (spans.empty()) {
      havePrevious = false;
      continue;
    }
    if (havePrevious && previousBottom == top && spans == previous) {
      // Same spans directly below: stretch the previous band instead of starting a new one.
      for (std::size_t k = previousStart; k < result.m_rects.size(); ++k) result.m_rects[k].bottom = bottom;
    } else {
      previousStart = result.m_rects.size();
      for (const Span& s : spans) result.m_rects.push_back({s.left, top, s.right, bottom});
      previous = spans;
    }
    previousBottom = bottom;
    havePrevious = true;
  }
  return result;
}

}  // namespace gfx
