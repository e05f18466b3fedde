// SPDX-License-Identifier: GPL-3.0-or-later
// Device contexts: the handle table, state, origins, saving and clipping.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/font_cache.h"
#include "platform/gfx/gdi_internal.h"
#include "platform/gfx/graphics_state.h"
#include "platform/gfx/screen.h"

namespace gfx {

namespace {

// Device area of a DC without a user clip; large enough for any surface and any origin, small
// enough that no coordinate arithmetic on it overflows.
constexpr LONG kFar = 1 << 26;

ObjRef Stock(int index) { return ObjRef{StockObject(index), FindObject(StockObject(index))}; }

DcState DefaultState(DcKind kind) {
  DcState s;
  s.pen = Stock(BLACK_PEN);
  s.brush = Stock(WHITE_BRUSH);
  s.font = Stock(DEFAULT_GUI_FONT);
  if (kind == DcKind::Memory) s.bitmap = Stock(kStockDefaultBitmap);
  return s;
}

HDC AddDc(std::unique_ptr<DeviceContext> dc) {
  const std::uintptr_t number = NextHandleNumber();
  Graphics().dcs.emplace(number, std::move(dc));
  return reinterpret_cast<HDC>(number);
}

}  // namespace

int RegionTypeOfCount(std::size_t n) { return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION); }

Surface* DeviceContext::TargetSurface() const {
  if (kind == DcKind::Surface) return detached ? nullptr : windowSurface;
  BitmapData* bitmap = As<BitmapData>(state.bitmap.object);
  return bitmap ? &bitmap->pixels : nullptr;
}

RECT DeviceContext::DeviceBounds() const { return RECT{-kFar, -kFar, kFar, kFar}; }

std::span<const RECT> DeviceContext::Clip() {
  if (clipValid) return clipRects;
  clipValid = true;
  clipRects.clear();
  const Surface* surface = TargetSurface();
  if (!surface) return clipRects;
  const RECT bounds{0, 0, surface->Width(), surface->Height()};
  Region area = kind == DcKind::Surface ? visible : Region(bounds);
  if (kind == DcKind::Surface) area.IntersectRect(bounds);
  if (state.clip) {
    Region user = *state.clip;
    user.Offset(origin.x, origin.y);
    area = Region::Combine(area, user, Region::Op::And);
  }
  clipRects = area.Rects();
  return clipRects;
}

DeviceContext* FindDcAnyState(HDC hdc) {
  if (!hdc) return nullptr;
  auto it = Graphics().dcs.find(reinterpret_cast<std::uintptr_t>(hdc));
  return it == Graphics().dcs.end() ? nullptr : it->second.get();
}

DeviceContext* FindDc(HDC hdc) {
  DeviceContext* dc = FindDcAnyState(hdc);
  return dc && !dc->detached ? dc : nullptr;
}

bool BrushPixel(const DeviceContext& dc, std::uint32_t* pixel) {
  const BrushData* brush = As<BrushData>(dc.state.brush.object);
  if (!brush || brush->hollow) return false;
  *pixel = PixelFromColor(brush->color);
  return true;
}

const PenData* CurrentPen(const DeviceContext& dc) { return As<PenData>(dc.state.pen.object); }

const FontInstance& CurrentFont(const DeviceContext& dc) {
  const FontData* font = As<FontData>(dc.state.font.object);
  if (!font) font = As<FontData>(FindObject(StockObject(DEFAULT_GUI_FONT)));
  return ResolveFont(*font);
}

const LOGFONT& CurrentLogFont(const DeviceContext& dc) {
  const FontData* font = As<FontData>(dc.state.font.object);
  if (!font) font = As<FontData>(FindObject(StockObject(DEFAULT_GUI_FONT)));
  return font->logFont;
}

RECT NormalizedRect(int left, int top, int right, int bottom) {
  return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

}  // namespace gfx

using namespace gfx;

// ---- Surface DCs (for the window code) ------------------------------------------------------

HDC gfx::CreateSurfaceDC(HWND owner, Surface* surface, POINT origin, std::vector<RECT> visible) {
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = gfx::DcKind::Surface;
  dc->owner = owner;
  dc->windowSurface = surface;
  dc->detached = surface == nullptr;
  dc->origin = origin;
  for (const RECT& r : visible) dc->visible.UnionRect(r);
  dc->state = gfx::DefaultState(gfx::DcKind::Surface);
  return gfx::AddDc(std::move(dc));
}

RECT gfx::DestroySurfaceDC(HDC hdc) {
  DeviceContext* dc = gfx::FindDcAnyState(hdc);
  if (!dc || dc->kind != gfx::DcKind::Surface) return RECT{};
  const RECT drawn = dc->detached ? RECT{} : dc->drawn;
  Graphics().dcs.erase(reinterpret_cast<std::uintptr_t>(hdc));
  return drawn;
}

void gfx::DetachSurfaceDCs(HWND owner) {
  for (auto& [number, dc] : Graphics().dcs) {
    if (dc->kind == gfx::DcKind::Surface && dc->owner == owner) {
      dc->detached = true;
      dc->windowSurface = nullptr;
      dc->InvalidateClip();
    }
  }
}

// ---- Memory DCs, saving ---------------------------------------------------------------------

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !gfx::FindDcAnyState(hdc)) return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = gfx::DcKind::Memory;
  dc->state = gfx::DefaultState(gfx::DcKind::Memory);
  return gfx::AddDc(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
  DeviceContext* dc = gfx::FindDcAnyState(hdc);
  if (!dc || dc->kind != gfx::DcKind::Memory) return FALSE;  // window DCs end with their paint
  Graphics().dcs.erase(reinterpret_cast<std::uintptr_t>(hdc));
  return TRUE;
}

