// SPDX-License-Identifier: GPL-3.0-or-later
// Scroll bars of windows with WS_HSCROLL / WS_VSCROLL: their data, the calls that set it, their
// painting, and what a press on them does (WM_HSCROLL / WM_VSCROLL to the window).
//
// A bar is shown exactly when its window has the style bit and its range is not empty
// (min != max). Showing or hiding a bar gives its room to or takes it from the client area, and
// the window hears of the new client size through WM_SIZE.
#include <algorithm>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window/scrollbar.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// What a held press on an arrow or the track does: it repeats, first after a pause, then
// quickly, as long as the pointer stays on the part that was pressed.
using Part = ScrollTracking::Part;

constexpr std::uintptr_t kRepeatTimer = 0xFFF0;  // an identifier no program timer uses
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 50;

ScrollBarData* BarData(WindowRecord& rec, int bar) {
  if (bar == SB_VERT) return &rec.vbar;
  if (bar == SB_HORZ) return &rec.hbar;
  return nullptr;
}

DWORD StyleBit(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

int ClampPos(const ScrollBarData& d, int pos) {
  int hi = std::max(d.min, MaxScrollPos(d));
  return std::clamp(pos, std::min(d.min, hi), hi);
}

// Applies a change of the bar's data: the frame is recalculated when the bar appears or goes.
void AfterChange(HWND hwnd, bool wasShown, int bar, bool redraw) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  bool shown = ScrollBarShown(*rec, bar);
  if (shown != wasShown) {
    RecalcFrame(hwnd);
  } else if (redraw && shown) {
    rec->ncPaintNeeded = true;
  }
}

RECT BarOnScreen(const WindowRecord& rec, int bar) {
  RECT r = bar == SB_VERT ? VerticalBarRect(rec) : HorizontalBarRect(rec);
  POINT o = WindowOriginOnScreen(rec);
  return Offset(r, o.x, o.y);
}

void Notify(HWND hwnd, int bar, int code, int pos) {
  SendMessage(hwnd, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), 0);
}

// The part of the bar under a screen point.
Part PartAt(const WindowRecord& rec, int bar, POINT screenPt) {
  const bool vertical = bar == SB_VERT;
  ScrollBarLayout l = LayoutScrollBar(BarOnScreen(rec, bar), vertical, vertical ? rec.vbar : rec.hbar);
  if (Contains(l.arrow1, screenPt)) return Part::Arrow1;
  if (Contains(l.arrow2, screenPt)) return Part::Arrow2;
  if (!IsEmpty(l.thumb) && Contains(l.thumb, screenPt)) return Part::Thumb;
  if (!Contains(l.track, screenPt) || IsEmpty(l.thumb)) return Part::None;
  return (vertical ? screenPt.y < l.thumb.top : screenPt.x < l.thumb.left) ? Part::PageBefore
                                                                           : Part::PageAfter;
}

int CodeFor(Part part) {
  switch (part) {
    case Part::Arrow1:
      return SB_LINEUP;
    case Part::Arrow2:
      return SB_LINEDOWN;
    case Part::PageBefore:
      return SB_PAGEUP;
    default:
      return SB_PAGEDOWN;
  }
}

void RepeatTick(HWND hwnd, UINT, std::uintptr_t, DWORD) {
  ScrollTracking& t = State().scrollTracking;
  if (!t.active || t.hwnd != hwnd || t.thumb) {
    KillTimer(hwnd, kRepeatTimer);
    return;
  }
  SetTimer(hwnd, kRepeatTimer, kRepeatMs, &RepeatTick);
  WindowRecord* rec = Find(hwnd);
  if (rec != nullptr && PartAt(*rec, t.bar, t.pointer) == t.part) Notify(hwnd, t.bar, CodeFor(t.part), 0);
}

void DrawArrow(HDC hdc, const RECT& button, bool vertical, bool forward, bool enabled) {
  RECT face = button;
  FillRect(hdc, &face, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = button;
  DrawEdge(hdc, &edge, EDGE_RAISED, BF_RECT);
  const int w = Width(button);
  const int h = Height(button);
  const int size = std::max(1, std::min(w, h) / 4);  // rows of the triangle
  const int cx = button.left + w / 2;
  const int cy = button.top + h / 2;
  HBRUSH brush =
      enabled ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : GetSysColorBrush(COLOR_GRAYTEXT);
  for (int i = 0; i < size; ++i) {
    // Row i of the triangle, counted from its tip.
    RECT line{};
    if (vertical) {
      int y = forward ? cy - size / 2 + (size - 1 - i) : cy - size / 2 + i;
      line = {cx - i, y, cx + i + 1, y + 1};
    } else {
      int x = forward ? cx - size / 2 + (size - 1 - i) : cx - size / 2 + i;
      line = {x, cy - i, x + 1, cy + i + 1};
    }
    FillRect(hdc, &line, brush);
  }
}

}  // namespace

