// SPDX-License-Identifier: GPL-3.0-or-later
// The running platform's state: one object, made by InitPlatform and torn down by
// ShutdownPlatform in reverse order of making, whose parts are named for what they hold. The
// backend is handed to it at the start and every part reaches the display through it; the
// services a run starts (the multimedia devices, the bridge to screen readers) are owned here too.
//
// Only the UI thread touches it. Other threads reach the running queue and the table of live
// handles through PostFromOtherThread and IsLiveHandle, which hold the platform open while they
// look (platform_state.cpp).
//
// What lives as long as the process instead, and why (nothing else in the platform outlives a run):
// - the drawing tables (gfx/graphics_state.h): objects, device contexts, stock objects, standard
//   icons and fonts, since drawing works without a display and handles stay valid across runs;
//   the loaded font library, font lookups and the one report that no font is usable
//   (gfx/font_cache.cpp, gfx/font_lookup.cpp);
// - the screen drawing answers for and the wait a termination signal wakes: one pointer each
//   (gfx/graphics_state.cpp, loop/signals.cpp), set and cleared by this state's ScreenBinding and
//   SignalWake members, since drawing and a signal handler cannot reach the state;
// - the counters of window and menu handles and of multimedia devices (window_store.cpp, menu.cpp,
//   mci/mci_service.cpp): one is never reused, not even by the next run, so a stale one never
//   names a new window or device;
// - the calling thread's last error and the multimedia service's last error details
//   (mci/mci_errors.cpp), which a caller reads after the call that failed, whatever runs then;
// - libraries loaded at run time (base::KeptLibrary) and FluidSynth's log (mci/fluid_api.cpp),
//   which are the process's by nature; the program's compiled-in resources (module/module.cpp);
// - the termination signal received (loop/signals.cpp) and the X error trap
//   (backend/x11/x11_errors.cpp): signals and Xlib's error handler are the process's;
// - the headless driver's running session (headless/headless_driver.cpp), which a test's free
//   calls reach; the session owns its display, and the display outlives the run on it.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/backend/backend.h"
#include "platform/gfx/screen.h"
#include "platform/loop/message_queue.h"
#include "platform/loop/signals.h"
#include "platform/loop/timer_list.h"
#include "platform/message_box.h"
#include "platform/surface.h"
#include "platform/window/native_events.h"
#include "platform/window/window_store.h"

namespace a11y {
class EventSink;
struct AccessState;
}  // namespace a11y

namespace window {

// Registered window classes, by folded name.
struct ClassRegistry {
  std::map<std::string, std::pair<ATOM, std::shared_ptr<ClassRecord>>> byName;
  ATOM nextAtom = 0xC000;
};

// Keyboard focus, activation and mouse capture (focus.cpp).
struct FocusState {
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND grabbed = nullptr;  // top-level holding a pointer grab for its capture
  bool appActive = false;
};

// Key state, double-click tracking and the characters of recent key presses (input.cpp).
struct InputState {
  static constexpr std::size_t kKeyCount = 256;
  struct KeyText {
    UINT vk = 0;
    HWND hwnd = nullptr;
    std::string chars;
  };
  std::array<BYTE, kKeyCount> keys{};  // as of the last message read: 0x80 down, 0x01 toggled
  unsigned buttons = 0;                // bit (button - 1)
  HWND lastClickWnd = nullptr;
  int lastClickButton = 0;
  std::uint64_t lastClickTime = 0;
  POINT lastClickPt;
  bool lastWasDouble = false;
  std::array<KeyText, kKeyCount> texts{};
  int nextText = 1;
};

// The device contexts handed out for windows and for the screen (paint.cpp); the destructor
// ends the ones still out.
struct PaintState {
  struct LiveDc {
    HWND hwnd = nullptr;
    HWND top = nullptr;
  };
  PaintState() = default;
  PaintState(const PaintState&) = delete;
  PaintState& operator=(const PaintState&) = delete;
  ~PaintState();
  std::map<HDC, LiveDc> windowDcs;
  // DCs for "the screen" (GetDC(nullptr)) answer device queries and draw nowhere.
  Surface screenSurface{1, 1};
};

// A press on a scroll bar held down (scrollbar.cpp): it repeats, first after a pause, then
// quickly, as long as the pointer stays on the part that was pressed.
struct ScrollTracking {
  enum class Part { None, Arrow1, Arrow2, PageBefore, PageAfter, Thumb };
  bool active = false;
  HWND hwnd = nullptr;
  int bar = SB_VERT;
  Part part = Part::None;
  bool thumb = false;
  int grab = 0;  // pointer offset inside the thumb along the bar
  POINT pointer;
};

// System menus by handle (menu.cpp).
struct SystemMenus {
  struct Item {
    UINT id = 0;  // 0: separator
    UINT flags = 0;
  };
  struct Menu {
    HWND owner = nullptr;
    std::vector<Item> items;
  };
  std::map<std::uintptr_t, Menu> byHandle;
};

// A service a run holds beside its windows: owned by the state, made on first use, ended before
// the windows go, latest made first. One slot each.
class RunService {
 public:
  virtual ~RunService() = default;
};
enum class ServiceSlot { kMultimedia, kBusTimers, kAccessibilityBridge, kPageMirror, kCount };

// The screen drawing answers for: the backend's, while the run lasts.
class BackendScreen final : public gfx::Screen {
 public:
  explicit BackendScreen(backend::ScreenConcern& screen) : m_screen(screen) {}
  int Width() override { return m_screen.ScreenWidth(); }
  int Height() override { return m_screen.ScreenHeight(); }
  int PixelsPerInch() override { return m_screen.PixelsPerInch(); }

