// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/gdi_objects.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi.h"
#include "platform/gfx/font_cache.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/gfx/gdi_internal.h"
#include "platform/gfx/graphics_state.h"

using namespace gfx;

namespace {

// Bitmaps larger than this are refused rather than attempted (a corrupt size must not exhaust
// memory).
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;
constexpr int kMaxBitmapSide = 32767;

std::uintptr_t Key(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

bool BitmapSizeOk(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         static_cast<long long>(width) * height <= kMaxBitmapPixels;
}

}  // namespace

namespace gfx {

std::uintptr_t NextHandleNumber() {
  GraphicsState& g = Graphics();
  return g.lastHandle += GraphicsState::kHandleStep;
}

HGDIOBJ AddObject(GdiObject object) {
  const std::uintptr_t number = NextHandleNumber();
  Graphics().objects.emplace(number, std::make_shared<GdiObject>(std::move(object)));
  return reinterpret_cast<HGDIOBJ>(number);
}

GdiObjectPtr FindObject(const void* handle) {
  if (!handle) return nullptr;
  auto it = Graphics().objects.find(Key(handle));
  return it == Graphics().objects.end() ? nullptr : it->second;
}

UINT ObjectType(const GdiObject& object) {
  switch (object.data.index()) {
    case 0:
      return OBJ_PEN;
    case 1:
      return OBJ_BRUSH;
    case 2:
      return OBJ_FONT;
    case 3:
      return OBJ_BITMAP;
    case 4:
      return OBJ_REGION;
    default:
      return 0;
  }
}

const FontInstance& ResolveFont(const FontData& font) {
  if (!font.instance) {
    FontRequest request;
    const LOGFONT& lf = font.logFont;
    request.face.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    request.height = lf.lfHeight;
    request.weight = lf.lfWeight;
    request.italic = lf.lfItalic != 0;
    font.instance = GetFontInstance(request);
  }
  return *font.instance;
}

}  // namespace gfx

// ---- Pens and brushes ---------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
  const UINT kind = static_cast<UINT>(style) & PS_STYLE_MASK;
  if (style < 0 || static_cast<UINT>(style) != kind || kind > PS_INSIDEFRAME) return nullptr;
  PenData pen;
  pen.style = kind;
  pen.color = color & 0xFFFFFF;
  pen.width = std::max(width, 1);
  pen.geometric = width > 1;
  // A wide pen made this way has round ends and joins, and draws dashed styles solid.
  if (pen.geometric && kind >= PS_DASH && kind <= 4) pen.style = PS_SOLID;
  return gfx::AddObject(GdiObject{pen});
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styleEntries) {
  (void)styleEntries;
  if (!brush || styleCount != 0) return nullptr;  // user-defined dash patterns are not offered
  const UINT kind = style & PS_STYLE_MASK;
  if (kind > PS_INSIDEFRAME) return nullptr;
  PenData pen;
  pen.style = brush->lbStyle == BS_NULL ? PS_NULL : kind;
  if (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL) return nullptr;
  pen.color = brush->lbColor & 0xFFFFFF;
  if ((style & PS_GEOMETRIC) != 0) {
    if (width == 0 || width > 10000) return nullptr;
    pen.width = static_cast<int>(width);
    pen.geometric = width > 1;
    pen.endCap = style & PS_ENDCAP_MASK;
    pen.join = style & PS_JOIN_MASK;
    if (pen.endCap > PS_ENDCAP_FLAT || pen.join > PS_JOIN_MITER) return nullptr;
    if (pen.geometric && pen.style >= PS_DASH && pen.style <= 4) pen.style = PS_SOLID;
  } else {
    if (width != 1) return nullptr;  // cosmetic pens are one pixel wide
    pen.width = 1;
  }
  return gfx::AddObject(GdiObject{pen});
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return gfx::AddObject(GdiObject{BrushData{false, color & 0xFFFFFF}});
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  if (lb->lbStyle == BS_NULL) return gfx::AddObject(GdiObject{BrushData{true, 0}});
  if (lb->lbStyle != BS_SOLID) return nullptr;  // hatched and pattern brushes are not offered
  return CreateSolidBrush(lb->lbColor);
}