int SaveDC(HDC hdc) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDc) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || savedDc == 0) return FALSE;
  const int depth = static_cast<int>(dc->saved.size());
  const int level = savedDc < 0 ? depth + 1 + savedDc : savedDc;
  if (level < 1 || level > depth) return FALSE;
  dc->state = std::move(dc->saved[level - 1]);
  dc->saved.resize(level - 1);
  dc->InvalidateClip();
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return gfx::ScreenPixelsPerInch();
    case BITSPIXEL:
      return 32;
    case HORZRES:
    case VERTRES: {
      if (dc->kind == gfx::DcKind::Memory) {
        const Surface* s = dc->TargetSurface();
        return s ? (index == HORZRES ? s->Width() : s->Height()) : 0;
      }
      return index == HORZRES ? gfx::ScreenWidth() : gfx::ScreenHeight();
    }
    default:
      return 0;
  }
}

// ---- Attributes ----------------------------------------------------------------------------

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  return std::exchange(dc->state.textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC hdc) {
  DeviceContext* dc = FindDc(hdc);
  return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  return std::exchange(dc->state.bkColor, color & 0xFFFFFF);
}

int SetBkMode(HDC hdc, int mode) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(dc->state.bkMode, mode);
}

// ---- Origins and the current position ------------------------------------------------------

namespace {

BOOL SetOrigin(HDC hdc, POINT gfx::DcState::* member, int x, int y, bool relative, POINT* old) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  POINT& p = dc->state.*member;
  if (old) *old = p;
  if (relative) {
    x += p.x;
    y += p.y;
  }
  // Origins beyond this would only overflow the arithmetic; nothing could be drawn there anyway.
  p = POINT{std::clamp(x, -(1 << 26), 1 << 26), std::clamp(y, -(1 << 26), 1 << 26)};
  return TRUE;
}

}  // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetOrigin(hdc, &gfx::DcState::windowOrg, x, y, false, old);
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetOrigin(hdc, &gfx::DcState::viewportOrg, x, y, false, old);
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetOrigin(hdc, &gfx::DcState::viewportOrg, dx, dy, true, old);
}

BOOL GetViewportOrgEx(HDC hdc, POINT* pt) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !pt) return FALSE;
  *pt = dc->state.viewportOrg;
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->state.position;
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* pt) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !pt) return FALSE;
  *pt = dc->state.position;
  return TRUE;
}

// ---- Clipping ------------------------------------------------------------------------------

namespace {

RECT DeviceRect(const DeviceContext& dc, int left, int top, int right, int bottom) {
  RECT r = gfx::NormalizedRect(left, top, right, bottom);
  r.left = DeviceContext::Saturate(static_cast<long long>(r.left) + dc.DeviceDX());
  r.right = DeviceContext::Saturate(static_cast<long long>(r.right) + dc.DeviceDX());
  r.top = DeviceContext::Saturate(static_cast<long long>(r.top) + dc.DeviceDY());
  r.bottom = DeviceContext::Saturate(static_cast<long long>(r.bottom) + dc.DeviceDY());
  return r;
}

int EffectiveType(DeviceContext& dc) { return gfx::RegionTypeOfCount(dc.Clip().size()); }

}  // namespace

int SelectClipRgn(HDC hdc, HRGN rgn) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return ERROR;
  if (!rgn) {
    dc->state.clip.reset();
  } else {
    const Region* region = gfx::As<Region>(gfx::FindObject(rgn));
    if (!region) return ERROR;
    Region device = *region;
    device.Offset(dc->DeviceDX(), dc->DeviceDY());
    dc->state.clip = std::move(device);
  }
  dc->InvalidateClip();
  return EffectiveType(*dc);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return ERROR;
  Region clip = dc->state.clip ? *dc->state.clip : Region(dc->DeviceBounds());
  clip.IntersectRect(DeviceRect(*dc, left, top, right, bottom));
  dc->state.clip = std::move(clip);
  dc->InvalidateClip();
  return EffectiveType(*dc);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return ERROR;
  Region clip = dc->state.clip ? *dc->state.clip : Region(dc->DeviceBounds());
  clip.SubtractRect(DeviceRect(*dc, left, top, right, bottom));
  dc->state.clip = std::move(clip);
  dc->InvalidateClip();
  return EffectiveType(*dc);
}

int GetClipBox(HDC hdc, RECT* rect) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !rect) return ERROR;
  RECT box{};
  for (const RECT& r : dc->Clip()) box = rect::Union(box, r);
  if (rect::IsEmpty(box)) {
    *rect = RECT{};
    return NULLREGION;
  }
  const int dx = dc->SurfaceX(0), dy = dc->SurfaceY(0);
  *rect = RECT{box.left - dx, box.top - dy, box.right - dx, box.bottom - dy};
  return EffectiveType(*dc);
}

BOOL RectVisible(HDC hdc, const RECT* rect) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !rect) return FALSE;
  const RECT r = dc->SurfaceRect(gfx::NormalizedRect(rect->left, rect->top, rect->right, rect->bottom));
  for (const RECT& c : dc->Clip())
    if (!rect::IsEmpty(rect::Intersect(r, c))) return TRUE;
  return FALSE;
}
