// SPDX-License-Identifier: GPL-3.0-or-later
// The running platform's state: one object, made by InitPlatform and torn down by
// ShutdownPlatform in reverse order of making, whose parts are named for what they hold. The
// backend is handed to it at the start and every part reaches the display through it.
//
// Only the UI thread touches it. Other threads reach the running queue and the table of live
// handles through PostFromOtherThread and IsLiveHandle, which hold the platform open while they
// look (platform_state.cpp).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/loop/message_queue.h"
#include "platform/loop/timer_list.h"
#include "platform/surface.h"
#include "platform/window/window_store.h"

class Backend;
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

class PlatformState {
 public:
  explicit PlatformState(Backend& display);
  PlatformState(const PlatformState&) = delete;
  PlatformState& operator=(const PlatformState&) = delete;
  ~PlatformState();

  Backend& backend;
  loop::MessageQueue queue;
  loop::TimerList timers;
  WindowStore windows;
  ClassRegistry classes;
  InputState input;
  FocusState focus;
  PaintState paint;
  ScrollTracking scrollTracking;
  SystemMenus menus;
  // What services started during the run want done before the windows go (AtPlatformShutdown).
  std::vector<void (*)()> shutdownHooks;
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
};

// Makes the state of a run on `backend` and opens its queue to other threads.
void StartPlatform(Backend& backend);
// Runs the shutdown hooks, destroys every window, closes the queue and lets the state go.
void StopPlatform();
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
