// SPDX-License-Identifier: GPL-3.0-or-later
// The table of drawing objects behind HGDIOBJ handles (pens, brushes, fonts, bitmaps, regions)
// and of the icon images behind HICON.
//
// A handle is a number that is never reused during a run; looking up a stale or made-up one finds
// nothing. Objects are shared: a DC that has an object selected keeps it alive, so deleting a
// selected object invalidates its handle at once but the DC draws with it until it is replaced.
// Stock objects (GetStockObject, GetSysColorBrush) ignore DeleteObject.
// Everything here runs on the UI thread.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <memory>
#include <variant>

#include "base/types.h"
#include "platform/gfx/region.h"
#include "platform/surface.h"

namespace gfx {

class FontInstance;

struct PenData {
  UINT style = PS_SOLID;  // PS_SOLID, PS_DASH, PS_DOT, PS_NULL, PS_INSIDEFRAME
  int width = 1;          // 1: cosmetic one-pixel line
  COLORREF color = 0;
  bool geometric = false;  // width > 1
  UINT endCap = PS_ENDCAP_ROUND;
  UINT join = PS_JOIN_ROUND;
};

struct BrushData {
  bool hollow = false;
  COLORREF color = 0;
};

struct FontData {
  LOGFONT logFont;
  mutable std::shared_ptr<FontInstance> instance;  // resolved on first use
};

struct BitmapData {
  Surface pixels;
};

struct IconData {
  Surface argb;                     // 0xAARRGGBB, not premultiplied: the image the program draws
  std::vector<Surface> otherSizes;  // the same picture at the other sizes the desktop may show
};

struct GdiObject {
  std::variant<PenData, BrushData, FontData, BitmapData, Region, IconData> data;
  bool stock = false;
};

using GdiObjectPtr = std::shared_ptr<GdiObject>;

HGDIOBJ AddObject(GdiObject object);
GdiObjectPtr FindObject(const void* handle);
UINT ObjectType(const GdiObject& object);  // OBJ_PEN ... OBJ_REGION; 0 for icons

template <typename T>
T* As(const GdiObjectPtr& object) {
  return object ? std::get_if<T>(&object->data) : nullptr;
}

// The font a FontData resolves to (looked up through the shared font cache).
const FontInstance& ResolveFont(const FontData& font);

// The next handle number; shared by objects, icons and DCs so no two handles are ever equal.
std::uintptr_t NextHandleNumber();
}  // namespace gfx
