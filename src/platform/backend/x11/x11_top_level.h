// SPDX-License-Identifier: GPL-3.0-or-later
// What the backend keeps for each top-level X window.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "platform/backend/top_level.h"
#include "platform/backend/x11/x11_props.h"

namespace x11 {

struct X11TopLevel {
  HWND hwnd = nullptr;
  Window xid = 0;
  XIC inputContext = nullptr;      // destroyed with the window (see X11Backend::ContextOf)
  unsigned contextGeneration = 0;  // the input method's generation the context belongs to
  backend::TopLevelProps props;
  RECT bounds;               // client area in screen coordinates, as last asked or reported
  RECT frame{};              // the frame the window manager last said it drew around the window (widths)
  x11::NetWmState netState;  // what was written or asked of the window manager
  std::vector<std::uint32_t> shownIcon;  // the _NET_WM_ICON written
  backend::NativeShowState requested = backend::NativeShowState::Hidden;
  bool mapped = false;  // the server says so (MapNotify / UnmapNotify)
  bool everMapped = false;
  bool empty = false;         // asked for a zero-size client area: X cannot show that
  bool mapRequested = false;  // we asked for it to be shown and have not withdrawn it since
  bool focused = false;       // last reported focus
  bool reportedMinimized = false;
  // A state change the program asked for and the server has not confirmed yet: until it is,
  // reports of the old state are stale (a window manager answers asynchronously).
  enum class Pending { Nothing, Restore, Minimize } pending = Pending::Nothing;
  bool focusOnMap = false;         // activation asked before the window was viewable
  bool grabOnMap = false;          // pointer grab asked before the window was viewable
  bool keyboardGrabOnMap = false;  // keyboard grab asked before the window was viewable
  bool gone = false;               // destroyed by someone else: no more requests on it
};

}  // namespace x11
