// SPDX-License-Identifier: GPL-3.0-or-later
// System metrics, and the start-up information the display gives. Top-level frames belong to the desktop's
// window manager and lie outside the window's rectangle, so the frame and caption metrics are 0 here; what
// the platform draws itself (borders, edges, scroll bars) has its real size.
#include "platform/backend/backend.h"
#include "platform/gfx/screen.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

using namespace window;

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return gfx::ScreenWidth();
    case SM_CYSCREEN:
      return gfx::ScreenHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return ScrollBarSize();
    case SM_CYCAPTION:
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 0;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_DBCSENABLED:
      return 0;
    case SM_CMONITORS:
      return 1;
    default:
      return 0;
  }
}

void GetStartupInfo(STARTUPINFO* info) {
  if (info == nullptr) return;
  if (PlatformState* running = RunningPlatform()) {
    *info = running->backend.StartupInfo();
  } else {
    *info = STARTUPINFO{};
    info->wShowWindow = SW_SHOWDEFAULT;
  }
}
