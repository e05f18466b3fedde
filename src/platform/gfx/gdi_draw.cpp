// SPDX-License-Identifier: GPL-3.0-or-later
// Lines, rectangles, polygons, pixels and blits.
#include <algorithm>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/gfx/gdi_internal.h"
#include "platform/gfx/raster_stroke.h"

using namespace gfx;

namespace {

// Brush handles may also be a system colour index plus one, as window classes use them.
bool ResolveBrush(HBRUSH brush, std::uint32_t* pixel, bool* hollow) {
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= static_cast<std::uintptr_t>(COLOR_MAX) + 1) {
    *pixel = PixelFromColor(GetSysColor(static_cast<int>(value - 1)));
    *hollow = false;
    return true;
  }
  const BrushData* data = gfx::As<BrushData>(gfx::FindObject(brush));
  if (!data) return false;
  *hollow = data->hollow;
  *pixel = PixelFromColor(data->color);
  return true;
}

// On/off masks of the cosmetic dashed styles, 24 pixels long.
bool PenPattern(UINT style, std::uint32_t* pattern) {
  switch (style) {
    case PS_DASH:
      *pattern = 0x03FFFF;
      return true;  // 18 on, 6 off
    case PS_DOT:
      *pattern = 0x1C71C7;
      return true;  // 3 on, 3 off
    case 3:
      *pattern = 0x0381FF;
      return true;  // dash dot
    case 4:
      *pattern = 0x1C71FF;
      return true;  // dash dot dot
    default:
      *pattern = 0;
      return false;
  }
}

raster::Cap CapOf(const PenData& pen) {
  switch (pen.endCap) {
    case PS_ENDCAP_FLAT:
      return raster::Cap::Flat;
    case PS_ENDCAP_SQUARE:
      return raster::Cap::Square;
    default:
      return raster::Cap::Round;
  }
}

raster::Join JoinOf(const PenData& pen) {
  switch (pen.join) {
    case PS_JOIN_MITER:
      return raster::Join::Miter;
    case PS_JOIN_BEVEL:
      return raster::Join::Bevel;
    default:
      return raster::Join::Round;
  }
}

// Strokes a path of logical points with the DC's pen.
void StrokePath(DeviceContext& dc, const POINT* points, std::size_t count, raster::PathShape shape) {
  const PenData* pen = gfx::CurrentPen(dc);
  if (!pen || pen->style == PS_NULL || count == 0) return;
  const raster::Target target = dc.Target();
  if (!target.surface) return;
  const std::uint32_t pixel = PixelFromColor(pen->color);
  thread_local std::vector<POINT> path;
  path.clear();
  for (std::size_t i = 0; i < count; ++i)
    path.push_back(POINT{dc.SurfaceX(points[i].x), dc.SurfaceY(points[i].y)});
  if (pen->geometric) {
    raster::StrokePolyline(target, path, pen->width, CapOf(*pen), JoinOf(*pen), shape, pixel);
    return;
  }
  std::uint32_t pattern = 0;
  PenPattern(pen->style, &pattern);
  const int patternLength = pattern ? 24 : 0;
  for (std::size_t i = 0; i + 1 < path.size(); ++i)
    raster::Line(target, path[i].x, path[i].y, path[i + 1].x, path[i + 1].y, pixel, pattern, patternLength);
  if (shape == raster::PathShape::Closed && path.size() > 2)
    raster::Line(target, path.back().x, path.back().y, path.front().x, path.front().y, pixel, pattern,
                 patternLength);
}

// Pointer arithmetic on counts from callers is checked before any point is read.
constexpr std::size_t kMaxPoints = 1u << 24;

// Blit sizes beyond this reach past any surface from any position; clamping them keeps the
// position + size arithmetic inside int.
int ClampExtent(int v) { return std::clamp(v, -(1 << 28), 1 << 28); }

}  // namespace

