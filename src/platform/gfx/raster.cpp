// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/raster.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/region.h"

namespace gfx::raster {

namespace {

void Touch(const Target& t, const RECT& r) {
  if (t.dirty) *t.dirty = rect::Union(*t.dirty, r);
}

inline std::uint32_t BlendChannel(std::uint32_t d, std::uint32_t c, std::uint32_t a) {
  return (d * (255 - a) + c * a + 127) / 255;
}

inline std::uint32_t BlendPixel(std::uint32_t dst, std::uint32_t src, std::uint32_t a) {
  if (a == 0) return dst;
  if (a >= 255) return src & 0xFFFFFF;
  const std::uint32_t r = BlendChannel((dst >> 16) & 0xFF, (src >> 16) & 0xFF, a);
  const std::uint32_t g = BlendChannel((dst >> 8) & 0xFF, (src >> 8) & 0xFF, a);
  const std::uint32_t b = BlendChannel(dst & 0xFF, src & 0xFF, a);
  return (r << 16) | (g << 8) | b;
}

inline std::uint32_t CombinePixel(std::uint32_t dst, std::uint32_t src, Combine c) {
  switch (c) {
    case Combine::Copy:
      return src & 0xFFFFFF;
    case Combine::Or:
      return (dst | src) & 0xFFFFFF;
    case Combine::And:
      return dst & src & 0xFFFFFF;
    case Combine::Xor:
      return (dst ^ src) & 0xFFFFFF;
  }
  return dst;
}

RECT ClipBounds(const Target& t) {
  RECT box{};
  for (const RECT& r : t.clip) box = rect::Union(box, r);
  return box;
}

void FillSpan(const Target& t, int y, int x0, int x1, std::uint32_t pixel) {
  if (x0 >= x1) return;
  FillPixels(t, RECT{x0, y, x1, y + 1}, pixel);
}

}  // namespace

bool InClip(const Target& t, int x, int y) {
  for (const RECT& r : t.clip)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

void FillPixels(const Target& t, const RECT& rect, std::uint32_t pixel) {
  if (!t.surface || rect::IsEmpty(rect)) return;
  pixel &= 0xFFFFFF;
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(rect, c);
    if (rect::IsEmpty(r)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = t.surface->Row(y);
      std::fill(row + r.left, row + r.right, pixel);
    }
    Touch(t, r);
  }
}

void XorRect(const Target& t, const RECT& rect, std::uint32_t mask) {
  if (!t.surface || rect::IsEmpty(rect)) return;
  mask &= 0xFFFFFF;
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(rect, c);
    if (rect::IsEmpty(r)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = t.surface->Row(y);
      for (int x = r.left; x < r.right; ++x) row[x] ^= mask;
    }
    Touch(t, r);
  }
}

void SetPixel(const Target& t, int x, int y, std::uint32_t pixel) {
  if (!t.surface || !InClip(t, x, y)) return;
  t.surface->Row(y)[x] = pixel & 0xFFFFFF;
  Touch(t, RECT{x, y, x + 1, y + 1});
}

void XorPixel(const Target& t, int x, int y, std::uint32_t mask) {
  if (!t.surface || !InClip(t, x, y)) return;
  t.surface->Row(y)[x] ^= mask & 0xFFFFFF;
  Touch(t, RECT{x, y, x + 1, y + 1});
}

