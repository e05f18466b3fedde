// SPDX-License-Identifier: GPL-3.0-or-later
// What the core tells a backend about each top-level window: its properties and its show state.
// Apart from the rest of the backend interface, so that a backend's own headers can take it after
// their display library's headers (Xlib's macros name KeyPress, Expose... which the event
// interface uses as names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/types.h"

namespace backend {

// What the desktop is told about a top-level window. Derived by the core from the window's style,
// extended style, text, owner and system menu; handed to the backend whenever any of it changes.
struct TopLevelProps {
  std::string titleUtf8;        // the window text
  std::string iconNameUtf8;     // the application title (what taskbars show)
  std::string className;        // for WM_CLASS
  HWND transientFor = nullptr;  // owner top-level window, if any
  bool fixedSize = true;        // no WS_THICKFRAME: min size = max size
  bool userPosition = true;     // the program chose the position
  bool hasTitle = true;         // WS_CAPTION
  bool hasSystemMenu = true;    // WS_SYSMENU
  bool canMove = true;          // from the system menu's items
  bool canClose = true;
  bool canMinimize = false;
  bool canMaximize = false;
  bool canResize = false;
  bool dialog = false;  // a message box: dialog type, modal state
  bool modal = false;
  bool popup = false;                   // a drop-down list: override-redirect, no frame
  bool skipTaskbar = false;             // owned windows other than the one carrying the taskbar button
  std::vector<std::uint32_t> iconArgb;  // per size: width, height, 0xAARRGGBB pixels; empty: none
  friend bool operator==(const TopLevelProps&, const TopLevelProps&) = default;
};

enum class NativeShowState { Hidden, Normal, Minimized, Maximized };

}  // namespace backend