// ---- Rectangles ----------------------------------------------------------------------------

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = FindDc(hdc);
  std::uint32_t pixel = 0;
  bool hollow = false;
  if (!dc || !rect || !ResolveBrush(brush, &pixel, &hollow)) return 0;
  if (!hollow && !rect::IsEmpty(*rect)) raster::FillPixels(dc->Target(), dc->SurfaceRect(*rect), pixel);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = FindDc(hdc);
  std::uint32_t pixel = 0;
  bool hollow = false;
  if (!dc || !rect || !ResolveBrush(brush, &pixel, &hollow)) return 0;
  if (hollow || rect::IsEmpty(*rect)) return 1;
  const RECT r = dc->SurfaceRect(*rect);
  const raster::Target t = dc->Target();
  raster::FillPixels(t, RECT{r.left, r.top, r.right, r.top + 1}, pixel);
  raster::FillPixels(t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, pixel);
  raster::FillPixels(t, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, pixel);
  raster::FillPixels(t, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, pixel);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !rect) return FALSE;
  raster::XorRect(dc->Target(), dc->SurfaceRect(*rect), 0xFFFFFF);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  const RECT logical = gfx::NormalizedRect(left, top, right, bottom);
  if (rect::IsEmpty(logical)) return TRUE;
  const RECT r = dc->SurfaceRect(logical);
  const raster::Target t = dc->Target();
  const PenData* pen = gfx::CurrentPen(*dc);
  const bool noPen = !pen || pen->style == PS_NULL;
  std::uint32_t brush = 0;
  // The inside spans the rectangle without its right and bottom edges' outline pixels; with no pen
  // the fill stops one pixel short on those sides as well, as the outline would have been there.
  if (gfx::BrushPixel(*dc, &brush))
    raster::FillPixels(t, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, brush);
  if (noPen) return TRUE;
  const std::uint32_t pixel = PixelFromColor(pen->color);
  if (pen->geometric) {
    // A frame of the pen's width centred on the outline (inside it for PS_INSIDEFRAME), with
    // square corners.
    const int a = pen->width / 2, b = pen->width - pen->width / 2;
    RECT outer{r.left - a, r.top - a, r.right - 1 + b, r.bottom - 1 + b};
    if (pen->style == PS_INSIDEFRAME) outer = r;
    const int w = pen->width;
    raster::FillPixels(t, RECT{outer.left, outer.top, outer.right, outer.top + w}, pixel);
    raster::FillPixels(t, RECT{outer.left, outer.bottom - w, outer.right, outer.bottom}, pixel);
    raster::FillPixels(t, RECT{outer.left, outer.top + w, outer.left + w, outer.bottom - w}, pixel);
    raster::FillPixels(t, RECT{outer.right - w, outer.top + w, outer.right, outer.bottom - w}, pixel);
    return TRUE;
  }
  if (pen->style == PS_SOLID || pen->style == PS_INSIDEFRAME) {
    raster::FillPixels(t, RECT{r.left, r.top, r.right, r.top + 1}, pixel);
    raster::FillPixels(t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, pixel);
    raster::FillPixels(t, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, pixel);
    raster::FillPixels(t, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, pixel);
    return TRUE;
  }
  const POINT outline[4] = {{logical.left, logical.top},
                            {logical.right - 1, logical.top},
                            {logical.right - 1, logical.bottom - 1},
                            {logical.left, logical.bottom - 1}};
  StrokePath(*dc, outline, 4, raster::PathShape::Closed);
  return TRUE;
}

// ---- Lines ---------------------------------------------------------------------------------

BOOL LineTo(HDC hdc, int x, int y) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  const POINT path[2] = {dc->state.position, POINT{x, y}};
  StrokePath(*dc, path, 2, raster::PathShape::Open);
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !points || count < 2 || static_cast<std::size_t>(count) > kMaxPoints) return FALSE;
  StrokePath(*dc, points, static_cast<std::size_t>(count), raster::PathShape::Open);
  return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylineCount) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !points || !counts || polylineCount == 0) return FALSE;
  std::size_t total = 0;
  for (DWORD i = 0; i < polylineCount; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
    if (total > kMaxPoints) return FALSE;
  }
  std::size_t offset = 0;
  for (DWORD i = 0; i < polylineCount; ++i) {
    StrokePath(*dc, points + offset, counts[i], raster::PathShape::Open);
    offset += counts[i];
  }
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !points || count < 2 || static_cast<std::size_t>(count) > kMaxPoints) return FALSE;
  std::uint32_t brush = 0;
  if (gfx::BrushPixel(*dc, &brush)) {
    // The inside is sampled at pixel centres with the vertices on pixel corners, so a polygon
    // over a rectangle's corners fills exactly what FillRect would.
    thread_local std::vector<raster::PointF> shape;
    shape.clear();
    for (int i = 0; i < count; ++i)
      shape.push_back(raster::PointF{static_cast<double>(dc->SurfaceX(points[i].x)),
                                     static_cast<double>(dc->SurfaceY(points[i].y))});
    raster::FillPolygon(dc->Target(), shape, brush);
  }
  StrokePath(*dc, points, static_cast<std::size_t>(count), raster::PathShape::Closed);
  return TRUE;
}

// ---- Pixels --------------------------------------------------------------------------------

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  const raster::Target t = dc->Target();
  const int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
  if (!t.surface || !raster::InClip(t, sx, sy)) return CLR_INVALID;
  raster::SetPixel(t, sx, sy, PixelFromColor(color));
  return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  const raster::Target t = dc->Target();
  const int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
  if (!t.surface || !raster::InClip(t, sx, sy)) return CLR_INVALID;
  return ColorFromPixel(t.surface->Pixel(sx, sy));
}