int MaxScrollPos(const ScrollBarData& d) {
  if (d.page > 0) return d.max - static_cast<int>(d.page) + 1;
  return d.max;
}

ScrollBarLayout LayoutScrollBar(const RECT& bar, bool vertical, const ScrollBarData& d) {
  ScrollBarLayout l{};
  const int len = vertical ? Height(bar) : Width(bar);
  const int thick = vertical ? Width(bar) : Height(bar);
  const int arrow = std::min(thick, len / 2);
  const int trackLen = len - 2 * arrow;
  if (vertical) {
    l.arrow1 = {bar.left, bar.top, bar.right, bar.top + arrow};
    l.arrow2 = {bar.left, bar.bottom - arrow, bar.right, bar.bottom};
    l.track = {bar.left, bar.top + arrow, bar.right, bar.bottom - arrow};
  } else {
    l.arrow1 = {bar.left, bar.top, bar.left + arrow, bar.bottom};
    l.arrow2 = {bar.right - arrow, bar.top, bar.right, bar.bottom};
    l.track = {bar.left + arrow, bar.top, bar.right - arrow, bar.bottom};
  }
  const long long range = static_cast<long long>(d.max) - d.min;
  if (range <= 0 || trackLen <= 0) return l;
  long long thumbLen = thick;
  if (d.page > 0) thumbLen = std::max<long long>(8, trackLen * static_cast<long long>(d.page) / (range + 1));
  if (thumbLen > trackLen) return l;
  const long long span = static_cast<long long>(MaxScrollPos(d)) - d.min;
  long long offset = 0;
  if (span > 0) offset = (static_cast<long long>(d.pos) - d.min) * (trackLen - thumbLen) / span;
  offset = std::clamp<long long>(offset, 0, trackLen - thumbLen);
  if (vertical) {
    int top = l.track.top + static_cast<int>(offset);
    l.thumb = {bar.left, top, bar.right, top + static_cast<int>(thumbLen)};
  } else {
    int left = l.track.left + static_cast<int>(offset);
    l.thumb = {left, bar.top, left + static_cast<int>(thumbLen), bar.bottom};
  }
  return l;
}

void PaintScrollBar(HDC hdc, const RECT& bar, bool vertical, const ScrollBarData& data, bool enabled) {
  if (IsEmpty(bar)) return;
  ScrollBarLayout l = LayoutScrollBar(bar, vertical, data);
  const bool active = enabled && data.max != data.min;
  if (!IsEmpty(l.arrow1)) DrawArrow(hdc, l.arrow1, vertical, false, active);
  if (!IsEmpty(l.arrow2)) DrawArrow(hdc, l.arrow2, vertical, true, active);
  if (!IsEmpty(l.track)) FillRect(hdc, &l.track, GetSysColorBrush(COLOR_SCROLLBAR));
  if (active && !IsEmpty(l.thumb)) {
    FillRect(hdc, &l.thumb, GetSysColorBrush(COLOR_BTNFACE));
    RECT e = l.thumb;
    DrawEdge(hdc, &e, EDGE_RAISED, BF_RECT);
  }
}

bool ScrollBarPress(HWND hwnd, int bar, POINT screenPt) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || !ScrollBarShown(*rec, bar) || !EnabledChain(*rec)) return false;
  const bool vertical = bar == SB_VERT;
  ScrollBarLayout l =
      LayoutScrollBar(BarOnScreen(*rec, bar), vertical, bar == SB_VERT ? rec->vbar : rec->hbar);
  ScrollTracking& t = State().scrollTracking;
  t = ScrollTracking{};
  t.active = true;
  t.hwnd = hwnd;
  t.bar = bar;
  t.pointer = screenPt;
  t.part = PartAt(*rec, bar, screenPt);
  if (t.part == Part::None) {
    t = ScrollTracking{};
    return true;  // the track of a bar with nothing to scroll
  }
  if (t.part == Part::Thumb) {
    t.thumb = true;
    t.grab = vertical ? screenPt.y - l.thumb.top : screenPt.x - l.thumb.left;
    ScrollBarData* d = BarData(*rec, bar);
    d->trackPos = d->pos;
    return true;
  }
  Notify(hwnd, bar, CodeFor(t.part), 0);
  if (State().scrollTracking.active && Find(hwnd) != nullptr)
    SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, &RepeatTick);
  return true;
}

bool ScrollTrackingActive() { return State().scrollTracking.active; }

