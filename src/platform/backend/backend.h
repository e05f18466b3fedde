// SPDX-License-Identifier: GPL-3.0-or-later
// The boundary between the platform core and a display backend.
//
// The core (windows, messages, painting, text) is the same for every backend. A backend is one
// object that provides five concerns, each a small interface below: the screen, top-level windows,
// input and the clipboard, the clock and the wait, and the accessibility hook. It reports what
// happens on the display to the event sink the platform attaches while it runs.
// Backends are chosen once, at start-up (InitPlatform): the program uses x11, tests use headless.
//
// Each method says what a new backend owes: "Must" (pure: every display has to answer it) or
// "May keep" (a default that is right for a display without that feature).
#pragma once

#include <poll.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/backend/top_level.h"
#include "platform/surface.h"

class VirtualClock;

namespace backend {

// What the backend reports to (backend_events.h: not included here, since its names are macros
// in Xlib, whose headers a backend's users may have taken first).
class EventSink;

// ---- The screen and its metrics ---------------------------------------------------------------
class ScreenConcern {
 public:
  static constexpr int kDefaultPixelsPerInch = 96;

  // Must: the size of the screen (the desktop's work area is the core's business).
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // May keep: the part of the screen the desktop leaves to windows (what its panels and docks do
  // not cover), in screen coordinates; nothing for a desktop without panels: the whole screen.
  virtual std::optional<RECT> WorkArea() { return std::nullopt; }
  // May keep: a display that cannot tell its density is taken for the standard one.
  virtual int PixelsPerInch() { return kDefaultPixelsPerInch; }
  // May keep: no start-up show command was given (SW_SHOWDEFAULT).
  virtual STARTUPINFO StartupInfo() {
    STARTUPINFO info{};
    info.wShowWindow = SW_SHOWDEFAULT;
    return info;
  }

 protected:
  ~ScreenConcern() = default;
};

// ---- Top-level windows and their state ----------------------------------------------------------
// Native top-level windows, identified by the platform's HWND. `screenRect` is the client area in
// screen coordinates; the desktop's frame lies outside it. All must: a display shows windows.
class TopLevelConcern {
 public:
  virtual bool CreateNative(HWND hwnd, const RECT& screenRect, const TopLevelProps& props) = 0;
  virtual void DestroyNative(HWND hwnd) = 0;
  virtual void SetNativeProps(HWND hwnd, const TopLevelProps& props) = 0;
  virtual void SetNativeBounds(HWND hwnd, const RECT& screenRect) = 0;
  virtual void SetNativeShowState(HWND hwnd, NativeShowState state) = 0;
  // Asks the desktop to give this window the keyboard focus (activation).
  virtual void ActivateNative(HWND hwnd) = 0;
  // May keep: the widths of the frame the desktop draws around the window, outside `screenRect`
  // (left, top, right, bottom), as far as it has said them yet; none for a display that frames
  // nothing. A change is reported through EventSink::FrameChanged.
  virtual RECT FrameExtents(HWND hwnd) {
    (void)hwnd;
    return {};
  }
  // Copies the dirty rectangles (surface coordinates) of `surface` to the display. A backend may
  // move the surface's pixels into memory the display reads directly (Surface::MoveInto).
  virtual void Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) = 0;

 protected:
  ~TopLevelConcern() = default;
};

// ---- Input and the clipboard ---------------------------------------------------------------------
class InputConcern {
 public:
  // Must: pointer grab for drop-down lists: pointer events anywhere go to `hwnd` (nullptr
  // releases).
  virtual void GrabPointer(HWND hwnd) = 0;
  // May keep: keyboard grab while a drop-down list is open, for a desktop that could give keys
  // elsewhere meanwhile (nullptr releases). The focus window inside the program is kept.
  virtual void GrabKeyboard(HWND hwnd) { (void)hwnd; }
  // Must: where the pointer is, and moving it (screen coordinates).
  virtual POINT CursorPos() = 0;
  virtual void WarpCursor(POINT screenPt) = 0;

  // The clipboard, in UTF-8. SetClipboardText makes the program the owner of that text.
  // ClipboardText asks the owner for its text and waits at most `timeoutMs`; nothing
  // (std::nullopt) when the clipboard is empty, holds no text or its owner does not answer in
  // time. A backend with a desktop clipboard keeps the display's other events for later while it
  // waits. May keep: a display without a clipboard of its own keeps the text in the program, so
  // copy and paste still work inside it.
  virtual void SetClipboardText(const std::string& utf8) { m_ownClipboard = utf8; }
  virtual std::optional<std::string> ClipboardText(int timeoutMs) {
    (void)timeoutMs;
    return m_ownClipboard;
  }

 protected:
  ~InputConcern() = default;

 private:
  std::optional<std::string> m_ownClipboard;
};

// ---- The clock and the wait ----------------------------------------------------------------------
class WaitConcern {
 public:
  // Must: monotonic milliseconds.
  virtual std::uint64_t NowMs() = 0;
  // May keep: a display on real time has no clock of its own. One whose time moves only when
  // told (the headless display) returns it, and the multimedia service renders on it.
  virtual VirtualClock* OwnClock() { return nullptr; }
  // Must: blocks until a native event, a Wake() or the timeout (ms; -1 forever; 0 just checks),
  // then hands every pending native event to the event sink. Returns whether anything arrived.
  virtual bool WaitAndDispatch(int timeoutMs) = 0;
  // Must: thread-safe and async-signal-safe: makes a blocked or the next WaitAndDispatch return
  // at once.
  virtual void Wake() = 0;
  // May keep: whether WaitAndDispatch also waits on ExtraDescriptors (the accessibility bus's
  // connection). A backend with a real wait does; one on a virtual clock cannot, and services
  // that need it stay off there.
  virtual bool WaitsOnDescriptors() const { return false; }
  // Asked `events` in, `revents` out of each WaitAndDispatch (all zero when nothing is ready).
  std::vector<pollfd>& ExtraDescriptors() { return m_extraDescriptors; }

 protected:
  ~WaitConcern() = default;

 private:
  std::vector<pollfd> m_extraDescriptors;
};

// ---- The accessibility hook ----------------------------------------------------------------------
class AccessibilityConcern {
 public:
  // May keep: the accessibility bus's address as the desktop announces it to programs on this
  // display (the X root window's AT_SPI_BUS); nothing when it does not.
  virtual std::optional<std::string> AccessibilityBusProperty() { return std::nullopt; }
  // May keep: a display that carries screen readers' access itself (the page's mirror of the
  // windows) starts it here, once the first frame is on screen; a desktop's readers come through
  // its accessibility bus instead.
  virtual void StartOwnAccessibility() {}

 protected:
  ~AccessibilityConcern() = default;
};

// A display backend: every concern, and the sink its events go to while a platform runs on it.
class Backend : public ScreenConcern,
                public TopLevelConcern,
                public InputConcern,
                public WaitConcern,
                public AccessibilityConcern {
 public:
  Backend() = default;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;
  virtual ~Backend() = default;

  // The platform attaches its core while it runs (nullptr detaches). Between runs there is no
  // sink, and events are dropped: there is no window left to take them.
  void AttachSink(EventSink* sink) { m_sink = sink; }
  EventSink* Sink() { return m_sink; }

 private:
  EventSink* m_sink = nullptr;
};

}  // namespace backend