// ---- Fonts ---------------------------------------------------------------------------------

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  FontData font;
  font.logFont = *lf;
  font.logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  return gfx::AddObject(GdiObject{std::move(font)});
}

// ---- Bitmaps -------------------------------------------------------------------------------

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (hdc && !gfx::FindDcAnyState(hdc)) return nullptr;
  if (width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) width = height = 1;  // an empty request still gives a bitmap
  if (!BitmapSizeOk(width, height)) return nullptr;
  return gfx::AddObject(GdiObject{BitmapData{Surface(width, height, 0)}});
}

HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels) {
  if (!BitmapSizeOk(width, height)) return nullptr;
  Surface surface(width, height, 0);
  if (pixels) {
    const std::size_t n = static_cast<std::size_t>(width) * height;
    for (std::size_t i = 0; i < n; ++i) surface.Data()[i] = pixels[i] & 0xFFFFFF;
  }
  return gfx::AddObject(GdiObject{BitmapData{std::move(surface)}});
}

// ---- Selection and lifetime -----------------------------------------------------------------

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  gfx::DeviceContext* dc = gfx::FindDc(hdc);
  GdiObjectPtr object = gfx::FindObject(obj);
  if (!dc || !object) return nullptr;
  gfx::ObjRef* slot = nullptr;
  switch (gfx::ObjectType(*object)) {
    case OBJ_PEN:
      slot = &dc->state.pen;
      break;
    case OBJ_BRUSH:
      slot = &dc->state.brush;
      break;
    case OBJ_FONT:
      slot = &dc->state.font;
      break;
    case OBJ_BITMAP:
      if (dc->kind != gfx::DcKind::Memory) return nullptr;
      slot = &dc->state.bitmap;
      dc->InvalidateClip();
      break;
    case OBJ_REGION: {
      const int type = SelectClipRgn(hdc, obj);
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(type));
    }
    default:
      return nullptr;
  }
  HGDIOBJ previous = slot->handle;
  *slot = gfx::ObjRef{obj, std::move(object)};
  return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  gfx::DeviceContext* dc = gfx::FindDc(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state.pen.handle;
    case OBJ_BRUSH:
      return dc->state.brush.handle;
    case OBJ_FONT:
      return dc->state.font.handle;
    case OBJ_BITMAP:
      return dc->state.bitmap.handle;
    default:
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ obj) {
  GdiObjectPtr object = gfx::FindObject(obj);
  if (!object || gfx::ObjectType(*object) == 0) return FALSE;  // icons go through DestroyIcon
  if (object->stock) return TRUE;                              // stock objects live for the whole run
  Graphics().objects.erase(Key(obj));
  return TRUE;
}

int GetObject(HGDIOBJ obj, int size, void* out) {
  GdiObjectPtr object = gfx::FindObject(obj);
  if (!object) return 0;
  auto copy = [&](const auto& value) -> int {
    const int need = static_cast<int>(sizeof(value));
    if (!out) return need;
    if (size < need) return 0;
    std::memcpy(out, &value, sizeof(value));
    return need;
  };
  if (const PenData* pen = gfx::As<PenData>(object)) {
    LOGPEN lp;
    lp.lopnStyle = pen->style;
    lp.lopnWidth = POINT{pen->width, 0};
    lp.lopnColor = pen->color;
    return copy(lp);
  }
  if (const BrushData* brush = gfx::As<BrushData>(object)) {
    LOGBRUSH lb;
    lb.lbStyle = brush->hollow ? BS_NULL : BS_SOLID;
    lb.lbColor = brush->color;
    return copy(lb);
  }
  if (const FontData* font = gfx::As<FontData>(object)) return copy(font->logFont);
  if (BitmapData* bitmap = gfx::As<BitmapData>(object)) {
    BITMAP bm;
    bm.bmWidth = bitmap->pixels.Width();
    bm.bmHeight = bitmap->pixels.Height();
    bm.bmWidthBytes = bm.bmWidth * 4;
    bm.bmBits = bitmap->pixels.Data();
    return copy(bm);
  }
  return 0;
}

