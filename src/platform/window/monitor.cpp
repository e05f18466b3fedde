// SPDX-License-Identifier: GPL-3.0-or-later
// Monitors: the platform knows one, the whole screen.
#include "platform/window.h"
#include "platform/window/window_core.h"

using namespace window;

namespace {

constexpr DWORD kPrimaryMonitor = 1;  // MONITORINFOF_PRIMARY

HMONITOR TheMonitor() { return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(0x4D4F4E31)); }

RECT ScreenRect() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace

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
  info->rcWork = ScreenRect();
  info->dwFlags = kPrimaryMonitor;
  return TRUE;
}