void ScrollTrackMove(POINT screenPt) {
  ScrollTracking& t = State().scrollTracking;
  t.pointer = screenPt;
  if (!t.active || !t.thumb) return;
  WindowRecord* rec = Find(t.hwnd);
  if (rec == nullptr) {
    t = ScrollTracking{};
    return;
  }
  ScrollBarData* d = BarData(*rec, t.bar);
  const bool vertical = t.bar == SB_VERT;
  ScrollBarLayout l = LayoutScrollBar(BarOnScreen(*rec, t.bar), vertical, *d);
  const int trackLen = vertical ? Height(l.track) : Width(l.track);
  const int thumbLen = vertical ? Height(l.thumb) : Width(l.thumb);
  const int room = trackLen - thumbLen;
  const int start = vertical ? l.track.top : l.track.left;
  const int along = (vertical ? screenPt.y : screenPt.x) - t.grab - start;
  const long long span = static_cast<long long>(MaxScrollPos(*d)) - d->min;
  int pos = d->min;
  if (room > 0 && span > 0) {
    pos = d->min + static_cast<int>((std::clamp(along, 0, room) * span + room / 2) / room);
  }
  pos = ClampPos(*d, pos);
  if (pos != d->trackPos) {
    d->trackPos = pos;
    Notify(t.hwnd, t.bar, SB_THUMBTRACK, pos);
  }
}

void ScrollTrackRelease(POINT screenPt) {
  if (!State().scrollTracking.active) return;
  if (State().scrollTracking.thumb) ScrollTrackMove(screenPt);
  ScrollTracking t = State().scrollTracking;
  State().scrollTracking = ScrollTracking{};
  KillTimer(t.hwnd, kRepeatTimer);
  if (t.thumb) {
    if (WindowRecord* rec = Find(t.hwnd)) {
      Notify(t.hwnd, t.bar, SB_THUMBPOSITION, BarData(*rec, t.bar)->trackPos);
    }
  }
  if (Find(t.hwnd) != nullptr) Notify(t.hwnd, t.bar, SB_ENDSCROLL, 0);
}

void EndScrollTracking() {
  if (State().scrollTracking.hwnd != nullptr) KillTimer(State().scrollTracking.hwnd, kRepeatTimer);
  State().scrollTracking = ScrollTracking{};
}

}  // namespace window

using namespace window;

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  if (d == nullptr || minPos > maxPos) return FALSE;
  const bool wasShown = ScrollBarShown(*rec, bar);
  d->min = minPos;
  d->max = maxPos;
  d->pos = ClampPos(*d, d->pos);
  if (minPos != maxPos) rec->style |= StyleBit(bar);
  AfterChange(hwnd, wasShown, bar, redraw != FALSE);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  if (d == nullptr) return FALSE;
  if (minPos) *minPos = d->min;
  if (maxPos) *maxPos = d->max;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  if (d == nullptr) return 0;
  int old = d->pos;
  d->pos = ClampPos(*d, pos);
  if (redraw && ScrollBarShown(*rec, bar) && d->pos != old) rec->ncPaintNeeded = true;
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  return d ? d->pos : 0;
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  if (d == nullptr || info == nullptr) return 0;
  const bool wasShown = ScrollBarShown(*rec, bar);
  if ((info->fMask & SIF_RANGE) != 0) {
    if (info->nMin > info->nMax) return d->pos;
    d->min = info->nMin;
    d->max = info->nMax;
    if (d->min != d->max) rec->style |= StyleBit(bar);
  }
  if ((info->fMask & SIF_PAGE) != 0) {
    long long span = static_cast<long long>(d->max) - d->min + 1;
    d->page = static_cast<UINT>(std::min<long long>(info->nPage, span));
  }
  if ((info->fMask & SIF_POS) != 0) d->pos = info->nPos;
  d->pos = ClampPos(*d, d->pos);
  int pos = d->pos;
  AfterChange(hwnd, wasShown, bar, redraw != FALSE);
  if (redraw) {
    if (WindowRecord* r = Find(hwnd); r && ScrollBarShown(*r, bar)) r->ncPaintNeeded = true;
  }
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  WindowRecord* rec = Find(hwnd);
  ScrollBarData* d = rec ? BarData(*rec, bar) : nullptr;
  if (d == nullptr || info == nullptr) return FALSE;
  if ((info->fMask & SIF_RANGE) != 0) {
    info->nMin = d->min;
    info->nMax = d->max;
  }
  if ((info->fMask & SIF_PAGE) != 0) info->nPage = d->page;
  if ((info->fMask & SIF_POS) != 0) info->nPos = d->pos;
  if ((info->fMask & SIF_TRACKPOS) != 0) info->nTrackPos = d->trackPos;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || bar < SB_HORZ || bar > SB_BOTH || bar == SB_CTL) return FALSE;
  const bool wasV = ScrollBarShown(*rec, SB_VERT);
  const bool wasH = ScrollBarShown(*rec, SB_HORZ);
  DWORD bits = bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : StyleBit(bar);
  if (show) {
    rec->style |= bits;
  } else {
    rec->style &= ~bits;
  }
  if (ScrollBarShown(*rec, SB_VERT) != wasV || ScrollBarShown(*rec, SB_HORZ) != wasH) RecalcFrame(hwnd);
  return TRUE;
}
