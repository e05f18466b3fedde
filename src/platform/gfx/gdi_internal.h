// SPDX-License-Identifier: GPL-3.0-or-later
// Shared internals of the drawing code: the device context record and its handle table.
//
// Coordinates: logical -> device adds (viewport origin - window origin); device -> surface adds
// the DC's origin (the window's client origin in its top-level surface, or 0 for a memory DC).
// The user clip region is kept in device coordinates; the effective clip (the DC's visible
// rectangles, cut by the user clip and the surface bounds) is cached in surface coordinates.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <optional>
#include <span>
#include <vector>

#include "base/types.h"
#include "platform/gfx/gdi_objects.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/region.h"
#include "platform/gfx/screen.h"
#include "platform/surface.h"

namespace gfx {

struct ObjRef {
  HGDIOBJ handle = nullptr;
  GdiObjectPtr object;
};

struct DcState {
  ObjRef pen;
  ObjRef brush;
  ObjRef font;
  ObjRef bitmap;  // memory DCs only
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT viewportOrg;
  POINT windowOrg;
  std::optional<Region> clip;  // device coordinates; none = no user clip
  POINT position;
};

enum class DcKind { Memory, Surface };

struct DeviceContext {
  DcKind kind = DcKind::Memory;
  HWND owner = nullptr;
  Surface* windowSurface = nullptr;  // Surface DCs; null once detached
  bool detached = false;
  POINT origin;    // surface coordinates of device (0, 0)
  Region visible;  // surface coordinates (Surface DCs)
  DcState state;
  std::vector<DcState> saved;
  RECT drawn{};  // bounding box of touched pixels, surface coordinates

  // Cache of the effective clip.
  bool clipValid = false;
  std::vector<RECT> clipRects;

  Surface* TargetSurface() const;
  void InvalidateClip() { clipValid = false; }
  // The rectangles drawing may touch, in surface coordinates.
  std::span<const RECT> Clip();
  // What drawing works on; waits first if the display may still be reading the surface's last
  // presented frame (see Surface::BeforeWrite), so a frame on the screen is never half drawn.
  raster::Target Target() {
    Surface* surface = TargetSurface();
    if (surface != nullptr) surface->BeforeWrite();
    return raster::Target{surface, Clip(), &drawn};
  }
  // Logical -> surface.
  // Results saturate at +-2^28, far outside any surface, so extreme coordinates cannot overflow
  // (not even squared distances in the line rasteriser).
  int SurfaceX(int x) const {
    return Saturate(static_cast<long long>(x) + state.viewportOrg.x - state.windowOrg.x + origin.x);
  }
  int SurfaceY(int y) const {
    return Saturate(static_cast<long long>(y) + state.viewportOrg.y - state.windowOrg.y + origin.y);
  }
  static int Saturate(long long v) {
    constexpr long long kLimit = 1LL << 28;
    return static_cast<int>(v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v));
  }
  int DeviceDX() const { return state.viewportOrg.x - state.windowOrg.x; }
  int DeviceDY() const { return state.viewportOrg.y - state.windowOrg.y; }
  RECT SurfaceRect(const RECT& r) const {
    return RECT{SurfaceX(r.left), SurfaceY(r.top), SurfaceX(r.right), SurfaceY(r.bottom)};
  }
  // Full area a DC could draw into without a user clip (device coordinates).
  RECT DeviceBounds() const;
};

// The DC behind a handle, or null (unknown, deleted or detached).
DeviceContext* FindDc(HDC hdc);
// Same, but also for a detached DC (so DeleteDC and DestroySurfaceDC still work on it).
DeviceContext* FindDcAnyState(HDC hdc);

int RegionTypeOfCount(std::size_t rectCount);

// Pixel of the DC's current solid brush; false for a hollow brush.
bool BrushPixel(const DeviceContext& dc, std::uint32_t* pixel);
const PenData* CurrentPen(const DeviceContext& dc);
const FontInstance& CurrentFont(const DeviceContext& dc);
const LOGFONT& CurrentLogFont(const DeviceContext& dc);

// Stock objects by GetStockObject index, plus the drawing code's own: the 1 x 1 bitmap a new
// memory DC starts with.
inline constexpr int kStockDefaultBitmap = DEFAULT_GUI_FONT + 1;
HGDIOBJ StockObject(int index);
// Drawing's own region: normalises a rectangle given in any corner order.
RECT NormalizedRect(int left, int top, int right, int bottom);

}  // namespace gfx
