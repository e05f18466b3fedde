// SPDX-License-Identifier: GPL-3.0-or-later
// The boundary between the platform core and a display backend.
//
// The core (windows, messages, painting, text) is the same for every backend. A backend owns the
// native side of top-level windows, presents their surfaces, reports native events back to the
// core through the functions of platform/backend_events.h, and provides the clock and the wait.
// Backends are chosen once, at start-up (InitPlatform): the program uses x11, tests use headless.
#pragma once

#include <poll.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/surface.h"

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

class Backend {
 public:
  virtual ~Backend() = default;

  // Screen
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual int PixelsPerInch() = 0;
  virtual STARTUPINFO StartupInfo() = 0;

  // Monotonic milliseconds (virtual in the headless backend).
  virtual std::uint64_t NowMs() = 0;

  // Native top-level windows, identified by the platform's HWND. `screenRect` is the client area
  // in screen coordinates; the desktop's frame lies outside it.
  virtual bool CreateNative(HWND hwnd, const RECT& screenRect, const TopLevelProps& props) = 0;
  virtual void DestroyNative(HWND hwnd) = 0;
  virtual void SetNativeProps(HWND hwnd, const TopLevelProps& props) = 0;
  virtual void SetNativeBounds(HWND hwnd, const RECT& screenRect) = 0;
  virtual void SetNativeShowState(HWND hwnd, NativeShowState state) = 0;
  // Asks the desktop to give this window the keyboard focus (activation).
  virtual void ActivateNative(HWND hwnd) = 0;
  // Copies the dirty rectangles (surface coordinates) of `surface` to the display. A backend may
  // move the surface's pixels into memory the display reads directly (Surface::MoveInto).
  virtual void Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) = 0;
  // Pointer grab for drop-down lists: pointer events anywhere go to `hwnd` (nullptr releases).
  virtual void GrabPointer(HWND hwnd) = 0;
  // Keyboard grab while a drop-down list is open: keys go to the program even if the desktop
  // would give them elsewhere (nullptr releases). The focus window inside the program is kept.
  virtual void GrabKeyboard(HWND hwnd) { (void)hwnd; }
  virtual POINT CursorPos() = 0;  // screen coordinates

  // The clipboard (the desktop's CLIPBOARD selection), in UTF-8. SetClipboardText makes the
  // program the owner of that text. ClipboardText asks the owner for its text and waits at most
  // `timeoutMs`; nothing (std::nullopt) when the clipboard is empty, holds no text or its owner
  // does not answer in time. The wait keeps the display's other events for later.
  virtual void SetClipboardText(const std::string& utf8) = 0;
  virtual std::optional<std::string> ClipboardText(int timeoutMs) = 0;
  virtual void WarpCursor(POINT screenPt) = 0;

  // Blocks until a native event, a Wake() or the timeout (ms; -1 forever; 0 just checks), then
  // hands every pending native event to the core. Returns whether anything arrived.
  virtual bool WaitAndDispatch(int timeoutMs) = 0;
  // Thread-safe: makes a blocked or the next WaitAndDispatch return at once.
  virtual void Wake() = 0;
  // Whether WaitAndDispatch also waits on ExtraDescriptors (the accessibility bus's connection):
  // a backend with a real wait does; one on a virtual clock cannot, and services that need it
  // stay off there.
  virtual bool WaitsOnDescriptors() const { return false; }
  // The accessibility bus's address as the desktop announces it to programs on this display (the
  // X root window's AT_SPI_BUS); nothing when it does not.
  virtual std::optional<std::string> AccessibilityBusProperty() { return std::nullopt; }
  // Asked `events` in, `revents` out of each WaitAndDispatch (all zero when nothing is ready).
  std::vector<pollfd>& ExtraDescriptors() { return m_extraDescriptors; }

  // Hook for the modal message box: the headless backend uses it to let a test see and answer
  // the box; the x11 backend leaves the user to answer it.
  virtual void MessageBoxShown(HWND box, const std::string& text, const std::string& caption, UINT flags) {
    (void)box;
    (void)text;
    (void)caption;
    (void)flags;
  }

 private:
  std::vector<pollfd> m_extraDescriptors;
};
