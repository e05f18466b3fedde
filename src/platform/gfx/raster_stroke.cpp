// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/raster_stroke.h"

#include <cmath>

namespace gfx::raster {

namespace {

constexpr double kMiterLimit = 10.0;

struct Vec {
  double x;
  double y;
};

PointF Centre(const POINT& p) { return PointF{p.x + 0.5, p.y + 0.5}; }

void FillQuad(const Target& t, PointF a, PointF b, PointF c, PointF d, std::uint32_t pixel) {
  const PointF quad[4] = {a, b, c, d};
  FillPolygon(t, quad, pixel);
}

void Segment(const Target& t, PointF a, PointF b, Vec dir, double half, bool extendStart, bool extendEnd,
             std::uint32_t pixel) {
  if (extendStart) a = PointF{a.x - dir.x * half, a.y - dir.y * half};
  if (extendEnd) b = PointF{b.x + dir.x * half, b.y + dir.y * half};
  const Vec n{-dir.y * half, dir.x * half};
  FillQuad(t, PointF{a.x + n.x, a.y + n.y}, PointF{b.x + n.x, b.y + n.y}, PointF{b.x - n.x, b.y - n.y},
           PointF{a.x - n.x, a.y - n.y}, pixel);
}

void JoinAt(const Target& t, PointF p, Vec d1, Vec d2, double half, Join join, std::uint32_t pixel) {
  const double cross = d1.x * d2.y - d1.y * d2.x;
  if (std::fabs(cross) < 1e-12) return;  // straight on (or straight back): nothing to fill
  if (join == Join::Round) {
    FillDisc(t, p, half, pixel);
    return;
  }
  // The outer side of the turn is opposite to the direction the path turns towards.
  const double side = cross > 0 ? -1.0 : 1.0;
  const Vec n1{-d1.y * side, d1.x * side};
  const Vec n2{-d2.y * side, d2.x * side};
  const PointF c1{p.x + n1.x * half, p.y + n1.y * half};
  const PointF c2{p.x + n2.x * half, p.y + n2.y * half};
  const double dot = n1.x * n2.x + n1.y * n2.y;
  if (join == Join::Miter && 1.0 + dot > 2.0 / (kMiterLimit * kMiterLimit)) {
    const double k = half / (1.0 + dot);
    const PointF m{p.x + (n1.x + n2.x) * k, p.y + (n1.y + n2.y) * k};
    FillQuad(t, p, c1, m, c2, pixel);
    return;
  }
  const PointF tri[3] = {p, c1, c2};
  FillPolygon(t, tri, pixel);
}

}  // namespace

void StrokePolyline(const Target& t, std::span<const POINT> points, int width, Cap cap, Join join,
                    PathShape shape, std::uint32_t pixel) {
  if (!t.surface || points.empty() || width <= 0) return;
  const double half = width / 2.0;
  // Collect the segments of non-zero length.
  struct Seg {
    PointF a, b;
    Vec dir;
  };
  thread_local std::vector<Seg> segs;
  segs.clear();
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const PointF a = Centre(points[i]);
    const PointF b = Centre(points[i + 1]);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len == 0) continue;
    segs.push_back(Seg{a, b, Vec{dx / len, dy / len}});
  }
  if (shape == PathShape::Closed && points.size() > 2) {
    const PointF a = Centre(points.back());
    const PointF b = Centre(points.front());
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len > 0) segs.push_back(Seg{a, b, Vec{dx / len, dy / len}});
  }
  if (segs.empty()) {
    // A single point: only round and square ends give it any area.
    const PointF p = Centre(points.front());
    if (cap == Cap::Round) FillDisc(t, p, half, pixel);
    if (cap == Cap::Square)
      FillQuad(t, PointF{p.x - half, p.y - half}, PointF{p.x + half, p.y - half},
               PointF{p.x + half, p.y + half}, PointF{p.x - half, p.y + half}, pixel);
    return;
  }
  const bool open = shape == PathShape::Open;
  for (std::size_t i = 0; i < segs.size(); ++i) {
    const bool first = open && i == 0;
    const bool last = open && i + 1 == segs.size();
    Segment(t, segs[i].a, segs[i].b, segs[i].dir, half, first && cap == Cap::Square,
            last && cap == Cap::Square, pixel);
    if (i + 1 < segs.size()) JoinAt(t, segs[i].b, segs[i].dir, segs[i + 1].dir, half, join, pixel);
  }
  if (!open && segs.size() > 1)
    JoinAt(t, segs.back().b, segs.back().dir, segs.front().dir, half, join, pixel);
  if (open && cap == Cap::Round) {
    FillDisc(t, segs.front().a, half, pixel);
    FillDisc(t, segs.back().b, half, pixel);
  }
}

}  // namespace gfx::raster