// ---- Regions -------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return gfx::AddObject(GdiObject{Region(gfx::NormalizedRect(left, top, right, bottom))});
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  Region* d = gfx::As<Region>(gfx::FindObject(dest));
  const Region* a = gfx::As<Region>(gfx::FindObject(src1));
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    *d = *a;
    return d->Type();
  }
  const Region* b = gfx::As<Region>(gfx::FindObject(src2));
  if (!b) return ERROR;
  Region::Op op;
  switch (mode) {
    case RGN_AND:
      op = Region::Op::And;
      break;
    case RGN_OR:
      op = Region::Op::Or;
      break;
    case RGN_XOR:
      op = Region::Op::Xor;
      break;
    case RGN_DIFF:
      op = Region::Op::Diff;
      break;
    default:
      return ERROR;
  }
  *d = Region::Combine(*a, *b, op);
  return d->Type();
}

int GetRgnBox(HRGN rgn, RECT* rect) {
  const Region* r = gfx::As<Region>(gfx::FindObject(rgn));
  if (!r || !rect) return ERROR;
  *rect = r->Bounds();
  return r->Type();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  const Region* r = gfx::As<Region>(gfx::FindObject(rgn));
  return r && r->Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  const Region* r = gfx::As<Region>(gfx::FindObject(rgn));
  if (!r || !rect) return FALSE;
  return r->Intersects(gfx::NormalizedRect(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  Region* r = gfx::As<Region>(gfx::FindObject(rgn));
  if (!r) return ERROR;
  r->Offset(dx, dy);
  return r->Type();
}

// ---- Icons ---------------------------------------------------------------------------------

namespace {

constexpr int kLargestIconSide = 1024;

bool IconSizeOk(int width, int height) {
  return BitmapSizeOk(width, height) && width <= kLargestIconSide && height <= kLargestIconSide;
}

Surface IconSurface(int width, int height, const std::uint32_t* argb) {
  Surface surface(width, height, 0);
  std::copy(argb, argb + static_cast<std::size_t>(width) * height, surface.Data());
  return surface;
}

void AppendArgb(const Surface& image, std::vector<std::uint32_t>* out) {
  const std::size_t count =
      static_cast<std::size_t>(image.Width()) * static_cast<std::size_t>(image.Height());
  out->push_back(static_cast<std::uint32_t>(image.Width()));
  out->push_back(static_cast<std::uint32_t>(image.Height()));
  out->insert(out->end(), image.Data(), image.Data() + count);
}

IconData* FindIconData(HICON icon) {
  auto it = Graphics().objects.find(Key(icon));
  if (it == Graphics().objects.end()) return nullptr;
  return std::get_if<IconData>(&it->second->data);
}

}  // namespace

HICON gfx::CreateIconFromArgb(int width, int height, const std::uint32_t* argb) {
  if (!argb || !IconSizeOk(width, height)) return nullptr;
  return reinterpret_cast<HICON>(gfx::AddObject(GdiObject{IconData{IconSurface(width, height, argb), {}}}));
}

BOOL gfx::AddIconSize(HICON icon, int width, int height, const std::uint32_t* argb) {
  IconData* data = FindIconData(icon);
  if (data == nullptr || !argb || !IconSizeOk(width, height)) return FALSE;
  data->otherSizes.push_back(IconSurface(width, height, argb));
  return TRUE;
}

BOOL gfx::DestroyIconImage(HICON icon) {
  GdiObjectPtr object = gfx::FindObject(icon);
  if (!gfx::As<IconData>(object)) return FALSE;
  Graphics().objects.erase(Key(icon));
  return TRUE;
}

const Surface* gfx::IconImage(HICON icon) {
  const IconData* data = FindIconData(icon);
  return data ? &data->argb : nullptr;
}

std::vector<std::uint32_t> gfx::IconArgb(HICON icon) {
  const IconData* data = icon ? FindIconData(icon) : nullptr;
  if (data == nullptr) return {};
  std::vector<std::uint32_t> out;
  AppendArgb(data->argb, &out);
  for (const Surface& other : data->otherSizes) AppendArgb(other, &out);
  return out;
}
