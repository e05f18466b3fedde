// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory display for tests: native windows are records with a stacking order, presented
// pixels are kept per window exactly as presented, and time is a virtual clock that moves only
// when the test moves it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/backend_events.h"
#include "platform/virtual_clock.h"

namespace headless {

struct Options {
  int screenWidth = 1280;
  int screenHeight = 1024;
  int dpi = 96;
  // The start-up show command handed to the program; SW_SHOWDEFAULT means none was given.
  int showCommand = SW_SHOWDEFAULT;
  std::uint64_t startMs = 1000;
  // A wait with nothing that could ever end it (no event, no other thread) fails the test after
  // this much real time instead of hanging it.
  int stallTimeoutMs = 20000;
  // When set, a wait for the next timer moves the virtual clock to it, as real time would.
  bool idleAdvancesClock = false;
};

struct NativeWindow {
  RECT rect;  // client area in screen coordinates
  backend::TopLevelProps props;
  backend::NativeShowState state = backend::NativeShowState::Hidden;
  Surface presented;  // what the display shows: only presented rectangles ever reach it
  int presentCount = 0;
  std::vector<RECT> lastPresent;
};

class HeadlessBackend : public backend::Backend, public VirtualClock {
 public:
  explicit HeadlessBackend(const Options& options = {});
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // ---- Backend: the screen ----
  int ScreenWidth() override { return m_options.screenWidth; }
  int ScreenHeight() override { return m_options.screenHeight; }
  int PixelsPerInch() override { return m_options.dpi; }
  STARTUPINFO StartupInfo() override;
  // ---- Backend: top-level windows ----
  bool CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) override;
  void DestroyNative(HWND hwnd) override;
  void SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) override;
  void SetNativeBounds(HWND hwnd, const RECT& screenRect) override;
  void SetNativeShowState(HWND hwnd, backend::NativeShowState state) override;
  void ActivateNative(HWND hwnd) override;
  void Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) override;
  // ---- Backend: input (the clipboard is the default one: a value of this display, what the
  // program or a test put there) ----
  void GrabPointer(HWND hwnd) override { m_grab = hwnd; }
  void GrabKeyboard(HWND hwnd) override { m_keyboardGrab = hwnd; }
  POINT CursorPos() override { return m_cursor; }
  void WarpCursor(POINT screenPt) override { m_cursor = screenPt; }
  // ---- Backend: the clock (this display's own, virtual) and the wait ----
  std::uint64_t NowMs() override { return m_now.load(); }
  VirtualClock* OwnClock() override { return this; }
  void AddClockListener(ClockListener* listener) override;
  void RemoveClockListener(ClockListener* listener) override;
  bool WaitAndDispatch(int timeoutMs) override;
  void Wake() override;

  // ---- Test side ----
  const Options& GetOptions() const { return m_options; }
  // Queues an event for the next WaitAndDispatch, as the X connection would have it.
  void Inject(const backend::InputEvent& event);
  // The native window that would receive pointer events at a screen point (grabs included):
  // nullptr means "deliver in screen coordinates" (a grab) or nothing there.
  HWND PointerTarget(POINT screenPt, bool* deliver) const;
  void SetNow(std::uint64_t nowMs);  // moves the clock forward and tells the listeners
  const NativeWindow* Native(HWND hwnd) const;
  std::vector<HWND> Stacking() const { return m_stacking; }  // top first
  HWND ActiveNative() const { return m_active; }
  HWND Grab() const { return m_grab; }
  HWND KeyboardGrab() const { return m_keyboardGrab; }
  unsigned HeldModifiers() const { return m_modifiers; }
  void SetHeldModifiers(unsigned modifiers) { m_modifiers = modifiers; }
  unsigned HeldButtons() const { return m_buttons; }
  void SetHeldButtons(unsigned buttons) { m_buttons = buttons; }
  HWND PressWindow() const { return m_pressWindow; }
  void SetPressWindow(HWND hwnd) { m_pressWindow = hwnd; }
  // Steps for a program that runs its own loop (the whole program's main sequence): each time the
  // loop would block with nothing pending, the next step runs (it injects input, looks at the
  // windows, or asks a window to close) and what it injected is delivered. Once the steps are used
  // up, a wait blocks as before (and ends in the stall timeout).
  void SetIdleScript(std::vector<std::function<void()>> steps) {
    m_idleScript.assign(steps.begin(), steps.end());
  }
  std::size_t IdleStepsLeft() const { return m_idleScript.size(); }

 private:
  void Raise(HWND hwnd);
  bool DeliverPending();

  Options m_options;
  std::atomic<std::uint64_t> m_now;
  int m_wakeFd = -1;
  // The wake in WebAssembly, which has no eventfd (and one thread, no signal handler).
  std::atomic<bool> m_woken{false};
  std::deque<backend::InputEvent> m_pending;
  std::vector<ClockListener*> m_listeners;
  std::map<HWND, NativeWindow> m_windows;
  std::vector<HWND> m_stacking;
  HWND m_active = nullptr;
  HWND m_grab = nullptr;
  HWND m_keyboardGrab = nullptr;
  HWND m_pressWindow = nullptr;  // implicit grab while a button is held
  POINT m_cursor;
  unsigned m_modifiers = 0;
  unsigned m_buttons = 0;
  std::deque<std::function<void()>> m_idleScript;
};

}  // namespace headless
