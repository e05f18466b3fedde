// SPDX-License-Identifier: GPL-3.0-or-later
// The real display: each platform top-level window is an X window (child windows are drawn and
// routed by the platform core inside it). Presents surfaces, turns X events into the core's
// native events, and provides the monotonic clock and the blocking wait of the message loop.
//
// Environment: DISPLAY as usual; TESSIVO_NO_SHM=1 presents through the connection even when the
// server offers shared memory; TESSIVO_NO_XIM=1 reads keys without an input method (no dead
// keys); XMODIFIERS chooses the input method, falling back to the locale's own.
//
// Xlib's headers stay out of this one: it is included by the program's start-up code, and Xlib's
// macros (None, Status, Bool...) would leak into everything that includes it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/backend/backend.h"

// Xlib's own types, declared here so that this header does not pull Xlib into every user (the
// names are Xlib's).
struct _XDisplay;  // NOLINT(bugprone-reserved-identifier)
union _XEvent;     // NOLINT(bugprone-reserved-identifier)
struct _XIC;       // NOLINT(bugprone-reserved-identifier)

namespace x11 {

struct X11Atoms;
class X11Presenter;
class X11InputMethod;
class X11Clipboard;
struct X11TopLevel;

class X11Backend : public backend::Backend {
 public:
  // Connects to $DISPLAY (or `displayName`); nullptr when there is no display to connect to.
  static std::unique_ptr<X11Backend> Open();
  static std::unique_ptr<X11Backend> Open(const char* displayName);
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  int ScreenWidth() override;
  int ScreenHeight() override;
  std::optional<RECT> WorkArea() override;
  int PixelsPerInch() override;
  STARTUPINFO StartupInfo() override;
  std::uint64_t NowMs() override;

  bool CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) override;
  void DestroyNative(HWND hwnd) override;
  void SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) override;
  void SetNativeBounds(HWND hwnd, const RECT& screenRect) override;
  void SetNativeShowState(HWND hwnd, backend::NativeShowState state) override;
  void ActivateNative(HWND hwnd) override;
  RECT FrameExtents(HWND hwnd) override;
  void Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) override;
  void GrabPointer(HWND hwnd) override;
  void GrabKeyboard(HWND hwnd) override;
  void SetClipboardText(const std::string& utf8) override;
  std::optional<std::string> ClipboardText(int timeoutMs) override;
  POINT CursorPos() override;
  void WarpCursor(POINT screenPt) override;
  bool WaitAndDispatch(int timeoutMs) override;
  void Wake() override;
  bool WaitsOnDescriptors() const override { return true; }
  std::optional<std::string> AccessibilityBusProperty() override;

  // For diagnostics and tests: the X window of a top-level (0 when it has none), whether the
  // surfaces travel through shared memory, the X connection's name.
  unsigned long NativeWindowId(HWND hwnd) const;
  bool UsesSharedMemory() const;
  std::string DisplayName() const;
  // Whether the input method is open (it opens with the first key, not at start).
  bool InputMethodOpen() const;
  // Returns once the server has carried out every request made so far (another connection then
  // sees their effect).
  void Sync();

 private:
  X11Backend() = default;
  bool Connect(const char* displayName);

  X11TopLevel* Find(HWND hwnd) const;
  // The window's input context, or nullptr once the input method it came from has gone away.
  _XIC* ContextOf(X11TopLevel& window) const;
  void AttachContext(X11TopLevel& window);
  // Opens the input method (once) and gives every window its context.
  void EnsureInputMethod();
  X11TopLevel* FindByXid(unsigned long xid) const;
  bool WindowManagerRunning();
  void ApplyProps(X11TopLevel& window, const backend::TopLevelProps& props, bool initial);
  // Writes again what the windows owned by `owner` tell the desktop (it depends on the owner).
  void ReapplyOwned(HWND owner);
  void MapWindow(X11TopLevel& window);
  void FocusNow(X11TopLevel& window);
  void GrabNow(X11TopLevel& window);
  void GrabKeyboardNow(X11TopLevel& window);
  void ReportMinimized(X11TopLevel& window, bool minimized);
  // The window's client area is at x, y on the root now: the platform hears of it if it moved.
  void NoteMoved(X11TopLevel& window, int x, int y);

  void HandleEvent(_XEvent& event);
  void HandleKey(_XEvent& event);
  void HandlePointer(_XEvent& event);
  void HandleStructure(_XEvent& event);
  // Parts of HandleStructure: a property of the window changed; the keyboard focus came or went.
  void HandleProperty(X11TopLevel& window, _XEvent& event);
  void HandleFocusChange(X11TopLevel& window, _XEvent& event);

  _XDisplay* m_display = nullptr;
  int m_screen = 0;
  unsigned long m_root = 0;
  unsigned long m_wmSelection = 0;  // WM_Sn: owned while an ICCCM window manager runs
  int m_wakeFd = -1;
  // What one wait polls: the display, the wake-up, then the services' descriptors (kept to spare
  // an allocation per wait).
  static constexpr std::size_t kOwnDescriptors = 2;
  std::vector<pollfd> m_pollSet;
  int m_dpi = 96;
  std::string m_resourceName = "tessivo";
  unsigned long m_lastEventTime = 0;  // server time of the last user event, for requests to the WM
  std::unique_ptr<X11Atoms> m_atoms;
  std::unique_ptr<X11Presenter> m_presenter;
  std::unique_ptr<X11InputMethod> m_inputMethod;
  std::unique_ptr<X11Clipboard> m_clipboard;
  std::unordered_map<HWND, std::unique_ptr<X11TopLevel>> m_windows;
  std::unordered_map<unsigned long, X11TopLevel*> m_byXid;
  HWND m_grab = nullptr;
  HWND m_keyboardGrab = nullptr;
};

}  // namespace x11
