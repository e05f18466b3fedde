// SPDX-License-Identifier: GPL-3.0-or-later
// The non-client area that the platform draws itself: the 1-pixel border of WS_BORDER, the
// 2-pixel sunken edge of WS_EX_CLIENTEDGE and the scroll bars. A top-level window with a caption
// has its frame drawn by the desktop instead, outside its rectangle; a frameless pop-up (a
// drop-down list) draws its border itself, as no desktop frame surrounds it.
#include <algorithm>

#include "platform/gdi.h"
#include "platform/gfx/screen.h"
#include "platform/window.h"
#include "platform/window/scrollbar.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

constexpr int kScrollBarSize = 16;  // the width of a vertical bar, the height of a horizontal one

bool DrawsOwnBorder(DWORD style) {
  const bool child = (style & WS_CHILD) != 0;
  return (style & WS_BORDER) != 0 && (child || (style & WS_CAPTION) != WS_CAPTION);
}

// The rectangle inside border and edge, relative to the window's top-left corner.
RECT InnerRect(const WindowRecord& rec, int width, int height) {
  RECT r{0, 0, width, height};
  int inset = 0;
  if (DrawsOwnBorder(rec.style)) inset += 1;
  if ((rec.exStyle & WS_EX_CLIENTEDGE) != 0) inset += 2;
  r.left += inset;
  r.top += inset;
  r.right -= inset;
  r.bottom -= inset;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

}  // namespace

int ScrollBarSize() { return gfx::ScaledFromDefault(kScrollBarSize, gfx::ScreenPixelsPerInch()); }

bool ScrollBarShown(const WindowRecord& rec, int bar) {
  if (bar == SB_VERT) return (rec.style & WS_VSCROLL) != 0 && rec.vbar.min != rec.vbar.max;
  if (bar == SB_HORZ) return (rec.style & WS_HSCROLL) != 0 && rec.hbar.min != rec.hbar.max;
  return false;
}

RECT CalcClientRect(const WindowRecord& rec, int width, int height) {
  RECT r = InnerRect(rec, std::max(width, 0), std::max(height, 0));
  const int sb = ScrollBarSize();
  if (ScrollBarShown(rec, SB_VERT)) r.right = std::max(r.left, r.right - sb);
  if (ScrollBarShown(rec, SB_HORZ)) r.bottom = std::max(r.top, r.bottom - sb);
  return r;
}

RECT VerticalBarRect(const WindowRecord& rec) {
  if (!ScrollBarShown(rec, SB_VERT)) return {};
  RECT inner = InnerRect(rec, Width(rec.rect), Height(rec.rect));
  const int sb = ScrollBarSize();
  RECT r{std::max(inner.left, inner.right - sb), inner.top, inner.right, inner.bottom};
  if (ScrollBarShown(rec, SB_HORZ)) r.bottom = std::max(r.top, r.bottom - sb);
  return r;
}

RECT HorizontalBarRect(const WindowRecord& rec) {
  if (!ScrollBarShown(rec, SB_HORZ)) return {};
  RECT inner = InnerRect(rec, Width(rec.rect), Height(rec.rect));
  const int sb = ScrollBarSize();
  RECT r{inner.left, std::max(inner.top, inner.bottom - sb), inner.right, inner.bottom};
  if (ScrollBarShown(rec, SB_VERT)) r.right = std::max(r.left, r.right - sb);
  return r;
}

RECT ScrollCornerRect(const WindowRecord& rec) {
  if (!ScrollBarShown(rec, SB_VERT) || !ScrollBarShown(rec, SB_HORZ)) return {};
  RECT v = VerticalBarRect(rec);
  RECT h = HorizontalBarRect(rec);
  return {v.left, h.top, v.right, h.bottom};
}

LRESULT NcHitTest(const WindowRecord& rec, POINT screenPt) {
  POINT o = WindowOriginOnScreen(rec);
  POINT p{screenPt.x - o.x, screenPt.y - o.y};
  RECT win{0, 0, Width(rec.rect), Height(rec.rect)};
  if (!Contains(win, p)) return HTNOWHERE;
  if (Contains(rec.client, p)) return HTCLIENT;
  if (Contains(VerticalBarRect(rec), p)) return HTVSCROLL;
  if (Contains(HorizontalBarRect(rec), p)) return HTHSCROLL;
  return HTBORDER;
}

void PaintNonClient(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  const bool border = DrawsOwnBorder(rec->style);
  const bool edge = (rec->exStyle & WS_EX_CLIENTEDGE) != 0;
  const bool vbar = ScrollBarShown(*rec, SB_VERT);
  const bool hbar = ScrollBarShown(*rec, SB_HORZ);
  if (!border && !edge && !vbar && !hbar) return;
  // Copies: drawing calls cannot reach the record, but keep the values stable anyway.
  const RECT vRect = VerticalBarRect(*rec);
  const RECT hRect = HorizontalBarRect(*rec);
  const RECT corner = ScrollCornerRect(*rec);
  const ScrollBarData vData = rec->vbar;
  const ScrollBarData hData = rec->hbar;
  const bool enabled = EnabledChain(*rec);
  RECT r{0, 0, Width(rec->rect), Height(rec->rect)};

  HDC hdc = GetWindowDC(hwnd);
  if (hdc == nullptr) return;
  if (border) {
    FrameRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    r.left += 1;
    r.top += 1;
    r.right -= 1;
    r.bottom -= 1;
  }
  if (edge) {
    RECT e = r;
    DrawEdge(hdc, &e, EDGE_SUNKEN, BF_RECT);
  }
  if (vbar) PaintScrollBar(hdc, vRect, true, vData, enabled);
  if (hbar) PaintScrollBar(hdc, hRect, false, hData, enabled);
  if (!IsEmpty(corner)) FillRect(hdc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  ReleaseDC(hwnd, hdc);
}

}  // namespace window

using namespace window;

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  if (rect == nullptr) return FALSE;
  int inset = 0;
  if (DrawsOwnBorder(style)) inset += 1;
  if ((exStyle & WS_EX_CLIENTEDGE) != 0) inset += 2;
  rect->left -= inset;
  rect->top -= inset;
  rect->right += inset;
  rect->bottom += inset;
  return TRUE;
}
