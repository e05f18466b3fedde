// SPDX-License-Identifier: GPL-3.0-or-later
// Monitors: the platform knows one, the whole screen, with the work area the desktop leaves to
// windows on it; and the rule that keeps a framed window whole on that work area.
#include "platform/window.h"
#include "platform/window/window_core.h"

using namespace window;

namespace {

constexpr DWORD kPrimaryMonitor = 1;  // MONITORINFOF_PRIMARY

HMONITOR TheMonitor() { return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(0x4D4F4E31)); }

RECT ScreenRect() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// The desktop's work area on the screen; the whole screen when it announces none, or one that
// lies off the screen.
RECT WorkRect() {
  const RECT screen = ScreenRect();
  const std::optional<RECT> work = State().backend.WorkArea();
  if (!work) return screen;
  const RECT onScreen = Intersect(*work, screen);
  return IsEmpty(onScreen) ? screen : onScreen;
}

// One axis of the rule: the start of a span of `length` that begins at `start`, moved the least
// that puts it within [low, high); at `low` when it is longer than that.
LONG KeptWithin(LONG start, LONG length, LONG low, LONG high) {
  if (length > high - low || start < low) return low;
  if (start + length > high) return high - length;
  return start;
}

}  // namespace

namespace window {

bool FramedByDesktop(const WindowRecord& rec) {
  // A window without area is never shown (the application window); one without a caption is a
  // drop-down list, which places itself.
  return rec.IsTopLevel() && (rec.style & WS_CAPTION) == WS_CAPTION && !IsEmpty(rec.rect);
}

RECT PlacedOnWorkArea(HWND hwnd, const RECT& rect) {
  const RECT work = WorkRect();
  const RECT frame = State().backend.FrameExtents(hwnd);
  const RECT outer{rect.left - frame.left, rect.top - frame.top, rect.right + frame.right,
                   rect.bottom + frame.bottom};
  // A window the work area cannot hold keeps its caption, its left edge and what lies near them
  // (the key selector, Play) reachable: its left and top edges go to the work area's.
  const LONG left = KeptWithin(outer.left, Width(outer), work.left, work.right);
  const LONG top = KeptWithin(outer.top, Height(outer), work.top, work.bottom);
  return Offset(rect, left - outer.left, top - outer.top);
}

}  // namespace window

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  if (!CoreReady()) return nullptr;
  if (flags == MONITOR_DEFAULTTONULL && !Contains(ScreenRect(), pt)) return nullptr;
  return TheMonitor();
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  if (!CoreReady()) return nullptr;
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : TheMonitor();
  if (flags == MONITOR_DEFAULTTONULL) {
    // A window of no size counts by its corner.
    RECT probe = IsEmpty(r) ? RECT{r.left, r.top, r.left + 1, r.top + 1} : r;
    if (IsEmpty(Intersect(probe, ScreenRect()))) return nullptr;
  }
  return TheMonitor();
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != TheMonitor() || info == nullptr || !CoreReady()) return FALSE;
  info->rcMonitor = ScreenRect();
  info->rcWork = WorkRect();
  info->dwFlags = kPrimaryMonitor;
  return TRUE;
}
