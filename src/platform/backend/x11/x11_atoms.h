// SPDX-License-Identifier: GPL-3.0-or-later
// The X atoms the backend speaks: ICCCM and EWMH property names, their types and the client
// messages a window manager understands. Interned once per connection, in a single round trip.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

namespace x11 {

struct X11Atoms {
  Atom wmProtocols = None;
  Atom wmDeleteWindow = None;
  Atom wmState = None;
  Atom wmChangeState = None;
  Atom wmClientLeader = None;
  Atom utf8String = None;
  Atom netWmName = None;
  Atom netWmIconName = None;
  Atom netWmIcon = None;
  Atom netWmPid = None;
  Atom netWmWindowType = None;
  Atom netWmWindowTypeNormal = None;
  Atom netWmWindowTypeDialog = None;
  Atom netWmWindowTypeDropdownMenu = None;
  Atom netWmState = None;
  Atom netWmStateModal = None;
  Atom netWmStateSkipTaskbar = None;
  Atom netWmStateHidden = None;
  Atom netWmStateMaximizedVert = None;
  Atom netWmStateMaximizedHorz = None;
  Atom netActiveWindow = None;
  Atom netSupportingWmCheck = None;
  Atom netFrameExtents = None;
  Atom netWorkarea = None;
  Atom netCurrentDesktop = None;
  Atom motifWmHints = None;

  static X11Atoms Intern(Display* display);
};

}  // namespace x11