// ---- Blits ---------------------------------------------------------------------------------

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  const RECT r =
      dc->SurfaceRect(gfx::NormalizedRect(x, y, DeviceContext::Saturate(static_cast<long long>(x) + width),
                                          DeviceContext::Saturate(static_cast<long long>(y) + height)));
  const raster::Target t = dc->Target();
  std::uint32_t brush = 0;
  const bool solid = gfx::BrushPixel(*dc, &brush);
  switch (rop) {
    case PATCOPY:
      if (solid) raster::FillPixels(t, r, brush);
      return TRUE;
    case PATINVERT:
      if (solid) raster::XorRect(t, r, brush);
      return TRUE;
    case DSTINVERT:
      raster::XorRect(t, r, 0xFFFFFF);
      return TRUE;
    case BLACKNESS:
      raster::FillPixels(t, r, 0x000000);
      return TRUE;
    case WHITENESS:
      raster::FillPixels(t, r, 0xFFFFFF);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  if (rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS)
    return PatBlt(dest, x, y, width, height, rop);
  DeviceContext* to = FindDc(dest);
  DeviceContext* from = FindDc(src);
  if (!to || !from) return FALSE;
  raster::Combine combine;
  switch (rop) {
    case SRCCOPY:
      combine = raster::Combine::Copy;
      break;
    case SRCPAINT:
      combine = raster::Combine::Or;
      break;
    case SRCAND:
      combine = raster::Combine::And;
      break;
    case SRCINVERT:
      combine = raster::Combine::Xor;
      break;
    default:
      return FALSE;
  }
  const Surface* source = from->TargetSurface();
  if (!source) return FALSE;
  if (width < 0 || height < 0) return FALSE;
  raster::Blit(to->Target(), to->SurfaceX(x), to->SurfaceY(y), ClampExtent(width), ClampExtent(height),
               *source, from->SurfaceX(srcX), from->SurfaceY(srcY), combine);
  return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
  if (width == srcWidth && height == srcHeight)
    return BitBlt(dest, x, y, width, height, src, srcX, srcY, rop);
  DeviceContext* to = FindDc(dest);
  DeviceContext* from = FindDc(src);
  // Only plain scaling copies are offered; mirroring (negative sizes) is refused.
  if (!to || !from || rop != SRCCOPY || width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0)
    return FALSE;
  const Surface* source = from->TargetSurface();
  if (!source) return FALSE;
  raster::StretchCopy(to->Target(), to->SurfaceX(x), to->SurfaceY(y), ClampExtent(width), ClampExtent(height),
                      *source, from->SurfaceX(srcX), from->SurfaceY(srcY), ClampExtent(srcWidth),
                      ClampExtent(srcHeight));
  return TRUE;
}

BOOL DrawBitmapKeyed(HDC dest, int x, int y, HBITMAP bitmap, COLORREF transparent) {
  DeviceContext* dc = FindDc(dest);
  const BitmapData* data = gfx::As<BitmapData>(gfx::FindObject(bitmap));
  if (!dc || !data) return FALSE;
  std::uint32_t brush = 0;
  const bool solid = gfx::BrushPixel(*dc, &brush);
  raster::KeyedCopy(dc->Target(), dc->SurfaceX(x), dc->SurfaceY(y), data->pixels, PixelFromColor(transparent),
                    solid ? &brush : nullptr);
  return TRUE;
}

BOOL DrawIconAt(HDC hdc, int x, int y, HICON icon) {
  DeviceContext* dc = FindDc(hdc);
  const Surface* image = IconImage(icon);
  if (!dc || !image) return FALSE;
  raster::BlendArgb(dc->Target(), dc->SurfaceX(x), dc->SurfaceY(y), *image);
  return TRUE;
}

// ---- Focus rectangle -----------------------------------------------------------------------

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !rect) return FALSE;
  if (rect::IsEmpty(*rect)) return TRUE;
  const RECT r = dc->SurfaceRect(*rect);
  const raster::Target t = dc->Target();
  // Every other pixel of the outline, counted from the top-left corner, is inverted; each outline
  // pixel is visited once, so a second call restores the picture exactly.
  auto dot = [&](int px, int py) {
    if (((px - r.left) + (py - r.top)) % 2 == 0) raster::XorPixel(t, px, py, 0xFFFFFF);
  };
  // Only the part of the outline inside the clip is walked, so a huge rectangle costs nothing.
  RECT box{};
  for (const RECT& c : t.clip) box = rect::Union(box, c);
  const int x0 = std::max(r.left, box.left), x1 = std::min(r.right, box.right);
  const int y0 = std::max(r.top + 1, box.top), y1 = std::min(r.bottom - 1, box.bottom);
  for (int px = x0; px < x1; ++px) dot(px, r.top);
  if (r.bottom - 1 > r.top)
    for (int px = x0; px < x1; ++px) dot(px, r.bottom - 1);
  for (int py = y0; py < y1; ++py) {
    dot(r.left, py);
    if (r.right - 1 > r.left) dot(r.right - 1, py);
  }
  return TRUE;
}