void Line(const Target& t, int x0, int y0, int x1, int y1, std::uint32_t pixel, std::uint32_t pattern,
          int patternLength) {
  if (!t.surface || (x0 == x1 && y0 == y1)) return;
  const bool solid = pattern == 0 || patternLength <= 0;
  if (solid && y0 == y1) {
    FillPixels(t, x0 < x1 ? RECT{x0, y0, x1, y0 + 1} : RECT{x1 + 1, y0, x0 + 1, y0 + 1}, pixel);
    return;
  }
  if (solid && x0 == x1) {
    FillPixels(t, y0 < y1 ? RECT{x0, y0, x0 + 1, y1} : RECT{x0, y1 + 1, x0 + 1, y0 + 1}, pixel);
    return;
  }
  // Bresenham over the major axis, in closed form so that only the steps inside the clip's
  // bounds are visited: step i is at major offset i and minor offset
  // floor((2 * minorDelta * i + majorDelta - 1) / (2 * majorDelta)) (halves round towards the
  // start). The end point itself is not drawn.
  const long long dx = std::llabs(static_cast<long long>(x1) - x0);
  const long long dy = std::llabs(static_cast<long long>(y1) - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  const bool xMajor = dx >= dy;
  const long long major = xMajor ? dx : dy;
  const long long minor = xMajor ? dy : dx;
  const RECT bounds = ClipBounds(t);
  if (rect::IsEmpty(bounds)) return;
  // Range of steps whose major coordinate lies inside the bounds.
  const int majorStart = xMajor ? x0 : y0;
  const int majorSign = xMajor ? sx : sy;
  const long long lo = xMajor ? bounds.left : bounds.top;
  const long long hi = (xMajor ? bounds.right : bounds.bottom) - 1;
  long long first = majorSign > 0 ? lo - majorStart : majorStart - hi;
  long long last = majorSign > 0 ? hi - majorStart : majorStart - lo;
  first = std::max(first, 0LL);
  last = std::min(last, major - 1);
  pixel &= 0xFFFFFF;
  RECT touched{};
  for (long long i = first; i <= last; ++i) {
    if (!solid && ((pattern >> (i % patternLength)) & 1u) == 0) continue;
    const long long m = (2 * minor * i + major - 1) / (2 * major);
    const long long px = xMajor ? x0 + sx * i : x0 + sx * m;
    const long long py = xMajor ? y0 + sy * m : y0 + sy * i;
    if (px < bounds.left || px >= bounds.right || py < bounds.top || py >= bounds.bottom) continue;
    const int ix = static_cast<int>(px), iy = static_cast<int>(py);
    if (!InClip(t, ix, iy)) continue;
    t.surface->Row(iy)[ix] = pixel;
    touched = rect::Union(touched, RECT{ix, iy, ix + 1, iy + 1});
  }
  Touch(t, touched);
}

void FillPolygon(const Target& t, std::span<const PointF> points, std::uint32_t pixel) {
  if (!t.surface || points.size() < 3) return;
  const RECT bounds = ClipBounds(t);
  if (rect::IsEmpty(bounds)) return;
  double minY = points[0].y, maxY = points[0].y;
  for (const PointF& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const int rowFirst = std::max<int>(bounds.top, static_cast<int>(std::ceil(minY - 0.5)));
  const int rowLast = std::min<int>(bounds.bottom - 1, static_cast<int>(std::ceil(maxY - 0.5)) - 1);
  thread_local std::vector<double> crossings;
  const std::size_t n = points.size();
  for (int row = rowFirst; row <= rowLast; ++row) {
    const double yc = row + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < n; ++i) {
      PointF a = points[i];
      PointF b = points[(i + 1) % n];
      if (a.y == b.y) continue;
      if (a.y > b.y) std::swap(a, b);
      if (yc < a.y || yc >= b.y) continue;
      crossings.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const double left = std::max(crossings[i], static_cast<double>(bounds.left) - 1.0);
      const double right = std::min(crossings[i + 1], static_cast<double>(bounds.right) + 1.0);
      const int x0 = static_cast<int>(std::ceil(left - 0.5));
      const int x1 = static_cast<int>(std::ceil(right - 0.5));
      FillSpan(t, row, x0, x1, pixel);
    }
  }
}

void FillDisc(const Target& t, PointF centre, double radius, std::uint32_t pixel) {
  if (!t.surface || !(radius > 0) || !std::isfinite(centre.x) || !std::isfinite(centre.y)) return;
  const RECT bounds = ClipBounds(t);
  const int rowFirst = std::max<int>(bounds.top, static_cast<int>(std::floor(centre.y - radius)));
  const int rowLast = std::min<int>(bounds.bottom - 1, static_cast<int>(std::ceil(centre.y + radius)));
  for (int row = rowFirst; row <= rowLast; ++row) {
    const double dy = row + 0.5 - centre.y;
    const double h2 = radius * radius - dy * dy;
    if (h2 <= 0) continue;
    const double half = std::sqrt(h2);
    const int x0 = static_cast<int>(std::floor(centre.x - half - 0.5)) + 1;
    const int x1 = static_cast<int>(std::ceil(centre.x + half - 0.5));
    FillSpan(t, row, std::max<int>(x0, bounds.left - 1), std::min<int>(x1, bounds.right + 1), pixel);
  }
}

void BlendMask(const Target& t, int x, int y, int width, int height, const std::uint8_t* mask, int pitch,
               std::uint32_t pixel) {
  if (!t.surface || !mask || width <= 0 || height <= 0) return;
  const RECT box{x, y, x + width, y + height};
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(box, c);
    if (rect::IsEmpty(r)) continue;
    bool any = false;
    for (int py = r.top; py < r.bottom; ++py) {
      std::uint32_t* row = t.surface->Row(py);
      const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(py - y) * pitch - x;
      for (int px = r.left; px < r.right; ++px) {
        if (m[px] == 0) continue;
        row[px] = BlendPixel(row[px], pixel, m[px]);
        any = true;
      }
    }
    if (any) Touch(t, r);
  }
}

