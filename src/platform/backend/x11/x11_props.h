// SPDX-License-Identifier: GPL-3.0-or-later
// The properties through which a top-level window tells the window manager and the taskbar what
// it is: names, icon, size rules, frame functions, type and state (ICCCM and EWMH).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/backend/top_level.h"
#include "platform/backend/x11/x11_atoms.h"

namespace x11 {

// Written once per window: WM_CLASS, _NET_WM_PID, WM_CLIENT_MACHINE and WM_PROTOCOLS.
void WriteIdentity(Display* display, const X11Atoms& atoms, Window window, const std::string& resourceName);
// Title and icon name, both in UTF-8 (_NET_WM_*) and in the ICCCM encodings (WM_*).
void WriteNames(Display* display, const X11Atoms& atoms, Window window, const backend::TopLevelProps& props);
void WriteIcon(Display* display, const X11Atoms& atoms, Window window,
               const std::vector<std::uint32_t>& iconArgb);
// Position and size rules: the program's position is kept (USPosition, north-west gravity so
// the frame's top-left lands there) and a fixed-size window has min = max = its size.
void WriteNormalHints(Display* display, Window window, const backend::TopLevelProps& props, int x, int y,
                      int width, int height);
// The frame functions and decorations a Motif-aware window manager offers.
void WriteMotifHints(Display* display, const X11Atoms& atoms, Window window,
                     const backend::TopLevelProps& props);
void WriteWindowType(Display* display, const X11Atoms& atoms, Window window,
                     const backend::TopLevelProps& props);
// WM_HINTS: the window takes the keyboard focus the usual way; `initialState` is NormalState
// or IconicState.
void WriteWmHints(Display* display, Window window, int initialState);
void WriteTransientFor(Display* display, Window window, Window owner);

// _NET_WM_STATE: written as a property before the window is mapped; afterwards the window
// manager owns it and changes are asked of it with client messages.
struct NetWmState {
  bool modal = false;
  bool skipTaskbar = false;
  bool maximized = false;
  friend bool operator==(const NetWmState&, const NetWmState&) = default;
};
void WriteNetWmState(Display* display, const X11Atoms& atoms, Window window, const NetWmState& state);
void RequestNetWmState(Display* display, const X11Atoms& atoms, Window root, Window window,
                       const NetWmState& from, const NetWmState& to);

// The frame the window manager put around the window, from _NET_FRAME_EXTENTS: its left, top,
// right and bottom widths (all 0 when it published none).
RECT ReadFrameExtents(Display* display, const X11Atoms& atoms, Window window);
// Its left and top widths: where the frame's corner lies from the window's.
POINT ReadFrameOffset(Display* display, const X11Atoms& atoms, Window window);

// The work area the window manager announces on the root window (_NET_WORKAREA, for the current
// desktop of _NET_CURRENT_DESKTOP, else the first), within the screen; nothing when it announces
// none or one that leaves no room.
std::optional<RECT> ReadWorkArea(Display* display, const X11Atoms& atoms, Window root, int screenWidth,
                                 int screenHeight);

// The ICCCM state the window manager published (WithdrawnState when none).
int ReadWmState(Display* display, const X11Atoms& atoms, Window window);

// Motif hint bits.
inline constexpr long kMwmHintsFunctions = 1L << 0;
inline constexpr long kMwmHintsDecorations = 1L << 1;
inline constexpr long kMwmFuncResize = 1L << 1;
inline constexpr long kMwmFuncMove = 1L << 2;
inline constexpr long kMwmFuncMinimize = 1L << 3;
inline constexpr long kMwmFuncMaximize = 1L << 4;
inline constexpr long kMwmFuncClose = 1L << 5;
inline constexpr long kMwmDecorBorder = 1L << 1;
inline constexpr long kMwmDecorResizeH = 1L << 2;
inline constexpr long kMwmDecorTitle = 1L << 3;
inline constexpr long kMwmDecorMenu = 1L << 4;
inline constexpr long kMwmDecorMinimize = 1L << 5;
inline constexpr long kMwmDecorMaximize = 1L << 6;

}  // namespace x11