 private:
  backend::ScreenConcern& m_screen;
};

class PlatformState {
 public:
  explicit PlatformState(backend::Backend& display);
  PlatformState(const PlatformState&) = delete;
  PlatformState& operator=(const PlatformState&) = delete;
  ~PlatformState();

  backend::Backend& backend;
  BackendScreen screen{backend};
  gfx::ScreenBinding screenBinding{screen};
  loop::MessageQueue queue{backend};
  loop::SignalWake signalWake{backend};
  loop::TimerList timers;
  WindowStore windows;
  ClassRegistry classes;
  InputState input;
  FocusState focus;
  PaintState paint;
  ScrollTracking scrollTracking;
  SystemMenus menus;
  // The run's services by slot, and the order they were made in (EndServices ends them).
  std::array<std::unique_ptr<RunService>, static_cast<std::size_t>(ServiceSlot::kCount)> services;
  std::vector<ServiceSlot> serviceOrder;
  // Told of each message box shown (WatchMessageBoxes); on a desktop nobody watches.
  std::function<void(const ShownMessageBox&)> boxWatcher;
  // Run once, the first time the loop goes idle with its windows on the display: the services
  // that must not delay the first frame (accessibility) start there.
  std::vector<void (*)()> firstIdleHooks;
  bool firstIdleDone = false;
  // Descriptors the wait watches besides the display's (the accessibility bus), each with what
  // to call when it is ready; called from the loop, after the wait, never inside it.
  struct DescriptorWatch {
    int fd = -1;
    short events = 0;
    void (*ready)(void* context, short revents) = nullptr;
    void* context = nullptr;
  };
  std::vector<DescriptorWatch> descriptorWatches;
  // Where accessibility events go (nullptr: nobody listens), and the requests of screen readers
  // waiting for the loop and the platform's answers for windows (made on first use).
  a11y::EventSink* accessibilitySink = nullptr;
  std::unique_ptr<a11y::AccessState> accessibility;
  // What the display reports, attached to it while this state lives.
  NativeEvents nativeEvents;
};

// Makes the state of a run on `backend` and opens its queue to other threads.
void StartPlatform(backend::Backend& backend);
// Ends the services, destroys every window, closes the queue and lets the state go.
void StopPlatform();

// ---- The run's services (none while no platform runs) ------------------------------------------
RunService* FindService(ServiceSlot slot);
// Hands `service` to the running state (ending the one in the slot before); false, and the
// service ended at once, when no platform runs.
bool AdoptService(ServiceSlot slot, std::unique_ptr<RunService> service);
// Ends the service in the slot, if any (the state lets go of it first, so that it finds its own
// slot empty while it ends).
void EndService(ServiceSlot slot);
template <class T>
T* ServiceOf(ServiceSlot slot) {
  return static_cast<T*>(FindService(slot));
}
// The running platform; nullptr before InitPlatform and after ShutdownPlatform.
PlatformState* RunningPlatform();
// The running platform, for code that runs only while it does (a window exists, a message is
// being handled). Ends the program with a message if there is none: that is a fault above.
PlatformState& State();

// ---- From other threads ----------------------------------------------------------------------
// Queues a message posted from another thread and wakes the loop; false when no platform runs or
// its queue is closed.
bool PostFromOtherThread(const MSG& msg);
// Whether the handle names a live window, asked from any thread.
bool IsLiveHandle(HWND hwnd);

}  // namespace window