void BlendArgb(const Target& t, int x, int y, const Surface& argb) {
  if (!t.surface) return;
  const RECT box{x, y, x + argb.Width(), y + argb.Height()};
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(box, c);
    if (rect::IsEmpty(r)) continue;
    for (int py = r.top; py < r.bottom; ++py) {
      std::uint32_t* row = t.surface->Row(py);
      const std::uint32_t* src = argb.Row(py - y);
      for (int px = r.left; px < r.right; ++px) {
        const std::uint32_t s = src[px - x];
        row[px] = BlendPixel(row[px], s, s >> 24);
      }
    }
    Touch(t, r);
  }
}

void Blit(const Target& t, int dx, int dy, int width, int height, const Surface& src, int sx, int sy,
          Combine combine) {
  if (!t.surface || width <= 0 || height <= 0) return;
  // Only the part whose source lies inside `src` is copied.
  RECT srcBox = rect::Intersect(RECT{sx, sy, sx + width, sy + height}, RECT{0, 0, src.Width(), src.Height()});
  if (rect::IsEmpty(srcBox)) return;
  const RECT box{srcBox.left - sx + dx, srcBox.top - sy + dy, srcBox.right - sx + dx,
                 srcBox.bottom - sy + dy};
  const Surface* from = &src;
  int fromX = sx, fromY = sy;
  thread_local Surface copy;
  if (&src == t.surface) {
    // Same surface: take a copy of the source part first so overlapping moves read old pixels.
    const int w = srcBox.right - srcBox.left, h = srcBox.bottom - srcBox.top;
    copy.Resize(0, 0);
    copy.Resize(w, h);
    for (int row = 0; row < h; ++row)
      std::copy(src.Row(srcBox.top + row) + srcBox.left, src.Row(srcBox.top + row) + srcBox.right,
                copy.Row(row));
    from = &copy;
    fromX = sx - srcBox.left;
    fromY = sy - srcBox.top;
  }
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(box, c);
    if (rect::IsEmpty(r)) continue;
    for (int py = r.top; py < r.bottom; ++py) {
      std::uint32_t* row = t.surface->Row(py);
      const std::uint32_t* s = from->Row(py - dy + fromY) + (fromX - dx);
      if (combine == Combine::Copy) {
        for (int px = r.left; px < r.right; ++px) row[px] = s[px] & 0xFFFFFF;
      } else {
        for (int px = r.left; px < r.right; ++px) row[px] = CombinePixel(row[px], s[px], combine);
      }
    }
    Touch(t, r);
  }
}

void StretchCopy(const Target& t, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw,
                 int sh) {
  if (!t.surface || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const Surface copy = src;  // the source may be the destination
  const RECT box{dx, dy, dx + dw, dy + dh};
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(box, c);
    if (rect::IsEmpty(r)) continue;
    RECT touched{};
    for (int py = r.top; py < r.bottom; ++py) {
      const long long srcY = sy + (static_cast<long long>(py - dy) * sh) / dh;
      if (srcY < 0 || srcY >= copy.Height()) continue;
      std::uint32_t* row = t.surface->Row(py);
      const std::uint32_t* s = copy.Row(static_cast<int>(srcY));
      for (int px = r.left; px < r.right; ++px) {
        const long long srcX = sx + (static_cast<long long>(px - dx) * sw) / dw;
        if (srcX < 0 || srcX >= copy.Width()) continue;
        row[px] = s[srcX] & 0xFFFFFF;
        touched = rect::Union(touched, RECT{px, py, px + 1, py + 1});
      }
    }
    Touch(t, touched);
  }
}

void KeyedCopy(const Target& t, int dx, int dy, const Surface& src, std::uint32_t key,
               const std::uint32_t* replacement) {
  if (!t.surface) return;
  key &= 0xFFFFFF;
  const RECT box{dx, dy, dx + src.Width(), dy + src.Height()};
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(box, c);
    if (rect::IsEmpty(r)) continue;
    for (int py = r.top; py < r.bottom; ++py) {
      std::uint32_t* row = t.surface->Row(py);
      const std::uint32_t* s = src.Row(py - dy) - dx;
      for (int px = r.left; px < r.right; ++px) {
        const std::uint32_t v = s[px] & 0xFFFFFF;
        if (v != key)
          row[px] = v;
        else if (replacement)
          row[px] = *replacement & 0xFFFFFF;
      }
    }
    Touch(t, r);
  }
}

}  // namespace gfx::raster
