// SPDX-License-Identifier: GPL-3.0-or-later
// DrawEdge: the classic three-dimensional borders.
//
// A border has up to two one-pixel layers, outer and inner, drawn from the rectangle's edge
// inwards; a lone inner layer lies on the edge itself. Each layer has a top-left colour (left and
// top sides) and a bottom-right colour (right and bottom sides):
//   raised outer  COLOR_3DLIGHT      / COLOR_3DDKSHADOW
//   raised inner  COLOR_BTNHIGHLIGHT / COLOR_BTNSHADOW
//   sunken outer  COLOR_BTNSHADOW    / COLOR_BTNHIGHLIGHT
//   sunken inner  COLOR_3DDKSHADOW   / COLOR_3DLIGHT
// BF_SOFT swaps the top-left colours of the two layers (raised: highlight outside, light inside;
// sunken: dark shadow outside, shadow inside). BF_FLAT draws the outer layer in COLOR_BTNSHADOW
// and the inner one in COLOR_BTNFACE on all sides; BF_MONO uses COLOR_WINDOWFRAME and
// COLOR_WINDOW. The right and bottom sides run the full length of the layer's rectangle; the left
// and top sides stop short of a corner that a right or bottom side of the same call covers, so the
// bottom-right colour owns the bottom-left and top-right corners.
#include "platform/gdi.h"
#include "platform/gfx/gdi_internal.h"

using namespace gfx;

namespace {

struct LayerColors {
  int topLeft;
  int bottomRight;
};

bool LayerFor(UINT edge, UINT flags, bool outer, LayerColors* out) {
  const UINT raised = outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
  const UINT sunken = outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
  if ((edge & (raised | sunken)) == 0) return false;
  if (flags & BF_MONO) {
    const int c = outer ? COLOR_WINDOWFRAME : COLOR_WINDOW;
    *out = {c, c};
    return true;
  }
  if (flags & BF_FLAT) {
    const int c = outer ? COLOR_BTNSHADOW : COLOR_BTNFACE;
    *out = {c, c};
    return true;
  }
  const bool soft = (flags & BF_SOFT) != 0;
  if (edge & raised) {
    if (outer)
      *out = {soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
    else
      *out = {soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
  } else {
    if (outer)
      *out = {soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    else
      *out = {soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT};
  }
  return true;
}

}  // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  gfx::DeviceContext* dc = gfx::FindDc(hdc);
  if (!dc || !rect) return FALSE;
  const raster::Target t = dc->Target();
  RECT r = *rect;
  LayerColors layers[2];
  int count = 0;
  if (LayerFor(edge, flags, true, &layers[count])) ++count;
  if (LayerFor(edge, flags, false, &layers[count])) ++count;
  const bool left = flags & BF_LEFT, top = flags & BF_TOP, right = flags & BF_RIGHT,
             bottom = flags & BF_BOTTOM;
  auto fill = [&](LONG l, LONG tp, LONG rt, LONG bt, int color) {
    if (l >= rt || tp >= bt) return;
    raster::FillPixels(t, dc->SurfaceRect(RECT{l, tp, rt, bt}), PixelFromColor(GetSysColor(color)));
  };
  for (int i = 0; i < count && !rect::IsEmpty(r); ++i) {
    const LayerColors& c = layers[i];
    if (left) fill(r.left, r.top, r.left + 1, bottom ? r.bottom - 1 : r.bottom, c.topLeft);
    if (top) fill(r.left, r.top, right ? r.right - 1 : r.right, r.top + 1, c.topLeft);
    if (right) fill(r.right - 1, r.top, r.right, r.bottom, c.bottomRight);
    if (bottom) fill(r.left, r.bottom - 1, r.right, r.bottom, c.bottomRight);
    if (left) ++r.left;
    if (top) ++r.top;
    if (right) --r.right;
    if (bottom) --r.bottom;
  }
  if ((flags & BF_MIDDLE) && !rect::IsEmpty(r))
    fill(r.left, r.top, r.right, r.bottom, (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}
