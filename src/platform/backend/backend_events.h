// SPDX-License-Identifier: GPL-3.0-or-later
// What a backend reports to the platform core: the events and the keys they name. Reported on the
// UI thread only, from inside Backend::WaitAndDispatch (or from a headless test's injection, which
// takes the same path).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/types.h"

namespace backend {

enum class InputKind { PointerMove, ButtonPress, ButtonRelease, Wheel, KeyPress, KeyRelease };

// The X keysyms the platform and the test driver handle by name. The X server reports a key by the
// keysym of its current shift level; the headless display takes the same numbers, so a test
// presses keys as a user on a real display would.
namespace keys {
inline constexpr std::uint32_t kBackSpace = 0xff08;
inline constexpr std::uint32_t kTab = 0xff09;
inline constexpr std::uint32_t kIsoLeftTab = 0xfe20;  // Tab with Shift on most layouts
inline constexpr std::uint32_t kReturn = 0xff0d;
inline constexpr std::uint32_t kPause = 0xff13;
inline constexpr std::uint32_t kScrollLock = 0xff14;
inline constexpr std::uint32_t kEscape = 0xff1b;
inline constexpr std::uint32_t kDelete = 0xffff;
inline constexpr std::uint32_t kHome = 0xff50;
inline constexpr std::uint32_t kLeft = 0xff51;
inline constexpr std::uint32_t kUp = 0xff52;
inline constexpr std::uint32_t kRight = 0xff53;
inline constexpr std::uint32_t kDown = 0xff54;
inline constexpr std::uint32_t kPageUp = 0xff55;
inline constexpr std::uint32_t kPageDown = 0xff56;
inline constexpr std::uint32_t kEnd = 0xff57;
inline constexpr std::uint32_t kSelect = 0xff60;
inline constexpr std::uint32_t kExecute = 0xff62;
inline constexpr std::uint32_t kInsert = 0xff63;
inline constexpr std::uint32_t kMenu = 0xff67;
inline constexpr std::uint32_t kHelp = 0xff6a;
inline constexpr std::uint32_t kBreak = 0xff6b;
inline constexpr std::uint32_t kNumLock = 0xff7f;
inline constexpr std::uint32_t kKeypadSpace = 0xff80;
inline constexpr std::uint32_t kKeypadTab = 0xff89;
inline constexpr std::uint32_t kKeypadEnter = 0xff8d;
inline constexpr std::uint32_t kKeypadHome = 0xff95;
inline constexpr std::uint32_t kKeypadLeft = 0xff96;
inline constexpr std::uint32_t kKeypadUp = 0xff97;
inline constexpr std::uint32_t kKeypadRight = 0xff98;
inline constexpr std::uint32_t kKeypadDown = 0xff99;
inline constexpr std::uint32_t kKeypadPageUp = 0xff9a;
inline constexpr std::uint32_t kKeypadPageDown = 0xff9b;
inline constexpr std::uint32_t kKeypadEnd = 0xff9c;
inline constexpr std::uint32_t kKeypadBegin = 0xff9d;  // the 5 of the keypad without Num Lock
inline constexpr std::uint32_t kKeypadInsert = 0xff9e;
inline constexpr std::uint32_t kKeypadDelete = 0xff9f;
inline constexpr std::uint32_t kKeypadMultiply = 0xffaa;
inline constexpr std::uint32_t kKeypadAdd = 0xffab;
inline constexpr std::uint32_t kKeypadSeparator = 0xffac;
inline constexpr std::uint32_t kKeypadSubtract = 0xffad;
inline constexpr std::uint32_t kKeypadDecimal = 0xffae;
inline constexpr std::uint32_t kKeypadDivide = 0xffaf;
inline constexpr std::uint32_t kKeypad0 = 0xffb0;  // ... kKeypad9 in a row
inline constexpr std::uint32_t kKeypad9 = 0xffb9;
inline constexpr std::uint32_t kF1 = 0xffbe;  // ... kF24 in a row
inline constexpr std::uint32_t kF2 = 0xffbf;
inline constexpr std::uint32_t kF4 = 0xffc1;
inline constexpr std::uint32_t kF24 = 0xffd5;
inline constexpr std::uint32_t kShiftL = 0xffe1;
inline constexpr std::uint32_t kShiftR = 0xffe2;
inline constexpr std::uint32_t kControlL = 0xffe3;
inline constexpr std::uint32_t kControlR = 0xffe4;
inline constexpr std::uint32_t kCapsLock = 0xffe5;
inline constexpr std::uint32_t kMetaL = 0xffe7;
inline constexpr std::uint32_t kMetaR = 0xffe8;
inline constexpr std::uint32_t kAltL = 0xffe9;
inline constexpr std::uint32_t kAltR = 0xffea;
inline constexpr std::uint32_t kSuperL = 0xffeb;
inline constexpr std::uint32_t kSuperR = 0xffec;
inline constexpr std::uint32_t kSpace = 0x20;
// The keysyms of the input method's own keys (dead keys, group and level shifts).
inline constexpr std::uint32_t kFirstInputMethodKey = 0xfe00;
inline constexpr std::uint32_t kLastInputMethodKey = 0xfeff;
// Keysyms of characters: printable ASCII and Latin-1 are their own code points; any other
// Unicode character is its code point with this bit set.
inline constexpr std::uint32_t kLastAscii = 0x7e;
inline constexpr std::uint32_t kFirstLatin1 = 0xa0;
inline constexpr std::uint32_t kLastLatin1 = 0xff;
inline constexpr std::uint32_t kUnicodeBit = 0x01000000;
inline constexpr std::uint32_t kUnicodeMask = 0x00ffffff;
}  // namespace keys

// Modifier bits of an input event.
inline constexpr unsigned kShift = 1;
inline constexpr unsigned kControl = 2;
inline constexpr unsigned kAlt = 4;

struct InputEvent {
  InputKind kind = InputKind::PointerMove;
  HWND topLevel = nullptr;  // the native window the event arrived at (nullptr: pointer grab)
  int x = 0;                // client coordinates of topLevel (screen if topLevel is null)
  int y = 0;
  int button = 0;            // 1 left, 2 middle, 3 right
  int wheelDelta = 0;        // multiples of WHEEL_DELTA, positive away from the user
  std::uint32_t keysym = 0;  // X keysym of the key
  std::string textUtf8;      // characters the input method produced for a key press
  unsigned modifiers = 0;    // state before the event
  std::uint64_t timeMs = 0;
};

// What a backend reports to the platform core. The core implements it and attaches it to the
// backend while a platform runs (Backend::AttachSink).
class EventSink {
 public:
  virtual void Input(const InputEvent& event) = 0;
  // Part of a top-level window's surface must be shown again (the display lost it).
  virtual void Expose(HWND topLevel, const RECT& rect) = 0;
  // The desktop moved the window (client top-left in screen coordinates).
  virtual void Moved(HWND topLevel, int screenX, int screenY) = 0;
  // The desktop framed the window anew: Backend::FrameExtents has other widths now.
  virtual void FrameChanged(HWND topLevel) = 0;
  // The desktop asked to close the window (becomes WM_CLOSE).
  virtual void CloseRequested(HWND topLevel) = 0;
  // The desktop gave or took the keyboard focus.
  virtual void FocusChanged(HWND topLevel, bool focused) = 0;
  // The desktop iconified or restored the window.
  virtual void ShowStateChanged(HWND topLevel, bool minimized) = 0;
  // Asked by a backend or a test driver: the deadline of the next timer on the backend's clock,
  // if any (a virtual clock can be moved straight to it).
  virtual std::optional<std::uint64_t> NextTimerDeadline() = 0;

 protected:
  ~EventSink() = default;
};

}  // namespace backend
